#pragma once
// The program's own reminder window, for desktops without a notification
// service: raised above the others but never modal, one row a reminder.
#include <QWidget>

#include "notifier.h"

class QVBoxLayout;

namespace plandor {

class ReminderWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit ReminderWindow(QWidget* parent = nullptr);
  Q_DISABLE_COPY(ReminderWindow)

  // Adds the note at the top and raises the window without taking the
  // keyboard from where the user types.
  void add(const ReminderNote& note);
  int count() const;

  static constexpr int kMaxRows = 8;

 signals:
  void activated(int id);

 private:
  void clearRows();

  QVBoxLayout* rows_ = nullptr;
};

extern const char* const kReminderWindowTitle;  // "リマインダー - プランドール"

}  // namespace plandor
