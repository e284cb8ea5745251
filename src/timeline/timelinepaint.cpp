#include "timelinepaint.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QtMath>
#include <algorithm>

#include "draggesture.h"
#include "timeaxis.h"
#include "widgetsupport.h"

namespace plandor {

const QColor kTimeColumnColor(215, 228, 242);

namespace {

// Hour labels, one character per full hour from 07:00 to 06:00.
constexpr char kLabels[] = "789AB0123456789AB0123456";

}  // namespace

TimeColumn::TimeColumn(QWidget* parent) : QWidget(parent) {
  fillBackground(this, kTimeColumnColor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TimeColumn::paintEvent(QPaintEvent* e) {
  const QRect r = e->rect();
  QPainter p(this);
  p.fillRect(r, kTimeColumnColor);
  QFont f = font();
  f.setPixelSize(12);
  f.setBold(true);
  p.setFont(f);
  const QFontMetrics fm(f);
  p.setBackground(kTimeColumnColor);
  p.setBackgroundMode(Qt::OpaqueMode);
  auto text = [&](int x, int y, const QString& s, const QColor& c) {
    if (y > r.bottom() || y + fm.height() <= r.top()) return;
    p.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), kTimeColumnColor);
    p.setPen(c);
    p.drawText(x, y + fm.ascent(), s);
  };

  // Labels reach 5 rows above their tick and a text height below it.
  const int first = std::max(1, (r.top() - fm.height()) / 10);
  const int last = std::min(288, (r.bottom() + 6) / 10 + 1);
  for (int i = first; i <= last; ++i) {
    const int y = i * 10;
    const QColor textColor = fromColorRef(kBandTextColor[i <= 72 ? 0 : i <= 144 ? 1 : i <= 216 ? 2 : 3]);
    int x0, x1;
    if (i % 12 == 0) x0 = 0, x1 = 20;
    else if (i % 6 == 0) x0 = 3, x1 = 17;
    else if (i % 2 == 0) x0 = 6, x1 = 14;
    else x0 = 8, x1 = 12;
    p.setPen(QPen(Qt::white, 1));
    p.drawLine(x0, y, x1 - 1, y);
    if (i % 12 == 0) {
      const char c = kLabels[i / 12 - 1];
      if (c == 'A') text(4, y - 5, QStringLiteral("10"), textColor);
      else if (c == 'B') text(4, y - 5, QStringLiteral("11"), textColor);
      else text(7, y - 5, QString(QLatin1Char(c)), textColor);
    }
  }
  const struct { int y; const char* s; int band; } captions[] = {
      {5, "AM", 0}, {725, "PM", 1}, {1445, "PM", 2}, {2165, "AM", 3}};
  for (const auto& c : captions) text(1, c.y, QLatin1String(c.s), fromColorRef(kBandTextColor[c.band]));
}

PadPane::PadPane(bool right, QWidget* parent) : QWidget(parent), right_(right) {
  fillBackground(this, Qt::white);  // the container shows below the last band
}

void PadPane::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  const QRect r = e->rect();
  const int shift = right_ ? 1 : 0;
  for (int band = 0; band < 4; ++band) {
    // The right pane's first band is one row taller, each later one starts a row lower.
    const int top = band == 0 ? 0 : band * 720 + shift;
    const int bottom = (band + 1) * 720 + shift + (band == 3 && !right_ ? 1 : 0);
    const QRect rect = QRect(0, top, 300, bottom - top).intersected(r);
    if (!rect.isEmpty()) p.fillRect(rect, fromColorRef(kBandPaneColor[band]));
  }
}

DragArea::DragArea(Side side, const BarRecord (&bars)[kPadSlots], QWidget* parent)
    : QWidget(parent), side_(side), bars_(bars) {
  fillBackground(this, Qt::white);
  setCursor(Qt::CrossCursor);
  setMouseTracking(true);  // the pointer's shape over the bars
}

void DragArea::showPreview(int slot, int top, int bottom) {
  const int oldTop = previewSlot_ == slot ? previewTop_ : bars_[slot].TopY;
  const int oldBottom = previewSlot_ == slot ? previewBottom_ : bars_[slot].BottomY;
  previewSlot_ = slot, previewTop_ = top, previewBottom_ = bottom;
  updateRows(std::min(oldTop, top), std::max(oldBottom, bottom));
}

void DragArea::endPreview() {
  if (previewSlot_ < 0) return;
  const int slot = previewSlot_;
  previewSlot_ = -1;
  updateRows(std::min(previewTop_, bars_[slot].TopY), std::max(previewBottom_, bars_[slot].BottomY));
}

void DragArea::updateRows(int top, int bottom) {
  top = std::clamp(top, 0, kDayRows), bottom = std::clamp(bottom, 0, kDayRows);
  if (bottom > top) update(0, top, width(), bottom - top);
}

void DragArea::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  const QRect r = e->rect();
  const char mine = sideLetter();
  const int left = side_ == Side::Left ? 0 : 1;
  // Higher pad numbers are painted last and stay on top.
  for (int slot = 0; slot < kPadSlots; ++slot) {
    const BarRecord& b = bars_[slot];
    if (b.TopY == -1 || b.Side.raw() != std::string_view(&mine, 1)) continue;
    const bool dragged = slot == previewSlot_;
    // Rows from a file may lie anywhere; only the strip is drawn.
    const int top = std::clamp(dragged ? previewTop_ : b.TopY, 0, kDayRows);
    const int bottom = std::clamp(dragged ? previewBottom_ : b.BottomY, 0, kDayRows);
    // Rows TopY to BottomY - 1: an end above the start (a routine shown as
    // stored) covers none; Qt would flip the rectangle.
    if (bottom <= top) continue;
    const QRect bar(left, top, 11, bottom - top);
    const QRect visible = bar.intersected(r);
    if (!visible.isEmpty()) p.fillRect(visible, fromColorRef(static_cast<std::uint32_t>(b.Color)));
  }
}

// On a scaled screen the pointer can stand on the lower half of a row; Qt
// rounds the widget's position of it into the next row (for an odd row, the
// next minute). The window's position keeps the fraction that rounding took:
// the row is the one painted under the pointer.
static int rowAt(const QMouseEvent* e) {
  const qreal scene = e->scenePosition().y();
  return qFloor(e->position().y() + (scene - qRound(scene)));
}

void DragArea::mousePressEvent(QMouseEvent* e) { emit pressed(e->button(), rowAt(e)); }

void DragArea::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() != Qt::NoButton) {
    emit moved(rowAt(e));
    return;
  }
  switch (hitBar(bars_, sideLetter(), rowAt(e)).grip) {
    case BarGrip::None:
      setCursor(Qt::CrossCursor);
      break;
    case BarGrip::Move:
      setCursor(Qt::SizeAllCursor);
      break;
    case BarGrip::Start:
    case BarGrip::End:
      setCursor(Qt::SizeVerCursor);
      break;
  }
}

void DragArea::mouseReleaseEvent(QMouseEvent* e) { emit released(e->button(), rowAt(e)); }

}  // namespace plandor
