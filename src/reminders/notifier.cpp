#include "notifier.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <optional>

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
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
constexpr int kCallTimeoutMs = 5000;

std::optional<NoteImage> appImage() {
  const QIcon icon = QGuiApplication::windowIcon();
  if (icon.isNull()) return std::nullopt;
  const QImage img = icon.pixmap(48, 48).toImage().convertToFormat(QImage::Format_RGBA8888);
  if (img.isNull()) return std::nullopt;
  NoteImage n;
  n.width = img.width();
  n.height = img.height();
  n.stride = int(img.bytesPerLine());
  n.data = QByteArray(reinterpret_cast<const char*>(img.constBits()), int(img.sizeInBytes()));
  return n;
}

}  // namespace

WindowNotifier::WindowNotifier(QObject* parent) : Notifier(parent) {}

WindowNotifier::~WindowNotifier() { delete window_.data(); }

ReminderWindow* WindowNotifier::window() const { return window_.data(); }

void WindowNotifier::notify(const ReminderNote& note) {
  if (!window_) {
    window_ = new ReminderWindow;
    connect(window_, &ReminderWindow::activated, this, &Notifier::activated);
  }
  window_->add(note);
}

DesktopNotifier::DesktopNotifier(QObject* parent) : Notifier(parent) {}

void DesktopNotifier::fallBack(const ReminderNote& note) {
  if (!own_) {
    own_ = new WindowNotifier(this);
    connect(own_, &Notifier::activated, this, &Notifier::activated);
  }
  own_->notify(note);
}

void DesktopNotifier::notify(const ReminderNote& note) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    fallBack(note);
    return;
  }
  if (!listening_) {
    listening_ = true;
    qDBusRegisterMetaType<NoteImage>();
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
  }
  QVariantMap hints;
  hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.plandor.Plandor"));
  hints.insert(QStringLiteral("category"), QStringLiteral("x-plandor.reminder"));
  if (const auto image = appImage()) hints.insert(QStringLiteral("image-data"), QVariant::fromValue(*image));
  // Expires never: a user away from the desk finds it on return.
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
  call << QStringLiteral("プランドール") << uint(0) << QStringLiteral("plandor") << note.summary << note.body
       << QStringList{QStringLiteral("default"), QStringLiteral("開く")} << hints << int(0);
  // Never waits: a service that hangs must not stop the planner.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, note](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    const QDBusPendingReply<uint> reply = *w;
    if (reply.isError())
      fallBack(note);
    else
      notes_.insert(reply.value(), note.id);
  });
}

void DesktopNotifier::onActionInvoked(uint serverId, const QString& action) {
  const auto it = notes_.constFind(serverId);
  if (it == notes_.cend() || action != QLatin1String("default")) return;
  emit activated(it.value());
}

void DesktopNotifier::onClosed(uint serverId, uint) { notes_.remove(serverId); }

}  // namespace plandor
