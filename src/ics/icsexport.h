#pragma once
// The rules that turn a program folder's days and routines into iCalendar
// components, shared by the file export and by publishing. A date range is
// exported whole: every item carries the planner day it belongs to, so a
// consumer can replace exactly that range.
#include <libical/ical.h>

#include <functional>
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

// Every item's UID is "<YYYYMMDD>-<slot>@plandor": the planner day it
// belongs to and its pad slot, routine or diary. That UID alone marks what
// this program published; nothing else is ever replaced or deleted.
constexpr std::string_view kUidSuffix = "@plandor";
// The planner day (YYYYMMDD) an item belongs to, for readers of the file; a
// pad after midnight starts on the next calendar date but belongs to the day
// before.
constexpr const char* kDateProperty = "X-PLANDOR-DATE";

// One pad, one routine on one date, or one diary.
struct Item {
  std::string uid;
  LocalDate date;
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

// Start and end rows of a pad's times, read as the planner reads a pad's
// hours (a stored 12 included); an end at the first row (6:00 AM) or the
// last (5:60 AM) is the row that ends the day. Nothing when a time is unset
// or off the day.
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

// Hands `take` the items of `from`..`to`, one date at a time, in date order,
// reading the day files (and the routine file) of `folder` without writing
// anything there; what cannot be exported goes to `warn`, each text once.
// Stops at a file that is there but cannot be read and returns its message
// (empty when the whole range was read), or when `take` returns false.
// Without `take`, only reads the files: a check before output that cannot
// be taken back.
std::string forEachItem(const std::string& folder, const LocalDate& from, const LocalDate& to,
                        const Options& options, const std::function<void(const std::string&)>& warn,
                        const std::function<bool(std::vector<Item>&)>& take);

// A calendar streamed: the header, each item's text, the end. An item's text
// is made once, with `stamp` as its DTSTAMP, folded.
std::string calendarHeader();
std::string itemText(Item& item, const icaltimetype& stamp);
constexpr std::string_view kCalendarEnd = "END:VCALENDAR\r\n";

// The items as one calendar, or one item as a calendar object resource.
std::string calendarFile(std::vector<Item>& items, const icaltimetype& stamp);
std::string resourceFile(Item& item, const icaltimetype& stamp);

// The planner day of one of this program's UIDs; nothing for any other.
std::optional<LocalDate> ownUidDate(std::string_view uid);

// What an item is, compared with a server's copy of it: the components of a
// calendar (or the one given) with their properties in a fixed order,
// unfolded, without trailing blanks (a reader drops them), without DTSTAMP
// and what servers add (SEQUENCE, CREATED, LAST-MODIFIED), digested. Equal
// exactly when the calendar shows and keeps the same event.
std::string comparableDigest(icalcomponent* calendarOrItem);

// The output would replace one of the data folder's files (days, routines,
// lists, recovery, settings, the staging day, temporaries), or take a name
// like theirs, in any letter case: in the folder or one of its month folders
// ("Y" + six digits), reached by any path, link or "..", or another name of
// such a file (a hard link).
bool replacesDataFile(const std::string& output, const std::string& folder);

}  // namespace plandor::ics
