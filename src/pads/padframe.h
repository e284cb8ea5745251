#pragma once
// What the schedule pad and the routine pad share: the two time rows, the
// keyword and description boxes, the colour box, the number box with the
// slot it stands for, the selection mark and the memo command.
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <functional>
#include <string>

#include "colorbox.h"
#include "listcombo.h"
#include "padcontrols.h"
#include "padrules.h"
#include "platform.h"

namespace plandor {

class ListStore;
class PadFrameBase;

enum class PadKind { Schedule, Routine };

// After the refused hour box's text: an hour the dial has not (dialHour).
inline constexpr char kHourOutsideDial[] = "' は時刻(時)に使えません.\r\n0 から 12 までの整数を入力してください.";

// What every pad needs from the program around it.
struct PadContext {
  const ListStore& lists;
  Platform& platform;
  std::string programFolder;                     // for the confirmation sound
  std::function<void(PadFrameBase&)> openMemo;  // the pad memo dialog

  void playSaveSound() const { PlaySaveSound(platform, programFolder); }
};

class PadFrameBase : public QFrame {
  Q_OBJECT
 public:
  PadFrameBase(PadKind kind, PadContext& context, QWidget* parent);
  ~PadFrameBase() override;

  PadKind kind() const { return kind_; }
  // The slot this pad stands for; -1 before it is numbered.
  int slot() const { return slot_; }
  int number() const { return slot_ + 1; }
  void setNumber(int number);

  // The shared controls as entered; `left` is left to the pad.
  PadEntry entry() const;
  // Shows the shared fields of a PadRecord or a RoutineRecord; empty texts
  // show as the default texts when `placeholders` is set.
  template <class Record>
  void showCommon(const Record& r, bool placeholders);
  // The number box, texts, colour and times of a pad just made.
  void resetCommon();
  // A command button took the focus: the mark shows which pad it acts on.
  void showMark() { PadFrameBase::FrameEnter(); }
  // Marks the pad and asks, in a box at left, top, whether to go on with
  // `action` ("を削除します." ...) on pad `number`; a refusal gives the pad
  // the focus back.
  bool confirmOnPad(int number, const char* action, int left, int top);
  // An hour box's text that is no hour (`integer`: a number outside the
  // dial): told with the box and what to type, and the box takes the focus.
  void refuseHour(const std::string& text, bool integer);
  // The accessible name: kind, number, keyword and the times shown, and
  // whether the pad carries the mark.
  void nameYourself();
  // The popup menu at the mark panel (the Menu key, Shift+F10).
  void popupMenu();
  // The controls in the order Tab walks them (enabled and shown ones).
  QList<QWidget*> keyChain() const;

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
  // The pad's controls take no Tab of their own (a click focuses them);
  // from the keyboard, Tab walks them in this order and then leaves the pad.
  virtual QList<QWidget*> keyOrder() const;
  bool focusNextPrevChild(bool next) override;
  // Right click on these opens the popup menu.
  void offerPopup(QWidget* w);
  static void setFontPixels(QWidget* w, int px);

  PadContext& context_;

 private:
  void focusChanged(QWidget* old, QWidget* now);
  bool holds(QWidget* w) const;
  void setMark(bool on);

  PadKind kind_;
  int slot_ = -1;
  bool asking_ = false;  // a question about this pad is on screen
};

template <class Record>
void PadFrameBase::showCommon(const Record& r, bool placeholders) {
  auto text = [placeholders](const auto& field, const char* placeholder) {
    return field.empty() && placeholders ? QString::fromUtf8(placeholder) : QString::fromStdString(field.text());
  };
  cmbKeyword->setEditText(text(r.Keyword, "キーワード"));
  cmbContent->setEditText(text(r.Content, "説明"));
  // A long text shows its beginning, not the end where the cursor was put.
  cmbKeyword->lineEdit()->setCursorPosition(0);
  cmbContent->lineEdit()->setCursorPosition(0);
  colorBox->setColor(r.Color);
  Panel2->show(r.StartHour, r.StartMinute, r.StartPM == 1);
  Panel3->show(r.EndHour, r.EndMinute, r.EndPM == 1);
  nameYourself();
}

}  // namespace plandor
