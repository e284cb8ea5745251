#pragma once
// The schedule pad: one item of the open day, edited to the minute and
// stored into its slot of the pad table with "一時保存" or "変更".
#include <QCheckBox>
#include <QPushButton>
#include <functional>

#include "daystore.h"
#include "padframe.h"

class QAction;

namespace plandor {

// What only schedule pads need.
struct SchedPadContext {
  PadContext& pads;
  DayStore& day;
  int& selectedPad;
  std::function<void()> repaintBars;  // both drag areas
  QAction* routineEntry = nullptr;    // the main window's command
};

class TSchedPadFrame final : public PadFrameBase {
  Q_OBJECT
 public:
  TSchedPadFrame(SchedPadContext& context, QWidget* parent);
  static constexpr int kWidth = 295, kHeight = 80;

  // Back to the values of a frame just made.
  void reset();
  // A stored pad, shown from its record (load and rebuild).
  void showRecord(const PadRecord& p);
  // A new pad from a drag: number, times and position; the rest initial.
  void showNew(int padNo, PadTime start, PadTime end, int left, int top);

  void btnSaveClick();
  void btnReviseClick();
  void bitMoveUpClick();
  void bitMoveDownClick();

  QPushButton* btnSave;
  QPushButton* btnRevise;
  QPushButton* bitMoveUp;
  QPushButton* bitMoveDown;
  QCheckBox* chbCompleted;
  QAction* pmiRoutine = nullptr;

 protected:
  void FrameEnter() override;
  QList<QWidget*> keyOrder() const override;

 private:
  SchedEntry schedEntry() const;
  // Shows the verdict of a store and keeps what it accepted; false when
  // the entry was refused.
  bool apply(const PadStoreResult& r, const char* orderRefused);

  SchedPadContext& ctx_;
};

}  // namespace plandor
