#include "routinefile.h"

#include <cstring>

namespace plandor {

void ClearRoutine(RoutineRecord& r) {
  r.RoutineNo = r.Left = r.Top = 0;
  r.Keyword.clear();
  r.Content.clear();
  r.Memo.clear();
  r.Color = 0;
  r.StartHour = r.StartMinute = r.EndHour = r.EndMinute = -1;
  r.StartPM = r.EndPM = r.Show = 0;
  for (auto& d : r.DOW) d = 0;
  for (auto& b : r.reserved1) b = 0;
  for (auto& b : r.reserved2) b = 0;
}

std::int32_t CountRoutines(const RoutineSet& routines) {
  std::int32_t n = 0;
  for (const auto& r : routines)
    if (r.RoutineNo != 0) ++n;
  return n;
}

RoutineStore::RoutineStore() {
  std::memset(RoutineTable, 0, sizeof RoutineTable);
  std::memset(RoutineImage, 0, sizeof RoutineImage);
  for (auto& r : RoutineTable) ClearRoutine(r);
  std::memcpy(RoutineImage, RoutineTable, sizeof RoutineImage);
}

IoResult RoutineStore::LoadRoutineFile(const std::string& dataFolder) {
  RoutineFilePath = dataFolder + "/Routines.rdf";
  IoResult r;
  unread_ = IoResult::success();
  if (!fileMissing(RoutineFilePath)) {
    RoutineSet scratch;
    std::memcpy(scratch, RoutineTable, sizeof scratch);  // empty records under a short file
    std::size_t got = 0;
    r = readFileStart(RoutineFilePath, scratch, sizeof scratch, &got, true, &stamp_);
    if (r.ok()) {
      std::memcpy(RoutineImage, scratch, sizeof RoutineImage);
      std::memcpy(RoutineTable, RoutineImage, sizeof RoutineTable);
    }
    unread_ = r;
  } else {
    r = writeFileAtomic(RoutineFilePath, RoutineImage, sizeof RoutineImage, false, &stamp_);
  }
  return r;
}

IoResult RoutineStore::WriteRoutineFile(bool overwriteChanged) {
  // A file deleted while the program runs is written afresh, so saved
  // routines never vanish without a word; a folder in its place is an error.
  if (unread()) return IoResult::failure(IoResult::Op::Overwrite, RoutineFilePath, unread_.error);
  FileStamp expected = stamp_;
  if (overwriteChanged) expected.known = false;
  IoResult r = writeFileAtomic(RoutineFilePath, RoutineTable, sizeof RoutineTable, false, &expected);
  if (r.written()) {
    std::memcpy(RoutineImage, RoutineTable, sizeof RoutineImage);
    stamp_ = expected;
  }
  return r;
}

IoResult RoutineStore::WriteRoutineCopy(std::string& path) {
  return createOwnFileExclusive(path, RoutineTable, sizeof RoutineTable);
}

void RoutineStore::RevertRoutineTable() {
  for (auto& r : RoutineTable) ClearRoutine(r);
  std::memcpy(RoutineTable, RoutineImage, sizeof RoutineTable);
}

void RoutineStore::CompactRoutines() {
  RoutineSet scratch;
  std::memcpy(scratch, RoutineTable, sizeof scratch);
  for (auto& r : scratch) ClearRoutine(r);
  int k = 0;
  for (const auto& r : RoutineTable) {
    if (r.RoutineNo == 0) continue;
    scratch[k] = r;
    scratch[k].RoutineNo = k + 1;
    ++k;
  }
  std::memcpy(RoutineTable, scratch, sizeof RoutineTable);
}

}  // namespace plandor
