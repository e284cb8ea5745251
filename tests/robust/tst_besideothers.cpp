// The data folder shared with the rest of a desktop: sync tools, backups,
// other tools and an administrator reach the same files.
//   tst_besideothers CASE
// changed-file: a file another program replaced or rewrote since it was read
//   is never saved over without the user's word; overwriting and a copy
//   beside it both work, a file deleted since is written afresh.
// tail-kept: bytes past the record stay as they were.
// owner-kept: a save as root keeps the user's owner, group and mode; files
//   and folders root makes in the user's folder are the user's (root only).
// attributes-kept: a save keeps a file's ACL and extended attributes.
// hard-link: a file with a second name is saved and the split told.
// folder-replaced: a data folder put back from a backup while the program
//   runs is never written into.
// names: conflict copies of sync tools, and the name of our own copy.
// sound-fifo: a Shutter.wav that is a FIFO is never handed to the player.
#include <sys/stat.h>
#include <sys/xattr.h>

#include <ctime>
#include <functional>

#include "platform.h"
#include "robustsupport.h"
#include "scriptedplatform.h"

using namespace plandor;
using namespace robust;

namespace {

enum class Store { Day, Routines, List };
const char* const kStoreNames[] = {"day file", "routine file", "list file"};

// One program run on a folder, through the stores' own calls.
struct Run : FolderStores {
  using FolderStores::FolderStores;
  std::string pathOf(Store s) const {
    return s == Store::Day ? dayPath() : folder + (s == Store::Routines ? "/Routines.rdf" : "/LEntries.lef");
  }
  IoResult load(Store s) {
    switch (s) {
      case Store::Day: return day.open(dayPath());
      case Store::Routines: return routines.LoadRoutineFile(folder);
      case Store::List: return lists.LoadListEntries(folder);
    }
    return {};
  }
  void set(Store s, char v) {
    switch (s) {
      case Store::Day: day.restore(dayVersion(v)); break;
      case Store::Routines: routineVersion(v, routines.RoutineTable); break;
      case Store::List: lists.entries = listVersion(v); break;
    }
  }
  IoResult save(Store s, bool overwrite = false) {
    bool headerSet;
    switch (s) {
      case Store::Day: return day.save({2006, 1, 1}, &headerSet, overwrite);
      case Store::Routines: return routines.WriteRoutineFile(overwrite);
      case Store::List: return lists.WriteListFile(overwrite);
    }
    return {};
  }
  IoResult saveCopy(Store s, std::string& path) {
    switch (s) {
      case Store::Day: return day.saveCopy(path, {2006, 1, 1});
      case Store::Routines: return routines.WriteRoutineCopy(path);
      case Store::List: return lists.WriteListCopy(path);
    }
    return {};
  }
  // The data a save of the memory writes (a day file past its header).
  std::string intended(Store s) const {
    switch (s) {
      case Store::Day: return bytesOf(day.table());
      case Store::Routines: return bytesOf(routines.RoutineTable);
      case Store::List: return bytesOf(lists.entries);
    }
    return {};
  }
  static std::string dataOf(Store s, const std::string& file) { return s == Store::Day ? dayDataPart(file) : file; }
};

constexpr Store kStores[] = {Store::Day, Store::Routines, Store::List};

// A folder with all three files saved in version A, read by a fresh run.
std::string preparedFolder(const char* what) {
  const std::string folder = makeScratch(what) + "/prog";
  CHECK(createFolder(folder).ok());
  CHECK(createFolder(folder + "/Y200601").ok());
  Run first(folder);
  CHECK(first.load(Store::Routines).ok() && first.load(Store::List).ok());
  for (Store s : kStores) {
    first.set(s, 'A');
    CHECK(first.save(s).ok());
  }
  return folder;
}

std::string scratchOf(const std::string& folder) { return folder.substr(0, folder.rfind('/')); }

// Another program's version of a file, as long as ours.
std::string otherBytes(Store s) {
  const std::size_t n = s == Store::Day ? sizeof(DayFile) : s == Store::Routines ? kRoutineFileSize : kListFileSize;
  return std::string(n, 'Z');
}

struct Change {
  const char* how;
  std::function<void(const std::string& path, const std::string& bytes)> apply;
};

int changedFile() {
  const Change changes[] = {
      // A sync tool or a restore: the new version is renamed over the file.
      {"replaced by rename",
       [](const std::string& path, const std::string& bytes) {
         putFile(path + ".sync-tmp", bytes);
         CHECK(::rename((path + ".sync-tmp").c_str(), path.c_str()) == 0);
       }},
      // Written in place, same size; only the time tells.
      {"rewritten in place",
       [](const std::string& path, const std::string& bytes) {
         int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
         CHECK(fd >= 0 && ::pwrite(fd, bytes.data(), bytes.size(), 0) == static_cast<ssize_t>(bytes.size()));
         const timespec later[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 5, 0}};
         CHECK(::futimens(fd, later) == 0);
         ::close(fd);
       }},
  };
  std::string lastScratch;
  for (const Change& c : changes) {
    for (Store s : kStores) {
      const char* what = kStoreNames[static_cast<int>(s)];
      const std::string folder = preparedFolder("changed");
      Run run(folder);
      CHECK(run.load(s).ok());
      const std::string path = run.pathOf(s);
      const std::string other = otherBytes(s);
      c.apply(path, other);

      run.set(s, 'B');
      const std::string memoryBefore = run.intended(s);
      IoResult r = run.save(s);
      CHECK_MSG(r.op == IoResult::Op::Changed, "%s %s: saved over it (%s)", what, c.how, r.message().c_str());
      CHECK_MSG(readFile(path) == other, "%s %s: the other program's file was touched", what, c.how);
      CHECK(run.intended(s) == memoryBefore);
      // Asked again until the user decides.
      CHECK(run.save(s).op == IoResult::Op::Changed);

      // 別名で保存: our version beside it, theirs stays.
      std::string copy = changedCopyPath(path, 2026, 12, 7, 9, 41);
      r = run.saveCopy(s, copy);
      CHECK_MSG(r.ok(), "%s: %s", what, r.message().c_str());
      CHECK(Run::dataOf(s, readFile(copy)) == run.intended(s));
      CHECK(readFile(path) == other);

      // 上書き保存, and later saves go on without a question.
      r = run.save(s, true);
      CHECK_MSG(r.ok(), "%s: %s", what, r.message().c_str());
      CHECK(Run::dataOf(s, readFile(path)) == run.intended(s));
      run.set(s, 'A');
      CHECK_MSG(run.save(s).ok(), "%s %s: asked again after overwriting", what, c.how);

      // Deleted by another program: written afresh, nothing to lose.
      ::unlink(path.c_str());
      CHECK_MSG(run.save(s).ok() || s == Store::List, "%s: not written afresh after a delete", what);
      removeTree(scratchOf(folder));
    }
  }

