#pragma once
// The open day's work kept in its recovery file soon after each change and a
// second after typing stops, offered back when a day opens, and removed once
// nothing unsaved remains. What to do is the store's policy; this writes,
// asks and tells.
#include <QObject>
#include <functional>
#include <optional>
#include <set>
#include <string>

#include "daymodel.h"
#include "recovery.h"
#include "recoverypolicy.h"

class QTimer;

namespace plandor {

class Platform;

class RecoveryKeeper final : public QObject {
 public:
  // What the keeper asks of the window.
  struct Window {
    // Typed edits and open dialogs' texts into the record, over the day's own.
    std::function<void(Recovery&)> addTyped;
    // Opens the day at the path: its file, or an empty day.
    std::function<void(const std::string&)> showDate;
    // The restored work is in the day: the pads show what was typed.
    std::function<void(const Recovery&)> showRestored;
    // Whether the work is protected changed: the title says it.
    std::function<void()> showProtection;
    std::function<void(const IoResult&)> report;
  };
  RecoveryKeeper(DayModel& day, Platform& platform, const std::string& dataFolder, Window window, QObject* parent);
  Q_DISABLE_COPY(RecoveryKeeper)

  // After each operation of the open day (from its listener).
  void dayChanged(DayModel::Change change);
  // Typing in a pad or dialog: kept a second after it stops.
  void typed();
  // The open day's work, typed edits included, into its recovery file; the
  // file goes when there is nothing unsaved.
  void keep();
  // Offers the recovery file's work when it belongs to the day just opened,
  // or, at start-up, to any day (which then opens).
  void offer(bool atStartUp);
  // The day is gone, saved or answered 保存しない: so is its file.
  void removeOwn();
  // Nothing may block now: the work is kept without a box or title change.
  void sessionEnding();
  void keepWorkNow();
  bool ending() const { return sessionEnding_; }
  // The open day's work reaches a recovery file.
  bool isProtected() const { return protected_; }

 private:
  // The open day's date when it is a day of the data folder.
  std::optional<LocalDate> folderDay() const;
  Recovery record() const;
  void restore(const std::string& file, const Recovery& rec, const LocalDate& date, DayFileNow now);
  void setProtected(bool on);

  DayModel& day_;
  Platform& platform_;
  std::string folder_;
  Window window_;
  QTimer* changeTimer_ = nullptr;  // a change was made: keep it soon
  QTimer* typingTimer_ = nullptr;  // typing stopped for a second
  std::string own_;                // the open day's recovery file, when written
  std::set<std::string> kept_;     // damaged or foreign: told, kept, never used
  bool offered_ = false;           // start-up's offer is over: writes may begin
  bool protected_ = true;
  bool sessionEnding_ = false;
  bool failureTold_ = false;
};

}  // namespace plandor
