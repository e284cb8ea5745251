// Saves onto a disk that fails: a full file system, a read-only file system,
// a read-only folder, a read-only file, a vanished folder or file, a file
// that became a folder. For the day store, the routine file and the list
// file each: the save reports an error naming the path and the system's
// reason, what is in memory stays as it was, the old file stays whole, no
// temporary file is left, and once the cause is gone the next save works.
//   tst_faileddisk CASE
// CASE: full-disk, readonly-fs, readonly-folder, readonly-file, vanished,
// path-is-folder. Cases that need root and mounts run in a private mount
// namespace, so nothing stays mounted even if the test is killed; without
// them the case is skipped (77).
#include <functional>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>

#include "robustsupport.h"

using namespace plandor;
using namespace robust;

namespace {

enum class Store { Day, Routines, List };
const char* const kStoreNames[] = {"day file", "routine file", "list file"};

struct Env {
  std::string scratch;
  std::string folder;  // the program folder
  std::string month() const { return folder + "/Y200601"; }
  std::string pathOf(Store s) const {
    return s == Store::Day ? month() + "/Y2006011.sdf" : folder + (s == Store::Routines ? "/Routines.rdf" : "/LEntries.lef");
  }
  std::string folderOf(Store s) const { return s == Store::Day ? month() : folder; }
};

// The stores as the running program holds them.
struct Program {
  DayModel day;
  RoutineStore routines;
  ListStore lists;

  IoResult save(Store s, bool overwriteChanged = false) {
    bool headerSet;
    switch (s) {
      case Store::Day: return day.save({2006, 1, 1}, &headerSet, overwriteChanged);
      case Store::Routines: return routines.WriteRoutineFile(overwriteChanged);
      case Store::List: return lists.WriteListFile(overwriteChanged);
    }
    return {};
  }
  // Puts version v of the data in memory.
  void set(Store s, char v) {
    switch (s) {
      case Store::Day:
      {
        PadTable t = dayVersion(v);
        if (v == 'B')  // fewer pads, so the count tells which save took effect
          for (int i = 20; i < kPadSlots; ++i) clearBar(t.Bars[i]), clearPad(t.Pads[i]);
        day.restore(t);
        break;
      }
      case Store::Routines: routineVersion(v, routines.RoutineTable); break;
      case Store::List: lists.entries = listVersion(v); break;
    }
  }
  std::string memory(Store s) const {
    switch (s) {
      case Store::Day: return bytesOf(day.table()) + std::to_string(day.DataCount());
      case Store::Routines: return bytesOf(routines.RoutineTable) + bytesOf(routines.RoutineImage);
      case Store::List: return bytesOf(lists.entries);
    }
    return {};
  }
  // The data part of what a save of the current memory writes.
  std::string dataOnDisk(Store s) const {
    switch (s) {
      case Store::Day: return bytesOf(day.table());
      case Store::Routines: return bytesOf(routines.RoutineTable);
      case Store::List: return bytesOf(lists.entries);
    }
    return {};
  }
};

std::string dataPart(Store s, const std::string& file) {
  return s == Store::Day ? dayDataPart(file) : file;
}

struct Case {
  const char* name;
  int error;         // the errno the failed save must report
  bool oldFileKept;  // the file is still there to compare with
  // Makes the next save of a store fail; false when this machine cannot.
  std::function<bool(const Env&, Store)> breakIt;
  std::function<void(const Env&, Store)> repair;
  // Stores whose absent file may instead be written afresh by the save.
  bool writingAfreshIsSound = false;
};

bool isRoot() { return ::geteuid() == 0; }

// A private mount namespace: mounts made here end with the process.
bool privateMounts() {
  if (!isRoot() || ::unshare(CLONE_NEWNS) != 0) return false;
  return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

bool mountTmpfs(const std::string& dir, const char* size) {
  const std::string options = std::string("size=") + size + ",mode=0755";
  if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    std::fprintf(stderr, "SKIP: cannot mount a tmpfs on %s: %s\n", dir.c_str(), std::strerror(errno));
    return false;
  }
  return true;
}

bool setImmutable(const std::string& dir, bool on) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  int flags = 0;
  bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  ::close(fd);
  return ok;
}

std::vector<std::string> tempsIn(const std::string& folder, const std::string& fileName) {
  std::vector<std::string> out;
  for (const std::string& n : listFolder(folder))
    if (isTempOf(n, fileName)) out.push_back(n);
  return out;
}

