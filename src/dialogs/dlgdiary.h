#pragma once
// The diary pad: two titled entries of the open day. Its 一時保存 hands the
// entries to the caller, who gives them to the day.
#include <QDialog>
#include <functional>

#include "listfile.h"
#include "records.h"

class QPlainTextEdit;
class QPushButton;

namespace plandor {

class ListCombo;

class TdlgDiary final : public QDialog {
  Q_OBJECT
 public:
  TdlgDiary(const DiaryRecord& diary, const ListStore& lists, QWidget* parent = nullptr);

  void btnSaveDiaryClick();
  // The entries as the boxes hold them now.
  DiaryRecord entered() const;
  // Called when the user types, so that typed work can be kept.
  std::function<void()> typed = [] {};
  // The user has typed since the dialog opened.
  bool typedInto() const { return typedInto_; }

  ListCombo* cmbTitle1;
  QPlainTextEdit* memContent1;
  ListCombo* cmbTitle2;
  QPlainTextEdit* memContent2;
  QPushButton* btnSaveDiary;
  QPushButton* btnCancelDiary;

 protected:
  // Ctrl+Tab types a tab into a content box; Tab moves on.
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void userTyped();

  DiaryRecord diary_;
  bool typedInto_ = false;
 public:
  // After 一時保存: the entries taken.
  const DiaryRecord& diary() const { return diary_; }
};

}  // namespace plandor
