#pragma once
// Whole-file reads and crash-safe whole-file writes. Every failure carries
// the path and the system's reason so the user can be told exactly what
// went wrong.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct stat;

namespace plandor {

struct IoResult {
  // Overwrite: a save refused because the file there could not be read.
  // Sync: the new file is in place, but the folder could not be synced after
  // the rename, so whether it survives a power loss is not known.
  // Changed: nothing written, as another program changed or replaced the file
  // since it was read; the caller asks the user what to do.
  // Split: the new file is in place, but the old one had other names (hard
  // links), which keep the old bytes.
  // Attributes: the new file is in place, but some of the old one's ACL or
  // extended attributes could not be given to it (told once a file).
  // Folder: the folder a file goes in could not be made (told as Create).
  enum class Op { None, Open, Create, Write, Overwrite, Sync, Changed, Split, Attributes, Folder };
  Op op = Op::None;
  std::string path;
  int error = 0;  // errno, or a reason of the program's own (below)

  bool ok() const { return op == Op::None; }
  // The file holds the new bytes: callers treat it as saved, and still show
  // the message when !ok().
  bool written() const { return op == Op::None || op == Op::Sync || op == Op::Split || op == Op::Attributes; }
  // The text of the error box, e.g. ファイル "…" を開けません.\r\n\r\n<reason>
  std::string message() const;

