#pragma once
// The reminders of a data folder, shared by the planner and plandor-remind:
// watches the clock, reads the plans' day files (or takes the open day's
// pads from the planner), hands what falls due to a notifier, follows the
// pads of what it showed, and keeps what was reminded in a small file in the
// data folder so that neither program reminds a pad the other did.
#include <QObject>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "reminderschedule.h"
#include "remindersettings.h"

class QTimer;

namespace plandor {

class Notifier;

// "Reminded.txt": what was reminded, in the data folder.
constexpr const char* kRemindedFile = "Reminded.txt";

class ReminderDuty final : public QObject {
  Q_OBJECT
 public:
  struct Hooks {
    std::function<LocalDateTime()> now;
    // The open day's reminders when `path` is the day open in the planner
    // (its pads as stored, saved or not); false to read the file.
    std::function<bool(const std::string& path, const LocalDate& date, int lead, std::vector<Reminder>* out)> openDay;
    // Whether this program reminds now (the helper: while the planner does not run).
    std::function<bool()> onDuty;
    // A failure to tell (a day file or the settings that cannot be read); never waits.
    std::function<void(const std::string& text)> tell;
    // Wakes the duty after `ms` (negative: never) instead of its own timer;
    // with it the duty wakes only for what falls due and for the plans' change.
    std::function<void(qint64 ms)> arm;
  };

  ReminderDuty(std::string dataFolder, Hooks hooks, QObject* parent = nullptr);
  ~ReminderDuty() override;
  Q_DISABLE_COPY(ReminderDuty)

  // The notifier to use (owned); without one, the desktop's is made at the first note.
  void setNotifier(Notifier* notifier);
  Notifier* notifier() const { return notifier_; }
  // Asked for the desktop notifier when the first note falls due.
  std::function<Notifier*()> makeNotifier;

  int lead();
  void setLead(int lead);  // a failed write is told; the lead holds for this run

  // Shows what is due now, follows what was shown, and aims the timer at the
  // next due time, never further than `wakeLimitMs`.
  void check();
  // Checks at once from the event loop (a change to the pads or the files).
  void checkSoon();

  // The day file a plan is kept in.
  std::string dayPath(const LocalDate& date) const;

  // Where a note's default action leads: the plan, and the reminder as shown.
  struct Target {
    std::string path;
    LocalDate date;
    Reminder reminder;
  };
  const Target* target(int id) const;
  // Where that reminder's pad is among `now`: by identity, else by print.
  static const Reminder* find(const Reminder& shown, const std::vector<Reminder>& now);

  static constexpr int kWakeLimitMs = 20000;

 signals:
  // The default action of a note or of one of its rows (see target).
  void activated(int id);

 public:
  // Settings.ini is read again at the next check (another program changed it).
  void rereadSettings() { settingsRead_ = false; }

  // Test seams.
  int interval() const;
  bool waiting() const;

 private:
  struct DayFilePads;
  std::vector<Reminder> remindersFor(const LocalDate& date, std::vector<std::string>* failures);
  void readSettings();
  void readReminded();
  void writeReminded();
  void follow(const std::vector<Reminder>& all, const std::vector<LocalDate>& plans);
  void show(const std::vector<Reminder>& due);

  std::string dataFolder_;
  Hooks hooks_;
  QTimer* timer_ = nullptr;
  Notifier* notifier_ = nullptr;
  bool settingsRead_ = false;
  ReminderSettings settings_;
  bool checking_ = false;
  bool onDuty_ = true;
  std::optional<WallSeconds> last_;
  Reminded reminded_;
  std::set<ReminderPrint> written_;  // the prints as last read or written
  FileStamp remindedStamp_;  // the reminded file as last read
  std::map<std::string, std::unique_ptr<DayFilePads>> files_;
  std::set<std::string> told_;  // files whose failure was told, until they read again
  // The notes on screen, each with the reminders it stands for.
  struct Note {
    LocalDate date;
    std::vector<Reminder> members;
    std::vector<int> rows;  // a target id per member
  };
  std::map<int, Note> notes_;
  std::map<int, Target> targets_;
  int nextId_ = 0;
};

}  // namespace plandor
