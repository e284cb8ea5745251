#pragma once
// Reminders while the planner runs: watches the clock and the day model,
// reads the day files of the plans that are not open, and hands what falls
// due to a notifier. Nothing here runs before the window is up.
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "daymodel.h"
#include "platform.h"
#include "reminderschedule.h"
#include "remindersettings.h"

class QTimer;
class QWidget;

namespace plandor {

class Notifier;

class ReminderRoom final : public QObject {
  Q_OBJECT
 public:
  struct Hooks {
    // Brings the planner forward with the day at `path` open (asking
    // before unsaved work goes); true when that day is open.
    std::function<bool(const std::string& path)> bringDay;
    std::function<void(int slot)> focusPad;
  };

  ReminderRoom(DayModel& day, Platform& platform, std::string dataFolder, Hooks hooks, QObject* parent = nullptr);
  ~ReminderRoom() override;
  Q_DISABLE_COPY(ReminderRoom)

  // Test seam: the notifier to use instead of the desktop's (owned).
  void setNotifier(Notifier* notifier);

  int lead();
  // Sets and keeps the lead time; a failed write is told, the lead still
  // holds for this run.
  void setLead(int lead);
  // オプション → "リマインダー(&M)...".
  void OptionReminder1Execute(QWidget* parent);

  // Shows what is due now and aims the timer at the next due time, never
  // further than kWakeLimitMs: the wall clock is compared each time, so a
  // sleep or a clock change is noticed within that.
  void check();
  // The default action of the note `id`.
  void open(int id);

  // The day file a plan is kept in.
  std::string dayPath(const LocalDate& date) const;

  static constexpr int kFirstCheckMs = 1000;
  static constexpr int kWakeLimitMs = 20000;

  // Test seams.
  int interval() const;
  bool waiting() const;

 private:
  struct DayFilePads;
  std::vector<Reminder> remindersFor(const LocalDate& date, std::vector<std::string>* failures);
  void readSettings();

  DayModel& day_;
  Platform& platform_;
  std::string dataFolder_;
  Hooks hooks_;
  int listener_ = 0;
  QTimer* timer_ = nullptr;
  Notifier* notifier_ = nullptr;
  bool settingsRead_ = false;
  ReminderSettings settings_;
  bool checking_ = false;
  std::optional<WallSeconds> last_;
  std::set<ReminderKey> shown_;
  std::map<std::string, std::unique_ptr<DayFilePads>> files_;
  std::set<std::string> told_;  // files whose failure was told, until they read again
  struct Note {
    std::string path;
    LocalDate date;
    ReminderKey key;
  };
  std::map<int, Note> notes_;
  int nextNote_ = 0;
};

}  // namespace plandor
