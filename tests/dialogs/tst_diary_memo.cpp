// The diary pad and the pad memo dialog on the tables they edit.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTest>
#include <cstring>

#include "daymodel.h"
#include "dlgdiary.h"
#include "dlgpadmemo.h"
#include "listcombo.h"
#include "multiline.h"

using namespace plandor;

namespace {

// The hint line's part: the last status tip any control sent.
class StatusTips final : public QObject {
 public:
  explicit StatusTips(QString* told) : told_(told) { qApp->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::StatusTip) *told_ = static_cast<QStatusTipEvent*>(e)->tip();
    return false;
  }

 private:
  QString* told_;
};

}  // namespace

class TestDiaryMemo : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    diary = emptyPadTable().Diary;
    lists.setDefaults();
  }
  void emptyDiaryShowsFallbackTitlesAndStoresThem();
  void diaryCutsAndKeepsLineBreaksAsCrLf();
  void cancelChangesNothing();
  void memoGoesToTheFieldItWasGiven();
  void multiLineBoxesStopAtTheirFieldsBytes();
  void tabMovesOnAndCtrlTabTypesATab();

 private:
  DiaryRecord diary;
  ListStore lists;
};

void TestDiaryMemo::emptyDiaryShowsFallbackTitlesAndStoresThem() {
  TdlgDiary dlg(diary, lists);
  QCOMPARE(dlg.windowTitle(), QStringLiteral("ダイアリー・パッド"));
  QCOMPARE(dlg.cmbTitle1->currentText(), QStringLiteral("タイトル1"));
  QCOMPARE(dlg.cmbTitle2->currentText(), QStringLiteral("タイトル2"));
  QVERIFY(dlg.memContent1->toPlainText().isEmpty());
  dlg.cmbTitle1->showPopup();
  QStringList items;
  for (int i = 0; i < dlg.cmbTitle1->count(); ++i) items << dlg.cmbTitle1->itemText(i);
  QCOMPARE(items, (QStringList{"タイトル1", "今日一日をふり返って一言", "今日の反省", "日記"}));
  QCOMPARE(dlg.cmbTitle1->currentText(), QStringLiteral("タイトル1"));
  dlg.cmbTitle1->hidePopup();
  dlg.btnSaveDiary->click();
  QCOMPARE(dlg.result(), int(QDialog::Accepted));
  QCOMPARE(dlg.diary().Title1.text(), std::string("タイトル1"));
  QCOMPARE(dlg.diary().Title2.text(), std::string("タイトル2"));
}

void TestDiaryMemo::diaryCutsAndKeepsLineBreaksAsCrLf() {
  {
    TdlgDiary dlg(diary, lists);
    dlg.cmbTitle1->setEditText(QString(20, QChar(0x65E5)));  // 40 bytes
    dlg.memContent1->setPlainText(QStringLiteral("一行目\n二行目"));
    dlg.memContent2->setPlainText(QString(300, QLatin1Char('x')));
    dlg.cmbTitle2->setEditText(QString());
    dlg.btnSaveDiary->click();
    diary = dlg.diary();
  }
  QCOMPARE(int(diary.Title1.length), 30);
  QCOMPARE(diary.Content1.text(), std::string("一行目\r\n二行目"));
  QCOMPARE(diary.Content2.text(), std::string(255, 'x'));
  QCOMPARE(int(diary.Title2.length), 0);
  TdlgDiary again(diary, lists);
  QCOMPARE(again.memContent1->toPlainText(), QStringLiteral("一行目\n二行目"));
  QCOMPARE(again.cmbTitle2->currentText(), QStringLiteral("タイトル2"));  // empty shows the fallback again
  QCOMPARE(again.pos(), QPoint(262, 62));

  // A cut never splits a CR LF pair.
  ShortText<255> field{};
  storeMultiline(field, QString(254, QLatin1Char('x')) + QStringLiteral("\nnext"));
  QCOMPARE(std::string(field.raw()), std::string(254, 'x'));
  storeMultiline(field, QString(253, QLatin1Char('x')) + QStringLiteral("\nnext"));
  QCOMPARE(std::string(field.raw()), std::string(253, 'x') + "\r\n");
}

void TestDiaryMemo::cancelChangesNothing() {
  diary.Title1.setText("before");
  TdlgDiary dlg(diary, lists);
  dlg.cmbTitle1->setEditText(QStringLiteral("after"));
  dlg.btnCancelDiary->click();
  QCOMPARE(dlg.result(), int(QDialog::Rejected));
  QCOMPARE(dlg.diary().Title1.text(), std::string("before"));

  ShortText<255> kept{};
  kept.setText("keep");
  TdlgPadMemo memo(kept, QStringLiteral("スケジュール・パッドのメモ"), 3);
  QCOMPARE(memo.memPadMemo->toPlainText(), QStringLiteral("keep"));
  memo.memPadMemo->setPlainText(QStringLiteral("changed"));
  memo.btnCancelPadMemo->click();
  QCOMPARE(memo.memo().text(), std::string("keep"));
}

