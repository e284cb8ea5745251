#include "icsexport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "csscolors.h"
#include "dayrecords.h"
#include "fileio.h"
#include "fnv1a.h"
#include "padrules.h"
#include "routineday.h"
#include "timeaxis.h"

namespace plandor::ics {
namespace {

// Rows from 18:00 on (00:00 and later) fall on the next calendar date.
constexpr int kMidnightRow = 18 * kRowsPerHour;
constexpr std::size_t kLineOctets = 75;

std::string serialize(const icalcomponent* c) {
  char* text = icalcomponent_as_ical_string_r(const_cast<icalcomponent*>(c));
  std::string s = text ? text : "";
  std::free(text);
  return s;
}

std::string hex64(std::uint64_t v) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
  return buf;
}

// A change detector, not a seal; the unfolded text makes it independent of
// where lines were folded.
std::string digest(std::string_view s) { return hex64(fnv1a(s)); }

void addX(icalcomponent* c, const char* name, const std::string& value) {
  icalproperty* p = icalproperty_new_x(value.c_str());
  icalproperty_set_x_name(p, name);
  icalcomponent_add_property(c, p);
}

icaltimetype dateOnly(const LocalDate& d) {
  icaltimetype t = icaltime_null_date();
  t.year = d.year, t.month = d.month, t.day = d.day;
  return t;
}

template <std::size_t N>
std::string fieldText(const ShortText<N>& field) {
  return plainText(field.text());
}

std::string joined(const std::string& a, const char* between, const std::string& b) {
  return a + (a.empty() || b.empty() ? "" : between) + b;
}

// Seals an item: its UID and date mark.
void finish(std::vector<Item>& items, std::string uid, const LocalDate& date, icalcomponent* c) {
  icalcomponent_add_property(c, icalproperty_new_uid(uid.c_str()));
  addX(c, kDateProperty, dateStem(date));
  items.push_back(Item{std::move(uid), date, Component(c)});
}

icalcomponent* padEvent(const LocalDate& date, const Span& span, const std::string& keyword,
                        const std::string& content, const std::string& memo, std::int32_t color) {
  icalcomponent* ev = icalcomponent_new_vevent();
  icalcomponent_add_property(ev, icalproperty_new_dtstart(rowTime(date, span.start)));
  icalcomponent_add_property(ev, icalproperty_new_dtend(rowTime(date, span.end)));
  icalcomponent_add_property(ev, icalproperty_new_summary(keyword.c_str()));
  const std::string description = joined(content, "\n", memo);
  if (!description.empty()) icalcomponent_add_property(ev, icalproperty_new_description(description.c_str()));
  icalcomponent_add_property(ev, icalproperty_new_color(std::string(nearestCssColorName(color)).c_str()));
  return ev;
}

// Warnings are told once each: a routine's fault would otherwise come once
// a date.
void warnOnce(std::vector<std::string>& warnings, std::string w) {
  for (const std::string& seen : warnings)
    if (seen == w) return;
  warnings.push_back(std::move(w));
}

std::optional<Span> checkedSpan(const PadRecord& p, const std::string& what, std::vector<std::string>& warnings) {
  const auto span = padSpan(p);
  if (span && span->end > span->start) return span;
  warnOnce(warnings, what + " は時刻が" + (span ? "逆です" : "ありません") + "。書き出しません。");
  return std::nullopt;
}

}  // namespace

std::string messageLine(std::string text) {
  for (std::size_t at; (at = text.find("\r\n\r\n")) != std::string::npos;) text.replace(at, 4, ": ");
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

std::string dateStem(const LocalDate& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
  return buf;
}

std::optional<LocalDate> parseDateStem(std::string_view s) {
  if (s.size() != 8) return std::nullopt;
  for (char c : s)
    if (c < '0' || c > '9') return std::nullopt;
  const auto num = [&](std::size_t at, std::size_t n) { return std::atoi(std::string(s.substr(at, n)).c_str()); };
  const LocalDate d{num(0, 4), num(4, 2), num(6, 2)};
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31) return std::nullopt;
  if (fromSerialDate(toSerialDate(d)) != d) return std::nullopt;
  return d;
}

