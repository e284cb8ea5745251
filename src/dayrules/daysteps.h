#pragma once
// Moving between days: the day before or after, whether a path may hold a
// day to read, and which day's plan holds a moment.
#include <optional>
#include <string>

#include "calendar.h"

namespace plandor {

// The day `step` days from `day`, while a day file's four-digit year can
// name it.
std::optional<LocalDate> neighbourDay(const LocalDate& day, int step);

// A day's path is read unless nothing or a folder is there: a path whose
// state cannot be learned may hold the day, and is read rather than
// started afresh (a folder only ever fails the save).
bool mayHoldDay(const std::string& path);

// The day whose plan (06:00 to 05:59 next morning) holds the time `t`.
LocalDate planDateAt(const LocalDateTime& t);

}  // namespace plandor
