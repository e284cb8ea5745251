#include "dlgreminder.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "reminderschedule.h"

namespace plandor {

QString leadCaption(int lead) {
  if (lead == kNoReminders) return QStringLiteral("なし");
  if (lead == 0) return QStringLiteral("開始時刻");
  if (lead % 60 == 0) return QStringLiteral("%1時間前").arg(lead / 60);
  return QStringLiteral("%1分前").arg(lead);
}

TdlgReminder::TdlgReminder(int lead, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgReminder"));
  setWindowTitle(QStringLiteral("リマインダー"));
  auto* layout = new QVBoxLayout(this);
  auto* text = new QLabel(QStringLiteral("今日のスケジュール・パッドの開始前に,デスクトップの通知でお知らせします.\n"
                                         "[完了]のパッドはお知らせしません."),
                          this);
  layout->addWidget(text);
  auto* group = new QGroupBox(QStringLiteral("お知らせする時刻"), this);
  auto* choices = new QVBoxLayout(group);
  auto* buttons = new QButtonGroup(this);
  for (int l : kLeadChoices) {
    auto* b = new QRadioButton(leadCaption(l), group);
    b->setObjectName(QStringLiteral("rdbLead%1").arg(l == kNoReminders ? QStringLiteral("None") : QString::number(l)));
    b->setProperty("lead", l);
    b->setChecked(l == lead);
    if (l == lead) b->setFocus();  // a Space must not change the choice
    buttons->addButton(b);
    choices->addWidget(b);
  }
  layout->addWidget(group);
  auto* box = new QDialogButtonBox(this);
  QPushButton* ok = box->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  box->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("btnCancel"));
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(box);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QRadioButton* TdlgReminder::choice(int lead) const {
  for (auto* b : findChildren<QRadioButton*>())
    if (b->property("lead").toInt() == lead) return b;
  return nullptr;
}

int TdlgReminder::lead() const {
  for (auto* b : findChildren<QRadioButton*>())
    if (b->isChecked()) return b->property("lead").toInt();
  return kDefaultLead;
}

}  // namespace plandor
