#pragma once
// Dates and the texts derived from them.
#include <optional>
#include <string>

namespace plandor {

struct LocalDate {
  int year = 1899;
  int month = 12;
  int day = 30;
  bool operator==(const LocalDate&) const = default;
};

struct LocalDateTime {
  LocalDate date;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Day count since 1899-12-30, as stored in day-file headers.
double toSerialDate(const LocalDate& d);
// The date part of a serial date; values outside years 1..9999 give 1899-12-30.
LocalDate fromSerialDate(double serial);
// 0 = Sunday .. 6 = Saturday.
int weekday(const LocalDate& d);

// "Y" + year + two-digit month, e.g. "Y200503".
std::string monthFolderName(const LocalDate& d);
// Month folder + day without leading zero + ".sdf", e.g. "Y20050325.sdf".
std::string dayFileName(const LocalDate& d);
// Data folder + month folder + day file name.
std::string dayPath(const std::string& folder, const LocalDate& d);
// Whether a name has the form of a day file: "Y" + year (4) + month (2) +
// day (1 or 2) + ".sdf", digits only, date not checked.
bool dayFileNameShape(const std::string& name);
// "2006年1月1日"
std::string longDateText(const LocalDate& d);
// "2006年1月3日 (火)": how a day is named in the title and in questions.
std::string dayTitleText(const LocalDate& d);
// The date a day file's name stands for ("Y2006013.sdf" is 2006-01-03), or
// nothing for any other name. Only the last path component is read.
std::optional<LocalDate> dateOfDayFile(const std::string& path);
// "AM/PM hh時 mm分 ss秒" on the 12-hour clock: 00:05:09 -> "AM 12時 05分 09秒".
std::string clockText(int hour, int minute, int second);

}  // namespace plandor
