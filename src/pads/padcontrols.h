#pragma once
// The small controls of both pads: the minute box, a time row and the
// selection mark.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QSpinBox>
#include <array>

#include "listcombo.h"

namespace plandor {

// A minute box: -1..60, wrapping within the hour (59 up -> 0, 0 down -> 59,
// emptied -> 59).
class MinuteSpin final : public QSpinBox {
  Q_OBJECT
 public:
  explicit MinuteSpin(QWidget* parent = nullptr);

 protected:
  QValidator::State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

 private:
  void speMinuteChange();
};

// "開始" or "終了" with hour, minute and PM flag. The row's one-character
// captions are painted by the row itself: as widgets they cost a frame
// eight labels, and a screen reader met them as controls of their own (the
// boxes carry the names).
class TimeRow final : public QFrame {
  Q_OBJECT
 public:
  TimeRow(const char* name, const char* upper, const char* lower, int hourHeight, int minuteHeight, QWidget* parent);

  LazyCombo* cmbHour;
  MinuteSpin* speMinute;
  QCheckBox* chbPM;

  void show(int hour, int minute, bool pm);

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  struct Caption {
    QPoint at;  // top left, as a label's would be
    QString text;
    QRect rect{};  // where it is drawn in the font it was measured in
  };
  std::array<Caption, 4> captions_;
  QFont measured_;  // the font the rects were measured in
};

// The white mark panel: "◆" while the pad holds the focus.
class MarkPanel final : public QLabel {
  Q_OBJECT
 public:
  explicit MarkPanel(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* e) override;
};

}  // namespace plandor
