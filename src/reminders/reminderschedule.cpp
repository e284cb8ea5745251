#include "reminderschedule.h"

#include <algorithm>
#include <cstdio>

#include "fnv1a.h"
#include "padrules.h"
#include "timeaxis.h"

namespace plandor {
namespace {

constexpr WallSeconds kDay = 24 * 3600;
constexpr WallSeconds kPlanStart = 6 * 3600;  // the plan's day begins at 06:00

WallSeconds dayStart(const LocalDate& d) { return static_cast<WallSeconds>(toSerialDate(d)) * kDay; }

LocalDate addDays(const LocalDate& d, int n) { return fromSerialDate(toSerialDate(d) + n); }

// Seconds from the plan's 06:00 to a dial time (the hour read as every pad
// reads it), or nothing for a time off the dial (a damaged file).
std::optional<WallSeconds> dialOffset(std::int32_t hour, std::int32_t minute, std::uint8_t pm) {
  const std::optional<int> h = dialHour(hour);
  if (!h || minute < 0 || minute > 59) return std::nullopt;
  return WallSeconds(HourIndex(pm, *h)) * 3600 + WallSeconds(minute) * 60;
}

std::string clock(WallSeconds t) {
  const WallSeconds inDay = ((t % kDay) + kDay) % kDay;
  char s[8];
  std::snprintf(s, sizeof s, "%d:%02d", int(inDay / 3600), int(inDay / 60 % 60));
  return s;
}

}  // namespace

WallSeconds wallSeconds(const LocalDateTime& t) {
  return dayStart(t.date) + WallSeconds(t.hour) * 3600 + WallSeconds(t.minute) * 60 + t.second;
}

bool isLeadChoice(int minutes) { return std::ranges::find(kLeadChoices, minutes) != std::end(kLeadChoices); }

std::vector<LocalDate> plansToWatch(const LocalDateTime& now, int leadMinutes) {
  if (leadMinutes < 0) return {};
  const LocalDate running = planDateAt(now);
  const LocalDate next = addDays(running, 1);
  if (wallSeconds(now) + WallSeconds(leadMinutes + 1) * 60 >= dayStart(next) + kPlanStart) return {running, next};
  return {running};
}

namespace {

std::uint64_t textPrint(const std::string& keyword, const std::string& content) {
  // 0xff, never a byte of UTF-8 text, keeps "ab"+"c" apart from "a"+"bc".
  return fnv1a(content, fnv1a(std::string_view("\xff", 1), fnv1a(keyword, kFnv1aShortBasis)));
}

}  // namespace

WallSeconds nextPlanChange(const LocalDateTime& now, int leadMinutes) {
  const WallSeconds t = wallSeconds(now);
  const WallSeconds nextSix = dayStart(addDays(planDateAt(now), 1)) + kPlanStart;
  const WallSeconds early = nextSix - WallSeconds(std::max(leadMinutes, 0) + 1) * 60;
  return early > t ? early : nextSix;
}

std::vector<Reminder> remindersOf(const LocalDate& date, const PadRecord (&pads)[kPadSlots], int leadMinutes,
                                  const std::uint32_t* ids) {
  std::vector<Reminder> out;
  if (leadMinutes < 0) return out;
  const WallSeconds base = dayStart(date) + kPlanStart;
  for (int slot = 0; slot < kPadSlots; ++slot) {
    const PadRecord& p = pads[slot];
    if (p.StartHour == -1 || p.Completed != 0) continue;
    const auto start = dialOffset(p.StartHour, p.StartMinute, p.StartPM);
    if (!start) continue;
    Reminder r;
    r.date = date;
    r.slot = slot;
    r.pad = ids ? ids[slot] : 0;
    r.start = base + *start;
    r.due = r.start - WallSeconds(leadMinutes) * 60;
    // A pad lasts at least its first minute, also with an end off the dial
    // or before its start.
    const auto end = dialOffset(p.EndHour, p.EndMinute, p.EndPM);
    r.end = std::max(end ? base + *end : r.start, r.start + 60);
    r.keyword = p.Keyword.text();
    r.content = p.Content.text();
    r.print = {r.start, textPrint(r.keyword, r.content), 0};
    for (const Reminder& o : out)
      if (o.print.start == r.print.start && o.print.text == r.print.text) ++r.print.order;
    out.push_back(std::move(r));
  }
  return out;
}

bool Reminded::has(const Reminder& r) const {
  return (r.pad != 0 && pads.count({r.pad, r.start})) || prints.count(r.print);
}

void Reminded::add(const Reminder& r) {
  if (r.pad != 0) pads.insert({r.pad, r.start});
  prints.insert(r.print);
}

void Reminded::forget(WallSeconds before) {
  std::erase_if(pads, [before](const auto& p) { return p.second < before; });
  std::erase_if(prints, [before](const ReminderPrint& p) { return p.start < before; });
}

std::string remindedText(const std::set<ReminderPrint>& prints) {
  std::string out;
  char line[64];
  for (const ReminderPrint& p : prints) {
    std::snprintf(line, sizeof line, "%lld %016llx %d\n", static_cast<long long>(p.start),
                  static_cast<unsigned long long>(p.text), p.order);
    out += line;
  }
  return out;
}

std::set<ReminderPrint> parseReminded(const std::string& text) {
  std::set<ReminderPrint> out;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    long long start = 0;
    unsigned long long h = 0;
    int order = 0, used = 0;
    if (std::sscanf(line.c_str(), "%lld %16llx %d%n", &start, &h, &order, &used) == 3 &&
        used == int(line.size()) && order >= 0 && order < kPadSlots)
      out.insert({start, h, order});
  }
  return out;
}

ReminderCheck checkReminders(const std::vector<Reminder>& all, WallSeconds last, WallSeconds now,
                             const Reminded& shown) {
  ReminderCheck c;
  for (const Reminder& r : all) {
    if (shown.has(r)) continue;
    if (r.due > now) {
      if (!c.next || r.due < *c.next) c.next = r.due;
      continue;
    }
    const bool notStarted = now < r.start;
    const bool missed = r.due > last && now < r.end;
    if (notStarted || missed) c.show.push_back(r);
  }
  std::ranges::stable_sort(c.show, {}, &Reminder::due);
  return c;
}

std::string reminderSummary(const Reminder& r) { return r.keyword.empty() ? std::string("予定") : r.keyword; }

std::string reminderBody(const Reminder& r) {
  std::string body = clock(r.start) + " \u2013 " + clock(r.end);
  if (!r.content.empty()) body += "  " + r.content;
  return body;
}

std::string groupSummary(std::size_t count) { return "他 " + std::to_string(count) + " 件"; }

std::string groupBody(const std::vector<Reminder>& rs) {
  constexpr std::size_t kNamed = 4;
  std::string body = rs.empty() ? std::string() : clock(rs.front().start) + "  ";
  for (std::size_t i = 0; i < rs.size() && i < kNamed; ++i) {
    if (i) body += "、";
    body += reminderSummary(rs[i]);
  }
  if (rs.size() > kNamed) body += "…";
  return body;
}

}  // namespace plandor
