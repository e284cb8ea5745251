#include "icsexport.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "csscolors.h"
#include "daystore.h"
#include "fileio.h"
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

// FNV-1a: a change detector, not a seal; the unfolded text makes it
// independent of where lines were folded.
std::string digest(std::string_view s) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : s) h = (h ^ c) * 0x100000001b3ULL;
  return hex64(h);
}

void addX(icalcomponent* c, const char* name, const std::string& value) {
  icalproperty* p = icalproperty_new_x(value.c_str());
  icalproperty_set_x_name(p, name);
  icalcomponent_add_property(c, p);
}

std::optional<std::string> xValue(icalcomponent* c, const char* name) {
  for (icalproperty* p = icalcomponent_get_first_property(c, ICAL_X_PROPERTY); p;
       p = icalcomponent_get_next_property(c, ICAL_X_PROPERTY)) {
    const char* n = icalproperty_get_x_name(p);
    const char* v = icalproperty_get_x(p);
    if (n && v && std::strcmp(n, name) == 0) return std::string(v);
  }
  return std::nullopt;
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

// Seals an item: its date mark, then the digest of everything so far.
void finish(std::vector<Item>& items, std::string uid, const LocalDate& date, icalcomponent* c) {
  icalcomponent_add_property(c, icalproperty_new_uid(uid.c_str()));
  addX(c, kDateProperty, dateStem(date));
  Item item{std::move(uid), date, {}, Component(c)};
  item.hash = digest(foldLines(serialize(c)));
  addX(c, kHashProperty, item.hash);
  items.push_back(std::move(item));
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

std::optional<Span> checkedSpan(const PadRecord& p, const std::string& what, std::vector<std::string>& warnings) {
  const auto span = padSpan(p);
  if (span && span->end > span->start) return span;
  const std::string w = what + " は時刻が" + (span ? "逆です" : "ありません") + "。書き出しません。";
  for (const std::string& seen : warnings)
    if (seen == w) return std::nullopt;
  warnings.push_back(w);
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
  const auto valid = [](std::int32_t h, std::int32_t m) { return h >= 0 && h <= 11 && m >= 0 && m <= 59; };
  if (!valid(p.StartHour, p.StartMinute) || !valid(p.EndHour, p.EndMinute)) return std::nullopt;
  return Span{TimeToY(p.StartHour, p.StartMinute, p.StartPM), TimeToY(p.EndHour, p.EndMinute, p.EndPM)};
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

Collected collect(const std::string& folder, const LocalDate& from, const LocalDate& to, const Options& options) {
  Collected out;
  RoutineSet routines;
  std::memset(routines, 0, sizeof routines);
  for (auto& r : routines) ClearRoutine(r);
  const std::string routinePath = folder + "/Routines.rdf";
  if (options.routines && !fileMissing(routinePath)) {
    const IoResult r = readRecords(routinePath, routines);
    if (!r.ok()) {
      out.error = messageLine(r.message());
      return out;
    }
  }
  for (LocalDate d = from;; d = nextDate(d)) {
    const std::string path = folder + "/" + monthFolderName(d) + "/" + dayFileName(d);
    if (!fileMissing(path)) {
      DayFile day;
      const IoResult r = readDayFile(path, &day, false);
      if (!r.ok()) {
        out.error = messageLine(r.message());
        out.items.clear();
        return out;
      }
      addDayItems(out.items, d, day, options, path, out.warnings);
    } else if (options.routines) {
      // A day file is what the user planned; only a day without one gets
      // the routines routine display would lay on it.
      addRoutineItems(out.items, d, routines, routinePath, out.warnings);
    }
    if (d == to) break;
  }
  return out;
}

namespace {

Component newCalendar() {
  Component cal(icalcomponent_new_vcalendar());
  icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
  icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//plandor//plandor-ics//JA"));
  icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
  return cal;
}

void addStamped(icalcomponent* cal, const Item& item, const icaltimetype& stamp) {
  icalcomponent* c = icalcomponent_new_clone(item.component.get());
  icalcomponent_add_property(c, icalproperty_new_dtstamp(stamp));
  icalcomponent_add_component(cal, c);
}

}  // namespace

std::string calendarFile(const std::vector<Item>& items, const icaltimetype& stamp) {
  Component cal = newCalendar();
  for (const Item& item : items) addStamped(cal.get(), item, stamp);
  return foldLines(serialize(cal.get()));
}

std::string resourceFile(const Item& item, const icaltimetype& stamp) {
  Component cal = newCalendar();
  addStamped(cal.get(), item, stamp);
  return foldLines(serialize(cal.get()));
}

std::optional<Mark> plannerMark(icalcomponent* c) {
  if (!c) return std::nullopt;
  if (icalcomponent_isa(c) == ICAL_VCALENDAR_COMPONENT) {
    for (icalcomponent* inner = icalcomponent_get_first_component(c, ICAL_ANY_COMPONENT); inner;
         inner = icalcomponent_get_next_component(c, ICAL_ANY_COMPONENT)) {
      const icalcomponent_kind k = icalcomponent_isa(inner);
      if (k == ICAL_VEVENT_COMPONENT || k == ICAL_VJOURNAL_COMPONENT) return plannerMark(inner);
    }
    return std::nullopt;
  }
  const char* uid = icalcomponent_get_uid(c);
  const auto date = xValue(c, kDateProperty);
  if (!uid || !date) return std::nullopt;
  const std::string_view u(uid);
  if (u.size() <= kUidSuffix.size() || u.substr(u.size() - kUidSuffix.size()) != kUidSuffix) return std::nullopt;
  const auto d = parseDateStem(*date);
  if (!d) return std::nullopt;
  return Mark{std::string(u), *d, xValue(c, kHashProperty).value_or("")};
}

namespace {

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

}  // namespace

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

}  // namespace plandor::ics