void TestDiaryMemo::memoGoesToTheFieldItWasGiven() {
  ShortText<255> empty{};
  TdlgPadMemo memo(empty, QStringLiteral("スケジュール・パッドのメモ"), 20);
  QCOMPARE(memo.windowTitle(), QStringLiteral("スケジュール・パッドのメモ"));
  QCOMPARE(memo.edtPadMemoNum->text(), QStringLiteral("20"));
  QVERIFY(memo.memPadMemo->toPlainText().isEmpty());
  memo.memPadMemo->setPlainText(QStringLiteral("pad 20"));
  memo.btnSavePadMemo->click();
  QCOMPARE(memo.result(), int(QDialog::Accepted));
  QCOMPARE(memo.memo().text(), std::string("pad 20"));

  // A memo another tool wrote with bare line feeds, full to the last byte:
  // kept byte for byte while the user leaves it as shown.
  ShortText<255> foreign{};
  foreign.setRaw(std::string(120, 'x') + "\n" + std::string(134, 'y'));
  TdlgPadMemo untouched(foreign, QStringLiteral("スケジュール・パッドのメモ"), 1);
  untouched.btnSavePadMemo->click();
  QCOMPARE(untouched.memo().raw(), foreign.raw());
  DiaryRecord d = diary;
  d.Content2 = foreign;
  TdlgDiary dlg(d, lists);
  dlg.btnSaveDiary->click();
  QCOMPARE(dlg.diary().Content2.raw(), foreign.raw());
}

// What is typed or pasted past a field's bytes never goes in, so nothing is
// cut later without a word; line breaks count as CR LF.
void TestDiaryMemo::multiLineBoxesStopAtTheirFieldsBytes() {
  ShortText<255> empty{};
  TdlgPadMemo memo(empty, QStringLiteral("スケジュール・パッドのメモ"), 2);
  TdlgDiary dlg(diary, lists);
  QString told;
  StatusTips tips(&told);
  for (QPlainTextEdit* box : {memo.memPadMemo, dlg.memContent1, dlg.memContent2}) {
    // What Shift-JIS cannot hold never goes in; the hint line says why.
    told.clear();
    box->insertPlainText(QStringLiteral("a♥b café"));
    QCOMPARE(box->toPlainText(), QStringLiteral("ab caf"));
    QVERIFY2(told.contains(QStringLiteral("「♥é」")), qPrintable(told));
    box->clear();
    box->insertPlainText(QString(200, QChar(0x3042)));  // 400 bytes pasted
    QCOMPARE(box->toPlainText(), QString(127, QChar(0x3042)));  // a half character would not fit
    box->clear();
    box->insertPlainText(QString(250, QLatin1Char('x')));
    QTest::keyClicks(box, QStringLiteral("ab"));
    box->insertPlainText(QStringLiteral("\ncd"));  // CR LF takes 2 of the 3 bytes left
    QCOMPARE(box->toPlainText(), QString(250, QLatin1Char('x')) + QStringLiteral("ab\nc"));
    QCOMPARE(multilineBytes(box->toPlainText()), std::size_t(255));
    QTest::keyClicks(box, QStringLiteral("z"));
    QCOMPARE(box->toPlainText().size(), 254);
  }
  memo.btnSavePadMemo->click();
  QCOMPARE(memo.memo().text(), std::string(250, 'x') + "ab\r\nc");
  dlg.cmbTitle1->setEditText(QString());
  QTest::keyClicks(dlg.cmbTitle1, QString(40, QLatin1Char('t')));
  QCOMPARE(dlg.cmbTitle1->currentText().size(), 31);
}

// As in every other box, Tab leaves a content box; Ctrl+Tab types the tab.
void TestDiaryMemo::tabMovesOnAndCtrlTabTypesATab() {
  TdlgDiary dlg(diary, lists);
  dlg.show();
  QVERIFY(QTest::qWaitForWindowActive(&dlg));
  dlg.memContent1->setFocus();
  dlg.memContent1->setPlainText(QStringLiteral("a"));
  dlg.memContent1->moveCursor(QTextCursor::End);
  QTest::keyClick(dlg.memContent1, Qt::Key_Tab, Qt::ControlModifier);
  QCOMPARE(dlg.memContent1->toPlainText(), QStringLiteral("a\t"));
  QTest::keyClick(dlg.memContent1, Qt::Key_Tab);
  QCOMPARE(dlg.memContent1->toPlainText(), QStringLiteral("a\t"));
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dlg.cmbTitle2));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dlg.memContent1));
}

QTEST_MAIN(TestDiaryMemo)
#include "tst_diary_memo.moc"
