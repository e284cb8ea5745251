#pragma once
// Routine work not yet in Routines.rdf kept in its recovery file: every
// second while the routine window is open, at once after a provisional
// entry, a close of that window or the end of the session; offered back at
// start-up as the working set, which 終了 and ルーチン設定 then ask about.
#include <QObject>
#include <functional>
#include <string>

#include "routinerecovery.h"

class QTimer;

namespace plandor {

class Platform;

class RoutineKeeper final : public QObject {
 public:
  // `addTyped` puts the routine pads' typed edits into a copy of the
  // working set, as their 一時保存 would.
  RoutineKeeper(RoutineStore& routines, Platform& platform, const std::string& dataFolder,
                std::function<void(RoutineSet&)> addTyped, QObject* parent);
  Q_DISABLE_COPY(RoutineKeeper)

  // The work into the file, or the file gone when there is none.
  void keep();
  // The routine window opened (true) or closed.
  void watch(bool open);
  // The last keep before the program ends (a signal, the session's end):
  // no box for a failure, and nothing after it changes the file, though the
  // routine window and its typing go.
  void keepAtEnd();
  // At start-up, after the day's offer: the recorded work offered back.
  // True when it is the working set now.
  bool offer();

 private:
  RoutineStore& routines_;
  Platform& platform_;
  std::string path_;
  std::function<void(RoutineSet&)> addTyped_;
  QTimer* timer_ = nullptr;
  RoutineRecovery last_{};  // what the file holds, while `present_`
  bool present_ = false;
  bool offered_ = false;    // until then the file is the last run's
  bool ending_ = false;
  bool failureTold_ = false;
};

}  // namespace plandor
