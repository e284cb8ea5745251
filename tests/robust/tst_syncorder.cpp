// Saves reach the disk: for the day file, the routine file and the list
// file, created and replaced, the bytes go to a temporary file beside the
// file, which is synced after its last write, renamed over the file, and
// then the folder is synced; the file itself is never written in place.
// When the folder cannot be synced the save says so, apart from a failed
// save: the file holds the new bytes and memory follows it.
//   tst_syncorder CASE    CASE: order, folder-sync-fails
// The calls are seen through syncshim.c, linked into this program.
#include <climits>
#include <functional>
#include <sstream>

#include "robustsupport.h"
#include "syncshim.h"

using namespace plandor;
using namespace robust;

namespace {

struct Call {
  std::string what, path, to;
};

std::vector<Call> journal() {
  std::vector<Call> calls;
  std::istringstream in(syncshim_journal());
  std::string line;
  while (std::getline(in, line)) {
    Call c;
    const auto a = line.find(' ');
    c.what = line.substr(0, a);
    const std::string rest = line.substr(a + 1);
    if (c.what == "rename") {
      // Scratch paths hold no spaces.
      const auto b = rest.find(' ');
      c.path = rest.substr(0, b);
      c.to = rest.substr(b + 1);
    } else {
      c.path = rest;
    }
    calls.push_back(c);
  }
  return calls;
}

bool isSync(const Call& c) { return c.what == "fsync" || c.what == "fdatasync"; }

// The first thing wrong with the calls of one save of `path`, or "".
std::string orderFault(const std::vector<Call>& calls, const std::string& path) {
  const std::string folder = path.substr(0, path.find_last_of('/'));
  const std::string name = path.substr(folder.size() + 1);
  std::string tmp;
  int lastWrite = -1, synced = -1, renamed = -1, folderSynced = -1;
  for (int i = 0; i < static_cast<int>(calls.size()); ++i) {
    const Call& c = calls[i];
    if (c.what == "write" && c.path == path) return "the file itself was written in place";
    if (c.what == "write" && c.path.compare(0, folder.size() + 1, folder + "/") == 0 &&
        isTempOf(c.path.substr(folder.size() + 1), name)) {
      if (!tmp.empty() && c.path != tmp) return "written to two temporary files";
      tmp = c.path;
      lastWrite = i;
    }
    if (isSync(c) && !tmp.empty() && c.path == tmp && renamed < 0) synced = i;
    if (c.what == "rename" && !tmp.empty() && c.path == tmp && c.to == path) renamed = i;
    if (isSync(c) && c.path == folder + "/" && renamed >= 0) folderSynced = i;
  }
  if (lastWrite < 0) return "no temporary file beside it was written";
  if (synced < lastWrite) return "the temporary file was not synced after its last write and before the rename";
  if (renamed < 0) return "the temporary file was not renamed over the file";
  if (folderSynced < 0) return "the folder was not synced after the rename";
  return {};
}

// The stores in a scratch program folder, as the kernel names it.
struct Program : FolderStores {
  explicit Program(const std::string& scratch) : FolderStores(realFolder(scratch)) {
    CHECK(createFolder(folder + "/Y200601").ok());
  }
  static std::string realFolder(const std::string& scratch) {
    char real[PATH_MAX];
    if (!::realpath(scratch.c_str(), real)) std::exit(1);
    return real;
  }
};

// Runs one save while recording and checks the order of its calls.
void checkOrder(const char* what, const std::string& path, const std::function<IoResult()>& save) {
  syncshim_record(1);
  const IoResult r = save();
  syncshim_record(0);
  CHECK_MSG(r.ok(), "%s: %s", what, r.message().c_str());
  const std::vector<Call> calls = journal();
  const std::string fault = orderFault(calls, path);
  CHECK_MSG(fault.empty(), "%s: %s; calls:\n%s", what, fault.c_str(), syncshim_journal());
  std::printf("  %s: %zu calls in order\n", what, calls.size());
}

int order() {
  const std::string scratch = makeScratch("syncorder");
  Program p(scratch);
  checkOrder("routine file created", p.folder + "/Routines.rdf", [&] { return p.routines.LoadRoutineFile(p.folder); });
  checkOrder("list file created", p.folder + "/LEntries.lef", [&] { return p.lists.LoadListEntries(p.folder); });
  checkOrder("day file created", p.dayPath(), [&] { return p.saveDay('A'); });
  checkOrder("day file replaced", p.dayPath(), [&] { return p.saveDay('B'); });
  checkOrder("routine file replaced", p.folder + "/Routines.rdf", [&] { return p.saveRoutines('B'); });
  checkOrder("list file replaced", p.folder + "/LEntries.lef", [&] { return p.saveList('B'); });
  return finish(scratch);
}

// A save whose folder sync failed: reported with the path, its own wording
// and the reason, yet written.
void checkUnsynced(const char* what, const IoResult& r, const std::string& path) {
  CHECK_MSG(r.op == IoResult::Op::Sync && r.error == EIO, "%s: op %d, error %d", what, static_cast<int>(r.op), r.error);
  CHECK_MSG(r.written() && !r.ok(), "%s: not told apart", what);
  const std::string msg = r.message();
  CHECK_MSG(msg.find("\"" + path + "\"") != std::string::npos && msg.find("確認できません") != std::string::npos &&
                msg.find(errorReason(EIO)) != std::string::npos,
            "%s: %s", what, msg.c_str());
  std::printf("  %s: %s\n", what, msg.c_str());
}

int folderSyncFails() {
  const std::string scratch = makeScratch("syncfails");
  Program p(scratch);
  syncshim_fail_folder_sync(EIO);

  // The first start's files are created and stay usable.
  checkUnsynced("routine file created", p.routines.LoadRoutineFile(p.folder), p.routines.RoutineFilePath);
  CHECK(readFile(p.routines.RoutineFilePath).size() == kRoutineFileSize);
  checkUnsynced("list file created", p.lists.LoadListEntries(p.folder), p.lists.ListFilePath);
  CHECK(readFile(p.lists.ListFilePath) == bytesOf(p.lists.entries));

  checkUnsynced("day file created", p.saveDay('A'), p.dayPath());
  std::string onDisk = readFile(p.dayPath());
  CHECK(onDisk.size() == sizeof(DayFile));
  CHECK(onDisk.substr(264) == bytesOf(p.day.table()));
  CHECK(p.day.image().FilePath.text() == p.dayPath());  // the header went with it
  CHECK(p.day.DataCount() == 24);

  PadTable fewer = dayVersion('B');
  for (int i = 20; i < kPadSlots; ++i) clearBar(fewer.Bars[i]), clearPad(fewer.Pads[i]);
  p.day.restore(fewer);
  bool headerSet;
  checkUnsynced("day file replaced", p.day.save({2006, 1, 2}, &headerSet), p.dayPath());
  CHECK(!headerSet);
  CHECK(readFile(p.dayPath()).substr(264) == bytesOf(p.day.table()));
  CHECK(p.day.DataCount() == 20);

  checkUnsynced("routine file replaced", p.saveRoutines('B'), p.routines.RoutineFilePath);
  CHECK(bytesOf(p.routines.RoutineImage) == bytesOf(p.routines.RoutineTable));  // the stored set follows
  CHECK(readFile(p.routines.RoutineFilePath) == bytesOf(p.routines.RoutineImage));
  checkUnsynced("list file replaced", p.saveList('B'), p.lists.ListFilePath);
  CHECK(readFile(p.lists.ListFilePath) == bytesOf(p.lists.entries));

  // Routine display's staging file is read back at once: nothing to report.
  p.day.setPaths(p.day.todayPath(), p.folder + "/Temporary.sdf");
  CHECK(p.day.showRoutinePads(p.day.table().Bars, p.day.table().Pads).ok());

  syncshim_fail_folder_sync(0);
  CHECK(p.saveDay('A').ok());
  CHECK(listFolder(p.folder + "/Y200601").size() == 1);  // no temporary left
  return finish(scratch);
}

}  // namespace

int main(int argc, char** argv) {
  return runNamedCase(argc, argv, "tst_syncorder", {{"order", order}, {"folder-sync-fails", folderSyncFails}});
}
