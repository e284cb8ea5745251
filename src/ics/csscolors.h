#pragma once
// The named colours of CSS, the values an iCalendar COLOR property takes.
#include <cstdint>
#include <string_view>

namespace plandor {

// The CSS colour name nearest (in RGB) to a Windows colour value 0x00BBGGRR.
std::string_view nearestCssColorName(std::int32_t color);

}  // namespace plandor
