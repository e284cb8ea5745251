#include "reminderwindow.h"

#include <QAccessible>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace plandor {

const char* const kReminderWindowTitle = "リマインダー - プランドール";

ReminderWindow::ReminderWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("ReminderWindow"));
  setWindowTitle(QString::fromUtf8(kReminderWindowTitle));
  setAccessibleName(windowTitle());
  setAttribute(Qt::WA_ShowWithoutActivating);
  // Closing the planner ends the program even while reminders are shown.
  setAttribute(Qt::WA_QuitOnClose, false);
  auto* outer = new QVBoxLayout(this);
  scroll_ = new QScrollArea(this);
  scroll_->setWidgetResizable(true);
  scroll_->setFrameShape(QFrame::NoFrame);
  scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* list = new QWidget(scroll_);
  auto* listLayout = new QVBoxLayout(list);
  listLayout->setContentsMargins(0, 0, 0, 0);
  rows_ = new QVBoxLayout;
  listLayout->addLayout(rows_);
  listLayout->addStretch();
  scroll_->setWidget(list);
  outer->addWidget(scroll_, 1);
  auto* close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
  close->setObjectName(QStringLiteral("btnClose"));
  auto* bottom = new QHBoxLayout;
  bottom->addStretch();
  bottom->addWidget(close);
  outer->addLayout(bottom);
  connect(close, &QPushButton::clicked, this, [this] {
    hide();
    clearRows();
  });
}

int ReminderWindow::count() const { return rows_->count(); }

void ReminderWindow::clearRows() {
  while (QLayoutItem* item = rows_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
}

void ReminderWindow::remove(int noteId) {
  for (int i = rows_->count() - 1; i >= 0; --i) {
    QWidget* row = rows_->itemAt(i)->widget();
    if (row && row->property("note").toInt() == noteId) {
      rows_->removeWidget(row);
      delete row;
    }
  }
  if (rows_->count() == 0) hide();
}

void ReminderWindow::fit() {
  // As tall as the rows, up to half the work area; more scroll.
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  const QRect work = s ? s->availableGeometry() : QRect(0, 0, 800, 600);
  // The rows' sizes with their fonts and style, as they will be shown.
  scroll_->widget()->ensurePolished();
  for (int i = 0; i < rows_->count(); ++i)
    if (QWidget* row = rows_->itemAt(i)->widget()) row->layout()->activate();
  scroll_->widget()->layout()->activate();
  const QSize list = scroll_->widget()->layout()->sizeHint();
  const int bar = scroll_->verticalScrollBar()->sizeHint().width();
  scroll_->setMinimumWidth(list.width() + bar);
  scroll_->setMinimumHeight(std::min(list.height(), work.height() / 2));
  layout()->activate();
  resize(sizeHint().expandedTo(minimumSizeHint()));
}

void ReminderWindow::add(const ReminderNote& note) {
  remove(note.id);
  const QList<ReminderNote::Row> rows = note.allRows();
  for (qsizetype i = rows.size() - 1; i >= 0; --i) {
    const ReminderNote::Row& r = rows[i];
    auto* row = new QFrame(scroll_->widget());
    row->setObjectName(QStringLiteral("note%1").arg(r.id));
    row->setProperty("note", note.id);
    row->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    row->setAccessibleName(r.summary + QLatin1Char(' ') + r.body);
    auto* summary = new QLabel(r.summary, row);
    summary->setObjectName(QStringLiteral("summary"));
    QFont bold = summary->font();
    bold.setBold(true);
    summary->setFont(bold);
    summary->setTextFormat(Qt::PlainText);
    auto* body = new QLabel(r.body, row);
    body->setObjectName(QStringLiteral("body"));
    body->setTextFormat(Qt::PlainText);
    auto* open = new QPushButton(QStringLiteral("開く"), row);
    open->setObjectName(QStringLiteral("btnOpen"));
    auto* text = new QVBoxLayout;
    text->addWidget(summary);
    text->addWidget(body);
    auto* line = new QHBoxLayout(row);
    line->addLayout(text, 1);
    line->addWidget(open, 0, Qt::AlignVCenter);
    const int id = r.id;
    connect(open, &QPushButton::clicked, this, [this, row, id] {
      row->deleteLater();
      rows_->removeWidget(row);
      if (rows_->count() == 0) hide();
      emit activated(id);
    });
    rows_->insertWidget(0, row);
    // Now, not at the next event: the window is sized for it below.
    row->show();
  }
  fit();
  if (!isVisible()) {
    // Top right of the work area, where desktops put their notifications.
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
      const QRect work = s->availableGeometry();
      move(work.right() - width() - 16, work.top() + 16);
    }
    show();
  }
  scroll_->verticalScrollBar()->setValue(0);
  raise();
  // It never takes the focus, so a screen reader is told of the newest note
  // (the top row) as an alert.
  if (QWidget* top = rows_->count() ? rows_->itemAt(0)->widget() : nullptr) {
    QAccessibleEvent alert(top, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
  }
}

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

void WindowNotifier::withdraw(int id) {
  if (window_) window_->remove(id);
}

}  // namespace plandor
