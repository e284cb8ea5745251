#include "notifier.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>
#include <QThread>
#include <QTimer>

namespace plandor {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// Long enough for a service that stalls and comes back: its late answer
// still tells which note to take away.
constexpr int kCallTimeoutMs = 10 * 60 * 1000;

QDBusMessage call(const QString& method) { return QDBusMessage::createMethodCall(kService, kPath, kInterface, method); }

}  // namespace

QString markupEscaped(const QString& text) { return text.toHtmlEscaped(); }

DesktopNotifier::DesktopNotifier(std::function<Notifier*()> makeFallback, QVariantMap hints, QObject* parent)
    : Notifier(parent), makeFallback_(std::move(makeFallback)), hints_(std::move(hints)) {}

void DesktopNotifier::fallBack(const ReminderNote& note) {
  if (!fallback_ && makeFallback_) {
    fallback_ = makeFallback_();
    if (fallback_) {
      fallback_->setParent(this);
      connect(fallback_, &Notifier::activated, this, &Notifier::activated);
    }
  }
  fellBack_.insert(note.id);
  if (fallback_) fallback_->notify(note);
}

void DesktopNotifier::connectBus() {
  bus_ = Bus::Connecting;
  // The first connection to the bus, and the match rules, wait for the bus
  // daemon: done on a thread of their own. Senders are matched by path, not
  // by the service's name, which would ask the bus for its owner.
  const QPointer<DesktopNotifier> self(this);
  QThread* t = QThread::create([this, self] {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool ok = bus.isConnected();
    if (ok) {
      bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
      bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(onClosed(uint, uint)));
    }
    // Through the application: this notifier may be gone by now.
    QMetaObject::invokeMethod(QCoreApplication::instance(), [self, ok] {
      if (self) self->busReady(ok);
    }, Qt::QueuedConnection);
  });
  // Never waited for: a thread stuck in a hung bus is left to the end of the process.
  connect(t, &QThread::finished, t, &QObject::deleteLater);
  t->start();
}

void DesktopNotifier::busReady(bool connected) {
  bus_ = connected ? Bus::Ready : Bus::Absent;
  if (connected && !capsAsked_) {
    capsAsked_ = true;
    // Asked once: whether bodies are markup decides how they are sent.
    auto* w = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call(QStringLiteral("GetCapabilities")), kAnswerMs), this);
    connect(w, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
      w->deleteLater();
      const QDBusPendingReply<QStringList> reply = *w;
      markup_ = !reply.isError() && reply.value().contains(QStringLiteral("body-markup"));
      capsKnown_ = true;
      flush();
    });
    return;
  }
  flush();
}

void DesktopNotifier::flush() {
  const QList<ReminderNote> queued = std::exchange(queued_, {});
  for (const ReminderNote& n : queued) notify(n);
}

void DesktopNotifier::notify(const ReminderNote& note) {
  if (fellBack_.contains(note.id)) {
    fallBack(note);
    return;
  }
  switch (bus_) {
    case Bus::Unknown:
      connectBus();
      [[fallthrough]];
    case Bus::Connecting:
      queued_.append(note);
      return;
    case Bus::Absent:
      fallBack(note);
      return;
    case Bus::Ready:
      if (!capsKnown_) {
        queued_.append(note);
        return;
      }
      send(note);
  }
}

void DesktopNotifier::send(const ReminderNote& note) {
  const int id = note.id;
  withdrawn_.remove(id);
  QDBusMessage m = call(QStringLiteral("Notify"));
  // Expires never: a user away from the desk finds it on return.
  m << QStringLiteral("プランドール") << server_.value(id, 0u) << QStringLiteral("plandor") << note.summary
    << (markup_ ? markupEscaped(note.body) : note.body) << QStringList{QStringLiteral("default"), QStringLiteral("開く")}
    << hints_ << int(0);
  waiting_.insert(id);
  auto* w = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(m, kCallTimeoutMs), this);
  auto* late = new QTimer(w);
  late->setSingleShot(true);
  connect(late, &QTimer::timeout, this, [this, note] {
    // The service does not answer: the fallback shows it now.
    if (waiting_.contains(note.id) && !fellBack_.contains(note.id)) fallBack(note);
  });
  late->start(kAnswerMs);
  connect(w, &QDBusPendingCallWatcher::finished, this, [this, note](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    waiting_.remove(note.id);
    const QDBusPendingReply<uint> reply = *w;
    if (reply.isError()) {
      if (!fellBack_.contains(note.id)) fallBack(note);
      return;
    }
    const uint serverId = reply.value();
    // Shown late, after the fallback showed it, or withdrawn meanwhile.
    if (fellBack_.contains(note.id) || withdrawn_.remove(note.id)) {
      close(serverId);
      return;
    }
    server_.insert(note.id, serverId);
    notes_.insert(serverId, note.id);
  });
}

void DesktopNotifier::close(uint serverId) {
  if (serverId == 0 || bus_ != Bus::Ready) return;
  QDBusMessage m = call(QStringLiteral("CloseNotification"));
  m << serverId;
  auto* w = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(m, kAnswerMs), this);
  connect(w, &QDBusPendingCallWatcher::finished, w, &QObject::deleteLater);
}

void DesktopNotifier::withdraw(int id) {
  for (qsizetype i = queued_.size() - 1; i >= 0; --i)
    if (queued_[i].id == id) queued_.removeAt(i);
  if (fellBack_.contains(id) && fallback_) fallback_->withdraw(id);
  if (waiting_.contains(id)) withdrawn_.insert(id);
  if (const auto it = server_.constFind(id); it != server_.cend()) {
    notes_.remove(it.value());
    close(it.value());
    server_.erase(it);
  }
}

void DesktopNotifier::onActionInvoked(uint serverId, const QString& action) {
  const auto it = notes_.constFind(serverId);
  if (it == notes_.cend() || action != QLatin1String("default")) return;
  emit activated(it.value());
}

void DesktopNotifier::onClosed(uint serverId, uint) {
  if (const auto it = notes_.constFind(serverId); it != notes_.cend()) {
    server_.remove(it.value());
    notes_.erase(it);
  }
}

}  // namespace plandor
