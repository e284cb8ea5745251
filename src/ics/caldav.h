#pragma once
// Publishing a date range to a CalDAV calendar collection: afterwards the
// collection holds exactly the planner's items of that range, beside
// whatever else it holds, which is never touched.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "icsexport.h"

namespace plandor::ics {

// A calendar object resource of the collection that holds one of this
// program's UIDs, wherever the server now places it in time.
struct RemoteItem {
  std::string href;
  std::string etag;
  std::string uid;
  LocalDate date;      // from the UID
  std::string digest;  // comparableDigest of what it holds; empty when unreadable
};

// Reads a 207 Multi-Status body as it arrives and hands `take` each
// response that holds one of this program's items; the others are dropped
// as they are read, so a large collection costs no memory.
class MultistatusReader {
 public:
  explicit MultistatusReader(std::function<void(RemoteItem&&)> take);
  // A listing without data: each resource's href (collections left out).
  explicit MultistatusReader(std::function<void(std::string&&)> listed);
  ~MultistatusReader();
  MultistatusReader(const MultistatusReader&) = delete;
  MultistatusReader& operator=(const MultistatusReader&) = delete;
  bool feed(const char* data, std::size_t size);  // false once the body is not XML
  bool finish();                                  // the whole body was a multistatus

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// The same over a whole body; nothing when it is not a multistatus.
std::optional<std::vector<RemoteItem>> parseMultistatus(std::string_view xml);

// Whether a publish of `from`..`to` must read the resource at `href`: one
// named as this program names its items is read only for a date of the
// range; any other name may hold one of them (an import) and is read.
bool worthReading(std::string_view href, const LocalDate& from, const LocalDate& to);

// What a PROPFIND of the target says it is.
struct CollectionInfo {
  bool collection = false;
  bool calendar = false;
  bool principal = false;  // a user's home
  std::set<std::string> components;  // empty: the server names none, so all
};
std::optional<CollectionInfo> parseCollectionInfo(std::string_view xml);

// What a publish sends for one item: creations (If-None-Match: *),
// replacements and deletions (If-Match: the ETag the server gave).
struct Step {
  enum class Kind { Create, Update, Delete, None } kind = Kind::None;
  std::string uid;
  std::string href;  // the server's, or the new resource's name in the collection
  std::string etag;
};

// The server's own items of the planner days `from`..`to`, and what makes
// the server hold exactly the planner's: an item the server holds as it
// would be sent is left alone; an own UID of a date of the range that the
// planner no longer has, or a second resource with one UID, is deleted.
class Reconciler {
 public:
  Reconciler(const LocalDate& from, const LocalDate& to) : first_(toSerialDate(from)), last_(toSerialDate(to)) {}
  void add(RemoteItem&& remote);
  Step stepFor(const Item& item);
  std::vector<Step> deletions() const;

 private:
  double first_, last_;
  std::map<std::string, RemoteItem> byUid_;
  std::vector<RemoteItem> extra_;
  std::set<std::string> wanted_;
};

struct Plan {
  std::vector<Step> steps;
  int unchanged = 0;
};
Plan planPublish(const std::vector<Item>& items, std::vector<RemoteItem> remote, const LocalDate& from,
                 const LocalDate& to);

// The name of an item's resource when it is created: its UID, made safe.
std::string resourceName(std::string_view uid);

// The password of `login` at `host` in a .netrc text: only an entry whose
// machine and login both match, or a `default` entry with that login when
// the connection is encrypted.
std::optional<std::string> netrcPassword(std::string_view netrc, std::string_view host, std::string_view login,
                                         bool encrypted);

struct PublishTarget {
  std::string url;  // the calendar collection
  std::optional<std::string> user;
};

// Checks the target, lists the planner's items the server holds, then sends
// the range item by item; reports on stdout (what was done) and stderr (what
// failed). 0 when everything is in step, 1 otherwise.
int publish(const PublishTarget& target, const std::string& folder, const LocalDate& from, const LocalDate& to,
            const Options& options);

}  // namespace plandor::ics
