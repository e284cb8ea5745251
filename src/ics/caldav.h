#pragma once
// Publishing a date range to a CalDAV calendar collection: afterwards the
// collection holds exactly the planner's items of that range, beside
// whatever else it holds, which is never touched.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "icsexport.h"

namespace plandor::ics {

// A calendar object resource as a calendar-query REPORT lists it.
struct RemoteItem {
  std::string href;
  std::string etag;
  std::string uid;           // of its first event or journal, if any
  std::optional<Mark> mark;  // only what this program published
  Component item;            // that event or journal
};

// The resources of a 207 Multi-Status body; nothing when it is not one.
std::optional<std::vector<RemoteItem>> parseMultistatus(std::string_view xml);

// What a publish sends: creations (If-None-Match: *), replacements and
// deletions (If-Match: the ETag the server gave).
struct Step {
  enum class Kind { Create, Update, Delete } kind;
  std::string uid;
  std::string href;   // the server's, or the new resource's name in the collection
  std::string etag;
  const Item* item = nullptr;  // what is sent; none for a deletion
};
struct Plan {
  std::vector<Step> steps;
  int unchanged = 0;
};

// The steps that make `remote` hold `items` for the planner days
// `from`..`to`. An item the server holds with the same digest is left alone;
// a deletion needs this program's mark on a date of the range.
Plan planPublish(const std::vector<Item>& items, const std::vector<RemoteItem>& remote, const LocalDate& from,
                 const LocalDate& to);

// The name of an item's resource when it is created: its UID, made safe.
std::string resourceName(std::string_view uid);

struct PublishTarget {
  std::string url;  // the calendar collection
  std::optional<std::string> user;
};

// Lists what the server holds near the range, then runs the plan; reports
// on stdout (what was done) and stderr (what failed). 0 when everything is
// in step, 1 otherwise.
int publish(const PublishTarget& target, const std::vector<Item>& items, const LocalDate& from,
            const LocalDate& to);

}  // namespace plandor::ics
