#include "reminderduty.h"

#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "dayrecords.h"
#include "notifier.h"

namespace plandor {

// A day file that is not open, read again only when it changed on disk.
struct ReminderDuty::DayFilePads {
  FileStamp stamp;
  bool read = false;  // false: no file, or one that could not be read
  PadRecord pads[kPadSlots];
};

namespace {

// Nothing present when the file cannot be looked at.
FileStamp stampAt(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? stampOf(st) : FileStamp{};
}

// Pads long over are forgotten: the clock is not set back by days.
constexpr WallSeconds kRemember = 2 * 24 * 3600;
// More than this in a few kilobytes is not our file.
constexpr std::size_t kRemindedMax = 64 * 1024;

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

ReminderDuty::ReminderDuty(std::string dataFolder, Hooks hooks, QObject* parent)
    : QObject(parent), dataFolder_(std::move(dataFolder)), hooks_(std::move(hooks)) {
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &ReminderDuty::check);
}

ReminderDuty::~ReminderDuty() = default;

void ReminderDuty::setNotifier(Notifier* notifier) {
  delete notifier_;
  notifier_ = notifier;
  notifier_->setParent(this);
  connect(notifier_, &Notifier::activated, this, &ReminderDuty::activated);
}

std::string ReminderDuty::dayPath(const LocalDate& date) const {
  return plandor::dayPath(dataFolder_, date);
}

int ReminderDuty::interval() const { return timer_->interval(); }
bool ReminderDuty::waiting() const { return timer_->isActive(); }

void ReminderDuty::checkSoon() {
  if (hooks_.arm || (settingsRead_ && settings_.lead != kNoReminders)) timer_->start(0);
}

void ReminderDuty::readSettings() {
  settingsRead_ = true;
  const IoResult r = readReminderSettings(settingsPath(dataFolder_), &settings_);
  if (!r.ok() && hooks_.tell) hooks_.tell(r.message());
}

int ReminderDuty::lead() {
  if (!settingsRead_) readSettings();
  return settings_.lead;
}

void ReminderDuty::setLead(int lead) {
  if (!isLeadChoice(lead)) return;
  settingsRead_ = true;
  settings_.lead = lead;
  const IoResult r = writeReminderSettings(settingsPath(dataFolder_), settings_);
  if (!r.written() && hooks_.tell) hooks_.tell(r.message());
  check();
}

std::vector<Reminder> ReminderDuty::remindersFor(const LocalDate& date, std::vector<std::string>* failures) {
  const std::string path = dayPath(date);
  std::vector<Reminder> out;
  if (hooks_.openDay && hooks_.openDay(path, date, settings_.lead, &out)) return out;
  auto& cached = files_[path];
  if (!cached) cached = std::make_unique<DayFilePads>();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    cached->read = false;
    cached->stamp = {};
    told_.erase(path);
    return {};
  }
  if (!cached->read || !sameFile(stampOf(st), cached->stamp)) {
    // Read only; nothing is ever written here.
    auto file = std::make_unique<DayFile>();
    const IoResult r = readDayFile(path, file.get(), false);
    cached->read = r.ok();
    cached->stamp = stampOf(st);
    if (!r.ok()) {
      if (told_.insert(path).second) failures->push_back(r.message());
      return {};
    }
    told_.erase(path);
    std::memcpy(cached->pads, file->Pads, sizeof cached->pads);
  }
  return remindersOf(date, cached->pads, settings_.lead);
}

void ReminderDuty::readReminded() {
  const std::string path = dataFolder_ + "/" + kRemindedFile;
  const FileStamp now = stampAt(path);
  if (sameFile(now, remindedStamp_)) return;
  remindedStamp_ = now;
  if (!now.present) return;
  std::string text(kRemindedMax, '\0');
  std::size_t got = 0;
  if (!readFileStart(path, text.data(), text.size(), &got, false).ok()) return;
  text.resize(got);
  // What the other program reminded counts here too.
  const std::set<ReminderPrint> other = parseReminded(text);
  reminded_.prints.insert(other.begin(), other.end());
  written_ = other;
}

void ReminderDuty::writeReminded() {
  if (reminded_.prints == written_) return;
  const std::string path = dataFolder_ + "/" + kRemindedFile;
  const std::string text = remindedText(reminded_.prints);
  // Not the user's data: a failure leaves this run's memory to do.
  if (!writeOwnFile(path, text.data(), text.size()).written()) return;
  written_ = reminded_.prints;
  remindedStamp_ = stampAt(path);
}

const Reminder* ReminderDuty::find(const Reminder& shown, const std::vector<Reminder>& now) {
  for (const Reminder& r : now)
    if (r.date == shown.date && shown.pad != 0 && r.pad == shown.pad) return r.start == shown.start ? &r : nullptr;
  for (const Reminder& r : now)
    if (r.date == shown.date && r.print == shown.print) return &r;
  return nullptr;
}

const ReminderDuty::Target* ReminderDuty::target(int id) const {
  const auto it = targets_.find(id);
  return it == targets_.end() ? nullptr : &it->second;
}

