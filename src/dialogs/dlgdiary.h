#pragma once
// The diary pad: two titled entries of the open day, kept in memory until
// the day is saved.
#include <QDialog>

#include "listfile.h"
#include "records.h"

class QPlainTextEdit;
class QPushButton;

namespace plandor {

class ListCombo;

class TdlgDiary final : public QDialog {
  Q_OBJECT
 public:
  TdlgDiary(DiaryRecord& diary, const ListStore& lists, QWidget* parent = nullptr);

  void btnSaveDiaryClick();

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
  DiaryRecord& diary_;
};

}  // namespace plandor