LocalDate nextDate(const LocalDate& d) { return fromSerialDate(toSerialDate(d) + 1); }

std::string plainText(std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else if (c == '\\') {
      out += "\u00A5";
    } else if (c == '\n' || c == '\t' || (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)) {
      out += c;
    }
  }
  return out;
}

std::string foldLines(std::string_view ical) {
  // Unfolding first: removing every CR LF + blank also turns libical's
  // "\r\r\n \n" back into the CR LF it split.
  std::string flat;
  flat.reserve(ical.size());
  for (std::size_t i = 0; i < ical.size(); ++i) {
    if (ical.compare(i, 2, "\r\n") == 0 && i + 2 < ical.size() && (ical[i + 2] == ' ' || ical[i + 2] == '\t')) {
      i += 2;
      continue;
    }
    flat += ical[i];
  }
  std::string out;
  out.reserve(flat.size() + flat.size() / 32);
  std::size_t start = 0;
  while (start < flat.size()) {
    std::size_t end = flat.find("\r\n", start);
    if (end == std::string::npos) end = flat.size();
    std::string_view line(flat.data() + start, end - start);
    std::size_t room = kLineOctets;
    while (line.size() > room) {
      std::size_t cut = room;
      while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
      out.append(line.substr(0, cut));
      out += "\r\n ";
      line.remove_prefix(cut);
      room = kLineOctets - 1;  // the blank that marks a continuation counts
    }
    out.append(line);
    out += "\r\n";
    start = end + 2;
  }
  return out;
}

icaltimetype rowTime(const LocalDate& day, int row) {
  const LocalDate date = row >= kMidnightRow ? nextDate(day) : day;
  const int minutes = row / kRowsPerMinute + 6 * 60;
  icaltimetype t = icaltime_null_time();
  t.year = date.year, t.month = date.month, t.day = date.day;
  t.hour = (minutes / 60) % 24, t.minute = minutes % 60, t.second = 0;
  t.is_date = 0;
  return t;
}

std::optional<Span> padSpan(const PadRecord& p) {
  // The hours as a pad shows them; a minute as the minute box holds one.
  const auto row = [](std::int32_t hour, std::int32_t minute, std::uint8_t pm) -> std::optional<int> {
    const std::optional<int> h = dialHour(hour);
    if (!h || minute < 0 || minute > 60) return std::nullopt;
    return TimeToY(*h, minute, pm);
  };
  const auto start = row(p.StartHour, p.StartMinute, p.StartPM);
  auto end = row(p.EndHour, p.EndMinute, p.EndPM);
  if (!start || !end) return std::nullopt;
  if (*end == 0) end = kDayRows;  // 6:00 AM as an end: the morning after
  if (*start < 0 || *start >= kDayRows || *end <= 0 || *end > kDayRows) return std::nullopt;
  return Span{*start, *end};
}