void ReminderDuty::follow(const std::vector<Reminder>& all, const std::vector<LocalDate>& plans) {
  for (auto it = notes_.begin(); it != notes_.end();) {
    Note& n = it->second;
    // A plan no longer watched: its notes stay as they are.
    if (std::ranges::find(plans, n.date) == plans.end()) {
      it = notes_.erase(it);
      continue;
    }
    std::vector<Reminder> members;
    std::vector<int> rows;
    bool changed = false;
    for (std::size_t i = 0; i < n.members.size(); ++i) {
      const Reminder* now = find(n.members[i], all);
      if (!now) {
        changed = true;
        continue;
      }
      if (now->keyword != n.members[i].keyword || now->content != n.members[i].content || now->end != n.members[i].end)
        changed = true;
      members.push_back(*now);
      rows.push_back(n.rows[i]);
      targets_[n.rows[i]].reminder = *now;
    }
    if (!changed) {
      n.members = std::move(members);
      ++it;
      continue;
    }
    if (!notifier_) {
      it = notes_.erase(it);
      continue;
    }
    if (members.empty()) {
      notifier_->withdraw(it->first);
      it = notes_.erase(it);
      continue;
    }
    // Moved, removed or marked 完了: what is left is shown in its place.
    n.members = std::move(members);
    n.rows = std::move(rows);
    ReminderNote note;
    note.id = it->first;
    const bool group = n.members.size() > 1 || it->first != n.rows.front();
    note.summary = q(group ? groupSummary(n.members.size()) : reminderSummary(n.members.front()));
    note.body = q(group ? groupBody(n.members) : reminderBody(n.members.front()));
    for (std::size_t i = 0; i < n.members.size(); ++i)
      note.rows.append({n.rows[i], q(reminderSummary(n.members[i])), q(reminderBody(n.members[i]))});
    notifier_->notify(note);
    ++it;
  }
}

void ReminderDuty::show(const std::vector<Reminder>& due) {
  if (!notifier_) {
    if (makeNotifier) setNotifier(makeNotifier());
    if (!notifier_) return;
  }
  // By start, in due order: at most kSeparateAtOnce each on its own, the
  // rest of that start in one note.
  std::vector<Reminder> rest = due;
  while (!rest.empty()) {
    std::vector<Reminder> same;
    std::erase_if(rest, [&](const Reminder& r) {
      if (r.start != rest.front().start || r.date != rest.front().date) return false;
      same.push_back(r);
      return true;
    });
    for (std::size_t i = 0; i < same.size(); ++i) {
      const bool grouped = i >= kSeparateAtOnce;
      const std::size_t count = grouped ? same.size() - i : 1;
      Note n;
      n.date = same[i].date;
      ReminderNote note;
      for (std::size_t k = i; k < i + count; ++k) {
        const int row = ++nextId_;
        targets_[row] = {dayPath(same[k].date), same[k].date, same[k]};
        n.members.push_back(same[k]);
        n.rows.push_back(row);
        note.rows.append({row, q(reminderSummary(same[k])), q(reminderBody(same[k]))});
      }
      // A group's action opens its first pad; the note has an id of its own.
      note.id = grouped ? ++nextId_ : n.rows.front();
      if (grouped) targets_[note.id] = targets_[n.rows.front()];
      note.summary = q(grouped ? groupSummary(count) : reminderSummary(same[i]));
      note.body = q(grouped ? groupBody(n.members) : reminderBody(same[i]));
      notes_[note.id] = std::move(n);
      notifier_->notify(note);
      if (grouped) break;
    }
  }
}

void ReminderDuty::check() {
  if (checking_) return;
  checking_ = true;
  if (!settingsRead_) readSettings();
  timer_->stop();
  const LocalDateTime nowTime = hooks_.now();
  const WallSeconds now = wallSeconds(nowTime);
  if (!last_) last_ = now;
  std::vector<Reminder> all;
  std::vector<std::string> failures;
  const std::vector<LocalDate> plans = plansToWatch(nowTime, settings_.lead);
  for (const LocalDate& d : plans) {
    std::vector<Reminder> some = remindersFor(d, &failures);
    all.insert(all.end(), some.begin(), some.end());
  }
  // Only the watched plans' files stay cached.
  std::erase_if(files_, [&](const auto& f) {
    return std::ranges::none_of(plans, [&](const LocalDate& d) { return dayPath(d) == f.first; });
  });
  readReminded();
  // A pad known by identity keeps its print up to date through its edits.
  for (const Reminder& r : all)
    if (reminded_.has(r)) reminded_.add(r);
  follow(all, plans);
  const bool onDuty = !hooks_.onDuty || hooks_.onDuty();
  // Back on duty: what fell due meanwhile was the planner's to remind.
  if (onDuty && !onDuty_) last_ = now;
  onDuty_ = onDuty;
  if (onDuty) {
    const ReminderCheck c = checkReminders(all, *last_, now, reminded_);
    for (const Reminder& r : c.show) reminded_.add(r);
    reminded_.forget(now - kRemember);
    std::erase_if(targets_, [now](const auto& t) { return t.second.reminder.start < now - kRemember; });
    // Written before the notes go out: the other program, starting now,
    // finds them reminded.
    writeReminded();
    show(c.show);
    last_ = now;
    if (settings_.lead != kNoReminders && hooks_.arm) {
      WallSeconds at = nextPlanChange(nowTime, settings_.lead);
      if (c.next) at = std::min(at, *c.next);
      hooks_.arm(std::max<qint64>((at - now) * 1000, 1000));
    } else if (settings_.lead != kNoReminders) {
      qint64 ms = kWakeLimitMs;
      if (c.next) ms = std::clamp<qint64>((*c.next - now) * 1000, 1000, kWakeLimitMs);
      timer_->start(int(ms));
    } else {
      if (hooks_.arm) hooks_.arm(-1);
      // Nothing fell due while reminders were off: turned on again, they
      // start afresh.
      last_.reset();
    }
  } else {
    // Off duty: the planner reminds, and keeps the file.
    last_ = now;
    if (hooks_.arm) hooks_.arm(-1);
  }
  checking_ = false;
  for (const std::string& f : failures)
    if (hooks_.tell) hooks_.tell(f);
}

}  // namespace plandor
