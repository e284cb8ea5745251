#pragma once
// The routine settings window: one routine pad per routine of the working
// set, their removal, the save to Routines.rdf and "閉じる" with revert.
#include <QDialog>
#include <array>
#include <functional>

#include "routinepadframe.h"

class QLabel;

namespace plandor {

// The routine file written from the working set, asked about when another
// program changed it; failures told. True when written.
bool SaveRoutineFile(RoutineStore& routines, Platform& platform);
// "ルーチンの変更を保存しますか?" while the working set differs from the file
// or `typed` says a pad holds typed edits: 保存 (after `storeTyped`, which
// may refuse), 保存しない, キャンセル. False when the caller must stop;
// after 保存しない the working set is as the file holds it.
bool MayDiscardRoutines(RoutineStore& routines, Platform& platform, bool typed = false,
                        const std::function<bool()>& storeTyped = [] { return true; });

class TfrmSetRWork final : public QDialog {
  Q_OBJECT
 public:
  // `showCount` puts the routine count on the main window's status bar.
  TfrmSetRWork(RoutinePadContext& context, std::function<void(int)> showCount, QWidget* parent);

  // True when the file was written.
  bool btnSaveSRWClick();
  void btnCancelSRWClick();
  // Escape: as 閉じる.
  void reject() override;
  void btnRemoveSRWClick();

  std::array<TRoutineWorkFrame*, kRoutineSlots> RoutineFrameTable{};

  QFrame* pnlPadBase;
  QPushButton* btnRemoveSRW;
  QPushButton* btnSaveSRW;
  QPushButton* btnCancelSRW;
  QLabel* pnlCover;

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  // Tab walks every pad in slot order, then the three buttons.
  bool focusNextPrevChild(bool next) override;

 private:
  void FormShow();
  void FormClose();
  // The question before the window closes with changes; false: it stays.
  bool mayClose();
  void placePads();
  void focusLastPad();
  // F6 and Shift+F6: the focus to the next (previous) pad.
  void focusNextPad(bool forward);

  RoutinePadContext& ctx_;
  std::function<void(int)> showCount_;
  bool shownOnce_ = false;
};

}  // namespace plandor
