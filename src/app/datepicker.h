#pragma once
// The small calendar of 日付を指定: Qt's own calendar on the open day, the
// dates that have a day file in bold, today marked. Return or a double
// click opens the date, Escape closes.
#include <QDate>
#include <QDialog>
#include <functional>

class QCalendarWidget;

namespace plandor {

class DatePicker final : public QDialog {
  Q_OBJECT
 public:
  DatePicker(QDate shown, QDate today, std::function<bool(QDate)> hasDay, QWidget* parent = nullptr);

  QDate chosen() const { return chosen_; }
  // How a screen reader reads a day of the grid: "2006年1月7日 (土), 今日, 予定あり".
  QString readDay(QDate d) const;
  QCalendarWidget* calendar = nullptr;

 private:
  void markMonth(int year, int month);

  QDate today_;
  QDate chosen_;
  std::function<bool(QDate)> hasDay_;
};

}  // namespace plandor
