#pragma once
// What to do with recovered work: which day a record belongs to, what to
// offer and when, what a restore yields, which file keeps a day's work and
// when it may go. Plain decisions; the main window only asks and shows.
#include <optional>
#include <set>
#include <string>

#include "calendar.h"
#include "fileio.h"

namespace plandor {

// How a record names a day of the data folder: "Y200601/Y2006013.sdf".
std::string recoveryDayName(const LocalDate& day);
// The day a record belongs to: the date whose file in `dataFolder` it names
// (relative, or in older files by a full path inside the folder). Anything
// else, a path outside the folder or a name that is no day, belongs to none.
std::optional<LocalDate> recoveryDay(const std::string& dataFolder, const std::string& dayName);

// The day's file now, against what it was when the work began.
enum class DayFileNow { Missing, Unreadable, AsBegun, Changed };
DayFileNow dayFileNow(const std::string& path, const FileStamp& began);

enum class Offer {
  Nothing,  // no file there
  Report,   // damaged, or not a day of this folder: told once, kept, never used
  Drop,     // nothing the open day lacks: removed without a question
  Ask,      // 復元する / 破棄する (the day opens first when it is not open)
  Later,    // kept for when its day opens
};
struct OfferCase {
  bool present = true;           // a file is there
  bool readable = true;          // it is a whole recovery file
  std::optional<LocalDate> day;  // its record's day (recoveryDay)
  bool atStartUp = false;
  std::optional<LocalDate> openDay;  // the open day's date, when it is a day of this folder
  bool openModified = false;         // the open day holds unsaved work, restored work included
  bool sameAsOpen = false;           // the record holds nothing the open day lacks
};
Offer decideOffer(const OfferCase& c);

// What restoring into a day's file in its state `now` gives.
enum class Restored {
  IntoDay,      // over the day as read; 保存 writes it
  IntoNewDay,   // the file is gone: an empty day takes the work, its first 保存 makes the file
  Unsaveable,   // the file cannot be read: the work shows, 保存 offers 別名で保存
  AsksAtSave,   // another program changed the file: 保存 asks (上書き保存 / 別名で保存 / キャンセル)
};
Restored restoreYields(DayFileNow now);

// The file that keeps the open day's work: its own, or its second while the
// first is damaged and kept. Empty when none can be used (both kept, or a
// day that is not this folder's): the window then says the work is not
// protected.
std::string recoveryFileFor(const std::string& dataFolder, const std::optional<LocalDate>& openDay,
                            const std::set<std::string>& kept);

// A day's recovery file goes only when nothing unsaved of it remains on
// screen: after a save, or once the day is gone after 保存しない.
bool mayRemoveRecovery(bool dayModified, bool dayStillShown);

// "(1月2日 21:41 に記録)": when a recovery record was written.
std::string recordedAt(const LocalDateTime& written);
// "2006年1月3日 (火) の保存されていない変更が残っています (1月2日 21:41 に記録)。復元しますか?"
std::string offerText(const LocalDate& day, const LocalDateTime& written, bool fileChanged);

}  // namespace plandor
