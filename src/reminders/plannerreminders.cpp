#include "plannerreminders.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QIcon>
#include <QImage>
#include <QThread>
#include <QTimer>

#include "dlgreminder.h"
#include "notifier.h"
#include "reminderwindow.h"

namespace {

// The icon as pixels (the "image-data" hint): a portable copy has no icon
// installed under a name the service could look up.
struct NoteImage {
  int width = 0, height = 0, stride = 0;
  bool alpha = true;
  int bits = 8, channels = 4;
  QByteArray data;
};

QDBusArgument& operator<<(QDBusArgument& a, const NoteImage& i) {
  a.beginStructure();
  a << i.width << i.height << i.stride << i.alpha << i.bits << i.channels << i.data;
  a.endStructure();
  return a;
}

const QDBusArgument& operator>>(const QDBusArgument& a, NoteImage& i) {
  a.beginStructure();
  a >> i.width >> i.height >> i.stride >> i.alpha >> i.bits >> i.channels >> i.data;
  a.endStructure();
  return a;
}

}  // namespace

Q_DECLARE_METATYPE(NoteImage)

namespace plandor {

const char* const kReminderAfterDialogText = "ダイアログを閉じると、リマインダーの予定を開きます.";

namespace {

QVariantMap desktopHints() {
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.plandor.Plandor"));
  hints.insert(QStringLiteral("category"), QStringLiteral("x-plandor.reminder"));
  const QIcon icon = QGuiApplication::windowIcon();
  if (icon.isNull()) return hints;
  const QImage img = icon.pixmap(48, 48).toImage().convertToFormat(QImage::Format_RGBA8888);
  if (img.isNull()) return hints;
  qDBusRegisterMetaType<NoteImage>();
  NoteImage n;
  n.width = img.width();
  n.height = img.height();
  n.stride = int(img.bytesPerLine());
  n.data = QByteArray(reinterpret_cast<const char*>(img.constBits()), int(img.sizeInBytes()));
  hints.insert(QStringLiteral("image-data"), QVariant::fromValue(n));
  return hints;
}

}  // namespace

PlannerReminders::PlannerReminders(DayModel& day, Platform& platform, std::string dataFolder, Hooks hooks, QObject* parent)
    : QObject(parent), day_(day), platform_(platform), hooks_(std::move(hooks)) {
  // What a save cut short left; only this copy saves here, and not now.
  removeStaleTemporaries(dataFolder, {kSettingsFile, kRemindedFile});
  ReminderDuty::Hooks h;
  h.now = [this] { return platform_.now(); };
  h.openDay = [this](const std::string& path, const LocalDate& date, int lead, std::vector<Reminder>* out) {
    // The open day is what the user sees and has stored, saved or not.
    if (path != day_.path()) return false;
    *out = remindersOf(date, day_.table().Pads, lead, day_.padIds());
    return true;
  };
  h.tell = [this](const std::string& text) { tell(text); };
  duty_ = new ReminderDuty(std::move(dataFolder), std::move(h), this);
  connect(duty_, &ReminderDuty::activated, this, &PlannerReminders::open);
  duty_->makeNotifier = [] { return new DesktopNotifier([] { return new WindowNotifier; }, desktopHints()); };
  // Once the window is up: start-up pays nothing for reminders.
  first_ = new QTimer(this);
  first_->setSingleShot(true);
  connect(first_, &QTimer::timeout, duty_, &ReminderDuty::check);
  first_->start(kFirstCheckMs);
  listener_ = day_.listen([this](DayModel::Change c, int) {
    // A pad made, moved or removed re-arms or cancels at once.
    if (c == DayModel::Change::Pending || c == DayModel::Change::Diary || c == DayModel::Change::Memo) return;
    duty_->checkSoon();
  });
  dialogPoll_ = new QTimer(this);
  dialogPoll_->setObjectName(QStringLiteral("dialogPoll"));  // tests wait for its rounds
  connect(dialogPoll_, &QTimer::timeout, this, [this] {
    if (dialogOpen()) return;
    dialogPoll_->stop();
    const ReminderDuty::Target t = *deferred_;
    deferred_.reset();
    openTarget(t);
  });
}

PlannerReminders::~PlannerReminders() { day_.unlisten(listener_); }

void PlannerReminders::setNotifier(Notifier* notifier) { duty_->setNotifier(notifier); }

void PlannerReminders::tell(const std::string& text) {
  // Never from inside a check, and never waited for there: a box about a
  // file comes after the reminders, from the event loop, one at a time.
  QTimer::singleShot(0, this, [this, text] {
    if (telling_) {
      QTimer::singleShot(kDialogPollMs, this, [this, text] { tell(text); });
      return;
    }
    telling_ = true;
    platform_.errorBox(text);
    telling_ = false;
  });
}

void PlannerReminders::OptionReminder1Execute(QWidget* parent) {
  TdlgReminder dialog(lead(), parent);
  if (dialog.exec() == QDialog::Accepted && dialog.lead() != lead()) setLead(dialog.lead());
}

bool PlannerReminders::dialogOpen() const {
  // A dialog's nested loop still runs its caller's code after it hides.
  return QApplication::activeModalWidget() || (deferred_ && QThread::currentThread()->loopLevel() >= deferLevel_);
}

void PlannerReminders::open(int id) {
  if (const ReminderDuty::Target* t = duty_->target(id)) openTarget(*t);
}

void PlannerReminders::openReminder(const QString& argument) {
  const QStringList parts = argument.section(QLatin1Char('='), 1).split(QLatin1Char(','));
  bool ok[3] = {};
  if (parts.size() != 3) return;
  ReminderDuty::Target t;
  t.reminder.print = {parts[0].toLongLong(&ok[0]), parts[1].toULongLong(&ok[1], 16), parts[2].toInt(&ok[2])};
  if (!ok[0] || !ok[1] || !ok[2]) return;
  const WallSeconds start = t.reminder.print.start;
  constexpr WallSeconds kDay = 24 * 3600;
  const WallSeconds inDay = ((start % kDay) + kDay) % kDay;
  t.date = planDateAt({fromSerialDate(std::int32_t((start - inDay) / kDay)), int(inDay / 3600), int(inDay / 60 % 60), 0});
  t.reminder.date = t.date;
  t.reminder.start = start;
  t.path = duty_->dayPath(t.date);
  openTarget(t);
}

void PlannerReminders::openTarget(const ReminderDuty::Target& target) {
  if (QApplication::activeModalWidget()) {
    // The dialog edits the open day: the day changes only once it is closed.
    if (hooks_.comeForward) hooks_.comeForward();
    if (hooks_.status) hooks_.status(QString::fromUtf8(kReminderAfterDialogText));
    deferred_ = target;
    deferLevel_ = QThread::currentThread()->loopLevel();
    dialogPoll_->start(kDialogPollMs);
    return;
  }
  if (!hooks_.bringDay || !hooks_.bringDay(target.path) || day_.path() != target.path) return;
  // The pad where it is now: a removal may have packed it into another slot.
  const std::vector<Reminder> now = remindersOf(target.date, day_.table().Pads, 0, day_.padIds());
  if (const Reminder* r = ReminderDuty::find(target.reminder, now))
    if (hooks_.focusPad) hooks_.focusPad(r->slot);
}

}  // namespace plandor
