// Any bytes as a day file: the load must take them without harm, everything
// the window would show from them must be computable, and saving what was
// loaded must give back the same day.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "daymodel.h"
#include "fuzzsupport.h"
#include "timeaxis.h"

using namespace plandor;
using fuzz::checkText;

namespace {

bool validDate(const LocalDate& d) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12) return false;
  const bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
  return d.day >= 1 && d.day <= days[d.month - 1] + (d.month == 2 && leap ? 1 : 0);
}

// What the load shows: file name and date from the header, the pad frames
// of the used slots with their times, the diary and the count.
void showDay(const DayModel& day) {
  const std::string name = headerFileName(day.image().FilePath);
  FUZZ_CHECK(fuzz::validUtf8(name));
  FUZZ_CHECK(name.find_first_of("/\\") == std::string::npos);

  const double serial = day.image().CreatedDate;
  const LocalDate created = fromSerialDate(serial);
  FUZZ_CHECK(validDate(created));
  if (std::isfinite(serial) && serial >= -693593.0 && serial <= 2958465.0)
    FUZZ_CHECK(toSerialDate(created) == std::floor(serial));

  for (const PadRecord& p : day.table().Pads) {
    if (p.StartHour == -1) continue;
    checkText(p.Keyword);
    checkText(p.Content);
    checkText(p.Memo);
    const int start = HourIndex(p.StartPM, p.StartHour);
    const int end = HourIndex(p.EndPM, p.EndHour);
    FUZZ_CHECK(start >= 0 && start <= 23 && end >= 0 && end <= 23);
    // The time axis must take any hour and minute a record holds.
    (void)TimeToY(p.StartHour, p.StartMinute, p.StartPM);
    (void)TimeToY(p.EndHour, p.EndMinute, p.EndPM);
  }
  for (const BarRecord& b : day.table().Bars) FUZZ_CHECK(b.Side.raw().size() <= 1);
  checkText(day.table().Diary.Title1);
  checkText(day.table().Diary.Content1);
  checkText(day.table().Diary.Title2);
  checkText(day.table().Diary.Content2);

  const std::int32_t n = CountPads(day.table().Bars);
  FUZZ_CHECK(n == day.DataCount() && n >= 0 && n <= kPadSlots);
  if (n > 0) FUZZ_CHECK(day.table().Bars[n - 1].TopY != -1);
  for (int i = n; i < kPadSlots; ++i) FUZZ_CHECK(day.table().Bars[i].TopY == -1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::scratchFolder() + "/Y2006011.sdf";
  fuzz::writeFile(path, data, size);

  DayModel day;
  FUZZ_CHECK(day.open(path).ok());
  // The image holds the file's bytes as far as they reach; slots the file
  // does not reach at all stay empty.
  const std::size_t n = std::min(size, kDayFileSize);
  FUZZ_CHECK(std::memcmp(&day.image(), data, n) == 0);
  for (int i = 0; i < kPadSlots; ++i) {
    if (size <= offsetof(DayFile, Bars) + i * sizeof(BarRecord)) FUZZ_CHECK(day.table().Bars[i].TopY == -1);
    if (size <= offsetof(DayFile, Pads) + i * sizeof(PadRecord)) FUZZ_CHECK(day.table().Pads[i].StartHour == -1);
  }
  FUZZ_CHECK(std::memcmp(day.table().Bars, day.image().Bars, sizeof day.table().Bars) == 0);
  {
    // The load may set a used pad's number to its slot; nothing else differs.
    PadRecord expected[kPadSlots];
    std::memcpy(expected, day.image().Pads, sizeof expected);
    for (int i = 0; i < kPadSlots; ++i)
      if (expected[i].StartHour != -1 && day.table().Pads[i].PadNo == i + 1) expected[i].PadNo = i + 1;
    FUZZ_CHECK(std::memcmp(day.table().Pads, expected, sizeof expected) == 0);
  }
  FUZZ_CHECK(std::memcmp(&day.table().Diary, &day.image().Diary, sizeof day.table().Diary) == 0);
  showDay(day);

  // The routine-display staging file brings pads but leaves the diary.
  {
    DayModel staged;
    staged.setPaths(path, fuzz::scratchFolder() + "/Temporary.sdf");
    staged.openEmpty(path);
    DiaryRecord diary = staged.diary();
    diary.Title1.setText("keep");
    staged.setDiary(diary);
    FUZZ_CHECK(staged.showRoutinePads(day.table().Bars, day.table().Pads).ok());
    FUZZ_CHECK(staged.diary().Title1.text() == "keep");
    FUZZ_CHECK(std::memcmp(staged.table().Pads, day.table().Pads, sizeof day.table().Pads) == 0);
  }

  // Removing a pad packs the pads that keep a bar to the front, numbered
  // 1..k, each with its own memo.
  if (size > 0) {
    PadTable packed = day.table();
    const int slot = data[0] % kPadSlots;
    RemovePadAndPack(packed, slot);
    int kept = 0;
    for (int i = 0; i < kPadSlots; ++i)
      if (i != slot && day.table().Bars[i].TopY != -1) {
        FUZZ_CHECK(packed.Bars[kept].TopY == day.table().Bars[i].TopY);
        FUZZ_CHECK(packed.Pads[kept].PadNo == kept + 1);
        FUZZ_CHECK(packed.Pads[kept].Memo.raw() == day.table().Pads[i].Memo.raw());
        ++kept;
      }
    FUZZ_CHECK(CountPads(packed.Bars) == kept);
  }

  // Saving the loaded day over its file and loading it again gives the same
  // day; a header that was there is kept.
  bool headerSet = false;
  FUZZ_CHECK(day.save({2006, 1, 1}, &headerSet).ok());
  const std::string saved = fuzz::readFile(path);
  FUZZ_CHECK(saved.size() == std::max(kDayFileSize, size));  // bytes past the record stay
  if (size > kDayFileSize)
    FUZZ_CHECK(std::memcmp(saved.data() + kDayFileSize, data + kDayFileSize, size - kDayFileSize) == 0);
  FUZZ_CHECK(std::memcmp(saved.data(), &day.image(), kDayFileSize) == 0);
  if (!headerSet) FUZZ_CHECK(std::memcmp(saved.data(), data, std::min<std::size_t>(size, 264)) == 0);
  DayModel again;
  FUZZ_CHECK(again.open(path).ok());
  FUZZ_CHECK(std::memcmp(&again.table(), &day.table(), sizeof(PadTable)) == 0);
  FUZZ_CHECK(again.DataCount() == day.DataCount());
  return 0;
}
