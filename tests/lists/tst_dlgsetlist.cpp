// The list settings dialog: its buttons' rules and what a save writes.
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "filehelpers.h"
#include "dlgsetlist.h"
#include "listcombo.h"
#include "scriptedplatform.h"

using namespace plandor;

namespace {

QStringList itemsOf(const ListTab* t) { return t->items(); }

void append(ListTab* t, const QString& text) {
  t->edit->setText(text);
  t->btnAppend->click();
}

}  // namespace

class TestDlgSetList : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    lists = ListStore();
    QVERIFY(lists.LoadListEntries(dir->path().toStdString()).ok());
    platform = ScriptedPlatform();
  }
  void opensWithTheListsAndTheLastKeywordSelected();
  void longEntriesScrollSidewaysFromTheFirstShow();
  void appendStopsAtTheLimitAndKeepsDuplicates();
  void entryBoxesTakeWhatFitsOfAnInsertion();
  void deleteClearAndMoves();
  void saveWritesPackedSlotsAndKeepsOtherBytes();
  void saveIntoAVanishedFileIsReported();
  void combosOfferWhatWasSaved();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  ListStore lists;
  ScriptedPlatform platform;
};

void TestDlgSetList::opensWithTheListsAndTheLastKeywordSelected() {
  TdlgSetList dlg(lists, platform);
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QCOMPARE(dlg.windowTitle(), QStringLiteral("コンボボックスのリスト項目の設定"));
  QCOMPARE(dlg.PageControl1->currentIndex(), 0);
  QCOMPARE(itemsOf(dlg.tabs[0]), QStringList{QStringLiteral("キーワード")});
  QCOMPARE(itemsOf(dlg.tabs[1]), QStringList{QStringLiteral("説明")});
  QCOMPARE(itemsOf(dlg.tabs[2]).size(), 4);
  QCOMPARE(itemsOf(dlg.tabs[3]).last(), QStringLiteral("日記"));
  QCOMPARE(dlg.tabs[0]->list->currentRow(), 0);
  QVERIFY(dlg.tabs[0]->list->currentItem()->isSelected());
  QCOMPARE(dlg.pos(), QPoint(100, 50));
  // Entering another tab selects its last item.
  dlg.PageControl1->setCurrentIndex(2);
  dlg.tabs[2]->edit->setFocus();
  QCOMPARE(dlg.tabs[2]->list->currentRow(), 3);
}

void TestDlgSetList::longEntriesScrollSidewaysFromTheFirstShow() {
  const QString wide(31, QLatin1Char('W'));
  lists.entries.KeywordEntries[1].setText(wide.toStdString());
  TdlgSetList dlg(lists, platform);
  dlg.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dlg));
  QListWidget* list = dlg.tabs[0]->list;
  const int textWidth = list->fontMetrics().horizontalAdvance(wide);
  QVERIFY(textWidth > list->viewport()->width());
  // Loaded items are neither elided nor out of reach; rows stay 13 pixels high.
  QTRY_VERIFY(list->horizontalScrollBar()->isVisible());
  QVERIFY(list->visualItemRect(list->item(1)).width() >= textWidth);
  QCOMPARE(list->visualItemRect(list->item(0)).height(), 13);
  QVERIFY(list->horizontalScrollBar()->maximum() >= textWidth - list->viewport()->width());
  // A list of short entries has nothing to scroll.
  dlg.PageControl1->setCurrentIndex(2);
  QTRY_VERIFY(dlg.tabs[2]->list->isVisible());
  QVERIFY(!dlg.tabs[2]->list->horizontalScrollBar()->isVisible());
}

