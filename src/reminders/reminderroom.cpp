#include "reminderroom.h"

#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "daystore.h"
#include "dlgreminder.h"
#include "notifier.h"

namespace plandor {

// A day file that is not open, read again only when it changed on disk.
struct ReminderRoom::DayFilePads {
  struct stat stamp {};
  bool read = false;  // false: no file, or one that could not be read
  PadRecord pads[kPadSlots];
};

namespace {

bool sameStamp(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

ReminderRoom::ReminderRoom(DayModel& day, Platform& platform, std::string dataFolder, Hooks hooks, QObject* parent)
    : QObject(parent), day_(day), platform_(platform), dataFolder_(std::move(dataFolder)), hooks_(std::move(hooks)) {
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &ReminderRoom::check);
  // Once the window is up: start-up pays nothing for reminders.
  timer_->start(kFirstCheckMs);
  listener_ = day_.listen([this](DayModel::Change c, int) {
    // A pad made, moved or removed re-arms or cancels at once.
    if (c == DayModel::Change::Pending || c == DayModel::Change::Diary || c == DayModel::Change::Memo) return;
    if (settingsRead_ && settings_.lead != kNoReminders) timer_->start(0);
  });
}

ReminderRoom::~ReminderRoom() { day_.unlisten(listener_); }

void ReminderRoom::setNotifier(Notifier* notifier) {
  delete notifier_;
  notifier_ = notifier;
  notifier_->setParent(this);
  connect(notifier_, &Notifier::activated, this, &ReminderRoom::open);
}

std::string ReminderRoom::dayPath(const LocalDate& date) const {
  return dataFolder_ + "/" + monthFolderName(date) + "/" + dayFileName(date);
}

int ReminderRoom::interval() const { return timer_->interval(); }
bool ReminderRoom::waiting() const { return timer_->isActive(); }

void ReminderRoom::readSettings() {
  settingsRead_ = true;
  // What a save cut short left; only this copy saves here, and not now.
  removeStaleTemporaries(dataFolder_, {kSettingsFile});
  const IoResult r = readReminderSettings(settingsPath(dataFolder_), &settings_);
  if (!r.ok()) platform_.errorBox(settingsReadProblem(r));
}

int ReminderRoom::lead() {
  if (!settingsRead_) readSettings();
  return settings_.lead;
}

void ReminderRoom::setLead(int lead) {
  if (!isLeadChoice(lead)) return;
  settingsRead_ = true;
  settings_.lead = lead;
  const IoResult r = writeReminderSettings(settingsPath(dataFolder_), settings_);
  if (!r.written()) platform_.errorBox(r.message());
  check();
}

void ReminderRoom::OptionReminder1Execute(QWidget* parent) {
  TdlgReminder dialog(lead(), parent);
  if (dialog.exec() == QDialog::Accepted && dialog.lead() != settings_.lead) setLead(dialog.lead());
}

std::vector<Reminder> ReminderRoom::remindersFor(const LocalDate& date, std::vector<std::string>* failures) {
  const std::string path = dayPath(date);
  // The open day is what the user sees and has stored, saved or not.
  if (path == day_.path()) return remindersOf(date, day_.table().Pads, settings_.lead);
  auto& cached = files_[path];
  if (!cached) cached = std::make_unique<DayFilePads>();
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    cached->read = false;
    cached->stamp = {};
    told_.erase(path);
    return {};
  }
  if (!cached->read || !sameStamp(st, cached->stamp)) {
    // Read only; nothing is ever written here.
    auto file = std::make_unique<DayFile>();
    const IoResult r = readDayFile(path, file.get(), false);
    cached->read = r.ok();
    cached->stamp = st;
    if (!r.ok()) {
      if (told_.insert(path).second) failures->push_back(r.message());
      return {};
    }
    told_.erase(path);
    std::memcpy(cached->pads, file->Pads, sizeof cached->pads);
  }
  return remindersOf(date, cached->pads, settings_.lead);
}

void ReminderRoom::check() {
  if (checking_) return;
  checking_ = true;
  if (!settingsRead_) readSettings();
  timer_->stop();
  const LocalDateTime nowTime = platform_.now();
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
  const ReminderCheck c = checkReminders(all, *last_, now, shown_);
  last_ = now;
  // Keys of pads long over can go: the clock is not set back by days.
  std::erase_if(shown_, [now](const ReminderKey& k) { return k.first < now - 2 * 24 * 3600; });
  for (const Reminder& r : c.show) {
    shown_.insert(r.key());
    if (!notifier_) setNotifier(new DesktopNotifier);
    const int id = ++nextNote_;
    notes_[id] = {dayPath(r.date), r.date, r.key()};
    notifier_->notify({id, QString::fromStdString(reminderSummary(r)), QString::fromStdString(reminderBody(r))});
  }
  if (settings_.lead != kNoReminders) {
    qint64 ms = kWakeLimitMs;
    if (c.next) ms = std::clamp<qint64>((*c.next - now) * 1000, 1000, kWakeLimitMs);
    timer_->start(int(ms));
  } else {
    // Nothing fell due while reminders were off: turned on again, they
    // start afresh.
    last_.reset();
  }
  checking_ = false;
  // After the timer is set: a box waits for the user.
  for (const std::string& f : failures) platform_.errorBox(f);
}

void ReminderRoom::open(int id) {
  const auto it = notes_.find(id);
  if (it == notes_.end()) return;
  const Note note = it->second;
  if (!hooks_.bringDay || !hooks_.bringDay(note.path) || day_.path() != note.path) return;
  // The pad where it is now: a removal may have packed it into another slot.
  for (const Reminder& r : remindersOf(note.date, day_.table().Pads, 0))
    if (r.key() == note.key) {
      if (hooks_.focusPad) hooks_.focusPad(r.slot);
      return;
    }
}

}  // namespace plandor
