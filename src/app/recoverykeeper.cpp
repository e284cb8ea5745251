#include "recoverykeeper.h"

#include <QScopedValueRollback>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "padrules.h"
#include "platform.h"

namespace plandor {

RecoveryKeeper::RecoveryKeeper(DayModel& day, Platform& platform, const std::string& dataFolder, Window window,
                               QObject* parent)
    : QObject(parent), day_(day), platform_(platform), folder_(dataFolder), window_(std::move(window)) {
  changeTimer_ = new QTimer(this);
  changeTimer_->setSingleShot(true);
  changeTimer_->setInterval(0);
  connect(changeTimer_, &QTimer::timeout, this, &RecoveryKeeper::keep);
  typingTimer_ = new QTimer(this);
  typingTimer_->setSingleShot(true);
  typingTimer_->setInterval(1000);
  connect(typingTimer_, &QTimer::timeout, this, &RecoveryKeeper::keep);
}

void RecoveryKeeper::dayChanged(DayModel::Change change) {
  if (change == DayModel::Change::Opened) {
    // The day before is gone, saved or answered 保存しない: so is its file;
    // nothing of the new one to keep yet.
    removeOwn();
    protected_ = true;
  } else if (change == DayModel::Change::Pending) {
    typingTimer_->start();
  } else {
    changeTimer_->start();
  }
}

void RecoveryKeeper::typed() { typingTimer_->start(); }

std::optional<LocalDate> RecoveryKeeper::folderDay() const {
  const std::optional<LocalDate> d = day_.date();
  if (!d || day_.path() != dayPath(folder_, *d)) return std::nullopt;
  return d;
}

Recovery RecoveryKeeper::record() const {
  Recovery r;
  if (const std::optional<LocalDate> d = folderDay()) r.dayName = recoveryDayName(*d);
  r.written = platform_.now();
  r.began = day_.stamp();
  r.image = day_.image();
  const PadTable& t = day_.table();
  std::memcpy(r.image.Bars, t.Bars, sizeof t.Bars);
  std::memcpy(r.image.Pads, t.Pads, sizeof t.Pads);
  r.image.Diary = t.Diary;
  window_.addTyped(r);
  return r;
}

void RecoveryKeeper::keep() {
  changeTimer_->stop();
  typingTimer_->stop();
  if (!offered_) return;
  if (mayRemoveRecovery(day_.modified(), true)) {
    removeOwn();
    setProtected(true);
    return;
  }
  const std::string target = recoveryFileFor(folder_, folderDay(), kept_);
  if (target.empty()) {
    setProtected(false);
    return;
  }
  const IoResult w = writeRecovery(target, record());
  if (!w.written()) {
    setProtected(false);
    // Told once; the title says it for as long as it lasts.
    if (!failureTold_) {
      failureTold_ = true;
      window_.report(w);
    }
    return;
  }
  if (!own_.empty() && own_ != target) removeRecovery(own_);
  own_ = target;
  setProtected(true);
}

void RecoveryKeeper::sessionEnding() {
  sessionEnding_ = true;
  keep();
}

void RecoveryKeeper::keepWorkNow() {
  // No box and no title now: the display may be gone.
  sessionEnding_ = true;
  failureTold_ = true;
  keep();
}

void RecoveryKeeper::setProtected(bool on) {
  if (protected_ == on || sessionEnding_) return;
  protected_ = on;
  window_.showProtection();
}

void RecoveryKeeper::removeOwn() {
  if (!own_.empty() && removeRecovery(own_).ok()) own_.clear();
}

void RecoveryKeeper::offer(bool atStartUp) {
  if (atStartUp && offered_) return;
  struct Found {
    std::string file;
    IoResult read;
    std::optional<Recovery> rec;
    std::optional<LocalDate> day;
  };
  std::vector<Found> found;
  for (const std::string& file : recoveryFiles(folder_)) {
    if (kept_.count(file) || file == own_) continue;
    Found f{file, {}, {}, {}};
    f.read = readRecovery(file, &f.rec);
    if (f.rec) f.day = recoveryDay(folder_, f.rec->dayName);
    found.push_back(std::move(f));
  }
  // The open day's own work first: another day's opens only over nothing unsaved.
  const std::optional<LocalDate> open = folderDay();
  std::stable_partition(found.begin(), found.end(), [&](const Found& f) { return open && f.day == open; });
  for (const Found& f : found) {
    OfferCase c;
    c.present = !f.read.ok() || f.rec.has_value();
    c.readable = f.read.ok();
    c.day = f.day;
    c.atStartUp = atStartUp;
    c.openDay = folderDay();
    c.openModified = day_.modified();
    if (f.rec) {
      const PadTable table = recoveredTable(*f.rec);
      c.sameAsOpen = f.rec->typed.empty() && std::memcmp(&table, &day_.table(), sizeof table) == 0;
    }
    switch (decideOffer(c)) {
      case Offer::Nothing:
      case Offer::Later:
        break;
      case Offer::Report:
        kept_.insert(f.file);
        if (!f.read.ok())
          window_.report(f.read);
        else
          platform_.errorBox("ファイル \"" + f.file + "\" の変更は, このデータフォルダの日のものではないため復元しません." +
                             "\r\n\r\nファイルはそのまま残します.");
        break;
      case Offer::Drop:
        removeRecovery(f.file);
        break;
      case Offer::Ask: {
        const DayFileNow now = dayFileNow(dayPath(folder_, *f.day), f.rec->began);
        const std::string text = offerText(*f.day, f.rec->written, now == DayFileNow::Changed);
        if (platform_.ask(text, {"復元する(&R)", "破棄する(&D)"}, 0, 0) != 0)
          removeRecovery(f.file);
        else
          restore(f.file, *f.rec, *f.day, now);
        break;
      }
    }
  }
  offered_ = true;
  keep();
}

void RecoveryKeeper::restore(const std::string& file, const Recovery& rec, const LocalDate& date, DayFileNow now) {
  if (folderDay() != date) window_.showDate(dayPath(folder_, date));
  const PadTable table = recoveredTable(rec);
  // Pads never stored come back as the frames they were, with what was typed.
  std::array<FreshPad, kPadSlots> fresh{};
  for (const TypedPad& t : rec.typed) {
    if (!t.fresh) continue;
    auto hour = [](const std::string& text) {
      const std::optional<int> h = parseHour(text);
      return h ? dialHour(*h).value_or(8) : 8;
    };
    fresh[t.slot] = {true, hour(t.startHour), t.startMinute, t.startPM, hour(t.endHour), t.endMinute, t.endPM,
                     t.left, t.top};
  }
  // Another program's file since: 保存 asks before it writes over it.
  day_.restore(table, restoreYields(now) == Restored::AsksAtSave ? &rec.began : nullptr, fresh);
  window_.showRestored(rec);
  // The work lives in the day now, and in the day's own file from here on;
  // the file it came from goes once that holds it.
  const QScopedValueRollback<bool> writing(offered_, true);
  keep();
  if (own_ != file && !own_.empty()) removeRecovery(file);
}

}  // namespace plandor
