#pragma once
// The open day: its pad table, its file image and the operations that move
// a day between memory and disk. Frames and boxes that show the day are the
// day view's and the main window's business; these operations touch data only.
#include <cstdint>
#include <string>

#include "calendar.h"
#include "fileio.h"
#include "records.h"

namespace plandor {

void clearBar(BarRecord& bar);
void clearPad(PadRecord& pad);
void clearDiary(DiaryRecord& diary);

// The highest pad number whose bar is set (TopY != -1), or 0.
std::int32_t CountPads(const BarRecord (&bars)[kPadSlots]);

// Removes the pad in `slot`, then packs the pads that keep a bar to the
// front, renumbered 1..k in their order (memos travel with them).
void RemovePadAndPack(PadTable& table, int slot);

// The file name recorded in a header path: what follows the last "/" or "\".
// Paths written on Windows use "\"; decode before looking for it, since a
// CP932 trail byte can be 0x5C.
std::string headerFileName(const ShortText<255>& filePath);

// Removes the temporaries that saves cut short left in the folder of
// `dayPath`: of that day file and of every file named as day files are
// named ("Y" + year + month + day + ".sdf"). Called when a day is opened.
void removeStaleDayTemporaries(const std::string& dayPath);

class DayStore {
 public:
  DayStore();

  PadTable table;
  DayFile image;
  std::string CurrentDayPath;
  std::string TodayDayPath;
  std::string TemporaryDayPath;

  // The highest pad number with a bar, as last counted: by a load, a save,
  // a removal or a drag release.
  std::int32_t DataCount() const { return dataCount_; }
  std::int32_t recount() { return dataCount_ = CountPads(table.Bars); }

  // A pad's store or change writes its slot here.
  void storePad(int slot, const BarRecord& bar, const PadRecord& pad);
  // Removes the pad in `slot` and packs the rest (see RemovePadAndPack).
  void removePad(int slot);

  // The open day has its file on disk; a day without one shows "未作成".
  bool hasFile() const { return fileExists(CurrentDayPath); }

  // The file at CurrentDayPath is there but could not be read: the day is
  // not loaded, and the save refuses to write over what it never read.
  bool unread() const { return !unread_.ok() && unread_.path == CurrentDayPath; }

  // Reads a day file into the image and copies it into the pad table (the
  // diary only when `path` is not the temporary routine-display file). A
  // short file fills what it holds; the rest stays empty. On failure the
  // pad table and the image are left as they were; when `path` is the open
  // day's, the day is unread until a load of it succeeds or a clear.
  IoResult load(const std::string& path);

  // Routine display: these pads and bars replace the day's, which keeps its
  // header and its diary; they go to the staging file (TemporaryDayPath) and
  // are read back as a load reads a day. A failure leaves the day as it was.
  IoResult showRoutinePads(const BarRecord (&bars)[kPadSlots], const PadRecord (&pads)[kPadSlots]);

  // Empties the pad table and the image, header included; the count is 0.
  // Forgets a failed read: the caller opens another day, or a missing one
  // (a file that turns up there later was put by another program).
  void clear();

  // The data part of the Save command. The first save of a day sets the
  // header from CurrentDayPath and `today`; later saves keep it. An image
  // without a header (after a short load) gets one too, so the
  // file never ends up with an empty header. `*headerSet` tells the caller
  // to show the new header. The count changes only when the file was written
  // (IoResult::written(), also when its folder could not be synced). An
  // unread day is refused (Op::Overwrite) and nothing is written. A file
  // another program changed since the day was read or saved is left alone
  // (Op::Changed) unless `overwriteChanged`.
  IoResult save(const LocalDate& today, bool* headerSet, bool overwriteChanged = false);
  // The day as a save would write it, to a new file at `path` (a copy kept
  // beside a file another program changed); the open day's file, and what
  // is known of it, stay as they are.
  IoResult saveCopy(const std::string& path, const LocalDate& today);

  bool isTemporary(const std::string& path) const {
    return !TemporaryDayPath.empty() && path == TemporaryDayPath;
  }

 private:
  std::int32_t dataCount_ = 0;
  IoResult unread_;  // the failed read of the open day's file
  FileStamp stamp_;  // the open day's file as last read or saved
  bool prepareImage(const LocalDate& today);
};

}  // namespace plandor
