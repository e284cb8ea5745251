#pragma once
// Where a reminder is shown: the desktop's notification service on the
// session bus, or, without one, a small window of the program's own.
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

namespace plandor {

class ReminderWindow;

struct ReminderNote {
  int id = 0;
  QString summary, body;
};

class Notifier : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  virtual void notify(const ReminderNote& note) = 0;

 signals:
  // The user chose the note's default action ("開く").
  void activated(int id);
};

// Its own window only: no session bus is ever touched.
class WindowNotifier final : public Notifier {
  Q_OBJECT
 public:
  explicit WindowNotifier(QObject* parent = nullptr);
  ~WindowNotifier() override;
  void notify(const ReminderNote& note) override;
  ReminderWindow* window() const;

 private:
  QPointer<ReminderWindow> window_;
};

// org.freedesktop.Notifications through Qt's D-Bus module. The bus is
// reached with the first note, never at start-up; a note the service does
// not take goes to the program's own window.
class DesktopNotifier final : public Notifier {
  Q_OBJECT
 public:
  explicit DesktopNotifier(QObject* parent = nullptr);
  void notify(const ReminderNote& note) override;

 private slots:
  void onActionInvoked(uint serverId, const QString& action);
  void onClosed(uint serverId, uint reason);

 private:
  void fallBack(const ReminderNote& note);

  bool listening_ = false;
  QHash<uint, int> notes_;  // the service's id -> our note
  WindowNotifier* own_ = nullptr;
};

}  // namespace plandor
