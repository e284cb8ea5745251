// Saves where the files are not plain files in a plain folder.
//   tst_oddfolders CASE
// fat-stick: a FAT file system (no permission bits: copying a file's mode
//   fails): the first start creates the routine and list files, the day is
//   created and replaced, all read back whole. Needs mkfs.vfat and fusefat
//   and a usable /dev/fuse, else skipped (77).
// linked-files: the day, routine and list files are symbolic links into
//   another folder (relative, absolute, a chain, one dangling): saves write
//   where they point with no temporary left anywhere, the links stay links,
//   a read-only target is refused, a link loop is an error.
#include <climits>
#include <functional>

#include "robustsupport.h"

using namespace plandor;
using namespace robust;

namespace {

using Program = FolderStores;

bool haveTool(const char* name) {
  const std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0;
}

void noTemporaries(const std::string& folder) {
  for (const std::string& n : listFolder(folder)) CHECK_MSG(n[0] != '.', "left in %s: %s", folder.c_str(), n.c_str());
}

int fatStick() {
  if (!haveTool("mkfs.vfat") || !haveTool("fusefat") || !haveTool("fusermount")) {
    std::fprintf(stderr, "SKIP: needs mkfs.vfat (dosfstools) and fusefat\n");
    return kSkip;
  }
  const std::string scratch = makeScratch("fatstick");
  const std::string image = scratch + "/stick.img", stick = scratch + "/stick";
  CHECK(createFolder(stick).ok());
  const std::string make = "truncate -s 8M '" + image + "' && mkfs.vfat '" + image + "' >/dev/null";
  const std::string mount = "fusefat -o rw+ '" + image + "' '" + stick + "' >/dev/null 2>&1";
  struct stat outer, inner;
  if (std::system(make.c_str()) != 0 || std::system(mount.c_str()) != 0 || ::stat(scratch.c_str(), &outer) != 0 ||
      ::stat(stick.c_str(), &inner) != 0 || inner.st_dev == outer.st_dev) {
    std::fprintf(stderr, "SKIP: cannot mount a FAT image with fusefat (is /dev/fuse usable?)\n");
    removeTree(scratch);
    return kSkip;
  }

  {
    Program p(stick);
    // The first start: both files created, today's folder made.
    IoResult r = p.routines.LoadRoutineFile(stick);
    CHECK_MSG(r.ok(), "%s", r.message().c_str());
    r = p.lists.LoadListEntries(stick);
    CHECK_MSG(r.ok(), "%s", r.message().c_str());
    CHECK(readFile(stick + "/Routines.rdf") == bytesOf(p.routines.RoutineImage));
    CHECK(readFile(stick + "/LEntries.lef") == bytesOf(p.lists.entries));
    CHECK(createFolder(stick + "/Y200601").ok());
    for (char v : {'A', 'B'}) {
      r = p.saveDay(v);
      CHECK_MSG(r.ok(), "day %c: %s", v, r.message().c_str());
    }
    r = p.saveRoutines('B');
    CHECK_MSG(r.ok(), "%s", r.message().c_str());
    r = p.saveList('B');
    CHECK_MSG(r.ok(), "%s", r.message().c_str());

    Program next(stick);
    CHECK(next.day.open(p.dayPath()).ok() && bytesOf(next.day.table()) == bytesOf(p.day.table()));
    CHECK(next.routines.LoadRoutineFile(stick).ok() && bytesOf(next.routines.RoutineImage) == bytesOf(p.routines.RoutineTable));
    CHECK(next.lists.LoadListEntries(stick).ok() && bytesOf(next.lists.entries) == bytesOf(p.lists.entries));
    noTemporaries(stick);
    noTemporaries(stick + "/Y200601");
  }
  const std::string unmount = "fusermount -u '" + stick + "'";
  CHECK(std::system(unmount.c_str()) == 0);

  // Whatever such a disk answers is told in Japanese alone; only a number
  // the program does not know keeps the system's (English) words.
  for (int e : {ENOSYS, EOPNOTSUPP, EINVAL, ELOOP, EMFILE, EFBIG, EBUSY, EXDEV, ENOTCONN, ESTALE, ETIMEDOUT, ENXIO}) {
    const std::string reason = errorReason(e);
    CHECK_MSG(static_cast<unsigned char>(reason[0]) >= 0x80 && reason.find(std::strerror(e)) == std::string::npos,
              "errno %d: %s", e, reason.c_str());
  }
  CHECK(errorReason(EHWPOISON).find(std::strerror(EHWPOISON)) != std::string::npos);
  return finish(scratch);
}

std::string linkOf(const std::string& path) {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink(path.c_str(), buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

int linkedFiles() {
  const std::string scratch = makeScratch("linkedfiles");
  const std::string prog = scratch + "/prog", synced = scratch + "/synced";
  CHECK(createFolder(prog).ok() && createFolder(prog + "/Y200601").ok() && createFolder(synced).ok());
  Program p(prog);
  // Relative and dangling: the first save creates the target.
  CHECK(::symlink("../../synced/day.sdf", p.dayPath().c_str()) == 0);
  // Absolute, the target existing with its own mode.
  RoutineSet stored;
  routineVersion('A', stored);
  putFile(synced + "/Routines.rdf", bytesOf(stored));
  CHECK(::chmod((synced + "/Routines.rdf").c_str(), 0640) == 0);
  CHECK(::symlink((synced + "/Routines.rdf").c_str(), (prog + "/Routines.rdf").c_str()) == 0);
  // A chain of two links.
  putFile(synced + "/lists.lef", bytesOf(listVersion('A')));
  CHECK(::symlink("synced-lists", (prog + "/LEntries.lef").c_str()) == 0);
  CHECK(::symlink("../synced/lists.lef", (prog + "/synced-lists").c_str()) == 0);

  CHECK(p.routines.LoadRoutineFile(prog).ok() && bytesOf(p.routines.RoutineImage) == bytesOf(stored));
  CHECK(p.lists.LoadListEntries(prog).ok() && bytesOf(p.lists.entries) == bytesOf(listVersion('A')));
  for (char v : {'A', 'B'}) {
    const IoResult r = p.saveDay(v);
    CHECK_MSG(r.ok(), "day %c: %s", v, r.message().c_str());
    CHECK(dayDataPart(readFile(synced + "/day.sdf")) == bytesOf(p.day.table()));
  }
  CHECK(p.saveRoutines('B').ok());
  CHECK(readFile(synced + "/Routines.rdf") == bytesOf(p.routines.RoutineTable));
  struct stat st;
  CHECK(::stat((synced + "/Routines.rdf").c_str(), &st) == 0 && (st.st_mode & 0777) == 0640);
  CHECK(p.saveList('B').ok());
  CHECK(readFile(synced + "/lists.lef") == bytesOf(listVersion('B')));

  CHECK(linkOf(p.dayPath()) == "../../synced/day.sdf");
  CHECK(linkOf(prog + "/Routines.rdf") == synced + "/Routines.rdf");
  CHECK(linkOf(prog + "/LEntries.lef") == "synced-lists");
  CHECK(linkOf(prog + "/synced-lists") == "../synced/lists.lef");
  noTemporaries(prog);
  noTemporaries(prog + "/Y200601");
  noTemporaries(synced);

  // A read-only target is left as it is, as a read-only file is.
  CHECK(::chmod((synced + "/day.sdf").c_str(), 0444) == 0);
  const std::string before = readFile(synced + "/day.sdf");
  const IoResult refused = p.saveDay('A');
  CHECK_MSG(!refused.ok() && refused.error == EACCES, "%s", refused.message().c_str());
  CHECK(readFile(synced + "/day.sdf") == before && linkOf(p.dayPath()) == "../../synced/day.sdf");

  // A link that points at itself: an error in words, nothing written.
  CHECK(::unlink((prog + "/LEntries.lef").c_str()) == 0 && ::symlink("LEntries.lef", (prog + "/LEntries.lef").c_str()) == 0);
  const IoResult loop = p.saveList('A');
  CHECK_MSG(!loop.ok() && loop.error == ELOOP, "%s", loop.message().c_str());
  CHECK(linkOf(prog + "/LEntries.lef") == "LEntries.lef");
  noTemporaries(prog);
  return finish(scratch);
}

}  // namespace

int main(int argc, char** argv) {
  return runNamedCase(argc, argv, "tst_oddfolders", {{"fat-stick", fatStick}, {"linked-files", linkedFiles}});
}
