// Routines in the real main window on a Wednesday: the settings window's
// temporary save, save, removal and revert, the routine memo, provisional
// entry and routine display.
#include <QAccessible>
#include <QApplication>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <functional>

#include "appsetup.h"
#include "dlgpadmemo.h"
#include "filehelpers.h"
#include "frmmain.h"
#include "mainparts.h"
#include "frmsetrwork.h"
#include "padhelpers.h"
#include "plannerrun.h"
#include "modalhelpers.h"
#include "routineday.h"
#include "routinerecovery.h"
#include "scriptedplatform.h"

using namespace plandor;

class TestRoutines : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { setUpApplication(*qApp); }
  void init();
  void cleanup() { run.reset(); }
  void settingsWindowSavesRemovesAndReverts();
  void entryAndDisplayOnAWednesday();
  void returnAndTabInTheSettingsWindow();
  void routineHoursFollowTheDial();
  void entryFromAMenuMarksThePadWhileAsking();
  void unsavedRoutineWorkSurvivesAnEndingSignal();

 private:
  TSchedPadFrame* storedPad(int from, int to, const char* keyword) {
    return plandor::storedPad(*parts(window).ScrollBox1, from, to, keyword);
  }

  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<PlannerRun> run;
  ScriptedPlatform* platform = nullptr;
  PlannerState* state = nullptr;
  TfrmMain* window = nullptr;
};

void TestRoutines::init() {
  dir = std::make_unique<QTemporaryDir>();
  writeAll(dir->filePath("Shutter.wav").toStdString(), "RIFF");
  run = std::make_unique<PlannerRun>(dir->path(), LocalDate{2006, 1, 4});  // a Wednesday
  platform = &run->platform;
  state = &run->state;
  window = run->window.get();
  window->show();
  QVERIFY(QTest::qWaitForWindowActive(window));
}

