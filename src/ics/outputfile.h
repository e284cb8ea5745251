#pragma once
// A file written piece by piece and put in place whole: the pieces go to an
// exclusive temporary file beside the target, which is synced and renamed
// over the target's name once complete. The old file is replaced entirely
// (nothing of a longer one is left), or, on any failure, left as it was. A
// link at the target's name is replaced, never followed.
#include <string>
#include <string_view>

#include "fileio.h"

namespace plandor::ics {

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ~ReplacingFile();  // removes the temporary unless committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Refuses a target that is a folder, FIFO, device or socket.
  IoResult open(const std::string& path);
  IoResult write(std::string_view bytes);
  // Sync, the old file's mode (a new one's from the umask), rename, sync the
  // folder (Op::Sync when only that fails).
  IoResult commit();

 private:
  std::string path_, temporary_;
  int fd_ = -1;
};

}  // namespace plandor::ics
