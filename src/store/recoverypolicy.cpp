#include "recoverypolicy.h"

#include <cstdio>

#include "dayrecords.h"
#include "recovery.h"

namespace plandor {

std::string recoveryDayName(const LocalDate& day) { return monthFolderName(day) + "/" + dayFileName(day); }

std::optional<LocalDate> recoveryDay(const std::string& dataFolder, const std::string& dayName) {
  std::string name = dayName;
  const std::string inside = dataFolder + "/";
  if (!name.empty() && name[0] == '/') {
    if (name.compare(0, inside.size(), inside) != 0) return std::nullopt;
    name.erase(0, inside.size());
  }
  // Only the exact name the folder gives that date: no "..", no other folder.
  const std::optional<LocalDate> d = dateOfDayFile(name);
  if (!d || name != recoveryDayName(*d)) return std::nullopt;
  return d;
}

DayFileNow dayFileNow(const std::string& path, const FileStamp& began) {
  if (fileMissing(path)) return DayFileNow::Missing;
  DayFile image;
  FileStamp now;
  if (!readDayFile(path, &image, true, &now).ok()) return DayFileNow::Unreadable;
  // Nothing recorded (an older recovery file): taken as it is.
  if (!began.known) return DayFileNow::AsBegun;
  if (!began.present) return DayFileNow::Changed;  // a file came where there was none
  // Copied or touched, but the same bytes: no change.
  const bool sameBytes = now.length == began.length && now.digest == began.digest;
  return sameFile(now, began) || sameBytes ? DayFileNow::AsBegun : DayFileNow::Changed;
}

Offer decideOffer(const OfferCase& c) {
  if (!c.present) return Offer::Nothing;
  if (!c.readable || !c.day) return Offer::Report;
  if (c.openDay && *c.day == *c.openDay) {
    if (c.sameAsOpen) return Offer::Drop;
    // Never over work already restored or typed.
    return c.openModified ? Offer::Later : Offer::Ask;
  }
  // Another day's work opens that day, only at start-up and over nothing unsaved.
  return c.atStartUp && !c.openModified ? Offer::Ask : Offer::Later;
}

Restored restoreYields(DayFileNow now) {
  switch (now) {
    case DayFileNow::Missing:
      return Restored::IntoNewDay;
    case DayFileNow::Unreadable:
      return Restored::Unsaveable;
    case DayFileNow::Changed:
      return Restored::AsksAtSave;
    case DayFileNow::AsBegun:
      break;
  }
  return Restored::IntoDay;
}

std::string recoveryFileFor(const std::string& dataFolder, const std::optional<LocalDate>& openDay,
                            const std::set<std::string>& kept) {
  if (!openDay) return {};
  for (bool second : {false, true}) {
    const std::string path = recoveryPath(dataFolder, *openDay, second);
    if (!kept.count(path)) return path;
  }
  return {};
}

bool mayRemoveRecovery(bool dayModified, bool dayStillShown) { return !dayModified || !dayStillShown; }

std::string recordedAt(const LocalDateTime& written) {
  char when[64];
  std::snprintf(when, sizeof when, "(%d月%d日 %d:%02d に記録)", written.date.month, written.date.day, written.hour,
                written.minute);
  return when;
}

std::string offerText(const LocalDate& day, const LocalDateTime& written, bool fileChanged) {
  std::string text = dayTitleText(day) + " の保存されていない変更が残っています " + recordedAt(written) + "。復元しますか?";
  if (fileChanged)
    text += "\r\n\r\nこの日のファイルは, 記録の後で他のプログラムによって変更されています。保存するときに確認します。";
  return text;
}

}  // namespace plandor
