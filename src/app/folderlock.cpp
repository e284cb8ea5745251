#include "folderlock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "fileio.h"

namespace plandor {

FolderLock::FolderLock(const std::string& folder) {
  fd_ = ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  int r;
  do r = ::flock(fd_, LOCK_EX | LOCK_NB);
  while (r != 0 && errno == EINTR);
  if (r != 0 && errno == EWOULDBLOCK) {
    error_ = errno;
    state_ = State::HeldByAnother;
    ::close(fd_);
    fd_ = -1;
    return;
  }
  // Any other refusal is the file system's, not another copy's.
  const int lockError = r != 0 ? errno : 0;
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    error_ = errno;
    ::close(fd_);
    fd_ = -1;
    return;
  }
  error_ = lockError;
  state_ = lockError ? State::Unavailable : State::Held;
  guardDataFolder(folder, st.st_dev, st.st_ino);
}

FolderLock::~FolderLock() {
  if (fd_ < 0) return;
  guardDataFolder({}, 0, 0);
  ::close(fd_);
}

}  // namespace plandor
