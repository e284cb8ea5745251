#pragma once
// Reminders while the planner runs: the data folder's reminder duty fed with
// the open day's pads, the lead dialog, and the default action, which never
// changes the day under an open dialog. Nothing here runs before the window
// is up.
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "daymodel.h"
#include "platform.h"
#include "reminderduty.h"

class QTimer;
class QWidget;

namespace plandor {

class Notifier;

class PlannerReminders final : public QObject {
  Q_OBJECT
 public:
  struct Hooks {
    // Brings the planner forward with the day at `path` open (asking
    // before unsaved work goes); true when that day is open.
    std::function<bool(const std::string& path)> bringDay;
    std::function<void(int slot)> focusPad;
    // Brings the planner forward only: a dialog is open.
    std::function<void()> comeForward;
    // A line in the status bar.
    std::function<void(const QString& text)> status;
  };

  PlannerReminders(DayModel& day, Platform& platform, std::string dataFolder, Hooks hooks, QObject* parent = nullptr);
  ~PlannerReminders() override;
  Q_DISABLE_COPY(PlannerReminders)

  // Test seam: the notifier to use instead of the desktop's (owned).
  void setNotifier(Notifier* notifier);

  int lead() { return duty_->lead(); }
  // Sets and keeps the lead time; a failed write is told, the lead still
  // holds for this run.
  void setLead(int lead) { duty_->setLead(lead); }
  // オプション → "リマインダー(&M)...".
  void OptionReminder1Execute(QWidget* parent);

  // Shows what is due now and aims the timer at the next due time, never
  // further than kWakeLimitMs: the wall clock is compared each time, so a
  // sleep or a clock change is noticed within that.
  void check() { duty_->check(); }
  // The default action of the note `id`; while a dialog is open, after it closes.
  void open(int id);
  // The same for a reminder plandor-remind showed ("--reminder=START,TEXT,ORDER").
  void openReminder(const QString& argument);

  std::string dayPath(const LocalDate& date) const { return duty_->dayPath(date); }

  static constexpr int kFirstCheckMs = 1000;
  static constexpr int kWakeLimitMs = ReminderDuty::kWakeLimitMs;
  static constexpr int kDialogPollMs = 250;

  // Test seams.
  int interval() const { return duty_->interval(); }
  bool waiting() const { return duty_->waiting(); }
  bool deferred() const { return deferred_.has_value(); }

 private:
  void tell(const std::string& text);
  void openTarget(const ReminderDuty::Target& target);
  bool dialogOpen() const;

  DayModel& day_;
  Platform& platform_;
  Hooks hooks_;
  ReminderDuty* duty_ = nullptr;
  QTimer* first_ = nullptr;
  int listener_ = 0;
  std::optional<ReminderDuty::Target> deferred_;  // an action that waits for a dialog
  int deferLevel_ = 0;  // the event loop's depth then
  QTimer* dialogPoll_ = nullptr;
  bool telling_ = false;
};

extern const char* const kReminderAfterDialogText;

}  // namespace plandor
