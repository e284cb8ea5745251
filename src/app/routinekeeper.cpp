#include "routinekeeper.h"

#include <QTimer>
#include <cstring>

#include "platform.h"
#include "recovery.h"
#include "recoverypolicy.h"

namespace plandor {

RoutineKeeper::RoutineKeeper(RoutineStore& routines, Platform& platform, const std::string& dataFolder,
                             std::function<void(RoutineSet&)> addTyped, QObject* parent)
    : QObject(parent),
      routines_(routines),
      platform_(platform),
      path_(routineRecoveryPath(dataFolder)),
      addTyped_(std::move(addTyped)) {
  timer_ = new QTimer(this);
  timer_->setInterval(1000);
  connect(timer_, &QTimer::timeout, this, &RoutineKeeper::keep);
}

void RoutineKeeper::watch(bool open) {
  if (open) timer_->start();
  else timer_->stop();
  keep();
}

void RoutineKeeper::keepAtEnd() {
  if (ending_) return;
  failureTold_ = true;  // no box: the display may be gone
  keep();
  ending_ = true;
}

void RoutineKeeper::keep() {
  if (!offered_ || ending_) return;
  RoutineRecovery rec{};
  std::memcpy(rec.table, routines_.RoutineTable, sizeof rec.table);
  addTyped_(rec.table);
  if (std::memcmp(rec.table, routines_.RoutineImage, sizeof rec.table) == 0) {
    if (present_ && removeRecovery(path_).ok()) present_ = false;
    return;
  }
  if (present_ && std::memcmp(rec.table, last_.table, sizeof rec.table) == 0) return;
  rec.written = platform_.now();
  const IoResult r = writeRoutineRecovery(path_, rec);
  if (r.ok()) {
    last_ = rec;
    present_ = true;
  } else if (!failureTold_) {
    failureTold_ = true;  // once: the timer would repeat it every second
    platform_.errorBox(r.message() + "\r\n\r\n保存されていないルーチンの変更は, 保存するまで記録されません.");
  }
}

bool RoutineKeeper::offer() {
  offered_ = true;
  std::optional<RoutineRecovery> rec;
  const IoResult r = readRoutineRecovery(path_, &rec);
  if (!r.ok()) {
    // Told; replaced by the next routine work kept.
    platform_.errorBox(r.message());
    return false;
  }
  if (!rec) return false;
  if (std::memcmp(rec->table, routines_.RoutineImage, sizeof rec->table) == 0) {
    removeRecovery(path_);  // saved after all
    return false;
  }
  const std::string text = "ルーチンの保存されていない変更が残っています " + recordedAt(rec->written) + "。復元しますか?";
  if (platform_.ask(text, {"復元する(&R)", "破棄する(&D)"}, 0, 0) != 0) {
    removeRecovery(path_);
    return false;
  }
  std::memcpy(routines_.RoutineTable, rec->table, sizeof rec->table);
  last_ = *rec;
  present_ = true;  // the file keeps it until it is saved or dropped
  return true;
}

}  // namespace plandor