  // Touched, or copied back byte for byte (a backup restored, a sync tool
  // fetching what it already had): nothing changed, nothing asked.
  const Change sameBytes[] = {
      {"touched", [](const std::string& path, const std::string&) {
         const timespec later[2] = {{0, UTIME_OMIT}, {::time(nullptr) + 5, 0}};
         CHECK(::utimensat(AT_FDCWD, path.c_str(), later, 0) == 0);
       }},
      {"copied back", [](const std::string& path, const std::string&) {
         putFile(path + ".restore", readFile(path));
         CHECK(::rename((path + ".restore").c_str(), path.c_str()) == 0);
       }},
  };
  for (const Change& c : sameBytes) {
    const std::string folder = preparedFolder("unchanged");
    for (Store s : kStores) {
      Run run(folder);
      CHECK(run.load(s).ok());
      c.apply(run.pathOf(s), {});
      run.set(s, 'B');
      const IoResult r = run.save(s);
      CHECK_MSG(r.ok(), "%s %s: %s", kStoreNames[static_cast<int>(s)], c.how, r.message().c_str());
    }
    removeTree(scratchOf(folder));
  }

  // A day not yet created here, brought by a sync tool from another computer.
  const std::string folder = preparedFolder("changed");
  Run run(folder);
  run.day.openEmpty(folder + "/Y200601/Y2006012.sdf");
  putFile(run.day.path(), otherBytes(Store::Day));
  run.set(Store::Day, 'B');
  CHECK(run.save(Store::Day).op == IoResult::Op::Changed);
  CHECK(readFile(run.day.path()) == otherBytes(Store::Day));
  return finish(scratchOf(folder));
}

int tailKept() {
  const std::string folder = preparedFolder("tail");
  const std::string tail = "another tool's 29 bytes here.";
  static_assert(sizeof "another tool's 29 bytes here." == 30);
  for (Store s : kStores) {
    const char* what = kStoreNames[static_cast<int>(s)];
    Run run(folder);
    const std::string path = run.pathOf(s);
    putFile(path, readFile(path) + tail);
    CHECK(run.load(s).ok());
    run.set(s, 'B');
    const IoResult r = run.save(s);
    CHECK_MSG(r.ok(), "%s: %s", what, r.message().c_str());
    const std::string now = readFile(path);
    const std::size_t record = s == Store::Day ? sizeof(DayFile) : s == Store::Routines ? kRoutineFileSize : kListFileSize;
    CHECK_MSG(now.size() == record + tail.size(), "%s: %zu bytes after the save", what, now.size());
    CHECK_MSG(now.size() >= record && now.substr(record) == tail, "%s: the bytes past the record changed", what);
    CHECK(Run::dataOf(s, now.substr(0, record)) == run.intended(s));
  }
  return finish(scratchOf(folder));
}