std::string baseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// One store through break, failed save, repair, good save, new start.
void runStore(const Env& env, Program& prog, Store s, const Case& c, const std::string& oldFile) {
  const char* what = kStoreNames[static_cast<int>(s)];
  const std::string path = env.pathOf(s);
  prog.set(s, 'B');
  const std::string before = prog.memory(s);
  const std::string intended = prog.dataOnDisk(s);

  if (!c.breakIt(env, s)) {
    CHECK_MSG(false, "%s: could not set up '%s'", what, c.name);
    return;
  }
  const IoResult r = prog.save(s);
  const std::string now = readFile(path);
  if (r.ok() && c.writingAfreshIsSound && dataPart(s, now) == intended) {
    std::printf("  %s: written afresh\n", what);
  } else if (r.ok()) {
    CHECK_MSG(false, "%s: the save reported success, but the file does not hold the data", what);
  } else {
    CHECK_MSG(r.error == c.error, "%s: error %d (%s), expected %d (%s)", what, r.error, std::strerror(r.error), c.error,
              std::strerror(c.error));
    const std::string msg = r.message();
    CHECK_MSG(msg.find("\"" + path + "\"") != std::string::npos, "%s: message does not name the path: %s", what,
              msg.c_str());
    CHECK_MSG(msg.find(errorReason(c.error)) != std::string::npos, "%s: message does not give the reason: %s", what,
              msg.c_str());
    CHECK_MSG(msg.find("開けません") == std::string::npos, "%s: a save told as a failed open: %s", what, msg.c_str());
    std::printf("  %s: %s\n", what, msg.c_str());
    CHECK_MSG(prog.memory(s) == before, "%s: memory changed by the failed save", what);
    if (c.oldFileKept) CHECK_MSG(now == oldFile, "%s: the old file changed (%zu bytes now)", what, now.size());
  }
  // A reader of the folder finds no half-made file.
  CHECK_MSG(tempsIn(env.folderOf(s), baseName(path)).empty(), "%s: temporary file left", what);

  c.repair(env, s);
  IoResult again = prog.save(s);
  // A file the repair put back is another program's: the user is asked, and
  // chooses to save over it.
  if (again.op == IoResult::Op::Changed) again = prog.save(s, true);
  CHECK_MSG(again.ok(), "%s: the save after the repair failed: %s", what, again.message().c_str());
  const std::string saved = readFile(path);
  CHECK_MSG(dataPart(s, saved) == intended, "%s: the file does not hold the data after the repair", what);
  if (s == Store::Day && c.oldFileKept) CHECK(saved.compare(0, 264, oldFile, 0, 264) == 0);  // header kept
  if (s == Store::Day) CHECK(prog.day.DataCount() == 20);

  // A new start reads what was saved.
  Program next;
  switch (s) {
    case Store::Day:
      CHECK(next.day.open(path).ok());
      CHECK(bytesOf(next.day.table()) == intended);
      break;
    case Store::Routines:
      CHECK(next.routines.LoadRoutineFile(env.folder).ok());
      CHECK(bytesOf(next.routines.RoutineTable) == intended);
      break;
    case Store::List:
      CHECK(next.lists.LoadListEntries(env.folder).ok());
      CHECK(bytesOf(next.lists.entries) == intended);
      break;
  }
}

int runCase(const Case& c, Env& env, bool needsMount, const char* mountSize) {
  env.scratch = makeScratch("faileddisk");
  env.folder = env.scratch + "/prog";
  CHECK(createFolder(env.folder).ok());
  if (needsMount) {
    if (!privateMounts()) {
      std::fprintf(stderr, "SKIP: '%s' needs root and a private mount namespace\n", c.name);
      removeTree(env.scratch);
      return kSkip;
    }
    if (!mountTmpfs(env.folder, mountSize)) {
      removeTree(env.scratch);
      return kSkip;
    }
  }
  CHECK(createFolder(env.month()).ok());

  // Version A of everything on disk, saved as the program saves.
  Program prog;
  prog.day.openEmpty(env.pathOf(Store::Day));
  CHECK(prog.routines.LoadRoutineFile(env.folder).ok());
  CHECK(prog.lists.LoadListEntries(env.folder).ok());
  std::string oldFiles[3];
  for (Store s : {Store::Day, Store::Routines, Store::List}) {
    prog.set(s, 'A');
    CHECK(prog.save(s).ok());
    oldFiles[static_cast<int>(s)] = readFile(env.pathOf(s));
  }
  CHECK(prog.day.DataCount() == 24);

  std::printf("%s:\n", c.name);
  for (Store s : {Store::Day, Store::Routines, Store::List}) runStore(env, prog, s, c, oldFiles[static_cast<int>(s)]);

  if (needsMount) ::umount2(env.folder.c_str(), MNT_DETACH);
  return finish(env.scratch);
}

