#pragma once
// Which of a day's pads remind when. Plain rules on the wall clock: the
// wiring asks again whenever the clock ticks or the pads change, and keeps
// the keys of what it has shown.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "calendar.h"
#include "records.h"

namespace plandor {

// Seconds on the local wall clock since 1899-12-30 00:00.
using WallSeconds = std::int64_t;
WallSeconds wallSeconds(const LocalDateTime& t);

// Lead times in minutes; kNoReminders turns reminders off.
constexpr int kNoReminders = -1;
constexpr int kDefaultLead = 5;
constexpr int kLeadChoices[] = {kNoReminders, 0, 5, 10, 15, 30, 60};
bool isLeadChoice(int minutes);

// The day whose plan (06:00 to 05:59 next morning) holds the time `t`.
LocalDate planDateAt(const LocalDateTime& t);
// The plans whose reminders can fall due at `now`: the one running, and the
// next one once its first pads are within the lead time (and a minute).
std::vector<LocalDate> plansToWatch(const LocalDateTime& now, int leadMinutes);

// The same pad at the same time, whatever slot a removal packed it into:
// its start, and its place among the plan's pads starting then.
using ReminderKey = std::pair<WallSeconds, int>;

struct Reminder {
  LocalDate date;  // the plan it belongs to
  int slot = 0;
  int rank = 0;  // among the plan's pads with the same start, in slot order
  WallSeconds due = 0, start = 0, end = 0;
  std::string keyword, content;  // UTF-8
  ReminderKey key() const { return {start, rank}; }
};

// The reminders of one plan's pads: every used pad not marked 完了 whose
// start is a time of the dial.
std::vector<Reminder> remindersOf(const LocalDate& date, const PadRecord (&pads)[kPadSlots], int leadMinutes);

struct ReminderCheck {
  std::vector<Reminder> show;       // in due order
  std::optional<WallSeconds> next;  // the next due time after `now`
};
// What to show at `now`, the previous check having been at `last`: each
// reminder not shown yet that is due and whose pad has not started, or that
// fell due since `last` (the machine slept, the clock jumped) and whose pad
// has not ended. A pad made or moved into its own lead time reminds at
// once; one already running when it became known does not.
ReminderCheck checkReminders(const std::vector<Reminder>& all, WallSeconds last, WallSeconds now,
                             const std::set<ReminderKey>& shown);

// The notification's texts: the keyword ("予定" when there is none) and
// "9:06 – 9:30  駅前" on the real clock.
std::string reminderSummary(const Reminder& r);
std::string reminderBody(const Reminder& r);

}  // namespace plandor
