#include "calendar.h"

#include <cmath>
#include <cstdio>

namespace plandor {
namespace {

// Days from 1970-01-01 (proleptic Gregorian), after H. Hinnant.
long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

LocalDate civilFromDays(long long z) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long y = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

const long long kEpoch = daysFromCivil(1899, 12, 30);

}  // namespace

double toSerialDate(const LocalDate& d) {
  return static_cast<double>(daysFromCivil(d.year, d.month, d.day) - kEpoch);
}

LocalDate fromSerialDate(double serial) {
  // Years 1..9999 span about -693593 .. 2958465 days.
  if (!std::isfinite(serial) || serial < -693593.0 || serial > 2958465.0) return {};
  return civilFromDays(static_cast<long long>(std::floor(serial)) + kEpoch);
}

int weekday(const LocalDate& d) {
  long long z = daysFromCivil(d.year, d.month, d.day);  // 1970-01-01 was a Thursday
  return static_cast<int>(((z % 7) + 11) % 7);
}

std::string monthFolderName(const LocalDate& d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "Y%d%02d", d.year, d.month);
  return buf;
}

std::string dayFileName(const LocalDate& d) {
  return monthFolderName(d) + std::to_string(d.day) + ".sdf";
}

std::string dayPath(const std::string& folder, const LocalDate& d) {
  return folder + "/" + monthFolderName(d) + "/" + dayFileName(d);
}

bool dayFileNameShape(const std::string& name) {
  if (name.size() < 12 || name.size() > 13 || name[0] != 'Y' || name.compare(name.size() - 4, 4, ".sdf") != 0)
    return false;
  for (std::size_t i = 1; i < name.size() - 4; ++i)
    if (name[i] < '0' || name[i] > '9') return false;
  return true;
}

std::string longDateText(const LocalDate& d) {
  return std::to_string(d.year) + "年" + std::to_string(d.month) + "月" + std::to_string(d.day) + "日";
}

std::string dayTitleText(const LocalDate& d) {
  static const char* const kDays[7] = {"日", "月", "火", "水", "木", "金", "土"};
  return longDateText(d) + " (" + kDays[weekday(d)] + ")";
}

std::optional<LocalDate> dateOfDayFile(const std::string& path) {
  const auto slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (!dayFileNameShape(name)) return std::nullopt;
  const LocalDate d{std::stoi(name.substr(1, 4)), std::stoi(name.substr(5, 2)), std::stoi(name.substr(7, name.size() - 11))};
  // Only a date that exists names itself the same way back.
  if (d.month < 1 || d.month > 12 || d.day < 1 || dayFileName(fromSerialDate(toSerialDate(d))) != name)
    return std::nullopt;
  return d;
}

std::string clockText(int hour, int minute, int second) {
  int h12 = hour % 12 == 0 ? 12 : hour % 12;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %02d時 %02d分 %02d秒", hour < 12 ? "AM" : "PM", h12, minute, second);
  return buf;
}

}  // namespace plandor
