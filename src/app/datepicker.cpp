#include "datepicker.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QLocale>
#include <QPointer>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>
#include <QVBoxLayout>

namespace plandor {
namespace {

// Qt reads a cell of the calendar's grid by its shown text, a bare "7". The
// grid is read here instead, each cell by its date. Cells are numbered the
// way Qt numbers them in its focus and selection events (the grid's hidden
// header row and column first), so that those events land on our cells.
class DayCell final : public QAccessibleInterface {
 public:
  DayCell(QTableView* view, int index) : view_(view), index_(index) {}

  bool isValid() const override { return view_ && view_->model(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(view_); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  void setText(QAccessible::Text, const QString&) override {}

  // The model's cell; invalid for the view's own (hidden) header cells.
  QModelIndex modelIndex() const {
    if (!isValid()) return {};
    const int columns = view_->model()->columnCount() + 1;
    return view_->model()->index(index_ / columns - 1, index_ % columns - 1);
  }
  QDate date() const;

  QAccessible::Role role() const override {
    const QModelIndex i = modelIndex();
    return !i.isValid() || i.row() < firstDateRow() ? QAccessible::ColumnHeader : QAccessible::Cell;
  }
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name) return {};
    const QModelIndex i = modelIndex();
    if (!i.isValid()) return {};
    if (i.row() < firstDateRow()) return i.data().toString();  // the weekday's name
    auto* picker = qobject_cast<DatePicker*>(view_->window());
    return picker ? picker->readDay(date()) : i.data().toString();
  }
  QRect rect() const override {
    const QModelIndex i = modelIndex();
    if (!i.isValid()) return {};
    const QRect r = view_->visualRect(i);
    return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    const QModelIndex i = modelIndex();
    if (!i.isValid()) {
      s.invisible = true;
      return s;
    }
    if (i.row() < firstDateRow()) return s;
    s.selectable = s.focusable = true;
    s.selected = view_->selectionModel() && view_->selectionModel()->isSelected(i);
    s.focused = view_->hasFocus() && view_->currentIndex() == i;
    if (!(i.flags() & Qt::ItemIsEnabled)) s.disabled = true;  // outside the range
    return s;
  }

 private:
  int firstDateRow() const {
    auto* calendar = qobject_cast<QCalendarWidget*>(view_->parentWidget());
    return calendar && calendar->horizontalHeaderFormat() == QCalendarWidget::NoHorizontalHeader ? 0 : 1;
  }

  QPointer<QTableView> view_;
  int index_;
};

// The grid shows six weeks: a day number high in the first week belongs to
// the month before, one low in the last two weeks to the month after.
QDate DayCell::date() const {
  auto* calendar = qobject_cast<QCalendarWidget*>(view_->parentWidget());
  const QModelIndex i = modelIndex();
  if (!calendar || !i.isValid()) return {};
  const int week = i.row() - firstDateRow(), day = i.data().toInt();
  QDate month(calendar->yearShown(), calendar->monthShown(), 1);
  if (week == 0 && day > 20) month = month.addMonths(-1);
  if (week >= 4 && day < 15) month = month.addMonths(1);
  return QDate(month.year(), month.month(), day);
}

class DayGrid final : public QAccessibleWidget {
 public:
  explicit DayGrid(QTableView* view) : QAccessibleWidget(view, QAccessible::Table) {}
  ~DayGrid() override {
    for (QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
  }
  QTableView* view() const { return static_cast<QTableView*>(widget()); }

  int childCount() const override {
    const QAbstractItemModel* m = view()->model();
    return m ? (m->rowCount() + 1) * (m->columnCount() + 1) : 0;
  }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= childCount()) return nullptr;
    auto made = cells_.constFind(index);
    if (made != cells_.constEnd()) return QAccessible::accessibleInterface(*made);
    auto* cell = new DayCell(view(), index);
    cells_.insert(index, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (auto i = cells_.constBegin(); i != cells_.constEnd(); ++i)
      if (QAccessible::accessibleInterface(i.value()) == child) return i.key();
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QModelIndex i = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
    return i.isValid() ? cellOf(i) : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    return view()->hasFocus() && view()->currentIndex().isValid() ? cellOf(view()->currentIndex()) : nullptr;
  }

 private:
  QAccessibleInterface* cellOf(const QModelIndex& i) const {
    return child((i.row() + 1) * (view()->model()->columnCount() + 1) + i.column() + 1);
  }
  mutable QHash<int, QAccessible::Id> cells_;
};

QAccessibleInterface* calendarReading(const QString&, QObject* object) {
  auto* view = qobject_cast<QTableView*>(object);
  if (!view || !qobject_cast<QCalendarWidget*>(view->parentWidget()) || !qobject_cast<DatePicker*>(view->window()))
    return nullptr;
  return new DayGrid(view);
}

}  // namespace

DatePicker::DatePicker(QDate shown, QDate today, std::function<bool(QDate)> hasDay, QWidget* parent)
    : QDialog(parent), today_(today), hasDay_(std::move(hasDay)) {
  static const bool readingInstalled = [] {
    QAccessible::installFactory(calendarReading);
    return true;
  }();
  (void)readingInstalled;
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
  // The month buttons have only arrows.
  if (auto* b = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_prevmonth")))
    b->setAccessibleName(QStringLiteral("前の月"));
  if (auto* b = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_nextmonth")))
    b->setAccessibleName(QStringLiteral("次の月"));
  markMonth(shown.year(), shown.month());
  calendar->setFocus();
}

QString DatePicker::readDay(QDate d) const {
  QString name = QLocale(QLocale::Japanese).toString(d, QStringLiteral("yyyy年M月d日 (ddd)"));
  if (d == today_) name += QStringLiteral(", 今日");
  // As the grid shows it: the month's days with a file were looked up once, and are bold.
  if (calendar->dateTextFormat(d).fontWeight() == QFont::Bold) name += QStringLiteral(", 予定あり");
  return name;
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
  // The month and year buttons read as what they show, not only as what they do.
  if (auto* b = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton")))
    b->setAccessibleName(QStringLiteral("表示中の月: %1月 (月を選ぶ)").arg(month));
  if (auto* b = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton")))
    b->setAccessibleName(QStringLiteral("表示中の年: %1年").arg(year));
}

}  // namespace plandor
