#pragma once
// The five painted areas of the timeline. Each paints only the rows it is
// asked to, so scrolling repaints just the strip that comes into view.
#include <QColor>
#include <QWidget>
#include <cstdint>

#include "records.h"

namespace plandor {

inline QColor fromColorRef(std::uint32_t c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Background of the time column.
extern const QColor kTimeColumnColor;

// pbxTime: ticks every five minutes, hour labels and the AM/PM captions.
class TimeColumn final : public QWidget {
  Q_OBJECT
 public:
  explicit TimeColumn(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* e) override;
};

// pbxFrameL and pbxFrameR: the band colours behind the pads; the right pane
// changes colour one row lower than the left.
class PadPane final : public QWidget {
  Q_OBJECT
 public:
  PadPane(bool right, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  bool right_;
};

// pbxTimeL and pbxTimeR: the white drag areas with the schedule bars of
// their side. Pointer events are passed on in timeline rows; the pointer
// over a bar shows whether a press would move it or one of its ends.
class DragArea final : public QWidget {
  Q_OBJECT
 public:
  enum class Side { Left, Right };
  DragArea(Side side, const BarRecord (&bars)[kPadSlots], QWidget* parent = nullptr);

  char sideLetter() const { return side_ == Side::Left ? 'L' : 'R'; }
  // While a bar is dragged, it is painted at `rows` instead of its own.
  void showPreview(int slot, int top, int bottom);
  void endPreview();
  // Repaints the rows top..bottom - 1 only.
  void updateRows(int top, int bottom);

 signals:
  void pressed(Qt::MouseButton button, int y);
  void moved(int y);
  void released(Qt::MouseButton button, int y);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  Side side_;
  const BarRecord (&bars_)[kPadSlots];
  int previewSlot_ = -1, previewTop_ = 0, previewBottom_ = 0;
};

}  // namespace plandor