void TestRoutines::settingsWindowSavesRemovesAndReverts() {
  RoutineStore& routines = state->routines;
  for (const char* k : {"朝", "昼", "夜"}) {
    storedPad(240, 300, k);
    EnterRoutine(routines.RoutineTable, state->day.table().Pads[state->day.selectedPad()]);
  }
  QVERIFY(routines.WriteRoutineFile().ok());
  const QByteArray saved = bytesOf(routines.RoutineImage);

  whenModal<TfrmSetRWork>([&](TfrmSetRWork& w) {
    QCOMPARE(w.windowTitle(), QStringLiteral("ルーチン設定"));
    QCOMPARE(w.pos(), QPoint(10, 50));
    QCOMPARE(parts(window).statusPanels[2]->text(), QStringLiteral("ルーチン総数: 3"));
    for (int i = 0; i < 3; ++i) QCOMPARE(w.RoutineFrameTable[i]->pos(), QPoint(1, i * 60 + 1));
    QVERIFY(!w.RoutineFrameTable[3]);
    QCOMPARE(state->SelectedRoutine, 2);  // the last routine has the focus
    QCOMPARE(w.RoutineFrameTable[2]->pnlPMenu->text(), QStringLiteral("◆"));

    // Temporary save: the record changes, the file only with 保存.
    TRoutineWorkFrame* one = w.RoutineFrameTable[0];
    one->cmbPadOrigX->setCurrentIndex(1);
    one->chbDOW[3]->setChecked(false);
    one->Panel3->cmbHour->setEditText(QStringLiteral("7"));  // before the start: kept as entered
    one->btnSaveRoutineClick();
    QCOMPARE(routines.RoutineTable[0].Left, 351);
    QCOMPARE(routines.RoutineTable[0].DOW[3], 0);
    QCOMPARE(routines.RoutineTable[0].EndHour, 7);
    QCOMPARE(bytesOf(routines.RoutineImage), saved);
    one->Panel2->cmbHour->setEditText(QStringLiteral("x"));
    one->cmbKeyword->setEditText(QStringLiteral("変えた"));
    one->btnSaveRoutineClick();
    QCOMPARE(platform->errors.back(),
             std::string("開始時刻の「時」の欄: 'x' は整数ではありません.\r\n0 から 12 までの整数を入力してください."));
    QCOMPARE(routines.RoutineTable[0].Keyword.text(), std::string("朝"));  // nothing written

    // The routine memo goes to the routine, from a dialog of its own caption.
    whenModal<TdlgPadMemo>([&](TdlgPadMemo& memo) {
      QCOMPARE(memo.windowTitle(), QStringLiteral("ルーチン・パッドのメモ"));
      QCOMPARE(memo.parentWidget(), &w);
      memo.memPadMemo->setPlainText(QStringLiteral("毎朝"));
      memo.btnSavePadMemo->click();
    });
    one->pmiMemo->trigger();
    QCOMPARE(routines.RoutineTable[0].Memo.text(), std::string("毎朝"));

    w.btnSaveSRWClick();
    QCOMPARE(readAll(routines.RoutineFilePath), bytesOf(routines.RoutineTable));
    QCOMPARE(bytesOf(routines.RoutineImage), bytesOf(routines.RoutineTable));

    // Removing routine 2: routine 3 moves up as 2, and has the focus.
    w.activateWindow();
    w.RoutineFrameTable[1]->setFocus();
    QTRY_COMPARE(state->SelectedRoutine, 1);
    platform->confirmAnswers.push_back(false);
    w.btnRemoveSRW->click();
    QCOMPARE(platform->confirms.back().text,
             std::string("ルーチン・パッドNo. 2を削除します.\r\n\r\n処理を続行しますか？"));
    QCOMPARE(platform->confirms.back().left, 150);
    QVERIFY(w.RoutineFrameTable[2]);
    platform->confirmAnswers.push_back(true);
    w.btnRemoveSRW->click();
    QVERIFY(!w.RoutineFrameTable[2] && !w.pnlCover->isVisible());
    QCOMPARE(w.RoutineFrameTable[1]->edtPadNo->text(), QStringLiteral("2"));
    QCOMPARE(w.RoutineFrameTable[1]->cmbKeyword->currentText(), QStringLiteral("夜"));
    QCOMPARE(w.RoutineFrameTable[1]->pos(), QPoint(1, 61));
    QCOMPARE(w.RoutineFrameTable[0]->cmbPadOrigX->currentText(), QStringLiteral("右"));
    QCOMPARE(QApplication::focusWidget(), w.RoutineFrameTable[1]);
    platform->askAnswers = {2};  // キャンセル: the window stays
    w.btnCancelSRW->click();
    QVERIFY(w.isVisible());
    QCOMPARE(platform->questions.back().text, std::string("ルーチンの変更を保存しますか?"));
    platform->askAnswers = {1};
    w.btnCancelSRW->click();  // 閉じる, 保存しない: drops the removal
  });
  window->RoutineSet1Execute();
  QCOMPARE(CountRoutines(routines.RoutineTable), 3);
  QCOMPARE(bytesOf(routines.RoutineTable), bytesOf(routines.RoutineImage));

  // The close box keeps a temporary save without writing it.
  whenModal<TfrmSetRWork>([](TfrmSetRWork& w) {
    w.RoutineFrameTable[2]->chbShow->setChecked(false);
    w.RoutineFrameTable[2]->btnSaveRoutineClick();
    w.close();
  });
  window->RoutineSet1Execute();
  QCOMPARE(routines.RoutineTable[2].Show, 0);
  QCOMPARE(routines.RoutineImage[2].Show, 1);

  // A schedule pad's memo opened afterwards writes the pad again.
  whenModal<TdlgPadMemo>([](TdlgPadMemo& memo) {
    QCOMPARE(memo.windowTitle(), QStringLiteral("スケジュール・パッドのメモ"));
    memo.memPadMemo->setPlainText(QStringLiteral("pad"));
    memo.btnSavePadMemo->click();
  });
  parts(window).ScrollBox1->padFrame(0)->pmiMemo->trigger();
  QCOMPARE(state->day.table().Pads[0].Memo.text(), std::string("pad"));
  QCOMPARE(routines.RoutineTable[0].Memo.text(), std::string("毎朝"));
}

