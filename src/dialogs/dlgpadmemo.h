#pragma once
// The memo of a schedule pad or a routine pad; which table it belongs to
// is told by MemoTarget ("Schedule" or "Routine").
#include <QDialog>
#include <string>

#include "records.h"
#include "routinefile.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace plandor {

class TdlgPadMemo final : public QDialog {
  Q_OBJECT
 public:
  TdlgPadMemo(PadTable& pads, RoutineSet& routines, const std::string& memoTarget, QWidget* parent = nullptr);

  // Shows the memo of pad or routine number `n` from the table MemoTarget names.
  void open(int n);
  void btnSavePadMemoClick();

  QPlainTextEdit* memPadMemo;
  QLineEdit* edtPadMemoNum;
  QPushButton* btnSavePadMemo;
  QPushButton* btnCancelPadMemo;

 private:
  ShortText<255>& memo(int n);
  PadTable& pads_;
  RoutineSet& routines_;
  const std::string& memoTarget_;
};

}  // namespace plandor
