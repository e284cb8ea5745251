#include "dayview.h"

#include <QApplication>
#include <algorithm>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QPainter>
#include <QShortcut>
#include <QToolTip>
#include <QTimer>
#include <QWheelEvent>

#include "widgetsupport.h"

namespace plandor {
namespace {

const QColor kCream(255, 251, 240);

template <class W>
W* place(W* w, const char* name, QRect r) {
  w->setObjectName(QLatin1String(name));
  w->setGeometry(r);
  return w;
}

}  // namespace

TDayView::TDayView(SchedPadContext& context, QWidget* parent) : QScrollArea(parent), ctx_(context) {
  setObjectName(QStringLiteral("ScrollBox1"));
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setWidgetResizable(false);
  // The strip itself is nothing to a keyboard or a screen reader: Tab
  // reaches the pads, and a command leaves the focus on one (or on 保存).
  setFocusPolicy(Qt::NoFocus);
  buildStrip();
  // One turn of the event loop after a paint: that paint is on screen.
  makeAfterPaint_ = new QTimer(this);
  makeAfterPaint_->setSingleShot(true);
  makeAfterPaint_->setInterval(0);
  connect(makeAfterPaint_, &QTimer::timeout, this, &TDayView::makeWaitingFrames);
  // The wheel scrolls the timeline wherever it turns; input meets waiting frames.
  qApp->installEventFilter(this);
  const struct {
    QKeySequence key;
    std::function<void()> run;
  } keys[] = {
      {QKeySequence(Qt::Key_F6), [this] { focusNextPad(true); }},
      {QKeySequence(Qt::SHIFT | Qt::Key_F6), [this] { focusNextPad(false); }},
      {QKeySequence(Qt::CTRL | Qt::Key_N), [this] { newPadFromKeyboard(false); }},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), [this] { newPadFromKeyboard(true); }},
      {QKeySequence(Qt::ALT | Qt::Key_Up), [this] { stepPadTimes(focusedPad(), BarGrip::Move, -1); }},
      {QKeySequence(Qt::ALT | Qt::Key_Down), [this] { stepPadTimes(focusedPad(), BarGrip::Move, 1); }},
      {QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Up), [this] { stepPadTimes(focusedPad(), BarGrip::End, -1); }},
      {QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Down), [this] { stepPadTimes(focusedPad(), BarGrip::End, 1); }},
  };
  for (const auto& k : keys)
    connect(new QShortcut(k.key, this, nullptr, nullptr, Qt::WindowShortcut), &QShortcut::activated, this, k.run);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TDayView::makeFramesInView);
  // One wake-up a minute, just after the minute turns.
  minuteTimer_ = new QTimer(this);
  minuteTimer_->setSingleShot(true);
  minuteTimer_->setTimerType(Qt::PreciseTimer);
  connect(minuteTimer_, &QTimer::timeout, this, &TDayView::showNow);
  showNow();
  listener_ = ctx_.day.listen([this](DayModel::Change c, int slot) { dayChanged(c, slot); });
  // A pad holds typed edits while it has a frame that says so; a slot
  // whose frame waits, or has none, holds nothing.
  typedEdits_ = ctx_.day.addTypedEdits(
      [this](int slot) { return slot >= 0 && PadFrameTable[slot] && PadFrameTable[slot]->hasEdits(); });
}

TDayView::~TDayView() {
  ctx_.day.removeTypedEdits(typedEdits_);
  ctx_.day.unlisten(listener_);
  qApp->removeEventFilter(this);
}

void TDayView::dayChanged(DayModel::Change change, int slot) {
  using C = DayModel::Change;
  // A bar dragged while its day changes under it (a reminder opens another
  // day, a command from the keyboard) is dropped.
  if (barDrag_ && change != C::Pending && change != C::Saved && change != C::Diary && change != C::Memo)
    cancelBarDrag();
  switch (change) {
    case C::Opened:
      buildPadFrames();
      repaintDragAreas();
      showNow();
      break;
    case C::Replaced:
      syncPadFrames();
      repaintDragAreas();
      break;
    case C::PadMade: {
      makePadFrame(slot);
      TSchedPadFrame* pad = PadFrameTable[slot];
      pad->raise();
      if (pnlIniHint->isVisible()) pnlIniHint->raise();
      // Typing goes straight into the keyword, over its placeholder text.
      pad->cmbKeyword->setFocus(Qt::OtherFocusReason);
      if (QLineEdit* edit = pad->cmbKeyword->lineEdit()) edit->selectAll();
      break;
    }
    case C::PadStored:
    case C::Memo:
      // The frame shows what it stored; only the bars follow.
      shown_[slot] = {ctx_.day.pad(slot), ctx_.day.fresh(slot), ctx_.day.bar(slot)};
      repaintDragAreas();
      break;
    case C::PadMoved: {
      // Only the rows the bar left and took are painted again.
      const BarRecord& was = shown_[slot].bar;
      const BarRecord& bar = ctx_.day.bar(slot);
      DragArea* area = bar.Side.raw() == "R" ? pbxTimeR : pbxTimeL;  // a move keeps the side
      area->updateRows(was.TopY, was.BottomY);
      area->updateRows(bar.TopY, bar.BottomY);
      shown_[slot] = {ctx_.day.pad(slot), ctx_.day.fresh(slot), bar};
      if (PadFrameTable[slot])
        PadFrameTable[slot]->showTimes(ctx_.day.pad(slot));
      else
        makeFramesInView();
      break;
    }
    case C::Diary:
    case C::Saved:
    case C::Pending:
      break;
  }
}

