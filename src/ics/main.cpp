// plandor-ics: the days (and optionally the routines) of a program folder
// as one iCalendar file. Reads the planner's files and writes nothing there.
#include <libical/ical.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "calendar.h"
#include "codec.h"
#include "csscolors.h"
#include "datafolder.h"
#include "daystore.h"
#include "fileio.h"
#include "records.h"
#include "routineday.h"
#include "routinefile.h"
#include "timeaxis.h"

using namespace plandor;

namespace {

constexpr const char* kUsage =
    "使い方: plandor-ics [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--routines] [--output FILE] [PROGRAM_FOLDER]\n";

void complain(const std::string& text) { std::fprintf(stderr, "plandor-ics: %s\n", text.c_str()); }

// An error box's text on one line.
std::string oneLine(std::string text) {
  for (std::size_t at; (at = text.find("\r\n\r\n")) != std::string::npos;) text.replace(at, 4, ": ");
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

std::string lowered(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool sameFolder(const std::string& a, const struct stat& b) {
  struct stat st;
  return ::stat(a.empty() ? "/" : a.c_str(), &st) == 0 && st.st_dev == b.st_dev && st.st_ino == b.st_ino;
}

std::string parentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name the program keeps in its folder, or one like it, in either letter
// case: days, routines, lists, the staging day, the sound and help.
bool namedLikeDataFile(const std::string& name) {
  const std::string n = lowered(name);
  for (const char* own : {"routines.rdf", "lentries.lef", "temporary.sdf", "shutter.wav", "plandor.hlp", "plandor",
                          "plandor-ics", "plandor-sound.so"})
    if (n == own) return true;
  for (const char* ext : {".sdf", ".rdf", ".lef"})
    if (n.size() >= 4 && n.compare(n.size() - 4, 4, ext) == 0) return true;
  return false;
}

// The output would replace one of the data folder's files: in the folder or
// one of its month folders ("Y" + six digits), reached by any path or link.
bool replacesDataFile(const std::string& output, const std::string& folder) {
  struct stat data;
  if (::stat(folder.c_str(), &data) != 0) return false;
  const std::string target = saveTarget(output);
  for (const std::string& path : {output, target}) {
    const std::string parent = parentOf(path);
    bool inside = sameFolder(parent, data);
    const std::string month = nameOf(parent);
    if (!inside && month.size() == 7 && (month[0] == 'Y' || month[0] == 'y') &&
        month.find_first_not_of("0123456789", 1) == std::string::npos)
      inside = sameFolder(parentOf(parent), data);
    if (inside && (namedLikeDataFile(nameOf(output)) || namedLikeDataFile(nameOf(target)))) return true;
  }
  return false;
}

std::optional<LocalDate> parseDate(const std::string& s) {
  if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
  const LocalDate d{std::stoi(s.substr(0, 4)), std::stoi(s.substr(5, 2)), std::stoi(s.substr(8, 2))};
  // A date that exists survives the round trip through a day count; 02-30
  // comes back as 03-02, year 0 as 1899-12-30.
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31) return std::nullopt;
  if (fromSerialDate(toSerialDate(d)) != d) return std::nullopt;
  return d;
}

// Today's calendar date from the system clock, as the planner takes it.
LocalDate today() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

LocalDate nextDate(const LocalDate& d) { return fromSerialDate(toSerialDate(d) + 1); }

std::string dateText(const LocalDate& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
  return buf;
}

// The data folder the planner beside this command would use: its own folder
// when that takes writes, else the user's data folder. Nothing is created.
std::optional<std::string> defaultFolder() {
  const std::optional<std::string> exe = executableFolder();
  return exe ? dataFolderFor(*exe) : std::nullopt;
}

// Stored text as calendar text: line breaks as LF, no other control bytes
// (a damaged file can hold any byte, and iCalendar text allows none).
std::string calendarText(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else if (c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 0x20) {
      if (c != 0x7F) out += c;
    }
  }
  return out;
}

template <std::size_t N>
std::string fieldText(const ShortText<N>& field) {
  return calendarText(field.text());
}

// Start and end of a pad as rows of the day (06:00 = 0), or nothing when a
// time is unset or out of the dial.
struct Span {
  int start;
  int end;
};
bool validTime(std::int32_t hour, std::int32_t minute) { return hour >= 0 && hour <= 11 && minute >= 0 && minute <= 59; }

std::optional<Span> padSpan(std::int32_t sh, std::int32_t sm, std::uint8_t spm, std::int32_t eh, std::int32_t em,
                            std::uint8_t epm) {
  if (!validTime(sh, sm) || !validTime(eh, em)) return std::nullopt;
  return Span{TimeToY(sh, sm, spm), TimeToY(eh, em, epm)};
}

// Rows from 18:00 on (00:00 and later) fall on the next calendar date.
constexpr int kMidnightRow = 18 * kRowsPerHour;

icaltimetype localTime(const LocalDate& day, int row) {
  const LocalDate date = row >= kMidnightRow ? nextDate(day) : day;
  const int minutes = row / kRowsPerMinute + 6 * 60;
  icaltimetype t = icaltime_null_time();
  t.year = date.year, t.month = date.month, t.day = date.day;
  t.hour = (minutes / 60) % 24, t.minute = minutes % 60, t.second = 0;
  t.is_date = 0;
  return t;  // no zone: floating local time
}

icaltimetype dateOnly(const LocalDate& d) {
  icaltimetype t = icaltime_null_time();
  t.year = d.year, t.month = d.month, t.day = d.day;
  t.is_date = 1;
  return t;
}

icalcomponent* newEvent(const std::string& uid, const icaltimetype& stamp, const std::string& keyword,
                        const std::string& content, const std::string& memo, std::int32_t color) {
  icalcomponent* ev = icalcomponent_new_vevent();
  icalcomponent_add_property(ev, icalproperty_new_uid(uid.c_str()));
  icalcomponent_add_property(ev, icalproperty_new_dtstamp(stamp));
  icalcomponent_add_property(ev, icalproperty_new_summary(keyword.c_str()));
  std::string description = content;
  if (!memo.empty()) description += (description.empty() ? "" : "\n") + memo;
  if (!description.empty()) icalcomponent_add_property(ev, icalproperty_new_description(description.c_str()));
  icalcomponent_add_property(ev, icalproperty_new_color(std::string(nearestCssColorName(color)).c_str()));
  return ev;
}

void addTimes(icalcomponent* ev, const LocalDate& day, const Span& span) {
  icalcomponent_add_property(ev, icalproperty_new_dtstart(localTime(day, span.start)));
  icalcomponent_add_property(ev, icalproperty_new_dtend(localTime(day, span.end)));
}

// Reads a day file as the planner loads one, over empty records, but needs
// no write access: exporting a read-only folder is fine.
IoResult readDay(const std::string& path, DayFile& day) {
  std::memset(&day, 0, sizeof day);
  for (auto& bar : day.Bars) clearBar(bar);
  for (auto& pad : day.Pads) clearPad(pad);
  clearDiary(day.Diary);
  std::size_t got = 0;
  return readFileStart(path, &day, sizeof day, &got, false);
}

void addDay(icalcomponent* cal, const LocalDate& date, const std::string& path, const DayFile& day,
            const icaltimetype& stamp) {
  const std::string stem = dateText(date);
  for (int i = 0; i < kPadSlots; ++i) {
    const PadRecord& p = day.Pads[i];
    if (p.StartHour == -1) continue;  // unused slot
    const auto span = padSpan(p.StartHour, p.StartMinute, p.StartPM, p.EndHour, p.EndMinute, p.EndPM);
    if (!span || span->end <= span->start) {
      complain(path + ": パッド " + std::to_string(i + 1) + " は時刻が" + (span ? "逆です" : "ありません") +
               "。書き出しません。");
      continue;
    }
    icalcomponent* ev = newEvent(stem + "-pad" + std::to_string(i + 1) + "@plandor", stamp, fieldText(p.Keyword),
                                 fieldText(p.Content), fieldText(p.Memo), p.Color);
    addTimes(ev, date, *span);
    if (p.Completed == 1) {
      icalproperty* done = icalproperty_new_x("TRUE");
      icalproperty_set_x_name(done, "X-PLANDOR-COMPLETED");
      icalcomponent_add_property(ev, done);
    }
    icalcomponent_add_component(cal, ev);
  }
  const DiaryRecord& d = day.Diary;
  if (d.Title1.empty() && d.Content1.empty() && d.Title2.empty() && d.Content2.empty()) return;
  icalcomponent* j = icalcomponent_new_vjournal();
  icalcomponent_add_property(j, icalproperty_new_uid((stem + "-diary@plandor").c_str()));
  icalcomponent_add_property(j, icalproperty_new_dtstamp(stamp));
  icalcomponent_add_property(j, icalproperty_new_dtstart(dateOnly(date)));
  const std::string t1 = fieldText(d.Title1), t2 = fieldText(d.Title2);
  // The summary holds both titles; the description each entry as its title
  // over its content, a blank line between them.
  const auto joined = [](const std::string& a, const char* between, const std::string& b) {
    return a + (a.empty() || b.empty() ? "" : between) + b;
  };
  icalcomponent_add_property(j, icalproperty_new_summary(joined(t1, " / ", t2).c_str()));
  const std::string text =
      joined(joined(t1, "\n", fieldText(d.Content1)), "\n\n", joined(t2, "\n", fieldText(d.Content2)));
  icalcomponent_add_property(j, icalproperty_new_description(text.c_str()));
  icalcomponent_add_component(cal, j);
}

constexpr const char* kByDay[7] = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

void addRoutines(icalcomponent* cal, const std::string& path, const RoutineSet& routines, const LocalDate& from,
                 const icaltimetype& stamp) {
  for (int i = 0; i < kRoutineSlots; ++i) {
    const RoutineRecord& r = routines[i];
    if (r.RoutineNo == 0 || r.Show != 1) continue;
    const std::string name = path + ": ルーチン " + std::to_string(i + 1);
    const auto span = padSpan(r.StartHour, r.StartMinute, r.StartPM, r.EndHour, r.EndMinute, r.EndPM);
    if (!span || span->end <= span->start) {
      complain(name + " は時刻が" + (span ? "逆です" : "ありません") + "。書き出しません。");
      continue;
    }
    // The planner's day of a routine that starts after midnight ends on the
    // next calendar date: its weekdays move with it.
    const int shift = span->start >= kMidnightRow ? 1 : 0;
    std::string byDay;
    for (int w = 0; w < 7; ++w)
      if (r.DOW[w] == 1) byDay += std::string(byDay.empty() ? "" : ",") + kByDay[(w + shift) % 7];
    if (byDay.empty()) {
      complain(name + " は曜日が選ばれていません。書き出しません。");
      continue;
    }
    LocalDate first = from;
    while (!DisplaysOn(r, weekday(first))) first = nextDate(first);
    icalcomponent* ev = newEvent("routine" + std::to_string(i + 1) + "@plandor", stamp, fieldText(r.Keyword),
                                 fieldText(r.Content), fieldText(r.Memo), r.Color);
    addTimes(ev, first, *span);
    icalcomponent_add_property(ev, icalproperty_new_rrule(icalrecurrencetype_from_string(("FREQ=WEEKLY;BYDAY=" + byDay).c_str())));
    icalcomponent_add_component(cal, ev);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<LocalDate> from, to;
  std::optional<std::string> output, folder;
  bool routines = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue = arg == "--from" || arg == "--to" || arg == "--output";
    if (takesValue && i + 1 >= argc) {
      complain(arg + " に値がありません。");
      std::fputs(kUsage, stderr);
      return 2;
    }
    if (arg == "--from" || arg == "--to") {
      const std::string value = argv[++i];
      const auto d = parseDate(value);
      if (!d) {
        complain(arg + " の日付 \"" + value + "\" が正しくありません (YYYY-MM-DD)。");
        return 2;
      }
      (arg == "--from" ? from : to) = d;
    } else if (arg == "--output") {
      output = argv[++i];
    } else if (arg == "--routines") {
      routines = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      complain("不明なオプション \"" + arg + "\"。");
      std::fputs(kUsage, stderr);
      return 2;
    } else if (folder) {
      complain("プログラムフォルダは一つだけ指定できます。");
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      folder = arg;
    }
  }
  if (!from && !to) from = to = today();
  else if (!from) from = to;
  else if (!to) to = from;
  if (toSerialDate(*to) < toSerialDate(*from)) {
    complain("--to が --from より前です。");
    return 2;
  }
  if (!folder) folder = defaultFolder();
  if (!folder) {
    complain("データフォルダが分かりません。プログラムフォルダを指定してください。");
    return 1;
  }
  while (folder->size() > 1 && folder->back() == '/') folder->pop_back();
  if (!folderExists(*folder)) {
    complain("フォルダ \"" + *folder + "\" がありません。");
    return 1;
  }

  // The export reads the planner's files; it never writes over one.
  if (output && replacesDataFile(*output, *folder)) {
    complain("出力先 \"" + *output + "\" はプランドールのデータフォルダのファイルです。別の場所を指定してください。");
    return 2;
  }

  const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
  icalcomponent* cal = icalcomponent_new_vcalendar();
  icalcomponent_add_property(cal, icalproperty_new_version("2.0"));
  icalcomponent_add_property(cal, icalproperty_new_prodid("-//plandor//plandor-ics//JA"));
  int status = 0;
  for (LocalDate d = *from;; d = nextDate(d)) {
    const std::string path = *folder + "/" + monthFolderName(d) + "/" + dayFileName(d);
    if (!fileMissing(path)) {
      DayFile day;
      const IoResult r = readDay(path, day);
      if (!r.ok()) {
        complain(oneLine(r.message()));
        status = 1;
        break;
      }
      addDay(cal, d, path, day, stamp);
    }
    if (d == *to) break;
  }
  if (status == 0 && routines) {
    const std::string path = *folder + "/Routines.rdf";
    if (!fileMissing(path)) {
      RoutineSet set;
      std::memset(set, 0, sizeof set);
      for (auto& r : set) ClearRoutine(r);
      std::size_t got = 0;
      const IoResult r = readFileStart(path, set, sizeof set, &got, false);
      if (!r.ok()) {
        complain(oneLine(r.message()));
        status = 1;
      } else {
        addRoutines(cal, path, set, *from, stamp);
      }
    }
  }
  if (status != 0) {
    icalcomponent_free(cal);
    return status;
  }

  char* text = icalcomponent_as_ical_string_r(cal);
  const std::string ics = text ? text : "";
  std::free(text);
  icalcomponent_free(cal);
  if (output) {
    const IoResult r = writeFileAtomic(*output, ics.data(), ics.size(), false);
    if (!r.written()) {
      complain(oneLine(r.message()));
      return 1;
    }
    if (!r.ok()) complain(oneLine(r.message()));
    return 0;
  }
  if (std::fwrite(ics.data(), 1, ics.size(), stdout) != ics.size() || std::fflush(stdout) != 0) {
    complain(std::string("標準出力に書き込めません: ") + std::strerror(errno));
    return 1;
  }
  return 0;
}
