#include "datepicker.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCalendarWidget>
#include <QLocale>
#include <QToolButton>
#include <QTextCharFormat>
#include <QVBoxLayout>

namespace plandor {

DatePicker::DatePicker(QDate shown, QDate today, std::function<bool(QDate)> hasDay, QWidget* parent)
    : QDialog(parent), today_(today), hasDay_(std::move(hasDay)) {
  setObjectName(QStringLiteral("dlgGoToDate"));
  setWindowTitle(QStringLiteral("日付を指定"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  calendar = new QCalendarWidget(this);
  calendar->setObjectName(QStringLiteral("calDate"));
  // The dates a day file's name can hold: a four-digit year.
  calendar->setDateRange(QDate(1000, 1, 1), QDate(9999, 12, 31));
  calendar->setGridVisible(true);
  calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
  calendar->setAccessibleName(QStringLiteral("開く日"));
  calendar->setSelectedDate(shown);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(calendar);
  setFixedSize(sizeHint());
  connect(calendar, &QCalendarWidget::currentPageChanged, this, &DatePicker::markMonth);
  connect(calendar, &QCalendarWidget::activated, this, [this](QDate d) {
    chosen_ = d;
    accept();
  });
  markMonth(shown.year(), shown.month());
  // The month buttons have only arrows; the grid reads the chosen day whole.
  if (auto* b = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_prevmonth")))
    b->setAccessibleName(QStringLiteral("前の月"));
  if (auto* b = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth")))
    b->setAccessibleName(QStringLiteral("次の月"));
  if (auto* b = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton")))
    b->setAccessibleName(QStringLiteral("月を選ぶ"));
  if (auto* b = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton")))
    b->setAccessibleName(QStringLiteral("年"));
  connect(calendar, &QCalendarWidget::selectionChanged, this, &DatePicker::nameChosenDay);
  nameChosenDay();
  calendar->setFocus();
}

// "2006年1月7日 土曜日, 今日, 予定あり" on the grid, which a screen reader
// reads with each move; its cells alone say only "7".
void DatePicker::nameChosenDay() {
  const QDate d = calendar->selectedDate();
  QString name = QLocale(QLocale::Japanese).toString(d, QStringLiteral("yyyy年M月d日 dddd"));
  if (d == today_) name += QStringLiteral(", 今日");
  if (hasDay_(d)) name += QStringLiteral(", 予定あり");
  if (auto* grid = calendar->findChild<QAbstractItemView*>()) {
    grid->setAccessibleName(name);
    if (QAccessible::isActive()) {
      QAccessibleEvent e(grid, QAccessible::NameChanged);
      QAccessible::updateAccessibility(&e);
    }
  }
  calendar->setAccessibleDescription(name);
}

void DatePicker::markMonth(int year, int month) {
  calendar->setDateTextFormat(QDate(), QTextCharFormat());  // the month shown before
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  // Days of the neighbouring months show in the grid too.
  const QDate first = QDate(year, month, 1).addDays(-7), last = QDate(year, month, 1).addMonths(1).addDays(14);
  for (QDate d = first; d <= last; d = d.addDays(1))
    if (hasDay_(d)) calendar->setDateTextFormat(d, bold);
  QTextCharFormat todayFormat = calendar->dateTextFormat(today_);
  todayFormat.setForeground(QColor(0, 0, 200));
  todayFormat.setFontUnderline(true);
  todayFormat.setBackground(QColor(255, 251, 200));
  calendar->setDateTextFormat(today_, todayFormat);
}

}  // namespace plandor
