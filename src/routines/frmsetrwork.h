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

 private:
  void FormShow();
  void FormClose();
  void placePads();
  void focusLastPad();

  RoutinePadContext& ctx_;
  std::function<void(int)> showCount_;
  bool shownOnce_ = false;
};

}  // namespace plandor
