#include "dayrecords.h"

#include <cstring>

namespace plandor {

void clearBar(BarRecord& bar) {
  bar.Side.clear();
  bar.reserved[0] = bar.reserved[1] = 0;
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
  for (auto* reserved : {pad.reserved1, pad.reserved2, pad.reserved3}) reserved[0] = reserved[1] = reserved[2] = 0;
}

void clearDiary(DiaryRecord& diary) {
  diary.Title1.clear();
  diary.Content1.clear();
  diary.Title2.clear();
  diary.Content2.clear();
}

PadTable emptyPadTable() {
  PadTable t;
  std::memset(&t, 0, sizeof t);
  for (auto& bar : t.Bars) clearBar(bar);
  for (auto& pad : t.Pads) clearPad(pad);
  clearDiary(t.Diary);
  return t;
}

DayFile emptyDayFile() {
  DayFile d;
  std::memset(&d, 0, sizeof d);
  const PadTable t = emptyPadTable();
  std::memcpy(d.Bars, t.Bars, sizeof d.Bars);
  std::memcpy(d.Pads, t.Pads, sizeof d.Pads);
  d.Diary = t.Diary;
  return d;
}

IoResult readDayFile(const std::string& path, DayFile* day, bool needWritable, FileStamp* stamp) {
  DayFile scratch = emptyDayFile();
  std::size_t got = 0;
  const IoResult r = readFileStart(path, &scratch, sizeof scratch, &got, needWritable, stamp);
  if (r.ok()) *day = scratch;
  return r;
}

IoResult readOwnDayFile(const std::string& path, DayFile* day) {
  std::string bytes;
  const IoResult r = readOwnFile(path, &bytes, sizeof(DayFile));
  if (!r.ok()) return r;
  DayFile scratch = emptyDayFile();
  std::memcpy(&scratch, bytes.data(), bytes.size());
  *day = scratch;
  return r;
}

std::int32_t CountPads(const BarRecord (&bars)[kPadSlots]) {
  for (int i = kPadSlots - 1; i >= 0; --i)
    if (bars[i].TopY != -1) return i + 1;
  return 0;
}

void RemovePadAndPack(PadTable& table, int slot, std::array<int, kPadSlots>* from) {
  if (from) from->fill(-1);
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
    if (from) (*from)[j] = i;
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
  removeStaleTemporaries(folder, {own});
  removeStaleTemporaries(folder, dayFileNameShape);
}

}  // namespace plandor