void TDayView::buildStrip() {
  // The scrolled content is 2888 rows; pnlBase sits at -10, -8 inside it,
  // so the view's top row of pnlBase is the scroll position + 8.
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("qt_scrollbox_content"));
  content->resize(650, kDayRows + 8);
  fillBackground(content, kSkyBlue);
  setWidget(content);

  pnlBase = place(new QWidget(content), "pnlBase", QRect(-10, -8, 670, kDayRows + 24));
  fillBackground(pnlBase, kSkyBlue);
  pnlFrame = panel(pnlBase, "pnlFrame", QRect(10, 10, 650, kDayRows + 4), Qt::white, QFrame::Box | QFrame::Plain);
  pbxFrameL = place(new PadPane(false, pnlFrame), "pbxFrameL", QRect(1, 1, 300, kDayRows + 2));
  pnlTime = panel(pnlFrame, "pnlTime", QRect(301, 1, 48, kDayRows + 2), kTimeColumnColor, QFrame::Box | QFrame::Plain);
  pbxFrameR = place(new PadPane(true, pnlFrame), "pbxFrameR", QRect(349, 1, 300, kDayRows + 2));
  pnlTimeL = place(new QWidget(pnlTime), "pnlTimeL", QRect(1, 1, 12, kDayRows));
  pbxTimeL = place(new DragArea(DragArea::Side::Left, ctx_.day.table().Bars, pnlTimeL), "pbxTimeL",
                   QRect(0, 0, 12, kDayRows));
  pbxTime = place(new TimeColumn(pnlTime), "pbxTime", QRect(13, 1, 21, kDayRows));
  pnlTimeR = place(new QWidget(pnlTime), "pnlTimeR", QRect(34, 1, 13, kDayRows));
  pbxTimeR = place(new DragArea(DragArea::Side::Right, ctx_.day.table().Bars, pnlTimeR), "pbxTimeR",
                   QRect(0, 0, 13, kDayRows));
  fillBackground(pnlTimeL, Qt::white);
  fillBackground(pnlTimeR, Qt::white);
  for (DragArea* a : {pbxTimeL, pbxTimeR}) {
    const int left = a == pbxTimeL ? 4 : 351;
    connect(a, &DragArea::pressed, this, [this, a](Qt::MouseButton b, int y) {
      // Another button, also during a drag, starts nothing.
      if (b != Qt::LeftButton || grabBar(a, b, y)) return;
      press_ = Press::Create;
      pbxTimeMouseDown(b, y);
    });
    connect(a, &DragArea::moved, this, [this](int y) {
      if (press_ == Press::Bar) followBar(y);
      else if (press_ == Press::Create) pbxTimeMouseMove(y);
    });
    connect(a, &DragArea::released, this, [this, left](Qt::MouseButton b, int y) {
      if (press_ == Press::Create) pbxTimeMouseUp(b, y, left);
      else if (press_ == Press::Bar && b == Qt::LeftButton) dropBar(y);
      if (b == Qt::LeftButton) press_ = Press::Create;
    });
  }
  pbxTime->setCursor(Qt::CrossCursor);
  setHint(pbxFrameL, q("パッド表示ペインです. ここにスケジュール・パッドが表示されます."));
  setHint(pbxFrameR, q("パッド表示ペインです. ここにスケジュール・パッドが表示されます."));
  setHint(pbxTime, q("|時刻表示コラムです. 本日の午前6時00分から翌日の午前5時59分まで表示されます."));
  const char* dragHint =
      "|ドラッグ・エリアです. ここをドラッグして,おおよその期間を設定します. "
      "表示されるスケジュール・パッド上で正確な期間を設定します.";
  setHint(pbxTimeL, q(dragHint));
  setHint(pbxTimeR, q(dragHint));
  setAccessibleName(q("タイムライン"));
  pbxFrameL->setAccessibleName(q("左パッド表示ペイン"));
  pbxFrameR->setAccessibleName(q("右パッド表示ペイン"));
  pbxTime->setAccessibleName(q("時刻表示コラム"));
  pbxTimeL->setAccessibleName(q("左ドラッグ・エリア"));
  pbxTimeR->setAccessibleName(q("右ドラッグ・エリア"));

  pnlIniHint = panel(pnlFrame, "pnlIniHint", QRect(350, 250, 295, 35), kCream, QFrame::Panel | QFrame::Raised);
  lblIniHint = place(new QLabel(pnlIniHint), "lblIniHint", QRect(1, 1, 10, 10));
  for (QWidget* w : {static_cast<QWidget*>(pnlIniHint), static_cast<QWidget*>(lblIniHint)}) {
    setHint(w, q("クリックかキーで消えます|一読した後,クリックするか,いずれかのキーを押して消してください."));
    w->setToolTip(q("クリックかキーで消えます"));
    w->installEventFilter(this);
  }
  pnlIniHint->hide();

  // Black over white: one of the two stands out on any bar or band colour.
  // Under the pads, which are raised over it as they are made.
  QPixmap line(pnlFrame->width() - 2, 2);
  {
    QPainter p(&line);
    p.fillRect(0, 0, line.width(), 1, Qt::black);
    p.fillRect(0, 1, line.width(), 1, Qt::white);
  }
  lblNow = place(new QLabel(pnlFrame), "lblNow", QRect(1, 0, line.width(), 2));
  lblNow->setPixmap(line);
  lblNow->hide();

  lblDragTip = place(new QLabel(pnlFrame), "lblDragTip", QRect(0, 0, 10, 10));
  lblDragTip->setPalette(QToolTip::palette());
  lblDragTip->setAutoFillBackground(true);
  lblDragTip->setFrameStyle(QFrame::Box | QFrame::Plain);
  lblDragTip->setMargin(2);
  lblDragTip->hide();
  // Presses and the pointer's shape belong to what lies under them.
  for (QLabel* l : {lblNow, lblDragTip}) l->setAttribute(Qt::WA_TransparentForMouseEvents);
}

