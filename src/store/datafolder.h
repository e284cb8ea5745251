#pragma once
// Where the data live. The install decides, not the folder's permissions:
// `cmake --install` writes a marker file beside the program, and an
// installed copy always keeps its data in the user's data folder, where a
// reinstall or an uninstall cannot take them. A portable copy (the program
// folder copied anywhere) always keeps them beside the program.
#include <optional>
#include <string>

namespace plandor {

// The folder of the running executable as the kernel names it, without a
// trailing "/" ("" for the root folder); nothing when it cannot be found.
std::optional<std::string> executableFolder();

// "$XDG_DATA_HOME/plandor", or "$HOME/.local/share/plandor" when that is
// unset, empty or relative; nothing when no home is known either.
std::optional<std::string> userDataFolder(const char* xdgDataHome, const char* home);

// The marker file an install puts beside the program.
inline constexpr char kInstalledMarker[] = "plandor-installed";

// Whether the program in `programFolder` was put there by an install.
bool isInstalledCopy(const std::string& programFolder);

// The data folder for a program in `programFolder` (bytes, no trailing "/"),
// as it stands: nothing is created.
std::optional<std::string> dataFolderFor(const std::string& programFolder);

// The same, created with its parents when missing. Nothing when it cannot be made;
// `failed` then names the folder that could not be made.
std::optional<std::string> chooseDataFolder(const std::string& programFolder, std::string* failed = nullptr);

}  // namespace plandor
