#pragma once
// Whole-file reads and crash-safe whole-file writes. Every failure carries
// the path and the system's reason so the user can be told exactly what
// went wrong.
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace plandor {

struct IoResult {
  // Overwrite: a save refused because the file there could not be read.
  // Sync: the new file is in place, but the folder could not be synced after
  // the rename, so whether it survives a power loss is not known.
  enum class Op { None, Open, Create, Write, Overwrite, Sync };
  Op op = Op::None;
  std::string path;
  int error = 0;  // errno, or a reason of the program's own (below)

  bool ok() const { return op == Op::None; }
  // The file holds the new bytes: callers treat it as saved, and still show
  // the message when !ok().
  bool written() const { return op == Op::None || op == Op::Sync; }
  // The text of the error box, e.g. ファイル "…" を開けません.\r\n\r\n<reason>
  std::string message() const;

  static IoResult success() { return {}; }
  static IoResult failure(Op op, std::string path, int error) { return {op, std::move(path), error}; }
};

// Reasons of the program's own, beside the errno values.
constexpr int kNotRegularFile = -1;   // a FIFO, device or socket: never opened
constexpr int kChangedWhileRead = -2; // the file shrank while it was read
constexpr int kNotOurFormat = -3;     // not what the program writes there (damaged, or another's)

// The system's reason in Japanese, with the system's own words after it.
std::string errorReason(int error);

bool fileExists(const std::string& path);
// Only when the system says nothing is there: a path whose state cannot be
// learned (an I/O error, no search permission) may still hold a file, which
// must not be created over.
bool fileMissing(const std::string& path);
bool folderExists(const std::string& path);
// Creates one folder level.
IoResult createFolder(const std::string& path);

// Reads up to `capacity` bytes from the start of an existing file into
// `buffer`; `*got` receives the count. With `needWritable` the file must
// also be writable, as the stores open their files for reading and writing.
// Only a regular file is opened: anything else could block the open or the
// read for good. A file that holds fewer bytes than it did when opened fails.
IoResult readFileStart(const std::string& path, void* buffer, std::size_t capacity, std::size_t* got,
                       bool needWritable);

// The file a save of `path` replaces: a symbolic link is followed to its
// target (relative targets from the link's folder), so the link stays and
// the data keep reaching where it points. Anything else is `path` itself.
std::string saveTarget(const std::string& path);

// Replaces the file at `path` (or at its link's target) with `size` bytes,
// never leaving a torn file: the bytes go to a temporary file in the target's
// folder, which is synced and renamed over the old one, and the folder is
// synced after the rename (Op::Sync when that fails). An existing file that
// is read-only (or not a regular file) is refused and left as it is. With
// `mustExist`, a missing file is an error.
IoResult writeFileAtomic(const std::string& path, const void* data, std::size_t size, bool mustExist);

// Removes what saves cut short left of the named files in `folder`: their
// temporary files (".<name>.XXXXXX"), also beside a linked file's target.
// Only safe while no save of them runs.
void removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& names);
// The same for every file name in `folder` that `isOurs` accepts.
void removeStaleTemporaries(const std::string& folder, const std::function<bool(const std::string&)>& isOurs);

// Test seam: called at the named points of writeFileAtomic ("written",
// "synced", "renamed"); lets tests stop a save in the middle.
using SaveStepHook = void (*)(const char* step);
void setSaveStepHook(SaveStepHook hook);

}  // namespace plandor
