#pragma once
// The rule of one running copy per data folder: an exclusive flock on the
// folder itself, taken before anything in it is read. Unlike a socket name,
// a lock on the folder is shared by every network namespace (sandboxed
// launchers, `unshare -n`, services with a private network), every path and
// mount that reaches the folder, and every user; the kernel drops it when
// the holder ends, however it ends, and nothing is left on disk for a sync
// tool to carry to another computer.
#include <string>

namespace plandor {

class FolderLock final {
 public:
  enum class State {
    Held,            // this copy owns the folder
    HeldByAnother,   // another copy runs on it
    Unavailable,     // the file system takes no locks (ENOLCK, some network
                     // shares): this copy runs, but cannot tell a second one
    Failed,          // the folder could not be opened; error() says why
  };

  // Takes the lock on `folder`. While held, saves under it check that the
  // folder at that path is still the one locked (guardDataFolder).
  explicit FolderLock(const std::string& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  State state() const { return state_; }
  int error() const { return error_; }

 private:
  int fd_ = -1;
  State state_ = State::Failed;
  int error_ = 0;
};

}  // namespace plandor