int ownerKept() {
  if (::geteuid() != 0) {
    std::fprintf(stderr, "SKIP: needs root to save another user's files\n");
    return kSkip;
  }
  const uid_t user = 4242;
  const gid_t group = 4243;
  const std::string folder = preparedFolder("owner");
  auto owned = [&](const std::string& path, mode_t mode) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    return st.st_uid == user && st.st_gid == group && (mode == 0 || (st.st_mode & 07777) == mode);
  };
  // The user's folder and files, as the user's own start made them.
  for (const std::string& p : {folder, folder + "/Y200601"}) CHECK(::chown(p.c_str(), user, group) == 0);
  for (Store s : kStores) {
    const std::string path = Run(folder).pathOf(s);
    CHECK(::chown(path.c_str(), user, group) == 0 && ::chmod(path.c_str(), 0640) == 0);
  }
  // A maintenance script run as root saves every file, today's day for the
  // first time, and makes next month's folder.
  Run root(folder);
  for (Store s : kStores) {
    const char* what = kStoreNames[static_cast<int>(s)];
    CHECK(root.load(s).ok());
    root.set(s, 'B');
    const IoResult r = root.save(s);
    CHECK_MSG(r.ok(), "%s: %s", what, r.message().c_str());
    CHECK_MSG(owned(root.pathOf(s), 0640), "%s: no longer the user's, or another mode", what);
  }
  root.day.openEmpty(folder + "/Y200601/Y2006012.sdf");
  CHECK(root.save(Store::Day).ok());
  CHECK_MSG(owned(root.day.path(), 0), "a day root created is not the user's");
  CHECK(createFolder(folder + "/Y200602").ok());
  CHECK_MSG(owned(folder + "/Y200602", 0), "a month folder root created is not the user's");
  return finish(scratchOf(folder));
}

