#pragma once
// The rules that turn a program folder's days and routines into iCalendar
// components, shared by the file export and by publishing. A date range is
// exported whole: every item carries the planner day it belongs to, so a
// consumer can replace exactly that range.
#include <libical/ical.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calendar.h"
#include "records.h"
#include "routinefile.h"

namespace plandor::ics {

struct ComponentFree {
  void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// Every item's UID ends so; with X-PLANDOR-DATE it marks what this program
// published, and nothing else is ever replaced or deleted.
constexpr std::string_view kUidSuffix = "@plandor";
// The planner day (YYYYMMDD) an item belongs to; a pad after midnight
// starts on the next calendar date but belongs to the day before.
constexpr const char* kDateProperty = "X-PLANDOR-DATE";
// A digest of the item without its time stamp: an unchanged item is not sent.
constexpr const char* kHashProperty = "X-PLANDOR-HASH";

// One pad, one routine on one date, or one diary.
struct Item {
  std::string uid;
  LocalDate date;
  std::string hash;
  Component component;  // a VEVENT or VJOURNAL without DTSTAMP
};

struct Options {
  bool routines = false;     // routines on the dates of the range without a day file
  bool diaryEvents = false;  // diaries as all-day events, for calendars without journals
};

// An error box's text on one line.
std::string messageLine(std::string text);

// "20260105"
std::string dateStem(const LocalDate& d);
std::optional<LocalDate> parseDateStem(std::string_view s);
LocalDate nextDate(const LocalDate& d);

// Stored text (decoded) as the user saw it, fit for a TEXT value: CR LF and
// CR become LF, other control bytes are dropped (a damaged file can hold
// any), and the single byte 0x5C, which the planner shows as ¥ and CP932
// gives for ¥, becomes U+00A5 (the decoder reads it as a backslash).
std::string plainText(std::string_view utf8);

// Folds content lines at 75 octets, never inside a UTF-8 character, after
// undoing libical's own folding (which can put a fold between CR and LF).
std::string foldLines(std::string_view ical);

// The date-time of a timeline row of `day`: rows from 00:00 on fall on the
// next calendar date. Floating local time, as the planner has no zone.
icaltimetype rowTime(const LocalDate& day, int row);

// Start and end rows of a pad's times; nothing when a time is unset or off
// the dial.
struct Span {
  int start;
  int end;
};
std::optional<Span> padSpan(const PadRecord& p);

// The pads and the diary of a day file. What cannot be exported is named in
// `warnings` ("<name>: パッド 5 は…").
void addDayItems(std::vector<Item>& items, const LocalDate& date, const DayFile& day, const Options& options,
                 const std::string& name, std::vector<std::string>& warnings);

// The events ルーチン表示 would lay on `date`, each with a UID of its date
// and routine slot.
void addRoutineItems(std::vector<Item>& items, const LocalDate& date, const RoutineSet& routines,
                     const std::string& name, std::vector<std::string>& warnings);

struct Collected {
  std::vector<Item> items;
  std::vector<std::string> warnings;
  std::string error;  // a file that is there but could not be read: nothing is exported
  bool ok() const { return error.empty(); }
};

// Reads the day files of `from`..`to` (and the routine file) from `folder`
// without writing anything there.
Collected collect(const std::string& folder, const LocalDate& from, const LocalDate& to, const Options& options);

// The items as one calendar, or one item as a calendar object resource.
std::string calendarFile(const std::vector<Item>& items, const icaltimetype& stamp);
std::string resourceFile(const Item& item, const icaltimetype& stamp);

// The planner marks of a stored component: its UID and date when both are
// this program's, else nothing.
struct Mark {
  std::string uid;
  LocalDate date;
  std::string hash;
};
std::optional<Mark> plannerMark(icalcomponent* calendarOrItem);

// The output would replace one of the data folder's files, or take a name
// like theirs: in the folder or one of its month folders ("Y" + six digits),
// reached by any path or link.
bool replacesDataFile(const std::string& output, const std::string& folder);

}  // namespace plandor::ics
