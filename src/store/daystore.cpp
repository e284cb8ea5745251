#include "daystore.h"

#include <cstring>

namespace plandor {

void clearBar(BarRecord& bar) {
  bar.Side.clear();
  bar.TopY = -1;
  bar.BottomY = -1;
  bar.Color = 0;
}

void clearPad(PadRecord& pad) {
  pad.PadNo = pad.Left = pad.Top = 0;
  pad.Keyword.clear();
  pad.Content.clear();
  pad.Completed = 0;
  pad.Color = 0;
  pad.StartHour = pad.StartMinute = -1;
  pad.StartPM = 0;
  pad.EndHour = pad.EndMinute = -1;
  pad.EndPM = 0;
  pad.Memo.clear();
}

void clearDiary(DiaryRecord& diary) {
  diary.Title1.clear();
  diary.Content1.clear();
  diary.Title2.clear();
  diary.Content2.clear();
}

std::int32_t CountPads(const BarRecord (&bars)[kPadSlots]) {
  for (int i = kPadSlots - 1; i >= 0; --i)
    if (bars[i].TopY != -1) return i + 1;
  return 0;
}

void RemovePadAndPack(PadTable& table, int slot) {
  clearBar(table.Bars[slot]);
  clearPad(table.Pads[slot]);
  BarRecord bars[kPadSlots];
  PadRecord pads[kPadSlots];
  std::memcpy(bars, table.Bars, sizeof bars);  // keeps unused text bytes as they were
  std::memcpy(pads, table.Pads, sizeof pads);
  for (auto& b : bars) clearBar(b);
  for (auto& p : pads) clearPad(p);
  int j = 0;
  for (int i = 0; i < kPadSlots; ++i) {
    if (table.Bars[i].TopY == -1) continue;
    bars[j] = table.Bars[i];
    pads[j] = table.Pads[i];
    pads[j].PadNo = j + 1;
    ++j;
  }
  std::memcpy(table.Bars, bars, sizeof bars);
  std::memcpy(table.Pads, pads, sizeof pads);
}

std::string headerFileName(const ShortText<255>& filePath) {
  std::string path = filePath.text();
  auto pos = path.find_last_of("/\\");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

void removeStaleDayTemporaries(const std::string& dayPath) {
  const auto slash = dayPath.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : dayPath.substr(0, slash);
  const std::string own = dayPath.substr(slash == std::string::npos ? 0 : slash + 1);
  removeStaleTemporaries(folder, {own});  // also beside a linked file's target
  removeStaleTemporaries(folder, [](const std::string& name) {
    // "Y" + year (4) + month (2) + day (1 or 2) + ".sdf"
    if (name.size() < 12 || name.size() > 13 || name[0] != 'Y' || name.compare(name.size() - 4, 4, ".sdf") != 0)
      return false;
    for (std::size_t i = 1; i < name.size() - 4; ++i)
      if (name[i] < '0' || name[i] > '9') return false;
    return true;
  });
}

DayStore::DayStore() {
  std::memset(&table, 0, sizeof table);
  std::memset(&image, 0, sizeof image);
  clear();
}

void DayStore::clear() {
  for (auto& bar : table.Bars) clearBar(bar);
  for (auto& pad : table.Pads) clearPad(pad);
  clearDiary(table.Diary);
  image.FilePath.clear();
  image.CreatedDate = 0.0;
  std::memcpy(image.Bars, table.Bars, sizeof table.Bars);
  std::memcpy(image.Pads, table.Pads, sizeof table.Pads);
  image.Diary = table.Diary;
  dataCount_ = 0;
  unread_ = IoResult::success();
  stamp_ = FileStamp{};
  stamp_.known = true;
}

void DayStore::storePad(int slot, const BarRecord& bar, const PadRecord& pad) {
  if (slot < 0 || slot >= kPadSlots) return;
  table.Bars[slot] = bar;
  table.Pads[slot] = pad;
}

void DayStore::removePad(int slot) {
  if (slot < 0 || slot >= kPadSlots) return;
  RemovePadAndPack(table, slot);
  recount();
}

IoResult DayStore::load(const std::string& path) {
  // Read into a scratch image laid over empty records, so a short file
  // leaves whole slots empty rather than zero-filled (a zero StartHour
  // would read as a used slot).
  DayFile scratch = image;
  scratch.FilePath.clear();
  scratch.CreatedDate = 0.0;
  for (auto& bar : scratch.Bars) clearBar(bar);
  for (auto& pad : scratch.Pads) clearPad(pad);
  clearDiary(scratch.Diary);
  std::size_t got = 0;
  FileStamp read;
  IoResult r = readFileStart(path, &scratch, sizeof scratch, &got, true, &read);
  if (path == CurrentDayPath) unread_ = r;
  if (!r.ok()) return r;
  if (path == CurrentDayPath) stamp_ = read;
  image = scratch;
  std::memcpy(table.Bars, image.Bars, sizeof table.Bars);
  std::memcpy(table.Pads, image.Pads, sizeof table.Pads);
  // A pad frame finds its record by the number it shows: a file that numbers
  // a pad otherwise (damaged or foreign) must not send its edits to another
  // slot, or past the table.
  for (int i = 0; i < kPadSlots; ++i)
    if (table.Pads[i].StartHour != -1) table.Pads[i].PadNo = i + 1;
  if (!isTemporary(path)) table.Diary = image.Diary;
  dataCount_ = CountPads(image.Bars);
  return r;
}

IoResult DayStore::showRoutinePads(const BarRecord (&bars)[kPadSlots], const PadRecord (&pads)[kPadSlots]) {
  DayFile staged = image;
  std::memcpy(staged.Bars, bars, sizeof staged.Bars);
  std::memcpy(staged.Pads, pads, sizeof staged.Pads);
  staged.Diary = table.Diary;
  IoResult r = writeFileAtomic(TemporaryDayPath, &staged, sizeof staged, false);
  // The staging file is read back at once: whether it would survive a power
  // loss does not matter.
  if (!r.written()) return r;
  return load(TemporaryDayPath);
}

// Copies the pad table into the image, with a header for a first save or
// an image without one; true when the header was set.
bool DayStore::prepareImage(const LocalDate& today) {
  const bool headerSet = !fileExists(CurrentDayPath) || image.FilePath.empty();
  if (headerSet) {
    // A folder named in Shift-JIS (unpacked from a Windows archive) is
    // recorded by its own bytes, not as question marks.
    if (isUtf8(CurrentDayPath))
      image.FilePath.setText(CurrentDayPath);
    else
      image.FilePath.setRaw(CurrentDayPath);
    image.CreatedDate = toSerialDate(today);
  }
  std::memcpy(image.Bars, table.Bars, sizeof table.Bars);
  std::memcpy(image.Pads, table.Pads, sizeof table.Pads);
  image.Diary = table.Diary;
  return headerSet;
}

IoResult DayStore::save(const LocalDate& today, bool* headerSet, bool overwriteChanged) {
  *headerSet = false;
  if (unread()) return IoResult::failure(IoResult::Op::Overwrite, CurrentDayPath, unread_.error);
  const DayFile before = image;
  *headerSet = prepareImage(today);
  FileStamp expected = stamp_;
  if (overwriteChanged) expected.known = false;
  IoResult r = writeFileAtomic(CurrentDayPath, &image, sizeof image, false, &expected);
  if (r.op == IoResult::Op::Changed) {  // the question comes first; the image stays as read
    image = before;
    *headerSet = false;
  }
  if (r.written()) {
    dataCount_ = CountPads(image.Bars);
    stamp_ = expected;
  }
  return r;
}

IoResult DayStore::saveCopy(const std::string& path, const LocalDate& today) {
  DayFile copy = image;
  prepareImage(today);
  std::swap(copy, image);  // the open day's image stays as it was read
  return writeFileAtomic(path, &copy, sizeof copy, false);
}

}  // namespace plandor
