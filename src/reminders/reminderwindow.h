#pragma once
// The program's own reminder window, for desktops without a notification
// service: raised above the others but never modal, one row a reminder,
// every due reminder kept (the list scrolls).
#include <QPointer>
#include <QWidget>

#include "notifier.h"

class QScrollArea;
class QVBoxLayout;

namespace plandor {

class ReminderWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit ReminderWindow(QWidget* parent = nullptr);
  Q_DISABLE_COPY(ReminderWindow)

  // Adds the note's rows at the top (in place of the rows it had) and
  // raises the window without taking the keyboard from where the user types.
  void add(const ReminderNote& note);
  void remove(int noteId);
  int count() const;

 signals:
  void activated(int id);

 private:
  void clearRows();
  void fit();

  QScrollArea* scroll_ = nullptr;
  QVBoxLayout* rows_ = nullptr;
};

// Its own window only: no session bus is ever touched.
class WindowNotifier final : public Notifier {
  Q_OBJECT
 public:
  explicit WindowNotifier(QObject* parent = nullptr);
  ~WindowNotifier() override;
  void notify(const ReminderNote& note) override;
  void withdraw(int id) override;
  ReminderWindow* window() const;

 private:
  QPointer<ReminderWindow> window_;
};

extern const char* const kReminderWindowTitle;  // "リマインダー - プランドール"

}  // namespace plandor
