#include "reminderwindow.h"

#include <QAccessible>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
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
  rows_ = new QVBoxLayout;
  outer->addLayout(rows_);
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

void ReminderWindow::add(const ReminderNote& note) {
  auto* row = new QFrame(this);
  row->setObjectName(QStringLiteral("note%1").arg(note.id));
  row->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
  auto* summary = new QLabel(note.summary, row);
  summary->setObjectName(QStringLiteral("summary"));
  QFont bold = summary->font();
  bold.setBold(true);
  summary->setFont(bold);
  summary->setTextFormat(Qt::PlainText);
  auto* body = new QLabel(note.body, row);
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
  const int id = note.id;
  connect(open, &QPushButton::clicked, this, [this, row, id] {
    row->deleteLater();
    rows_->removeWidget(row);
    if (rows_->count() == 0) hide();
    emit activated(id);
  });
  rows_->insertWidget(0, row);
  while (rows_->count() > kMaxRows) {
    QLayoutItem* item = rows_->takeAt(rows_->count() - 1);
    delete item->widget();
    delete item;
  }
  adjustSize();
  if (!isVisible()) {
    // Top right of the work area, where desktops put their notifications.
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
      const QRect work = s->availableGeometry();
      move(work.right() - width() - 16, work.top() + 16);
    }
    show();
  }
  raise();
  // It never takes the focus, so a screen reader is told of it as an alert.
  row->setAccessibleName(note.summary + QLatin1Char(' ') + note.body);
  QAccessibleEvent alert(row, QAccessible::Alert);
  QAccessible::updateAccessibility(&alert);
}

}  // namespace plandor