void TestDlgSetList::appendStopsAtTheLimitAndKeepsDuplicates() {
  TdlgSetList dlg(lists, platform);
  ListTab* keywords = dlg.tabs[0];
  for (int i = 0; i < 22; ++i) append(keywords, QStringLiteral("k%1").arg(i));
  append(keywords, QStringLiteral("same"));
  QCOMPARE(keywords->list->count(), 24);
  append(keywords, QStringLiteral("one too many"));
  QCOMPARE(keywords->list->count(), 24);
  QCOMPARE(keywords->list->currentRow(), 23);
  append(keywords, QString());
  ListTab* titles = dlg.tabs[2];
  for (int i = 0; i < 10; ++i) append(titles, QStringLiteral("同じ"));
  QCOMPARE(titles->list->count(), 12);
  QCOMPARE(titles->items().count(QStringLiteral("同じ")), 8);
  QCOMPARE(titles->edit->text(), QStringLiteral("同じ"));  // the entry box keeps its text
  // Typed text is limited in Shift-JIS bytes: 31 for a keyword.
  QString over = QString(16, QChar(0x3042));
  int pos = 0;
  QCOMPARE(keywords->edit->validator()->validate(over, pos), QValidator::Invalid);
}

void TestDlgSetList::entryBoxesTakeWhatFitsOfAnInsertion() {
  TdlgSetList dlg(lists, platform);
  QLineEdit* edit = dlg.tabs[0]->edit;  // 31 bytes
  const QString a14(14, QLatin1Char('a'));
  edit->setText(a14 + a14);
  edit->setCursorPosition(14);
  edit->insert(QStringLiteral("あいう"));  // 3 of 6 bytes free: one character, not half of い
  QCOMPARE(edit->text(), a14 + QStringLiteral("あ") + a14);
  QCOMPARE(edit->cursorPosition(), 15);
  QTest::keyClicks(edit, QStringLiteral("xy"));  // the last byte takes x; y does not fit
  QCOMPARE(edit->text(), a14 + QStringLiteral("あx") + a14);
  QCOMPARE(edit->cursorPosition(), 16);
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClick(edit, Qt::Key_Backspace);
  QApplication::clipboard()->setText(QStringLiteral("b日本"));
  edit->paste();
  QCOMPARE(edit->text(), a14 + QStringLiteral("b日") + a14);
  QCOMPARE(edit->cursorPosition(), 16);

  // A converted phrase committed by the input method into a combo box.
  ListCombo combo(31, [] { return std::vector<std::string>(); });
  combo.setEditText(QString(24, QLatin1Char('k')));
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("今日の反省"));
  QApplication::sendEvent(combo.lineEdit(), &commit);
  QCOMPARE(combo.currentText(), QString(24, QLatin1Char('k')) + QStringLiteral("今日の"));
  QApplication::sendEvent(combo.lineEdit(), &commit);  // full: nothing goes in
  QCOMPARE(combo.currentText(), QString(24, QLatin1Char('k')) + QStringLiteral("今日の"));
  // Text set by the program is held to the capacity as well.
  combo.setEditText(QString(40, QChar(0x3042)));
  QCOMPARE(combo.currentText(), QString(15, QChar(0x3042)));
}

void TestDlgSetList::deleteClearAndMoves() {
  TdlgSetList dlg(lists, platform);
  ListTab* t = dlg.tabs[1];
  for (const char* s : {"b", "c", "d", "e"}) append(t, QString::fromUtf8(s));  // 説明, b, c, d, e
  t->list->setCurrentRow(1);
  t->btnDelete->click();
  QCOMPARE(t->items(), (QStringList{"説明", "c", "d", "e"}));
  QCOMPARE(t->list->currentRow(), 3);  // the last item, not the neighbour
  t->BitBtnDown->click();              // at the bottom: nothing
  QCOMPARE(t->items().last(), QStringLiteral("e"));
  t->BitBtnUp->click();
  QCOMPARE(t->items(), (QStringList{"説明", "c", "e", "d"}));
  QCOMPARE(t->list->currentRow(), 2);
  t->list->setCurrentRow(0);
  t->BitBtnUp->click();  // at the top: nothing
  QCOMPARE(t->items().first(), QStringLiteral("説明"));
  t->list->clearSelection();
  t->BitBtnDown->click();  // nothing selected: nothing
  t->btnDelete->click();
  QCOMPARE(t->items().size(), 4);
  t->btnClear->click();
  QVERIFY(t->items().isEmpty());
  t->btnDelete->click();
  t->btnClear->click();
  QVERIFY(t->items().isEmpty());
}

