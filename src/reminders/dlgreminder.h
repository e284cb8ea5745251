#pragma once
// オプション → リマインダー: how long before a pad starts its reminder comes.
#include <QDialog>

class QRadioButton;

namespace plandor {

class TdlgReminder final : public QDialog {
  Q_OBJECT
 public:
  TdlgReminder(int lead, QWidget* parent = nullptr);
  Q_DISABLE_COPY(TdlgReminder)

  int lead() const;  // one of kLeadChoices
  QRadioButton* choice(int lead) const;
};

// "なし", "開始時刻", "5分前" … "1時間前"
QString leadCaption(int lead);

}  // namespace plandor