void TestRoutines::entryAndDisplayOnAWednesday() {
  RoutineStore& routines = state->routines;
  TSchedPadFrame* walk = storedPad(240, 420, "散歩");
  storedPad(1200, 1300, "読書");
  walk->setFocus();
  platform->confirmAnswers = {false, true};
  window->RoutineEntry1Execute();  // cancelled
  QCOMPARE(CountRoutines(routines.RoutineTable), 0);
  window->RoutineEntry1Execute();
  QCOMPARE(platform->confirms.back().text,
           std::string("スケジュール・パッドNo. 1をルーチンとして仮登録します.\r\n\r\n処理を続行しますか？"));
  QCOMPARE(routines.RoutineTable[0].Keyword.text(), std::string("散歩"));
  parts(window).ScrollBox1->padFrame(1)->setFocus();
  platform->confirmAnswers = {true};
  parts(window).btnEnterRoutine->click();
  QCOMPARE(routines.RoutineTable[1].Keyword.text(), std::string("読書"));

  // Provisional routines do not display.
  const std::size_t confirms = platform->confirms.size();
  window->RoutineRead1Execute();
  QCOMPARE(platform->confirms.size(), confirms);
  // 終了 asks about them after the day: キャンセル stays, 保存 writes them.
  platform->askAnswers = {1, 2};
  window->FileExit1Execute();
  QVERIFY(window->isVisible());
  QCOMPARE(platform->questions.back().text, std::string("ルーチンの変更を保存しますか?"));
  QCOMPARE(platform->questions.back().buttons, (std::vector<std::string>{"保存(&S)", "保存しない(&N)", "キャンセル"}));
  QVERIFY(routines.changed());

  routines.RoutineTable[1].DOW[3] = 0;  // not on Wednesdays
  QVERIFY(routines.WriteRoutineFile().ok());
  DiaryRecord diary = state->day.diary();
  diary.Title1.setText("日記");
  state->day.setDiary(diary);
  window->FileSave1Execute();
  const std::string header = state->day.image().FilePath.text();
  const std::string dayPath = state->day.path();

  const std::size_t sounds = platform->sounds.size();
  platform->confirmAnswers = {true};
  parts(window).btnShowRoutine->click();
  QCOMPARE(platform->confirms.back().text,
           std::string("表示されているパッドを削除した後,ルーチンを表示します.\r\n\r\n処理を続行しますか？"));
  TDayView* view = parts(window).ScrollBox1;
  QVERIFY(view->padFrame(0) && !view->padFrame(1));
  QCOMPARE(view->padFrame(0)->cmbKeyword->currentText(), QStringLiteral("散歩"));
  QVERIFY(!view->padFrame(0)->btnSave->isEnabled());  // stored, as a load makes them
  QCOMPARE(state->day.table().Bars[0].TopY, 240);
  QCOMPARE(QApplication::focusWidget(), view->padFrame(0));
  QCOMPARE(parts(window).statusPanels[1]->text(), QStringLiteral("データ総数: 1"));
  QCOMPARE(platform->sounds.size(), sounds + 1);
  QVERIFY(!parts(window).pnlCover->isVisible());
  QCOMPARE(readAll(state->DataFolder + "/Temporary.sdf").size(), 10728);

  // Save writes the routines into the open day, with its header and diary.
  window->FileSave1Execute();
  DayModel again;
  QVERIFY(again.open(dayPath).ok());
  QCOMPARE(again.image().FilePath.text(), header);
  QCOMPARE(again.table().Diary.Title1.text(), std::string("日記"));
  QCOMPARE(again.DataCount(), 1);

  // A staging file that cannot be written leaves the day as it was.
  QFile::remove(QString::fromStdString(state->DataFolder + "/Temporary.sdf"));
  QDir(dir->path()).mkdir(QStringLiteral("Temporary.sdf"));
  storedPad(1500, 1600, "手入力");
  const QByteArray before = bytesOf(state->day.table());
  platform->confirmAnswers = {true};
  platform->askAnswers = {1};  // 保存しない: the pads stay until the display has them
  window->RoutineRead1Execute();
  QCOMPARE(platform->errors.size(), std::size_t(1));
  QCOMPARE(bytesOf(state->day.table()), before);
  QVERIFY(view->padFrame(1) && view->padFrame(1)->isVisible());
  QVERIFY(!parts(window).pnlCover->isVisible());
}