void TestDlgSetList::saveWritesPackedSlotsAndKeepsOtherBytes() {
  const std::string file = lists.ListFilePath;
  {
    TdlgSetList dlg(lists, platform);
    append(dlg.tabs[0], QStringLiteral("散歩"));
    dlg.tabs[2]->btnClear->click();
    dlg.tabs[3]->list->setCurrentRow(1);
    dlg.tabs[3]->btnDelete->click();  // 明日に向けて一言 goes; 明日への意気込み moves up
    append(dlg.tabs[1], QString(40, QChar(0x3042)));  // 80 bytes, cut to 62 on a character boundary
    dlg.btnSaveEntries->click();
    QVERIFY(platform.errors.empty());
    QVERIFY(!dlg.isHidden() || !dlg.isVisible());  // the dialog does not close itself
  }
  const QByteArray bytes = readAll(file);
  QCOMPARE(bytes.size(), 3072);
  QCOMPARE(bytes.mid(32, 5), QByteArray("\x04") + sjis("散歩"));
  QCOMPARE(int(uint8_t(bytes[768 + 64])), 62);
  for (int slot = 0; slot < 12; ++slot) QCOMPARE(int(bytes[2304 + 32 * slot]), 0);
  // Title 1's old texts are still there after the length bytes.
  QCOMPARE(bytes.mid(2336 + 1, 24), sjis("今日一日をふり返って一言"));
  QCOMPARE(bytes.mid(2688 + 32, 17), QByteArray("\x10") + sjis("明日への意気込み"));
  QCOMPARE(bytes.mid(2688 + 64, 5), QByteArray("\x04") + sjis("日記"));
  QCOMPARE(int(bytes[2688 + 96]), 0);
  // The next dialog shows what was saved; closing without saving keeps it.
  TdlgSetList again(lists, platform);
  QCOMPARE(again.tabs[0]->items(), (QStringList{"キーワード", "散歩"}));
  append(again.tabs[0], QStringLiteral("unsaved"));
  again.btnCloseSLDlg->click();
  QCOMPARE(readAll(file), bytes);
}

void TestDlgSetList::saveIntoAVanishedFileIsReported() {
  TdlgSetList dlg(lists, platform);
  append(dlg.tabs[0], QStringLiteral("新しい"));
  QFile::remove(QString::fromStdString(lists.ListFilePath));
  dlg.btnSaveEntries->click();
  QCOMPARE(platform.errors.size(), std::size_t(1));
  QVERIFY(QString::fromStdString(platform.errors[0]).contains(QString::fromStdString(lists.ListFilePath)));
  QVERIFY(!QFile::exists(QString::fromStdString(lists.ListFilePath)));
  // The lists in memory hold the new entries all the same.
  QCOMPARE(listTexts(lists.entries.KeywordEntries).back(), std::string("新しい"));
}

void TestDlgSetList::combosOfferWhatWasSaved() {
  ListCombo combo(31, [this] { return listTexts(lists.entries.KeywordEntries); });
  combo.setEditText(QStringLiteral("typed"));
  TdlgSetList dlg(lists, platform);
  append(dlg.tabs[0], QStringLiteral("読書"));
  dlg.btnSaveEntries->click();
  combo.showPopup();
  QCOMPARE(combo.count(), 2);
  QCOMPARE(combo.itemText(1), QStringLiteral("読書"));
  QCOMPARE(combo.currentText(), QStringLiteral("typed"));
  combo.hidePopup();
}

QTEST_MAIN(TestDlgSetList)
#include "tst_dlgsetlist.moc"
