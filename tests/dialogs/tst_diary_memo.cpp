// The diary pad and the pad memo dialog on the tables they edit.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "daystore.h"
#include "dlgdiary.h"
#include "dlgpadmemo.h"
#include "listcombo.h"
#include "multiline.h"

using namespace plandor;

class TestDiaryMemo : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    day = DayStore();
    lists.setDefaults();
  }
  void emptyDiaryShowsFallbackTitlesAndStoresThem();
  void diaryCutsAndKeepsLineBreaksAsCrLf();
  void cancelChangesNothing();
  void memoGoesToTheFieldItWasGiven();
  void tabMovesOnAndCtrlTabTypesATab();

 private:
  DayStore day;
  ListStore lists;
};

void TestDiaryMemo::emptyDiaryShowsFallbackTitlesAndStoresThem() {
  TdlgDiary dlg(day.table.Diary, lists);
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
  QCOMPARE(day.table.Diary.Title1.text(), std::string("タイトル1"));
  QCOMPARE(day.table.Diary.Title2.text(), std::string("タイトル2"));
}

void TestDiaryMemo::diaryCutsAndKeepsLineBreaksAsCrLf() {
  {
    TdlgDiary dlg(day.table.Diary, lists);
    dlg.cmbTitle1->setEditText(QString(20, QChar(0x65E5)));  // 40 bytes
    dlg.memContent1->setPlainText(QStringLiteral("一行目\n二行目"));
    dlg.memContent2->setPlainText(QString(300, QLatin1Char('x')));
    dlg.cmbTitle2->setEditText(QString());
    dlg.btnSaveDiary->click();
  }
  QCOMPARE(int(day.table.Diary.Title1.length), 30);
  QCOMPARE(day.table.Diary.Content1.text(), std::string("一行目\r\n二行目"));
  QCOMPARE(day.table.Diary.Content2.text(), std::string(255, 'x'));
  QCOMPARE(int(day.table.Diary.Title2.length), 0);
  TdlgDiary again(day.table.Diary, lists);
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
  day.table.Diary.Title1.setText("before");
  TdlgDiary dlg(day.table.Diary, lists);
  dlg.cmbTitle1->setEditText(QStringLiteral("after"));
  dlg.btnCancelDiary->click();
  QCOMPARE(day.table.Diary.Title1.text(), std::string("before"));

  day.table.Pads[2].Memo.setText("keep");
  TdlgPadMemo memo(day.table.Pads[2].Memo, QStringLiteral("スケジュール・パッドのメモ"), 3);
  QCOMPARE(memo.memPadMemo->toPlainText(), QStringLiteral("keep"));
  memo.memPadMemo->setPlainText(QStringLiteral("changed"));
  memo.btnCancelPadMemo->click();
  QCOMPARE(day.table.Pads[2].Memo.text(), std::string("keep"));
}

void TestDiaryMemo::memoGoesToTheFieldItWasGiven() {
  ShortText<255> routineMemo{};
  {
    TdlgPadMemo memo(routineMemo, QStringLiteral("ルーチン・パッドのメモ"), 2);
    QCOMPARE(memo.windowTitle(), QStringLiteral("ルーチン・パッドのメモ"));
    memo.memPadMemo->setPlainText(QStringLiteral("routine two"));
    memo.btnSavePadMemo->click();
  }
  {
    TdlgPadMemo memo(day.table.Pads[1].Memo, QStringLiteral("スケジュール・パッドのメモ"), 2);
    QCOMPARE(memo.edtPadMemoNum->text(), QStringLiteral("2"));
    QVERIFY(memo.memPadMemo->toPlainText().isEmpty());
    memo.memPadMemo->setPlainText(QString(200, QChar(0x3042)));  // 400 bytes
    memo.btnSavePadMemo->click();
    QCOMPARE(memo.result(), int(QDialog::Accepted));
  }
  QCOMPARE(routineMemo.text(), std::string("routine two"));
  QCOMPARE(int(day.table.Pads[1].Memo.length), 254);  // 127 characters; a half would not fit
  QCOMPARE(day.table.Pads[1].StartHour, -1);        // nothing else of the record
  TdlgPadMemo memo(day.table.Pads[19].Memo, QStringLiteral("スケジュール・パッドのメモ"), 20);
  QCOMPARE(memo.edtPadMemoNum->text(), QStringLiteral("20"));
  memo.memPadMemo->setPlainText(QStringLiteral("pad 20"));
  memo.btnSavePadMemo->click();
  QCOMPARE(day.table.Pads[19].Memo.text(), std::string("pad 20"));
}

// As in every other box, Tab leaves a content box; Ctrl+Tab types the tab.
void TestDiaryMemo::tabMovesOnAndCtrlTabTypesATab() {
  TdlgDiary dlg(day.table.Diary, lists);
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
