#pragma once
// What the schedule pad and the routine pad share: the two time rows, the
// keyword and description boxes, the colour box, the number box with the
// slot it stands for, the selection mark and the memo command.
#include <QFrame>
#include <QLineEdit>
#include <QMenu>
#include <cstdint>
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

// One of a pad's controls. A pad nobody works in paints itself and has no
// controls: the first use of any of them makes them all, so callers reach
// them as plain pointers.
template <class T>
class PadPart {
 public:
  explicit PadPart(PadFrameBase* pad) : pad_(pad) {}
  PadPart(const PadPart&) = delete;
  PadPart& operator=(const PadPart&) = delete;
  PadPart& operator=(T* made) {
    p_ = made;
    return *this;
  }
  T* get() const;
  T* operator->() const { return get(); }
  operator T*() const { return get(); }
  // Null while the pad is painted.
  T* made() const { return p_; }

 private:
  PadFrameBase* pad_;
  T* p_ = nullptr;
};

struct PadTimeFace {
  QString hour;
  int minute = 0;
  bool pm = false;
};

// What a pad shows, held by the pad while it has no controls.
struct PadFace {
  QString number = QStringLiteral("No");
  PadTimeFace start{QStringLiteral("8")}, end{QStringLiteral("8")};
  QString keyword = QString::fromUtf8("キーワード"), content = QString::fromUtf8("説明");
  std::int32_t color = 0;  // black
  bool mark = false;
  // Schedule pads only.
  bool completed = false, canSave = true, canRevise = true;
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

  // The controls, made when the pad gains the focus or the pointer, when a
  // screen reader asks for them, or when any of them is used; until then
  // the pad paints what they would show.
  void makeControls();
  bool hasControls() const { return made_; }

  PadPart<QFrame> Panel1{this};
  PadPart<TimeRow> Panel2{this};  // start
  PadPart<TimeRow> Panel3{this};  // end
  PadPart<ListCombo> cmbKeyword{this};
  PadPart<ListCombo> cmbContent{this};
  PadPart<ColorBox> colorBox{this};
  PadPart<QLineEdit> edtPadNo{this};
  PadPart<MarkPanel> pnlPMenu{this};
  PadPart<QMenu> pumPadFrame{this};
  PadPart<QAction> pmiMemo{this};

 protected:
  // The focus entered or left the pad.
  virtual void FrameEnter();
  virtual void FrameExit();
  // The pad's controls take no Tab of their own (a click focuses them);
  // from the keyboard, Tab walks them in this order and then leaves the pad.
  virtual QList<QWidget*> keyOrder() const;
  // The kind's own controls, into Panel1, and where the shared ones sit.
  virtual void addControls() = 0;
  // The kind's share of the face, to and from its controls.
  virtual void readControls(PadFace& f) const { Q_UNUSED(f); }
  virtual void fillControls(const PadFace& f) { Q_UNUSED(f); }
  // A pad of this kind with controls, never shown, that paints painted pads.
  virtual PadFrameBase& likeness() = 0;
  bool focusNextPrevChild(bool next) override;
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  // Right click on these opens the popup menu.
  void offerPopup(QWidget* w);
  static void setFontPixels(QWidget* w, int px);

  // The slot alone; the number shown comes with the face.
  void setSlot(int slot) { slot_ = slot; }
  // What the pad shows: read from its controls once they are made.
  PadFace face() const;
  // The shared fields of a record, as showCommon shows them.
  template <class Record>
  static void faceOf(const Record& r, bool placeholders, PadFace& f);
  // Shows `f`, in the controls when they are made; not an edit.
  void setFace(const PadFace& f);

  PadContext& context_;
  bool filling_ = false;  // controls set by the program, not typed
  bool likeness_ = false;  // paints other pads: never shown, never named

 private:
  void focusChanged(QWidget* old, QWidget* now);
  bool holds(QWidget* w) const;
  void setMark(bool on);
  void fillCommon(const PadFace& f);
  void showMarkPanel(bool on);

  PadKind kind_;
  int slot_ = -1;
  bool asking_ = false;  // a question about this pad is on screen
  bool made_ = false;
  PadFace face_;  // what the pad shows while it has no controls
};

template <class T>
T* PadPart<T>::get() const {
  pad_->makeControls();
  return p_;
}

template <class Record>
void PadFrameBase::showCommon(const Record& r, bool placeholders) {
  PadFace f = face();
  faceOf(r, placeholders, f);
  setFace(f);
}

template <class Record>
void PadFrameBase::faceOf(const Record& r, bool placeholders, PadFace& f) {
  auto text = [placeholders](const auto& field, const char* placeholder) {
    return field.empty() && placeholders ? QString::fromUtf8(placeholder) : QString::fromStdString(field.text());
  };
  f.keyword = text(r.Keyword, "キーワード");
  f.content = text(r.Content, "説明");
  f.color = r.Color;
  f.start = {QString::number(r.StartHour), r.StartMinute, r.StartPM == 1};
  f.end = {QString::number(r.EndHour), r.EndMinute, r.EndPM == 1};
}

}  // namespace plandor
