#pragma once
// The memo of a schedule pad or a routine pad: the caller hands over the
// 255-byte field to edit, the caption and the pad number to show, and
// takes the memo back after 一時保存.
#include <QDialog>
#include <functional>

#include "codec.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace plandor {

class TdlgPadMemo final : public QDialog {
  Q_OBJECT
 public:
  TdlgPadMemo(const ShortText<255>& memo, const QString& caption, int number, QWidget* parent = nullptr);

  void btnSavePadMemoClick();
  // The memo as typed so far, cut as 一時保存 would cut it.
  ShortText<255> entered() const;
  // Called when the user types, so that typed work can be kept.
  std::function<void()> typed = [] {};
  // The user has typed since the dialog opened.
  bool typedInto() const { return typedInto_; }

  QPlainTextEdit* memPadMemo;
  QLineEdit* edtPadMemoNum;
  QPushButton* btnSavePadMemo;
  QPushButton* btnCancelPadMemo;

 private:
  ShortText<255> memo_;
  bool typedInto_ = false;
 public:
  const ShortText<255>& memo() const { return memo_; }
};

}  // namespace plandor
