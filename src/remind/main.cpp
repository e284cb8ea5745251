// plandor-remind: the planner's reminders while the planner is closed.
// Started at login; silent while a planner runs on the same data folder.
// It reads the day files, Settings.ini and Reminded.txt, never the folder
// lock, and writes only Reminded.txt.
#include <QCoreApplication>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <ctime>
#include <limits>
#include <set>
#include <sys/timerfd.h>
#include <syslog.h>
#include <unistd.h>

#include "datafolder.h"
#include "notifier.h"
#include "plannerwatch.h"
#include "reminderduty.h"
#include "sessionbus.h"

namespace plandor {
namespace {

LocalDateTime wallNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday}, tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59)};
}

void logOnce(const std::string& text) {
  static std::set<std::string> told;
  if (told.insert(text).second) syslog(LOG_WARNING, "%s", text.c_str());
}

// Without a notification service nothing shows: the journal says so once.
class LogNotifier final : public Notifier {
 public:
  void notify(const ReminderNote&) override {
    logOnce("デスクトップの通知サービスがないため、リマインダーを表示できません.");
  }
  void withdraw(int) override {}
};

// Wakes after a span that counts the time asleep (CLOCK_BOOTTIME), and when
// the wall clock is set: a reminder comes on resume, and on time after a
// clock change, without waking in between.
class Alarm final : public QObject {
 public:
  std::function<void()> rang;

  Alarm() {
    due_ = ::timerfd_create(CLOCK_BOOTTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    set_ = ::timerfd_create(CLOCK_REALTIME, TFD_CLOEXEC | TFD_NONBLOCK);
    if (due_ >= 0) connect(new QSocketNotifier(due_, QSocketNotifier::Read, this), &QSocketNotifier::activated, this, [this] { ring(due_); });
    if (set_ >= 0) {
      connect(new QSocketNotifier(set_, QSocketNotifier::Read, this), &QSocketNotifier::activated, this, [this] {
        ring(set_);
        watchClock();
      });
      watchClock();
    }
  }
  ~Alarm() override {
    if (due_ >= 0) ::close(due_);
    if (set_ >= 0) ::close(set_);
  }
  void arm(qint64 ms) {
    if (due_ < 0) return;
    itimerspec it{};
    if (ms >= 0) {
      it.it_value.tv_sec = ms / 1000;
      it.it_value.tv_nsec = long(ms % 1000) * 1000000 + 1;
    }
    ::timerfd_settime(due_, 0, &it, nullptr);
  }

 private:
  void ring(int fd) {
    std::uint64_t n;
    [[maybe_unused]] const auto r = ::read(fd, &n, sizeof n);
    if (rang) rang();
  }
  void watchClock() {
    // Never due; only cancelled when the clock is set.
    itimerspec it{};
    it.it_value.tv_sec = std::numeric_limits<std::time_t>::max() / 2;
    ::timerfd_settime(set_, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &it, nullptr);
  }
  int due_ = -1, set_ = -1;
};

// "--reminder=START,TEXT,ORDER": the pad a note's action opens in the planner.
QString reminderArgument(const Reminder& r) {
  return QStringLiteral("--reminder=%1,%2,%3")
      .arg(r.print.start)
      .arg(QString::number(r.print.text, 16))
      .arg(r.print.order);
}

}  // namespace
}  // namespace plandor

int main(int argc, char** argv) {
  using namespace plandor;
  const SessionBus bus = settleSessionBus();
  QCoreApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("plandor-remind"));
  openlog("plandor-remind", LOG_PID, LOG_USER);

  const std::optional<std::string> program = executableFolder();
  const std::optional<std::string> data = program ? chooseDataFolder(*program) : std::nullopt;
  if (!data) {
    syslog(LOG_ERR, "データフォルダが見つかりません.");
    return 1;
  }
  if (bus != SessionBus::Usable) logOnce("セッションバスがないため、リマインダーを表示できません.");

  PlannerWatch planner(*data);
  Alarm alarm;
  ReminderDuty::Hooks hooks;
  hooks.now = wallNow;
  hooks.onDuty = [&planner] { return !planner.running(); };
  hooks.tell = logOnce;
  hooks.arm = [&alarm](qint64 ms) { alarm.arm(ms); };
  ReminderDuty duty(*data, hooks);
  duty.makeNotifier = [] {
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.plandor.Plandor"));
    hints.insert(QStringLiteral("category"), QStringLiteral("x-plandor.reminder"));
    return new DesktopNotifier([] { return new LogNotifier; }, hints);
  };
  alarm.rang = [&duty] { duty.check(); };
  QObject::connect(&planner, &PlannerWatch::ended, &duty, &ReminderDuty::checkSoon);

  // The folder, and the month folders of the plans that can remind: a save
  // replaces a file by a rename, which the folder's watch sees.
  QFileSystemWatcher files;
  const QString folder = QString::fromStdString(*data);
  auto watch = [&] {
    QStringList want{folder};
    const LocalDateTime now = wallNow();
    const LocalDate plan = planDateAt(now);
    for (int i = 0; i < 2; ++i) {
      const LocalDate d = fromSerialDate(toSerialDate(plan) + i);
      const QString month = folder + QLatin1Char('/') + QString::fromStdString(monthFolderName(d));
      if (!want.contains(month) && QFileInfo::exists(month)) want << month;
    }
    const QStringList have = files.directories();
    for (const QString& p : have)
      if (!want.contains(p)) files.removePath(p);
    for (const QString& p : want)
      if (!have.contains(p)) files.addPath(p);
  };
  QTimer settle;
  settle.setSingleShot(true);
  QObject::connect(&settle, &QTimer::timeout, &duty, [&] {
    watch();
    duty.rereadSettings();
    duty.check();
  });
  // A save is several steps: checked once they are done.
  QObject::connect(&files, &QFileSystemWatcher::directoryChanged, &settle, [&settle] { settle.start(200); });
  QObject::connect(&duty, &ReminderDuty::activated, &duty, [&](int id) {
    const ReminderDuty::Target* t = duty.target(id);
    if (!t) return;
    // The planner opens today with the pad selected; a running one comes forward.
    QProcess::startDetached(QString::fromStdString(*program + "/plandor"), {reminderArgument(t->reminder)});
  });
  watch();
  duty.check();
  return app.exec();
}