int attributesKept() {
  const std::string folder = preparedFolder("attributes");
  // user:nobody:rw- with mask rw-, as setfacl writes it; the group bits show the mask.
  std::string acl = {2, 0, 0, 0};
  const struct { std::uint16_t tag, perm; std::uint32_t id; } entries[] = {
      {0x01, 6, ~0u}, {0x02, 6, 65534}, {0x04, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 0, ~0u}};
  for (const auto& e : entries) acl.append(reinterpret_cast<const char*>(&e), sizeof e);
  const std::string own = folder + "/Settings.ini";
  putFile(own, "[Reminders]\nLead=5\n");
  std::vector<std::string> paths = {own};
  for (Store s : kStores) paths.push_back(Run(folder).pathOf(s));
  for (const std::string& p : paths) {
    if (::setxattr(p.c_str(), "user.sync.id", "42", 2, 0) != 0 ||
        ::setxattr(p.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0) {
      std::fprintf(stderr, "SKIP: this file system keeps no ACL or user attributes (%s)\n", std::strerror(errno));
      return kSkip;
    }
  }
  auto kept = [&](const std::string& p) {
    char id[8], got[256];
    struct stat st;
    const ssize_t n = ::getxattr(p.c_str(), "system.posix_acl_access", got, sizeof got);
    return ::getxattr(p.c_str(), "user.sync.id", id, sizeof id) == 2 && std::memcmp(id, "42", 2) == 0 &&
           n == static_cast<ssize_t>(acl.size()) && std::memcmp(got, acl.data(), acl.size()) == 0 &&
           ::stat(p.c_str(), &st) == 0 && (st.st_mode & 0777) == 0660;
  };
  Run run(folder);
  for (Store s : kStores) {
    const char* what = kStoreNames[static_cast<int>(s)];
    CHECK(run.load(s).ok());
    run.set(s, 'B');
    const IoResult r = run.save(s);
    CHECK_MSG(r.ok(), "%s: %s", what, r.message().c_str());
    CHECK_MSG(kept(run.pathOf(s)), "%s: ACL or attribute lost", what);
  }
  CHECK(writeOwnFile(own, "[Reminders]\nLead=10\n", 19).ok());
  CHECK_MSG(kept(own), "Settings.ini: ACL or attribute lost");
  return finish(scratchOf(folder));
}

int hardLink() {
  const std::string folder = preparedFolder("hardlink");
  for (Store s : kStores) {
    const char* what = kStoreNames[static_cast<int>(s)];
    Run run(folder);
    const std::string path = run.pathOf(s);
    const std::string second = scratchOf(folder) + "/second-name-" + std::to_string(static_cast<int>(s));
    CHECK(::link(path.c_str(), second.c_str()) == 0);
    const std::string old = readFile(path);
    CHECK(run.load(s).ok());
    run.set(s, 'B');
    const IoResult r = run.save(s);
    CHECK_MSG(r.op == IoResult::Op::Split && r.written(), "%s: the split of a hard link was not told", what);
    CHECK(r.message().find("ハードリンク") != std::string::npos);
    CHECK(Run::dataOf(s, readFile(path)) == run.intended(s));
    CHECK_MSG(readFile(second) == old, "%s: the other name changed", what);
    run.set(s, 'A');
    CHECK_MSG(run.save(s).ok(), "%s: told again once the file has one name", what);
  }
  return finish(scratchOf(folder));
}

int folderReplaced() {
  const std::string folder = preparedFolder("replaced");
  struct stat st;
  CHECK(::stat(folder.c_str(), &st) == 0);
  guardDataFolder(folder, st.st_dev, st.st_ino);
  Run run(folder);
  for (Store s : kStores) CHECK(run.load(s).ok());
  // A backup of the folder is put back while the program runs.
  const std::string aside = folder + ".before-restore";
  CHECK(::rename(folder.c_str(), aside.c_str()) == 0);
  CHECK(std::system(("cp -a '" + aside + "' '" + folder + "'").c_str()) == 0);
  for (Store s : kStores) {
    const char* what = kStoreNames[static_cast<int>(s)];
    const std::string restored = readFile(run.pathOf(s));
    run.set(s, 'B');
    const IoResult r = run.save(s, true);
    CHECK_MSG(!r.written() && r.error == kFolderReplaced, "%s: written into the restored folder", what);
    CHECK(r.message().find("置き換えられています") != std::string::npos);
    CHECK_MSG(readFile(run.pathOf(s)) == restored, "%s: the restored file changed", what);
  }
  guardDataFolder({}, 0, 0);
  return finish(scratchOf(folder));
}

int names() {
  const struct {
    const char* name;
    bool conflict;
  } rows[] = {
      {"Y2006013.sync-conflict-20261207-094100-ABCDEFG.sdf", true},
      {"Y2006013 (conflicted copy 2026-12-07).sdf", true},
      {"Y2006013 (Taro's conflicted copy 2026-12-07).sdf", true},
      {"Y2006013_conflict-20261207-094100.sdf", true},
      {"Routines.sync-conflict-20261207-094100-ABCDEFG.rdf", true},
      {"Y2006013.sdf", false},
      {"Y2006013 (2026-12-07 09-41).sdf", false},
      {"Routines.rdf", false},
  };
  for (const auto& row : rows) CHECK_MSG(isSyncConflictName(row.name) == row.conflict, "%s", row.name);

  const std::string folder = makeScratch("names");
  const std::string day = folder + "/Y2006013.sdf";
  const std::string copy = changedCopyPath(day, 2026, 12, 7, 9, 41);
  CHECK_MSG(copy == folder + "/Y2006013 (2026-12-07 09-41).sdf", "%s", copy.c_str());
  putFile(copy, "taken");
  std::string used = copy;
  CHECK(createOwnFileExclusive(used, "copy", 4).ok());
  CHECK_MSG(used == folder + "/Y2006013 (2026-12-07 09-41 2).sdf", "%s", used.c_str());
  return finish(folder);
}

int soundFifo() {
  const std::string folder = makeScratch("sound");
  CHECK(::mkfifo((folder + "/Shutter.wav").c_str(), 0644) == 0);
  ScriptedPlatform platform;
  PlaySaveSound(platform, folder);
  CHECK_MSG(platform.sounds.empty(), "a FIFO was handed to the player");
  CHECK(platform.errors.size() == 1 && platform.errors[0].find("Shutter.wav") != std::string::npos);
  CHECK(platform.messages.empty());  // it is there: not the "missing" box
  return finish(folder);
}

}  // namespace

int main(int argc, char** argv) {
  return runNamedCase(argc, argv, "tst_besideothers",
                      {{"changed-file", changedFile},
                       {"tail-kept", tailKept},
                       {"owner-kept", ownerKept},
                       {"attributes-kept", attributesKept},
                       {"hard-link", hardLink},
                       {"folder-replaced", folderReplaced},
                       {"names", names},
                       {"sound-fifo", soundFifo}});
}