void addDayItems(std::vector<Item>& items, const LocalDate& date, const DayFile& day, const Options& options,
                 const std::string& name, std::vector<std::string>& warnings) {
  const std::string stem = dateStem(date);
  for (int i = 0; i < kPadSlots; ++i) {
    const PadRecord& p = day.Pads[i];
    if (p.StartHour == -1) continue;  // unused slot
    const auto span = checkedSpan(p, name + ": パッド " + std::to_string(i + 1), warnings);
    if (!span) continue;
    icalcomponent* ev =
        padEvent(date, *span, fieldText(p.Keyword), fieldText(p.Content), fieldText(p.Memo), p.Color);
    if (p.Completed == 1) addX(ev, "X-PLANDOR-COMPLETED", "TRUE");
    finish(items, stem + "-pad" + std::to_string(i + 1) + std::string(kUidSuffix), date, ev);
  }
  const DiaryRecord& d = day.Diary;
  if (d.Title1.empty() && d.Content1.empty() && d.Title2.empty() && d.Content2.empty()) return;
  // The summary holds both titles; the description each entry as its title
  // over its content, a blank line between them.
  const std::string t1 = fieldText(d.Title1), t2 = fieldText(d.Title2);
  const std::string text =
      joined(joined(t1, "\n", fieldText(d.Content1)), "\n\n", joined(t2, "\n", fieldText(d.Content2)));
  icalcomponent* c;
  if (options.diaryEvents) {
    c = icalcomponent_new_vevent();
    icalcomponent_add_property(c, icalproperty_new_dtstart(dateOnly(date)));
    icalcomponent_add_property(c, icalproperty_new_dtend(dateOnly(nextDate(date))));
    icalcomponent_add_property(c, icalproperty_new_transp(ICAL_TRANSP_TRANSPARENT));
  } else {
    c = icalcomponent_new_vjournal();
    icalcomponent_add_property(c, icalproperty_new_dtstart(dateOnly(date)));
  }
  icalcomponent_add_property(c, icalproperty_new_summary(joined(t1, " / ", t2).c_str()));
  icalcomponent_add_property(c, icalproperty_new_description(text.c_str()));
  finish(items, stem + "-diary" + std::string(kUidSuffix), date, c);
}

void addRoutineItems(std::vector<Item>& items, const LocalDate& date, const RoutineSet& routines,
                     const std::string& name, std::vector<std::string>& warnings) {
  BarRecord bars[kPadSlots];
  PadRecord pads[kPadSlots];
  const int wd = weekday(date);
  const int n = RoutinePads(routines, wd, bars, pads);
  // The pads come in routine order, one for each routine that displays.
  int slot = -1;
  for (int j = 0; j < n; ++j) {
    do ++slot;
    while (!DisplaysOn(routines[slot], wd));
    const PadRecord& p = pads[j];
    const auto span = checkedSpan(p, name + ": ルーチン " + std::to_string(slot + 1), warnings);
    if (!span) continue;
    icalcomponent* ev =
        padEvent(date, *span, fieldText(p.Keyword), fieldText(p.Content), fieldText(p.Memo), p.Color);
    finish(items, dateStem(date) + "-routine" + std::to_string(slot + 1) + std::string(kUidSuffix), date, ev);
  }
}

namespace {

// Reads a file as the planner loads one, over empty records, but needs no
// write access: exporting a read-only folder is fine.
template <class T>
IoResult readRecords(const std::string& path, T& records) {
  std::size_t got = 0;
  return readFileStart(path, &records, sizeof records, &got, false);
}

}  // namespace

std::string forEachItem(const std::string& folder, const LocalDate& from, const LocalDate& to,
                        const Options& options, const std::function<void(const std::string&)>& warn,
                        const std::function<bool(std::vector<Item>&)>& take) {
  RoutineSet routines;
  std::memset(routines, 0, sizeof routines);
  for (auto& r : routines) ClearRoutine(r);
  const std::string routinePath = folder + "/Routines.rdf";
  if (options.routines && !fileMissing(routinePath)) {
    const IoResult r = readRecords(routinePath, routines);
    if (!r.ok()) return messageLine(r.message());
  }
  // A day file's warnings name that file; only the routines' could repeat,
  // so only theirs are kept to be told once.
  std::vector<std::string> routineWarnings, dayWarnings;
  std::vector<Item> items;
  for (LocalDate d = from;; d = nextDate(d)) {
    items.clear();
    const std::string path = dayPath(folder, d);
    if (!fileMissing(path)) {
      DayFile day;
      const IoResult r = readDayFile(path, &day, false);
      if (!r.ok()) return messageLine(r.message());
      if (take) {
        dayWarnings.clear();
        addDayItems(items, d, day, options, path, dayWarnings);
        for (const std::string& w : dayWarnings) warn(w);
      }
    } else if (options.routines && take) {
      // A day file is what the user planned; only a day without one gets
      // the routines routine display would lay on it.
      const std::size_t told = routineWarnings.size();
      addRoutineItems(items, d, routines, routinePath, routineWarnings);
      for (std::size_t i = told; i < routineWarnings.size(); ++i) warn(routineWarnings[i]);
    }
    if (!items.empty() && !take(items)) return {};
    if (d == to) break;
  }
  return {};
}

