#pragma once
// Controls shared by the schedule pad and the routine pad: the two time
// rows, the keyword and description boxes, the colour box, the number box,
// the selection mark and the memo menu, with the focus handling around them.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <functional>
#include <optional>

#include "colorbox.h"
#include "listcombo.h"

namespace plandor {

class ListStore;

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

// "開始" or "終了" with hour, minute and PM flag.
class TimeRow final : public QFrame {
  Q_OBJECT
 public:
  TimeRow(const char* name, const char* upper, const char* lower, int hourHeight, int minuteHeight, QWidget* parent);

  QComboBox* cmbHour;
  MinuteSpin* speMinute;
  QCheckBox* chbPM;

  void show(int hour, int minute, bool pm);
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

// An integer as the hour boxes hold it: optional blanks, a sign, digits.
std::optional<int> parseInteger(const QString& text);

class PadFrameBase : public QFrame {
  Q_OBJECT
 public:
  PadFrameBase(const ListStore& lists, QWidget* parent);
  ~PadFrameBase() override;

  // The slot this pad stands for, from its number box.
  int slot() const { return edtPadNo->text().toInt() - 1; }

  QFrame* Panel1;
  TimeRow* Panel2;  // start
  TimeRow* Panel3;  // end
  ListCombo* cmbKeyword;
  ListCombo* cmbContent;
  ColorBox* colorBox;
  QLineEdit* edtPadNo;
  MarkPanel* pnlPMenu;
  QMenu* pumPadFrame;
  QAction* pmiMemo;

 protected:
  // The focus entered or left the pad.
  virtual void FrameEnter();
  virtual void FrameExit();
  // Right click on these opens the popup menu.
  void offerPopup(QWidget* w);
  static void setFontPixels(QWidget* w, int px);

 private:
  void focusChanged(QWidget* old, QWidget* now);
  bool holds(QWidget* w) const;
};

}  // namespace plandor
