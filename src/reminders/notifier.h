#pragma once
// Where a reminder is shown: the desktop's notification service on the
// session bus, or, without one, what the program puts in its place (the
// planner's own window; a line in the system log for the helper).
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariantMap>
#include <functional>

class QTimer;

namespace plandor {

struct ReminderNote {
  int id = 0;  // what the default action opens; a note sent again with its id replaces it
  QString summary, body;
  // Each reminder the note stands for, for a list that shows them one by
  // one; empty: the note alone.
  struct Row {
    int id = 0;
    QString summary, body;
  };
  QList<Row> rows;
  QList<Row> allRows() const { return rows.isEmpty() ? QList<Row>{{id, summary, body}} : rows; }
};

class Notifier : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  // Shows the note, or replaces the one shown with the same id.
  virtual void notify(const ReminderNote& note) = 0;
  // Takes the note away: its pad was moved, removed or marked 完了.
  virtual void withdraw(int id) = 0;

 signals:
  // The user chose the default action ("開く") of a note or of one of its rows.
  void activated(int id);
};

// org.freedesktop.Notifications through Qt's D-Bus module. The bus is first
// reached with the first note, and off this thread: a bus that hangs holds
// nothing here. Every call is asynchronous; a note the service does not
// take within kAnswerMs goes to the fallback instead, and is taken off the
// desktop if the service shows it later.
class DesktopNotifier final : public Notifier {
  Q_OBJECT
 public:
  // `makeFallback` is asked once, at the first note the service does not
  // take; `hints` go with every note.
  explicit DesktopNotifier(std::function<Notifier*()> makeFallback, QVariantMap hints = {},
                           QObject* parent = nullptr);
  void notify(const ReminderNote& note) override;
  void withdraw(int id) override;

  static constexpr int kAnswerMs = 3000;

 private slots:
  void onActionInvoked(uint serverId, const QString& action);
  void onClosed(uint serverId, uint reason);

 private:
  enum class Bus { Unknown, Connecting, Ready, Absent };
  void connectBus();
  void busReady(bool connected);
  void send(const ReminderNote& note);
  void close(uint serverId);
  void fallBack(const ReminderNote& note);
  void flush();

  std::function<Notifier*()> makeFallback_;
  Notifier* fallback_ = nullptr;
  QVariantMap hints_;
  Bus bus_ = Bus::Unknown;
  bool capsAsked_ = false, capsKnown_ = false, markup_ = false;
  QList<ReminderNote> queued_;  // until the bus and its capabilities are known
  QHash<int, uint> server_;     // our note -> the service's id
  QHash<uint, int> notes_;      // the service's id -> our note
  QSet<int> waiting_;           // sent, no answer yet
  QSet<int> fellBack_;          // shown by the fallback: never sent again
  QSet<int> withdrawn_;         // withdrawn while its answer was awaited
};

// "<" and "&" as the service's markup shows them as text.
QString markupEscaped(const QString& text);

}  // namespace plandor