std::string calendarHeader() {
  return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//plandor//plandor-ics//JA\r\nCALSCALE:GREGORIAN\r\n";
}

std::string itemText(Item& item, const icaltimetype& stamp) {
  icalcomponent* c = item.component.get();
  if (icalproperty* old = icalcomponent_get_first_property(c, ICAL_DTSTAMP_PROPERTY)) {
    icalcomponent_remove_property(c, old);
    icalproperty_free(old);
  }
  icalcomponent_add_property(c, icalproperty_new_dtstamp(stamp));
  return foldLines(serialize(c));
}

std::string calendarFile(std::vector<Item>& items, const icaltimetype& stamp) {
  std::string out = calendarHeader();
  for (Item& item : items) out += itemText(item, stamp);
  out += kCalendarEnd;
  return out;
}

std::string resourceFile(Item& item, const icaltimetype& stamp) {
  return calendarHeader() + itemText(item, stamp) + std::string(kCalendarEnd);
}

std::optional<LocalDate> ownUidDate(std::string_view uid) {
  // "<YYYYMMDD>-" + pad1..24, routine1..8 or diary + "@plandor"
  if (uid.size() <= 9 + kUidSuffix.size() || uid[8] != '-' ||
      uid.substr(uid.size() - kUidSuffix.size()) != kUidSuffix)
    return std::nullopt;
  const auto date = parseDateStem(uid.substr(0, 8));
  if (!date) return std::nullopt;
  std::string_view slot = uid.substr(9, uid.size() - 9 - kUidSuffix.size());
  if (slot == "diary") return date;
  int limit = 0;
  if (slot.substr(0, 3) == "pad") slot.remove_prefix(3), limit = kPadSlots;
  else if (slot.substr(0, 7) == "routine") slot.remove_prefix(7), limit = kRoutineSlots;
  if (limit == 0 || slot.empty() || slot.size() > 2 || slot[0] == '0' ||
      slot.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  const int n = std::atoi(std::string(slot).c_str());
  if (n > limit) return std::nullopt;
  return date;
}

namespace {

// One property as a line: unfolded, without its line end and the blanks a
// reader drops before it.
std::string propertyLine(icalproperty* p) {
  char* text = icalproperty_as_ical_string_r(p);
  std::string line;
  for (const char* c = text ? text : ""; *c; ++c) {
    if (c[0] == '\r' && c[1] == '\n' && (c[2] == ' ' || c[2] == '\t')) {
      c += 2;
      continue;
    }
    line += *c;
  }
  std::free(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.pop_back();
  return line;
}

void comparable(icalcomponent* c, std::string& out);

void comparableParts(icalcomponent* c, std::string& out) {
  std::vector<std::string> inner;
  for (icalcomponent* sub = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); sub;
       sub = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT)) {
    inner.emplace_back();
    comparable(sub, inner.back());
  }
  std::sort(inner.begin(), inner.end());
  for (const std::string& i : inner) out += i;
}

void comparable(icalcomponent* c, std::string& out) {
  std::vector<std::string> lines;
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY); p;
       p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY)) {
    const icalproperty_kind k = icalproperty_isa(p);
    if (k == ICAL_DTSTAMP_PROPERTY || k == ICAL_SEQUENCE_PROPERTY || k == ICAL_CREATED_PROPERTY ||
        k == ICAL_LASTMODIFIED_PROPERTY)
      continue;
    lines.push_back(propertyLine(p));
  }
  std::sort(lines.begin(), lines.end());
  // A kind libical does not know has no name (a server may send anything);
  // ours never hold one, so any such part makes a difference.
  const char* kind = icalcomponent_kind_to_string(icalcomponent_isa(c));
  out += "BEGIN:";
  out += kind ? kind : "?";
  out += '\n';
  for (const std::string& l : lines) out += l + '\n';
  comparableParts(c, out);
  out += "END\n";
}

}  // namespace

