#include "outputfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace plandor::ics {
namespace {

// The temporary of the file being written, removed if a signal ends the
// program first. Only async-signal-safe calls touch it there.
char pendingTemporary[4096];

void removePendingAndDie(int sig) {
  if (pendingTemporary[0]) ::unlink(pendingTemporary);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ReplacingFile::~ReplacingFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  pendingTemporary[0] = '\0';
}

IoResult ReplacingFile::open(const std::string& path) {
  path_ = path;
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
    return IoResult::failure(IoResult::Op::Create, path, S_ISDIR(st.st_mode) ? EISDIR : kNotRegularFile);
  std::string name = folderOf(path) + "/." + nameOf(path) + ".plandor-ics-XXXXXX";
  if (name.size() >= sizeof pendingTemporary) return IoResult::failure(IoResult::Op::Create, path, ENAMETOOLONG);
  fd_ = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd_ < 0) return IoResult::failure(IoResult::Op::Create, path, errno);
  temporary_ = name;
  std::memcpy(pendingTemporary, name.c_str(), name.size() + 1);
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) ::signal(sig, removePendingAndDie);
  return IoResult::success();
}

IoResult ReplacingFile::write(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return IoResult::failure(IoResult::Op::Write, path_, n < 0 ? errno : ENOSPC);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return IoResult::success();
}

IoResult ReplacingFile::commit() {
  // The file keeps the mode (and, where allowed, the owner) of the one it
  // replaces, so a calendar served from it stays readable; a new one gets
  // what any new file would.
  struct stat old;
  if (::stat(path_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    [[maybe_unused]] int ignored = ::fchown(fd_, old.st_uid, old.st_gid);
    ::fchmod(fd_, old.st_mode & 07777);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
  }
  if (::fsync(fd_) != 0) return IoResult::failure(IoResult::Op::Write, path_, errno);
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) return IoResult::failure(IoResult::Op::Write, path_, errno);
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) return IoResult::failure(IoResult::Op::Write, path_, errno);
  temporary_.clear();
  pendingTemporary[0] = '\0';
  const int dir = ::open(folderOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool synced = dir >= 0 && ::fsync(dir) == 0;
  const int error = errno;
  if (dir >= 0) ::close(dir);
  return synced ? IoResult::success() : IoResult::failure(IoResult::Op::Sync, path_, error);
}

}  // namespace plandor::ics
