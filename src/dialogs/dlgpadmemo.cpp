#include "dlgpadmemo.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "widgetsupport.h"
#include "multiline.h"

namespace plandor {
TdlgPadMemo::TdlgPadMemo(const ShortText<255>& memo, const QString& caption, int number, QWidget* parent)
    : QDialog(parent), memo_(memo) {
  setObjectName(QStringLiteral("dlgPadMemo"));
  setWindowTitle(caption);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(392, 166);
  auto* group = new QGroupBox(this);
  group->setObjectName(QStringLiteral("GroupBox1"));
  group->setGeometry(10, 8, 372, 150);
  memPadMemo = new QPlainTextEdit(group);
  memPadMemo->setObjectName(QStringLiteral("memPadMemo"));
  memPadMemo->setGeometry(10, 15, 350, 102);
  memPadMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memPadMemo->setTabChangesFocus(true);
  limitMultilineBytes(memPadMemo, 255);
  setHint(memPadMemo, q("|このスケジュール項目に関連する事項を記入します. 備忘録として使用します. 半角255文字以内"));
  edtPadMemoNum = new QLineEdit(QString::number(number), group);
  edtPadMemoNum->setObjectName(QStringLiteral("edtPadMemoNum"));
  edtPadMemoNum->setGeometry(10, 122, 22, 20);
  edtPadMemoNum->setReadOnly(true);
  edtPadMemoNum->setFocusPolicy(Qt::ClickFocus);
  memPadMemo->setAccessibleName(q("メモ"));
  edtPadMemoNum->setAccessibleName(q("パッドNo"));
  setHint(edtPadMemoNum, q("|スケジュール・パッドNo(スケジュール項目No.)です.\u3000変更不可."));
  btnSavePadMemo = button(group, "btnSavePadMemo", "一時保存して閉じる(&S)", QRect(40, 122, 125, 22),
                          "|メモの内容を一時保存して,このダイアログを閉じます.");
  btnCancelPadMemo = button(group, "btnCancelPadMemo", "キャンセル(&C)", QRect(275, 122, 85, 22),
                            "|このダイアログを閉じます. メモの内容は保存されません.");
  setTabOrder(memPadMemo, btnSavePadMemo);
  setTabOrder(btnSavePadMemo, btnCancelPadMemo);
  connect(btnSavePadMemo, &QPushButton::clicked, this, &TdlgPadMemo::btnSavePadMemoClick);
  connect(btnCancelPadMemo, &QPushButton::clicked, this, &QDialog::reject);
  showInEdit(memPadMemo, showMultiline(memo));
  connect(memPadMemo, &QPlainTextEdit::textChanged, this, [this] {
    typedInto_ = true;
    typed();
  });
  memPadMemo->setFocus();
  move(262, 62);
}

ShortText<255> TdlgPadMemo::entered() const {
  ShortText<255> m = memo_;
  if (editedSinceShown(memPadMemo)) storeMultiline(m, memPadMemo->toPlainText());
  return m;
}

void TdlgPadMemo::btnSavePadMemoClick() {
  memo_ = entered();
  accept();
}

}  // namespace plandor
