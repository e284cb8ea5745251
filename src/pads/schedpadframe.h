#pragma once
// The schedule pad: one item of the open day, edited to the minute and
// stored into its slot of the pad table with "一時保存" or "変更".
#include <QPushButton>
#include <functional>
#include <string>

#include "daystore.h"
#include "padcontrols.h"
#include "platform.h"
#include "timeaxis.h"

class QAction;

namespace plandor {

class ListStore;
class TSchedPadFrame;

// What a pad needs from the program around it.
struct PadContext {
  DayStore& day;
  const ListStore& lists;
  Platform& platform;
  std::string dataFolder;  // for the confirmation sound
  int& selectedPad;
  std::function<void()> repaintBars;                  // both drag areas
  std::function<void(TSchedPadFrame*)> openMemo = {};  // the pad memo dialog
  QAction* routineEntry = nullptr;                    // the main window's command
};

class TSchedPadFrame final : public PadFrameBase {
  Q_OBJECT
 public:
  TSchedPadFrame(PadContext& context, QWidget* parent);

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

 private:
  bool copyStep(BarRecord& b, PadRecord& p);
  void rangeCorrections(BarRecord& b, PadRecord& p);
  void barStep(BarRecord& b, const PadRecord& p);
  void playSaveSound();

  PadContext& ctx_;
};

}  // namespace plandor