// Return in a pad's box neither closes the window nor presses another pad's
// 一時保存; Tab and F6 reach every pad; the window's client area is 695 x 550.
void TestRoutines::returnAndTabInTheSettingsWindow() {
  RoutineStore& routines = state->routines;
  for (const char* k : {"朝", "昼", "夜"}) {
    storedPad(240, 300, k);
    EnterRoutine(routines.RoutineTable, state->day.pad(state->day.selectedPad()));
  }
  bool ran = false;
  whenModal<TfrmSetRWork>([&](TfrmSetRWork& w) {
    ran = true;
    QCOMPARE(w.size(), QSize(695, 550));
    TRoutineWorkFrame* first = w.RoutineFrameTable[0];
    TRoutineWorkFrame* last = w.RoutineFrameTable[2];
    QCOMPARE(QAccessible::queryAccessibleInterface(first->cmbPadOrigX)->text(QAccessible::Name),
             QStringLiteral("表示ペイン: 左"));
    last->cmbKeyword->setEditText(QStringLiteral("未保存"));  // an edit not yet stored
    first->cmbKeyword->setFocus();
    first->cmbKeyword->setEditText(QStringLiteral("入力中"));
    QTest::keyClick(first->cmbKeyword->lineEdit(), Qt::Key_Return);
    QTest::keyClick(first->cmbKeyword->lineEdit(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(w.isVisible());
    QCOMPARE(routines.RoutineTable[2].Keyword.text(), std::string("夜"));
    QCOMPARE(routines.RoutineTable[0].Keyword.text(), std::string("朝"));
    QVERIFY(first->isAncestorOf(QApplication::focusWidget()));

    // Tab runs through every pad in slot order, then the three buttons.
    QList<QWidget*> seen;
    first->Panel2->cmbHour->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 80; ++i) {
      QWidget* now = QApplication::focusWidget();
      if (!seen.isEmpty() && now == seen.first()) break;
      seen << now;
      QTest::keyClick(now, Qt::Key_Tab);
    }
    for (TRoutineWorkFrame* pad : {w.RoutineFrameTable[0], w.RoutineFrameTable[1], w.RoutineFrameTable[2]}) {
      QVERIFY(seen.contains(pad->btnSaveRoutine));
      QVERIFY(seen.contains(pad->chbDOW[6]));
    }
    for (QWidget* b : {w.btnRemoveSRW, w.btnSaveSRW, w.btnCancelSRW}) QVERIFY(seen.contains(b));
    QVERIFY(seen.indexOf(w.RoutineFrameTable[1]->btnSaveRoutine) < seen.indexOf(w.RoutineFrameTable[2]->chbShow));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.btnCancelSRW));

    // F6 and Shift+F6 move between the pads; the mark and the selection follow.
    w.RoutineFrameTable[0]->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    QCOMPARE(state->SelectedRoutine, 1);
    QCOMPARE(w.RoutineFrameTable[1]->pnlPMenu->text(), QStringLiteral("◆"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(state->SelectedRoutine, 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
    QCOMPARE(state->SelectedRoutine, 2);  // round to the last
    // Return on a focused button presses that button only.
    w.btnSaveSRW->setFocus(Qt::TabFocusReason);
    QTest::keyClick(w.btnSaveSRW, Qt::Key_Return);
    QCOMPARE(bytesOf(routines.RoutineImage), bytesOf(routines.RoutineTable));
    QVERIFY(w.isVisible());
    // Escape, like 閉じる, asks about the pads' typed edits; 保存しない drops them.
    platform->askAnswers = {1};
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(platform->questions.back().text, std::string("ルーチンの変更を保存しますか?"));
  });
  window->RoutineSet1Execute();
  QVERIFY(ran);
}

// One reading of the hour for every pad: 12 is the 0 of its flag; other
// hours off the dial are refused before anything is written.
void TestRoutines::routineHoursFollowTheDial() {
  RoutineStore& routines = state->routines;
  storedPad(240, 300, "昼");
  EnterRoutine(routines.RoutineTable, state->day.table().Pads[0]);
  whenModal<TfrmSetRWork>([&](TfrmSetRWork& w) {
    TRoutineWorkFrame* pad = w.RoutineFrameTable[0];
    pad->Panel2->show(12, 30, true);
    pad->Panel3->show(1, 0, true);
    pad->btnSaveRoutineClick();
    QCOMPARE(routines.RoutineTable[0].StartHour, 0);
    QCOMPARE(routines.RoutineTable[0].StartPM, 1);
    pad->Panel3->cmbHour->setEditText(QStringLiteral("13"));
    pad->cmbKeyword->setEditText(QStringLiteral("変えた"));
    pad->btnSaveRoutineClick();
    QCOMPARE(platform->messages.back().text,
             std::string(
                 "終了時刻の「時」の欄: '13' は時刻(時)に使えません.\r\n0 から 12 までの整数を入力してください."));
    QCOMPARE(routines.RoutineTable[0].EndHour, 1);
    QCOMPARE(routines.RoutineTable[0].Keyword.text(), std::string("昼"));
    w.btnSaveSRWClick();
    platform->askAnswers = {1};  // the refused edit is not kept
    w.btnCancelSRW->click();
  });
  window->RoutineSet1Execute();
  // 保存しない, then キャンセル in the display's own box: the pads stay on
  // screen unsaved, and so does their recovery file.
  const QString recovery = dir->filePath(QStringLiteral("Recovery-2006-01-04.pdr"));
  QTRY_VERIFY(QFile::exists(recovery));
  platform->confirmAnswers = {false};
  platform->askAnswers = {1};
  window->RoutineRead1Execute();
  QVERIFY(window->isWindowModified());
  QVERIFY(QFile::exists(recovery));
  platform->confirmAnswers = {true};
  platform->askAnswers = {1};  // the day's pad was never saved
  window->RoutineRead1Execute();
  QCOMPARE(state->day.table().Bars[0].TopY, 780);  // 12:30 PM, from the routine pad
  QCOMPARE(state->day.table().Bars[0].BottomY, 840);
}

// Chosen from a menu, entry asks about the selected pad with its mark on,
// though the box takes the focus from the pad itself.
void TestRoutines::entryFromAMenuMarksThePadWhileAsking() {
  TSchedPadFrame* one = storedPad(240, 300, "朝");
  TSchedPadFrame* two = storedPad(600, 700, "昼");
  one->cmbKeyword->setFocus();
  QCOMPARE(state->day.selectedPad(), 0);
  QWidget box;  // what a real question box does: it takes the focus
  QString markWhileAsking;
  platform->whileAsking = [&] {
    box.show();
    box.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &box);
    markWhileAsking = one->pnlPMenu->text();
  };
  platform->confirmAnswers = {false};
  one->pmiRoutine->trigger();  // the pad's popup, as from the menu bar
  QCOMPARE(platform->confirms.back().text,
           std::string("スケジュール・パッドNo. 1をルーチンとして仮登録します.\r\n\r\n処理を続行しますか？"));
  QCOMPARE(markWhileAsking, QStringLiteral("◆"));
  QCOMPARE(two->pnlPMenu->text(), QString());
  platform->whileAsking = nullptr;
}

// Routine work not in Routines.rdf (a provisional entry, typing in the
// settings window) is kept as it happens and at an ending signal, and the
// next start offers it back as the working set.
void TestRoutines::unsavedRoutineWorkSurvivesAnEndingSignal() {
  const std::string file = routineRecoveryPath(state->DataFolder);
  auto recorded = [&file] {
    std::optional<RoutineRecovery> rec;
    readRoutineRecovery(file, &rec);
    return rec;
  };
  storedPad(240, 420, "散歩")->setFocus();
  platform->confirmAnswers = {true};
  window->RoutineEntry1Execute();
  QVERIFY(recorded() && recorded()->table[0].Keyword.text() == "散歩");  // at once
  whenModal<TfrmSetRWork>([&](TfrmSetRWork& w) {
    w.RoutineFrameTable[0]->cmbContent->setEditText(QStringLiteral("公園まで"));
    QTRY_VERIFY(recorded()->table[0].Content.text() == "公園まで");  // typing, within a second
    w.RoutineFrameTable[0]->cmbContent->setEditText(QStringLiteral("川沿いを"));
    window->keepWorkNow();  // SIGTERM: kept now, and nothing after changes it
    platform->askAnswers = {1};
    w.close();  // the run ends: 保存しない drops the working set
  });
  window->RoutineSet1Execute();
  QCOMPARE(recorded()->table[0].Content.text(), std::string("川沿いを"));
  QCOMPARE(CountRoutines(state->routines.RoutineImage), 0);

  // The next start: the day's own work is dropped, the routines' restored.
  run = std::make_unique<PlannerRun>(QString::fromStdString(state->DataFolder), LocalDate{2006, 1, 4});
  platform = &run->platform;
  state = &run->state;
  window = run->window.get();
  platform->askAnswers = {1, 0};
  window->show();
  QTRY_COMPARE(state->routines.RoutineCount(), 1);
  QCOMPARE(platform->questions.back().text,
           std::string("ルーチンの保存されていない変更が残っています (1月4日 9:00 に記録)。復元しますか?"));
  QCOMPARE(state->routines.RoutineTable[0].Content.text(), std::string("川沿いを"));
  QVERIFY(state->routines.changed());
  QCOMPARE(run->panel(2), QStringLiteral("ルーチン総数: 1"));
  // 終了 asks about them; 保存 writes Routines.rdf and the record goes.
  platform->askAnswers = {0};
  window->FileExit1Execute();
  QCOMPARE(CountRoutines(state->routines.RoutineImage), 1);
  QVERIFY(!fileExists(file));
}

QTEST_MAIN(TestRoutines)
#include "tst_routines.moc"