std::string comparableDigest(icalcomponent* c) {
  if (!c) return {};
  std::string text;
  // A calendar's own properties (PRODID, VERSION) are its writer's.
  if (icalcomponent_isa(c) == ICAL_VCALENDAR_COMPONENT) comparableParts(c, text);
  else comparable(c, text);
  return digest(text);
}

namespace {

std::string lowered(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
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

// A name the program keeps in its folder, or one like it, in any letter
// case: days, routines, lists, recovery, settings, the staging day, the
// sound, help, the programs, and the temporaries and kept copies of each.
bool namedLikeDataFile(const std::string& name) {
  const std::string n = lowered(name);
  for (const char* own : {"shutter.wav", "plandor.hlp", "plandor", "plandor-ics", "plandor-sound.so"})
    if (n == own) return true;
  for (const char* ext : {".sdf", ".rdf", ".lef", ".pdr", ".ini"})
    if (n.size() >= 4 && n.compare(n.size() - 4, 4, ext) == 0) return true;
  for (const char* stem : {"routines.rdf", "lentries.lef", "temporary.sdf", "recovery", "settings.ini"})
    if (n.rfind(stem, 0) == 0) return true;
  // A save's temporary: ".<name>.plandor-save-XXXXXX"
  return n.size() > 1 && n[0] == '.' && n.find(".plandor-") != std::string::npos;
}

bool monthFolderNamed(const std::string& name) {
  return name.size() == 7 && (name[0] == 'Y' || name[0] == 'y') &&
         name.find_first_not_of("0123456789", 1) == std::string::npos;
}

bool sameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The data folder and its month folders, by identity; with `file`, also
// whether one of their files is that very file under another name.
struct DataFolders {
  std::vector<struct stat> folders;
  bool holdsFile = false;
};

DataFolders scanDataFolders(const std::string& folder, const struct stat& data, const struct stat* file) {
  DataFolders out;
  out.folders.push_back(data);
  std::vector<std::string> months;
  const auto scan = [&](const std::string& dir, bool top) {
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
      const std::string name = e->d_name;
      struct stat st;
      if (name == "." || name == ".." || ::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (top && S_ISDIR(st.st_mode) && monthFolderNamed(name)) {
        out.folders.push_back(st);
        months.push_back(name);
      } else if (file && S_ISREG(st.st_mode) && sameFile(st, *file) && namedLikeDataFile(name)) {
        out.holdsFile = true;
      }
    }
    ::closedir(d);
  };
  scan(folder, true);
  if (file)
    for (const std::string& m : months) scan(folder + "/" + m, false);
  return out;
}

}  // namespace

bool replacesDataFile(const std::string& output, const std::string& folder) {
  struct stat data;
  if (::stat(folder.c_str(), &data) != 0) return false;
  struct stat existing;
  const bool exists = ::stat(output.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
  // Another name of a data file (a hard link) only matters when it has one.
  const bool linked = exists && existing.st_nlink > 1;
  DataFolders known = scanDataFolders(folder, data, linked ? &existing : nullptr);
  if (known.holdsFile) return true;
  const std::string target = saveTarget(output);
  for (const std::string& path : {output, target}) {
    struct stat parent;
    if (::stat(parentOf(path).empty() ? "/" : parentOf(path).c_str(), &parent) != 0) continue;
    bool inside = false;
    for (const struct stat& f : known.folders) inside = inside || sameFile(f, parent);
    if (inside && (namedLikeDataFile(nameOf(output)) || namedLikeDataFile(nameOf(target)))) return true;
  }
  return false;
}

}  // namespace plandor::ics
