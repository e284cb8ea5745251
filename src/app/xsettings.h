#pragma once
// The desktop's switch for event sounds, as X desktops publish it to every
// client in XSETTINGS ("Net/EnableEventSounds"): GNOME, Xfce and KDE's GTK
// bridge all set it.
#include <optional>
#include <string_view>

namespace plandor {

// The integer setting `name` in the bytes of an _XSETTINGS_SETTINGS
// property; nothing when it is absent or the bytes are malformed.
std::optional<int> xsettingsInteger(std::string_view property, std::string_view name);

}  // namespace plandor
