#include "datafolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace plandor {
namespace {

std::string withoutTrailingSlashes(std::string path) {
  while (!path.empty() && path.back() == '/') path.pop_back();
  return path;
}

// Creates `path` and every missing folder above it. The user's own data are
// nobody else's to read: new folders are private.
bool makeFolders(const std::string& path) {
  struct stat st {};
  if (stat(path.empty() ? "/" : path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  const std::size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !makeFolders(path.substr(0, slash))) return false;
  return mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
}

}  // namespace

std::optional<std::string> userDataFolder(const char* xdgDataHome, const char* home) {
  // Only an absolute XDG_DATA_HOME counts; a relative one is to be ignored.
  if (xdgDataHome && xdgDataHome[0] == '/') return withoutTrailingSlashes(xdgDataHome) + "/plandor";
  std::string h = home ? home : "";
  if (h.empty() || h[0] != '/') {
    const passwd* pw = getpwuid(getuid());
    if (!pw || !pw->pw_dir || pw->pw_dir[0] != '/') return std::nullopt;
    h = pw->pw_dir;
  }
  return withoutTrailingSlashes(h) + "/.local/share/plandor";
}

std::optional<std::string> executableFolder() {
  std::string path(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n < 0) return std::nullopt;
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return std::nullopt;
  return path.substr(0, slash);
}

bool isInstalledCopy(const std::string& programFolder) {
  struct stat st {};
  // A marker that cannot be looked at (a folder without search rights)
  // counts as absent: such a copy was not installed by us.
  return stat((programFolder + "/" + kInstalledMarker).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::optional<std::string> dataFolderFor(const std::string& programFolder) {
  if (!isInstalledCopy(programFolder)) return programFolder;
  return userDataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::optional<std::string> chooseDataFolder(const std::string& programFolder, std::string* failed) {
  const std::optional<std::string> folder = dataFolderFor(programFolder);
  if (folder == programFolder) return folder;
  if (!folder || !makeFolders(*folder)) {
    if (failed) *failed = folder.value_or("~/.local/share/plandor");
    return std::nullopt;
  }
  return folder;
}

}  // namespace plandor
