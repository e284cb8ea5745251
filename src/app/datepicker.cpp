#include "datepicker.h"

#include <QCalendarWidget>
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
  calendar->setFocus();
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