namespace {

bool isInput(QEvent::Type t) {
  switch (t) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool TDayView::eventFilter(QObject* watched, QEvent* e) {
  if (barDrag_ && e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) {
    cancelBarDrag();
    return true;
  }
  if (waiting_.any()) {
    // Input meets every frame in place: what it reaches is what a full build offers.
    if (isInput(e->type())) {
      makeWaitingFrames();
    } else if (e->type() == QEvent::Paint && !makeAfterPaint_->isActive() && watched->isWidgetType() &&
               static_cast<QWidget*>(watched)->window() == window()) {
      makeAfterPaint_->start();
    }
  }
  if (e->type() == QEvent::Wheel && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == window()) {
    // Wheel events reach every widget up the chain; scroll once per step.
    auto* w = static_cast<QWheelEvent*>(e);
    wheelRemainder_ += w->angleDelta().y();
    const int steps = wheelRemainder_ / 120;
    wheelRemainder_ -= steps * 120;
    if (steps != 0) ScrollBox1MouseWheel(-steps);
    return true;
  }
  if ((watched == pnlIniHint || watched == lblIniHint) && e->type() == QEvent::MouseButtonRelease) pnlIniHintClick();
  // From the keyboard: any key (Escape among them) puts the hint away and
  // still does its own work.
  if (e->type() == QEvent::KeyPress && pnlIniHint->isVisible() && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == window())
    pnlIniHintClick();
  return QScrollArea::eventFilter(watched, e);
}

void TDayView::showIniHint(const QString& text) {
  lblIniHint->setText(text);
  lblIniHint->adjustSize();
  pnlIniHint->resize(lblIniHint->width() + 2, lblIniHint->height() + 2);
  // Whole, whatever the font makes of the lines: a hint wider than the room
  // right of 351 moves left until it ends at the right pane's edge.
  const int right = pbxFrameR->geometry().right();
  pnlIniHint->move(std::max(pnlFrame->contentsRect().left(), std::min(351, right + 1 - pnlIniHint->width())), 303);
  pnlIniHint->show();
  pnlIniHint->raise();
}

void TDayView::pnlIniHintClick() { pnlIniHint->hide(); }

void TDayView::resizeEvent(QResizeEvent* e) {
  QScrollArea::resizeEvent(e);
  // Not the size the view had while hidden, delivered as it is shown: the
  // window has not yet scrolled to where it opens.
  if (e->oldSize().isValid()) makeFramesInView();
}

bool TDayView::focusNextPrevChild(bool next) {
  // A pad hidden with the focus (a rebuild, a removal) hands it on without
  // scrolling the view away; Tab to a pad brings it into view.
  const QWidget* from = QApplication::focusWidget();
  if (from && !from->isVisible()) return QWidget::focusNextPrevChild(next);
  return QScrollArea::focusNextPrevChild(next);
}

void TDayView::repaintDragAreas() {
  pbxTimeL->update();
  pbxTimeR->update();
}

void TDayView::showNow() {
  const LocalDateTime now = ctx_.pads.platform.now();
  const PlanMoment m = planMoment(now);
  const std::optional<LocalDate> open = ctx_.day.date();
  if (open && *open == m.plan) {
    lblNow->move(lblNow->x(), m.row + 2);  // a container row: the strip starts two rows down
    lblNow->show();
  } else {
    lblNow->hide();
  }
  minuteTimer_->start((60 - std::clamp(now.second, 0, 59)) * 1000);
}

bool TDayView::scrollToNow() {
  if (lblNow->isHidden()) return false;
  // A third of the way down the view: the hours ahead show.
  const int y = lblNow->mapTo(widget(), QPoint(0, 0)).y();
  verticalScrollBar()->setValue(y - viewport()->height() / 3);
  return true;
}

void TDayView::ScrollBox1MouseWheel(int steps) {
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + 20 * steps);
}

}  // namespace plandor
