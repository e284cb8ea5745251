#pragma once
// The routine settings window: one routine pad per routine of the working
// set, their removal, the save to Routines.rdf and "閉じる" with revert.
#include <QDialog>
#include <array>
#include <functional>

#include "routinepadframe.h"

class QLabel;

namespace plandor {

class TfrmSetRWork final : public QDialog {
  Q_OBJECT
 public:
  // `showCount` puts the routine count on the main window's status bar.
  TfrmSetRWork(RoutinePadContext& context, std::function<void(int)> showCount, QWidget* parent);

  void btnSaveSRWClick();
  void btnCancelSRWClick();
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
  void placePads();
  void focusLastPad();
  // F6 and Shift+F6: the focus to the next (previous) pad.
  void focusNextPad(bool forward);

  RoutinePadContext& ctx_;
  std::function<void(int)> showCount_;
  bool shownOnce_ = false;
};

}  // namespace plandor