// Fills the file system until it refuses another byte.
bool fillDisk(const Env& env) {
  const std::string filler = env.folder + "/filler";
  int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string block(512, 'f');
  while (::write(fd, block.data(), block.size()) > 0) {}
  const bool full = errno == ENOSPC;
  ::close(fd);
  return full;
}

int usage() {
  std::fprintf(stderr,
               "usage: tst_faileddisk CASE\n"
               "CASE: full-disk readonly-fs readonly-folder readonly-file vanished path-is-folder\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return usage();
  const std::string name = argv[1];
  Env env;

  if (name == "full-disk") {
    Case c{"full-disk", ENOSPC, true, [](const Env& e, Store) { return fillDisk(e); },
           [](const Env& e, Store) { ::unlink((e.folder + "/filler").c_str()); }};
    return runCase(c, env, true, "64k");
  }
  if (name == "readonly-fs") {
    auto remount = [](const Env& e, bool readOnly) {
      return ::mount(nullptr, e.folder.c_str(), nullptr, MS_REMOUNT | (readOnly ? MS_RDONLY : 0), "size=1m") == 0;
    };
    Case c{"readonly-fs", EROFS, true, [remount](const Env& e, Store) { return remount(e, true); },
           [remount](const Env& e, Store) { CHECK(remount(e, false)); }};
    return runCase(c, env, true, "1m");
  }
  if (name == "readonly-folder") {
    // Root passes over permission bits; an immutable folder stops it too.
    if (isRoot()) {
      Case c{"readonly-folder (immutable)", EPERM, true,
             [](const Env& e, Store s) { return setImmutable(e.folderOf(s), true); },
             [](const Env& e, Store s) { CHECK(setImmutable(e.folderOf(s), false)); }};
      // Probe first: not every file system has the flag.
      const std::string probe = makeScratch("immutable-probe");
      const bool can = setImmutable(probe, true) && setImmutable(probe, false);
      removeTree(probe);
      if (!can) {
        std::fprintf(stderr, "SKIP: the scratch file system has no immutable folders\n");
        return kSkip;
      }
      return runCase(c, env, false, nullptr);
    }
    Case c{"readonly-folder", EACCES, true,
           [](const Env& e, Store s) { return ::chmod(e.folderOf(s).c_str(), 0555) == 0; },
           [](const Env& e, Store s) { CHECK(::chmod(e.folderOf(s).c_str(), 0755) == 0); }};
    return runCase(c, env, false, nullptr);
  }
  if (name == "readonly-file") {
    Case c{"readonly-file", EACCES, true, [](const Env& e, Store s) { return ::chmod(e.pathOf(s).c_str(), 0444) == 0; },
           [](const Env& e, Store s) {
             struct stat st;
             CHECK(::stat(e.pathOf(s).c_str(), &st) == 0 && (st.st_mode & 0777) == 0444);  // left as it was
             CHECK(::chmod(e.pathOf(s).c_str(), 0644) == 0);
           }};
    return runCase(c, env, false, nullptr);
  }
  if (name == "vanished") {
    // The day's month folder vanishes; the routine and list files vanish
    // from the program folder. A routine or list save may write the file
    // afresh instead of failing: nothing is lost either way.
    Case c{"vanished", ENOENT, false,
           [](const Env& e, Store s) {
             if (s == Store::Day) removeTree(e.month());
             else ::unlink(e.pathOf(s).c_str());
             return !exists(e.pathOf(s));
           },
           [](const Env& e, Store s) {
             if (s == Store::Day) CHECK(createFolder(e.month()).ok());
             else if (!exists(e.pathOf(s))) putFile(e.pathOf(s), std::string(s == Store::Routines ? kRoutineFileSize : kListFileSize, '\0'));
           },
           true};
    return runCase(c, env, false, nullptr);
  }
  if (name == "path-is-folder") {
    Case c{"path-is-folder", EISDIR, false,
           [](const Env& e, Store s) {
             ::unlink(e.pathOf(s).c_str());
             return ::mkdir(e.pathOf(s).c_str(), 0755) == 0;
           },
           [](const Env& e, Store s) {
             CHECK(listFolder(e.pathOf(s)).empty());  // nothing went into the folder
             CHECK(::rmdir(e.pathOf(s).c_str()) == 0);
             if (s != Store::Day) putFile(e.pathOf(s), std::string(s == Store::Routines ? kRoutineFileSize : kListFileSize, '\0'));
           }};
    return runCase(c, env, false, nullptr);
  }
  return usage();
}
