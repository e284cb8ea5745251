#pragma once
// The schedule pad: one item of the open day, edited to the minute and
// stored into its slot of the pad table with "一時保存" or "変更".
#include <QCheckBox>
#include <QPushButton>
#include <functional>
#include <memory>
#include <optional>

#include "daymodel.h"
#include "padframe.h"
#include "recovery.h"

class QAction;

namespace plandor {

class TSchedPadFrame;

// What only schedule pads need.
struct SchedPadContext {
  PadContext& pads;
  DayModel& day;
  QAction* routineEntry = nullptr;  // the main window's command
  std::function<void()> typed = [] {};  // after each edit a pad's store has not taken
  // The pad with controls that paints the pads without (made at first need).
  std::shared_ptr<TSchedPadFrame> likeness = nullptr;
};

class TSchedPadFrame final : public PadFrameBase {
  Q_OBJECT
 public:
  TSchedPadFrame(SchedPadContext& context, QWidget* parent);
  static constexpr int kWidth = 295, kHeight = 80;

  // Back to the values of a frame just made.
  void reset();
  // A stored pad, shown from its record (load and rebuild). Its number is
  // its slot's, whatever the record says: edits must reach that slot.
  void showRecord(int slot, const PadRecord& p);
  // The pad moved in time: its times and place from its record, the rest
  // (and the focus) as it is.
  void showTimes(const PadRecord& p);
  // A new pad from a drag: number, times and position; the rest initial.
  void showNew(int padNo, PadTime start, PadTime end, int left, int top);

  // True when the pad's edits were stored, or there were none.
  bool btnSaveClick();
  bool btnReviseClick();
  // Stores typed edits through 一時保存 (a pad never stored) or 変更; false
  // when the pad refused them (its message shown).
  bool storeEdits();
  // The pad holds what its record does not: it was never stored, or its
  // controls were changed since.
  bool hasEdits() const { return face().canSave || edited_; }
  // What a store of the typed edits would write, when it would be accepted.
  std::optional<PadStoreResult> draft() const;
  // The controls as typed, for the recovery file when the pad's store
  // would refuse them; shown again, as typed edits, after a restore.
  TypedPad typedState() const;
  void showTyped(const TypedPad& t);
  void bitMoveUpClick();
  void bitMoveDownClick();

  PadPart<QPushButton> btnSave{this};
  PadPart<QPushButton> btnRevise{this};
  PadPart<QPushButton> bitMoveUp{this};
  PadPart<QPushButton> bitMoveDown{this};
  PadPart<QCheckBox> chbCompleted{this};
  QAction* pmiRoutine = nullptr;

 protected:
  void FrameEnter() override;
  QList<QWidget*> keyOrder() const override;
  void addControls() override;
  void readControls(PadFace& f) const override;
  void fillControls(const PadFace& f) override;
  PadFrameBase& likeness() override;

 private:
  SchedEntry schedEntry() const;
  // Shows the verdict of a store and keeps what it accepted; false when
  // the entry was refused.
  bool apply(const PadStoreResult& r, const char* orderRefused);

  void editedByUser();
  void setEdited(bool edited);

  SchedPadContext& ctx_;
  bool edited_ = false;
};

}  // namespace plandor
