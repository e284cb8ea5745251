#pragma once
// Where the data live. A program folder that takes writes is a portable copy:
// its data stay beside the program. An installed copy (a folder the user
// cannot write, under /usr or /opt) keeps them in the user's data folder.
#include <optional>
#include <string>

namespace plandor {

// The folder of the running executable as the kernel names it, without a
// trailing "/" ("" for the root folder); nothing when it cannot be found.
std::optional<std::string> executableFolder();

// "$XDG_DATA_HOME/plandor", or "$HOME/.local/share/plandor" when that is
// unset, empty or relative; nothing when no home is known either.
std::optional<std::string> userDataFolder(const char* xdgDataHome, const char* home);

// The data folder for a program in `programFolder` (bytes, no trailing "/"),
// as it stands: nothing is created.
std::optional<std::string> dataFolderFor(const std::string& programFolder);

// The same, created with its parents when missing. Nothing when it cannot be made;
// `failed` then names the folder that could not be made.
std::optional<std::string> chooseDataFolder(const std::string& programFolder, std::string* failed = nullptr);

}  // namespace plandor
