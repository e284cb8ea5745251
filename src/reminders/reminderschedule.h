#pragma once
// Which of a day's pads remind when. Plain rules on the wall clock: the
// wiring asks again whenever the clock ticks or the pads change, and keeps
// what it has shown.
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "calendar.h"
#include "daysteps.h"
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

// The plans whose reminders can fall due at `now`: the one running, and the
// next one once its first pads are within the lead time (and a minute).
std::vector<LocalDate> plansToWatch(const LocalDateTime& now, int leadMinutes);
// The next time after `now` at which the plans watched change.
WallSeconds nextPlanChange(const LocalDateTime& now, int leadMinutes);

// A reminder as another run or another program can know it from the file
// alone: its start, its texts and its place among the plan's pads with the
// same start and texts.
struct ReminderPrint {
  WallSeconds start = 0;
  std::uint64_t text = 0;
  int order = 0;
  auto operator<=>(const ReminderPrint&) const = default;
};

struct Reminder {
  LocalDate date;  // the plan it belongs to
  int slot = 0;
  // The pad's identity in the open day (DayModel::padId), which survives a
  // removal's packing and edits; 0 for a plan read from its file.
  std::uint32_t pad = 0;
  WallSeconds due = 0, start = 0, end = 0;
  std::string keyword, content;  // UTF-8
  ReminderPrint print;
};

// The reminders of one plan's pads: every used pad not marked 完了 whose
// start is a time of the dial. `ids` gives each slot's identity.
std::vector<Reminder> remindersOf(const LocalDate& date, const PadRecord (&pads)[kPadSlots], int leadMinutes,
                                  const std::uint32_t* ids = nullptr);

// What has been reminded: a pad once per start time it has, known by its
// identity while the day is open, and by its print everywhere else (a day
// read again, the file of a plan not open, the other program).
struct Reminded {
  std::set<std::pair<std::uint32_t, WallSeconds>> pads;
  std::set<ReminderPrint> prints;
  bool has(const Reminder& r) const;
  // Marks it; the print of a pad known by identity follows its edits too.
  void add(const Reminder& r);
  // Forgets what started before `before`.
  void forget(WallSeconds before);
};

// The prints as a small text file ("start text order" a line) and back;
// lines that do not parse are skipped.
std::string remindedText(const std::set<ReminderPrint>& prints);
std::set<ReminderPrint> parseReminded(const std::string& text);

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
                             const Reminded& shown);

// The notification's texts: the keyword ("予定" when there is none) and
// "9:06 – 9:30  駅前" on the real clock.
std::string reminderSummary(const Reminder& r);
std::string reminderBody(const Reminder& r);
// Many starting at once: "他 21 件" and the first keywords.
std::string groupSummary(std::size_t count);
std::string groupBody(const std::vector<Reminder>& rs);
// Shown one by one at most; more with the same start go into one group.
constexpr std::size_t kSeparateAtOnce = 3;

}  // namespace plandor