  static IoResult success() { return {}; }
  static IoResult failure(Op op, std::string path, int error) { return {op, std::move(path), error}; }
};

// A save refused for what is there (a file it could not read, or one it may
// not write) may still go beside it under another name (別名で保存); a
// folder that could not be made holds no copy either.
bool mayGoBeside(const IoResult& r);

// Reasons of the program's own, beside the errno values.
constexpr int kNotRegularFile = -1;   // a FIFO, device or socket: never opened
constexpr int kChangedWhileRead = -2; // the file shrank while it was read
constexpr int kNotOurFormat = -3;     // not what the program writes there (damaged, or another's)
constexpr int kFolderReplaced = -4;   // the data folder is no longer the one locked at start
constexpr int kLinkNotFollowed = -5;  // a symbolic link where the program keeps a file of its own

// What a read saw of a file, to tell later whether another program (a sync
// tool, a restored backup) changed or replaced it since. The file's identity,
// size and time tell at once; when they differ, the record's bytes decide,
// so a file touched or copied back unchanged is no change.
struct FileStamp {
  bool known = false;    // nothing recorded: a save takes any file as it is
  bool present = false;  // a file was there
  std::uint64_t device = 0, inode = 0;
  std::int64_t size = 0, mtimeSec = 0, mtimeNsec = 0;
  std::uint64_t digest = 0;  // of the record's bytes read or written
  std::size_t length = 0;    // how many those were
};

// What `stat` tells of a present file.
FileStamp stampOf(const struct stat& st);
// The same file as far as its identity, size and time tell (or both absent);
// the digest is not compared.
bool sameFile(const FileStamp& a, const FileStamp& b);

// The name of a copy that keeps the program's version beside a file another
// program changed: "Y2006013 (2026-12-07 09-41).sdf". createOwnFileExclusive
// gives it a later number when that name is taken.
std::string changedCopyPath(const std::string& path, int year, int month, int day, int hour, int minute);

// A file a sync tool left beside another's version ("X.sync-conflict-…",
// "X (conflicted copy …)"): never read as the program's own file.
bool isSyncConflictName(const std::string& name);

// The system's reason in Japanese, with the system's own words after it.
std::string errorReason(int error);

bool fileExists(const std::string& path);
bool isRegularFile(const std::string& path);
// Only when the system says nothing is there: a path whose state cannot be
// learned (an I/O error, no search permission) may still hold a file, which
// must not be created over.
bool fileMissing(const std::string& path);
bool folderExists(const std::string& path);
// Creates one folder level (Op::Folder when it cannot).
IoResult createFolder(const std::string& path);

// Reads up to `capacity` bytes from the start of an existing file into
// `buffer`; `*got` receives the count. With `needWritable` the file must
// also be writable, as the stores open their files for reading and writing.
// Only a regular file is opened: anything else could block the open or the
// read for good. A file that holds fewer bytes than it did when opened fails.
// `stamp`, when given, receives what was read.
IoResult readFileStart(const std::string& path, void* buffer, std::size_t capacity, std::size_t* got,
                       bool needWritable, FileStamp* stamp = nullptr);

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
// The bytes replace the start of the file only: whatever the old file holds
// past `size` stays after them, as a write in place would leave it. The new
// file keeps the old one's mode, owner and group where the system lets us
// give them; a new file made by root in another user's folder is that
// user's, and its ACL and extended attributes, as `cp -a` keeps them (what
// cannot be given is told once, Op::Attributes). A file with other names
// (hard links) is saved and told (Op::Split).
// With a known `stamp`, a file that is no longer the one stamped (another
// program wrote it, or put one where there was none) is left alone
// (Op::Changed); a file deleted since is written afresh. After a write the
// stamp describes the new file.
IoResult writeFileAtomic(const std::string& path, const void* data, std::size_t size, bool mustExist,
                         FileStamp* stamp = nullptr);

// Replaces the program's own file at `path` (a recovery file, Temporary.sdf,
// Settings.ini) whole: the new file holds exactly `data`, made complete in a
// temporary beside it, synced and renamed over the old one, whose mode,
// owner, group, ACL and extended attributes it keeps (as writeFileAtomic).
// A symbolic link, FIFO or device at `path` is never followed or opened:
// refused (kLinkNotFollowed, kNotRegularFile) and left as it is. Op::Sync
// and Op::Attributes as for writeFileAtomic.
IoResult writeOwnFile(const std::string& path, const void* data, std::size_t size);

// Creates a new file holding `data` under the wanted name `path`, or, when
// anything at all stands there (a dangling link included), under the first
// free numbered name beside it: "X (2026-12-07 09-41 2).sdf", "X (2).txt".
// Nothing existing is ever replaced or written through; the file appears
// complete. `path` receives the name used.
IoResult createOwnFileExclusive(std::string& path, const void* data, std::size_t size);

// Moves the file at `path` (whatever it is: never followed) to the name
// `kept`, or the first free numbered name beside it, which `kept` receives:
// a file the program cannot use, kept for the user before a new one is made.
IoResult keepFileAside(const std::string& path, std::string& kept);

// Reads the whole of the program's own file at `path` into `bytes`. Only a
// regular file is opened, never through a symbolic link (kLinkNotFollowed);
// one larger than `limit` fails with EFBIG.
IoResult readOwnFile(const std::string& path, std::string* bytes, std::size_t limit);

// The data folder this copy locked at start, by its identity then: a save
// under `folder` is refused (kFolderReplaced) once another folder stands at
// that path (a backup restored while the program runs).
void guardDataFolder(const std::string& folder, std::uint64_t device, std::uint64_t inode);

// A save's temporary file for `name`: a name nobody else would choose, so
// that only our own are ever cleaned up.
std::string temporaryPrefix(const std::string& name);  // ".<name>.plandor-save-"

// Removes what saves cut short left of the named files in `folder`: their
// temporary files (temporaryPrefix + twelve lowercase hex digits, exactly)
// older than a minute, in `folder` itself only: never beside a linked
// file's target elsewhere.
void removeStaleTemporaries(const std::string& folder, const std::vector<std::string>& names);
// The same for every file name in `folder` that `isOurs` accepts.
void removeStaleTemporaries(const std::string& folder, const std::function<bool(const std::string&)>& isOurs);

// Test seam: called at the named points of writeFileAtomic ("written",
// "synced", "renamed"); lets tests stop a save in the middle.
using SaveStepHook = void (*)(const char* step);
void setSaveStepHook(SaveStepHook hook);

}  // namespace plandor
