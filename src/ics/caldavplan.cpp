// The publish plan: which resources of the collection are worth reading,
// and what makes the server hold exactly the planner's items.
#include "caldav.h"

namespace plandor::ics {

bool worthReading(std::string_view href, const LocalDate& from, const LocalDate& to) {
  const std::string_view name = href.substr(href.find_last_of('/') + 1);
  constexpr std::string_view ownEnd = "-plandor.ics";
  if (name.size() <= ownEnd.size() || name.substr(name.size() - ownEnd.size()) != ownEnd) return true;
  const std::string uid = std::string(name.substr(0, name.size() - ownEnd.size())) + std::string(kUidSuffix);
  const auto date = ownUidDate(uid);
  if (!date) return true;
  return toSerialDate(*date) >= toSerialDate(from) && toSerialDate(*date) <= toSerialDate(to);
}

std::string resourceName(std::string_view uid) {
  std::string name;
  for (char c : uid) {
    const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                      c == '_' || c == '.';
    name += safe ? c : '-';
  }
  return name + ".ics";
}

void Reconciler::add(RemoteItem&& remote) {
  const double d = toSerialDate(remote.date);
  if (d < first_ || d > last_) return;  // outside the range: left as last published
  const auto [it, fresh] = byUid_.try_emplace(remote.uid);
  if (fresh) it->second = std::move(remote);
  else extra_.push_back(std::move(remote));  // a copy under another name (an import)
}

Step Reconciler::stepFor(const Item& item) {
  wanted_.insert(item.uid);
  const auto it = byUid_.find(item.uid);
  if (it == byUid_.end()) return {Step::Kind::Create, item.uid, resourceName(item.uid), ""};
  const RemoteItem& r = it->second;
  if (!r.digest.empty() && r.digest == comparableDigest(item.component.get())) return {Step::Kind::None, item.uid, r.href, r.etag};
  // The same UID is the same event: it is replaced where it is, however it
  // was moved or changed there.
  return {Step::Kind::Update, item.uid, r.href, r.etag};
}

std::vector<Step> Reconciler::deletions() const {
  std::vector<Step> out;
  for (const auto& [uid, r] : byUid_)
    if (!wanted_.count(uid)) out.push_back({Step::Kind::Delete, uid, r.href, r.etag});
  for (const RemoteItem& r : extra_) out.push_back({Step::Kind::Delete, r.uid, r.href, r.etag});
  return out;
}

Plan planPublish(const std::vector<Item>& items, std::vector<RemoteItem> remote, const LocalDate& from,
                 const LocalDate& to) {
  Reconciler reconciler(from, to);
  for (RemoteItem& r : remote) reconciler.add(std::move(r));
  Plan plan;
  for (const Item& item : items) {
    Step s = reconciler.stepFor(item);
    if (s.kind == Step::Kind::None) ++plan.unchanged;
    else plan.steps.push_back(std::move(s));
  }
  for (Step& s : reconciler.deletions()) plan.steps.push_back(std::move(s));
  return plan;
}

}  // namespace plandor::ics
