#include "dlgdiary.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include "widgetsupport.h"
#include "listcombo.h"
#include "multiline.h"

namespace plandor {
TdlgDiary::TdlgDiary(const DiaryRecord& diary, const ListStore& lists, QWidget* parent) : QDialog(parent), diary_(diary) {
  setObjectName(QStringLiteral("dlgDiary"));
  setWindowTitle(q("ダイアリー・パッド"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(392, 366);
  const ListEntries& e = lists.entries;
  const QString titleHint = q("|タイトルを入力します. リストから選択することもできます. 半角31文字以内");
  const QString contentHint = q("|タイトルに応じた内容を記入します. 半角255文字以内");
  // Each box stops at its field's bytes: nothing typed is cut at the save.
  auto entry = [&](const char* caption, int y, const char* name, ListCombo*& title, QPlainTextEdit*& content,
                   std::function<std::vector<std::string>()> items) {
    auto* group = new QGroupBox(q(caption), this);
    group->setGeometry(10, y, 372, 155);
    title = new ListCombo(31, std::move(items), group);
    title->setObjectName(QStringLiteral("cmbTitle") + QLatin1String(name));
    title->setGeometry(10, 20, 350, 20);
    setHint(title, titleHint);
    nameAfter(title, group->title() + q(" タイトル"));
    content = new QPlainTextEdit(group);
    content->setObjectName(QStringLiteral("memContent") + QLatin1String(name));
    content->setGeometry(10, 45, 350, 102);
    content->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    limitMultilineBytes(content, 255);
    content->setTabChangesFocus(true);  // Tab moves on, as in every other box
    content->installEventFilter(this);
    setHint(content, contentHint);
    nameAfter(content, group->title() + q(" 内容"));
  };
  entry("ダイアリー1", 15, "1", cmbTitle1, memContent1, [&e] { return listTexts(e.Title1Entries); });
  entry("ダイアリー2", 180, "2", cmbTitle2, memContent2, [&e] { return listTexts(e.Title2Entries); });
  btnSaveDiary = button(this, "btnSaveDiary", "一時保存して閉じる(&S)", QRect(20, 338, 125, 22),
                        "|ダイアリーの内容を一時保存して,このダイアログを閉じます.");
  btnCancelDiary = button(this, "btnCancelDiary", "キャンセル(&C)", QRect(285, 340, 85, 22),
                          "|このダイアログを閉じます. ダイアリーの内容は保存されません.");
  connect(btnSaveDiary, &QPushButton::clicked, this, &TdlgDiary::btnSaveDiaryClick);
  connect(btnCancelDiary, &QPushButton::clicked, this, &QDialog::reject);

  cmbTitle1->setEditText(diary.Title1.empty() ? q("タイトル1") : QString::fromStdString(diary.Title1.text()));
  showInEdit(memContent1, showMultiline(diary.Content1));
  cmbTitle2->setEditText(diary.Title2.empty() ? q("タイトル2") : QString::fromStdString(diary.Title2.text()));
  showInEdit(memContent2, showMultiline(diary.Content2));
  memContent1->setFocus();
  move(262, 62);
  for (QPlainTextEdit* content : {memContent1, memContent2})
    connect(content, &QPlainTextEdit::textChanged, this, &TdlgDiary::userTyped);
  for (ListCombo* title : {cmbTitle1, cmbTitle2})
    connect(title, &QComboBox::editTextChanged, this, &TdlgDiary::userTyped);
}

void TdlgDiary::userTyped() {
  typedInto_ = true;
  typed();
}

DiaryRecord TdlgDiary::entered() const {
  DiaryRecord d = diary_;
  d.Title1.setText(cmbTitle1->currentText().toStdString());
  if (editedSinceShown(memContent1)) storeMultiline(d.Content1, memContent1->toPlainText());
  d.Title2.setText(cmbTitle2->currentText().toStdString());
  if (editedSinceShown(memContent2)) storeMultiline(d.Content2, memContent2->toPlainText());
  return d;
}

bool TdlgDiary::eventFilter(QObject* watched, QEvent* e) {
  if ((watched == memContent1 || watched == memContent2) && e->type() == QEvent::KeyPress) {
    const auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Tab && k->modifiers() == Qt::ControlModifier) {
      static_cast<QPlainTextEdit*>(watched)->insertPlainText(QStringLiteral("\t"));
      return true;
    }
  }
  return QDialog::eventFilter(watched, e);
}

void TdlgDiary::btnSaveDiaryClick() {
  diary_ = entered();
  accept();
}

}  // namespace plandor
