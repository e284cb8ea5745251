// Planning a day in the main window: dragging pads into being, scrolling,
// removing pads, saving and loading them again.
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <QPlainTextEdit>
#include <QTimer>
#include <QDialog>
#include <functional>

#include "filehelpers.h"
#include "modalhelpers.h"
#include "dlgdiary.h"
#include "dlgpadmemo.h"
#include "appsetup.h"
#include "frmmain.h"
#include "mainparts.h"
#include "padhelpers.h"
#include "plannerrun.h"
#include "recovery.h"
#include "recoverykeeper.h"
#include "scriptedplatform.h"

using namespace plandor;

namespace {

void mouse(QWidget* w, QEvent::Type type, int y, Qt::MouseButton button = Qt::LeftButton) {
  const QPointF local(5, y);
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
  QMouseEvent e(type, local, w->mapToGlobal(local), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

// A drag in a drag area from one row to another, with a move in between.
void drag(QWidget* area, int from, int to, Qt::MouseButton button = Qt::LeftButton) {
  mouse(area, QEvent::MouseButtonPress, from, button);
  mouse(area, QEvent::MouseMove, (from + to) / 2, button);
  mouse(area, QEvent::MouseButtonRelease, to, button);
}

QString times(const TSchedPadFrame* p) {
  auto row = [](const TimeRow* r) {
    return QStringLiteral("%1%2:%3").arg(r->chbPM->isChecked() ? "PM" : "AM", r->cmbHour->currentText(),
                                          r->speMinute->text().rightJustified(2, QLatin1Char('0')));
  };
  return row(p->Panel2) + QLatin1Char('-') + row(p->Panel3);
}

// Focusable controls under `root` that a screen reader could not name.
QStringList unnamedControls(QWidget* root) {
  QStringList unnamed;
  std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* a) {
    if (!a) return;
    const QAccessible::State st = a->state();
    if (st.focusable && !st.invisible && a->text(QAccessible::Name).trimmed().isEmpty()) {
      QObject* o = a->object();
      unnamed << (o ? QString::fromLatin1(o->metaObject()->className()) + QLatin1Char(' ') + o->objectName()
                    : QStringLiteral("?"));
    }
    for (int i = 0; i < a->childCount(); ++i) walk(a->child(i));
  };
  walk(QAccessible::queryAccessibleInterface(root));
  return unnamed;
}

class PaintRecorder : public QObject {
 public:
  QList<QRect> rects;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) rects << static_cast<QPaintEvent*>(e)->rect();
    return false;
  }
};

}  // namespace

class TestDayPlanning : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { setUpApplication(*qApp); }
  void init();
  void cleanup() { closeWindow(); }
  void leftDragCreatesAFocusedNumberedPad();
  void dragRowsAreOrderedAndClamped();
  void rightDragAndGapFilling();
  void noPadBeyondTwentyFour();
  void wheelAndAutoScroll();
  void scrollingRepaintsOnlyTheNewRows();
  void removalPacksAndRenumbers();
  void removalCancelledOrWithNothingSelected();
  void overlappingPadsStayStackedAndReadable();
  void aPlannedDaySurvivesSaveAndRestart();
  void aNewPadAfterARemovalStartsFresh();
  void diaryAndMemoFromTheWindow();
  void screenReadersAndTheKeyboardReachEverything();
  void unsavedWorkIsAskedAboutBeforeItGoes_data();
  void unsavedWorkIsAskedAboutBeforeItGoes();
  void theSessionsEndNeverWaits();
  void undoBringsARemovedPadBackWhole();
  void workLeftByACrashIsOfferedBack();
  void typedWorkComesBackAsTyped();
  void aStoredPadMovesInTimeAsOneStep();
  void theTimeNowShowsOnItsOwnPlan();

 private:
  // A new start; `answers` for the questions the start asks.
  void start(std::deque<int> answers = {});
  TSchedPadFrame* pad(int n) { return parts(window).ScrollBox1->padFrame(n - 1); }
  // Drag, then 一時保存.
  TSchedPadFrame* storedPad(int from, int to) {
    drag(parts(window).ScrollBox1->pbxTimeL, from, to);
    TSchedPadFrame* p = pad(state->day.DataCount() + 1);
    for (int i = 0; i < kPadSlots; ++i)
      if (TSchedPadFrame* f = pad(i + 1); f && f->btnSave->isEnabled()) p = f;
    p->btnSaveClick();
    return p;
  }

  // The window goes; the run's state and platform stay for what follows.
  void closeWindow() {
    if (run) run->window.reset();
    window = nullptr;
  }

  std::unique_ptr<QTemporaryDir> dir;
  std::unique_ptr<PlannerRun> run;
  ScriptedPlatform* platform = nullptr;
  PlannerState* state = nullptr;
  TfrmMain* window = nullptr;
};

void TestDayPlanning::init() {
  dir = std::make_unique<QTemporaryDir>();
  writeAll(dir->filePath("Shutter.wav").toStdString(), "RIFF");
  start();
}

void TestDayPlanning::start(std::deque<int> answers) {
  closeWindow();
  run = std::make_unique<PlannerRun>(dir->path(), LocalDateTime{{2006, 1, 1}, 9, 0, 0}, std::move(answers));
  platform = &run->platform;
  state = &run->state;
  window = run->window.get();
  window->show();
  QVERIFY(QTest::qWaitForWindowExposed(window));
  window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(window));
}

void TestDayPlanning::leftDragCreatesAFocusedNumberedPad() {
  drag(parts(window).ScrollBox1->pbxTimeL, 240, 420);
  TSchedPadFrame* p = pad(1);
  QVERIFY(p && p->isVisible());
  QCOMPARE(p->edtPadNo->text(), QStringLiteral("1"));
  QCOMPARE(times(p), QStringLiteral("AM8:00-AM9:30"));
  QCOMPARE(p->pos(), QPoint(4, 241));
  QVERIFY(p->btnSave->isEnabled());
  QVERIFY(!p->btnRevise->isEnabled());
  QCOMPARE(p->pnlPMenu->text(), QStringLiteral("◆"));
  QCOMPARE(state->day.selectedPad(), 0);
  QCOMPARE(p->cmbKeyword->currentText(), QStringLiteral("キーワード"));
  QCOMPARE(p->colorBox->color(), 0);
  QCOMPARE(platform->sounds.size(), std::size_t(1));
  QCOMPARE(state->day.table().Pads[0].StartHour, -1);  // nothing stored until 一時保存
  QCOMPARE(state->day.table().Bars[0].TopY, -1);
  // Typed, then 一時保存: the day hears once, and the pad holds nothing more.
  p->cmbKeyword->setEditText(QStringLiteral("会議"));
  QVERIFY(state->day.pending(0));
  std::vector<DayModel::Change> told;
  const int listener = state->day.listen([&](DayModel::Change c, int) { told.push_back(c); });
  QVERIFY(p->btnSaveClick());
  state->day.unlisten(listener);
  QCOMPARE(told, std::vector<DayModel::Change>{DayModel::Change::PadStored});
  QVERIFY(!state->day.pending(0) && !p->btnSave->isEnabled());
}

void TestDayPlanning::dragRowsAreOrderedAndClamped() {
  drag(parts(window).ScrollBox1->pbxTimeL, 600, 240);  // upwards
  QCOMPARE(times(pad(1)), QStringLiteral("AM8:00-AM11:00"));
  QCOMPARE(pad(1)->y(), 241);
  drag(parts(window).ScrollBox1->pbxTimeL, 2800, 3100);  // ends below the strip
  QCOMPARE(times(pad(2)), QStringLiteral("AM5:20-AM5:59"));
  drag(parts(window).ScrollBox1->pbxTimeL, 100, -40);  // ends above it
  QCOMPARE(times(pad(3)), QStringLiteral("AM6:00-AM6:50"));
  QCOMPARE(pad(3)->y(), 1);
  drag(parts(window).ScrollBox1->pbxTimeL, 121, 361);  // odd rows fall to the even minute
  QCOMPARE(times(pad(4)), QStringLiteral("AM7:00-AM9:00"));
  mouse(parts(window).ScrollBox1->pbxTimeL, QEvent::MouseButtonPress, 960);
  mouse(parts(window).ScrollBox1->pbxTimeL, QEvent::MouseButtonRelease, 960);  // a click
  QCOMPARE(times(pad(5)), QStringLiteral("PM2:00-PM2:00"));
  drag(parts(window).ScrollBox1->pbxTimeL, 300, 400, Qt::RightButton);  // not the left button
  QVERIFY(!pad(6));
}

void TestDayPlanning::rightDragAndGapFilling() {
  drag(parts(window).ScrollBox1->pbxTimeR, 240, 420);
  QCOMPARE(pad(1)->x(), 351);
  pad(1)->btnSaveClick();
  QCOMPARE(state->day.table().Bars[0].Side.text(), std::string("R"));
  drag(parts(window).ScrollBox1->pbxTimeL, 500, 600);
  drag(parts(window).ScrollBox1->pbxTimeL, 700, 800);
  window->FileSave1Execute();
  state->day.open(state->day.path());  // as after reloading a day: pads 2 and 3 were never stored
  QVERIFY(pad(1) && !pad(2) && !pad(3));
  drag(parts(window).ScrollBox1->pbxTimeL, 900, 1000);
  QCOMPARE(pad(2)->edtPadNo->text(), QStringLiteral("2"));
  QCOMPARE(times(pad(2)), QStringLiteral("AM1:30-AM2:20").replace("AM", "PM"));
}

void TestDayPlanning::noPadBeyondTwentyFour() {
  for (int i = 0; i < 24; ++i) drag(parts(window).ScrollBox1->pbxTimeL, 100 * i, 100 * i + 50);
  QVERIFY(pad(24));
  const std::size_t sounds = platform->sounds.size();
  drag(parts(window).ScrollBox1->pbxTimeL, 10, 20);  // every frame in use: only the sound
  QCOMPARE(platform->sounds.size(), sounds + 1);
  editTable(state->day, [](PadTable& t) {
    for (auto& b : t.Bars) b.TopY = 0;  // the highest pad number is 24
  });
  drag(parts(window).ScrollBox1->pbxTimeL, 10, 20);
  QCOMPARE(platform->sounds.size(), sounds + 1);
  QCOMPARE(state->day.DataCount(), 24);
}

void TestDayPlanning::wheelAndAutoScroll() {
  QScrollBar* bar = parts(window).ScrollBox1->verticalScrollBar();
  QCOMPARE(bar->value(), 240);
  QWidget* target = parts(window).ScrollBox1->pbxTime;
  const QPointF at(5, 300);
  QWheelEvent down(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
  QApplication::sendEvent(target, &down);
  QCOMPARE(bar->value(), 260);  // once per step, though every parent sees the event
  QWheelEvent up(at, target->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                 Qt::NoScrollPhase, false);
  QApplication::sendEvent(parts(window).ScrollBox1->viewport(), &up);
  QCOMPARE(bar->value(), 220);

  // Dragging near the bottom edge scrolls 10 rows a move; near the top, back.
  const int v = bar->value() + 8, h = parts(window).ScrollBox1->height();
  mouse(parts(window).ScrollBox1->pbxTimeL, QEvent::MouseButtonPress, v + 100);
  mouse(parts(window).ScrollBox1->pbxTimeL, QEvent::MouseMove, v + h - 10);
  QCOMPARE(bar->value(), 230);
  mouse(parts(window).ScrollBox1->pbxTimeL, QEvent::MouseMove, v + h - 5);
  QCOMPARE(bar->value(), 240);
  mouse(parts(window).ScrollBox1->pbxTimeL, QEvent::MouseMove, bar->value() + 8 + 5);
  QCOMPARE(bar->value(), 230);
  mouse(parts(window).ScrollBox1->pbxTimeL, QEvent::MouseButtonRelease, bar->value() + 100);
  QVERIFY(pad(1));
  mouse(parts(window).ScrollBox1->pbxTimeL, QEvent::MouseMove, bar->value() + h);  // after the release: no scroll
  QCOMPARE(bar->value(), 230);
}

void TestDayPlanning::scrollingRepaintsOnlyTheNewRows() {
  PaintRecorder rec;
  parts(window).ScrollBox1->pbxTime->installEventFilter(&rec);
  parts(window).ScrollBox1->pbxFrameL->installEventFilter(&rec);
  // Settle: a full paint of both takes whatever was still pending with it.
  parts(window).ScrollBox1->pbxTime->update();
  parts(window).ScrollBox1->pbxFrameL->update();
  QTRY_VERIFY(rec.rects.size() >= 2);
  rec.rects.clear();
  parts(window).ScrollBox1->verticalScrollBar()->setValue(260);
  QTRY_VERIFY(!rec.rects.isEmpty());
  for (const QRect& r : rec.rects) QVERIFY2(r.height() <= 40, qPrintable(QString::number(r.height())));
}

void TestDayPlanning::removalPacksAndRenumbers() {
  const auto countShown = [this] { return parts(window).statusPanels[1]->text(); };
  for (int i = 0; i < 4; ++i) storedPad(240 + 200 * i, 300 + 200 * i);
  QCOMPARE(countShown(), QStringLiteral("データ総数: 4"));  // each 一時保存 shown
  ShortText<255> memo{};
  memo.setText("pad 3's memo");
  state->day.setMemo(2, memo);
  drag(parts(window).ScrollBox1->pbxTimeL, 2000, 2100);  // pad 5, never stored
  pad(2)->setFocus();
  QCOMPARE(state->day.selectedPad(), 1);
  const std::size_t sounds = platform->sounds.size();
  platform->confirmAnswers.push_back(true);
  parts(window).btnRemovePad->click();
  QCOMPARE(platform->confirms.size(), std::size_t(1));
  QCOMPARE(platform->confirms[0].text, std::string("スケジュール・パッドNo. 2を削除します.\r\n\r\n処理を続行しますか？"));
  QCOMPARE(platform->confirms[0].left, 180);
  QCOMPARE(platform->confirms[0].top, 250);
  for (int n = 1; n <= 3; ++n) {
    QVERIFY(pad(n));
    QCOMPARE(pad(n)->edtPadNo->text(), QString::number(n));
    QVERIFY(!pad(n)->btnSave->isEnabled());
    QCOMPARE(state->day.table().Pads[n - 1].PadNo, n);
  }
  QVERIFY(!pad(4) && !pad(5));
  QCOMPARE(pad(2)->y(), 641);  // the old pad 3, where it was
  QCOMPARE(state->day.table().Bars[1].TopY, 640);
  QCOMPARE(state->day.table().Pads[1].Memo.text(), std::string("pad 3's memo"));
  QCOMPARE(state->day.table().Bars[3].TopY, -1);
  QCOMPARE(state->day.DataCount(), 3);
  QCOMPARE(countShown(), QStringLiteral("データ総数: 3"));
  QCOMPARE(QApplication::focusWidget(), pad(3));
  QCOMPARE(state->day.selectedPad(), 2);
  QCOMPARE(pad(3)->pnlPMenu->text(), QStringLiteral("◆"));
  QVERIFY(!parts(window).pnlCover->isVisible());
  QCOMPARE(platform->sounds.size(), sounds + 1);

  // Removing the last pads one by one leaves none; then the command is idle.
  for (int i = 0; i < 3; ++i) {
    platform->confirmAnswers.push_back(true);
    window->ScheduleRemovePad1Execute();
  }
  for (int n = 1; n <= kPadSlots; ++n) QVERIFY(!pad(n));
  QCOMPARE(state->day.DataCount(), 0);
  QCOMPARE(countShown(), QStringLiteral("データ総数: 0"));
  window->ScheduleRemovePad1Execute();
  QCOMPARE(platform->confirms.size(), std::size_t(4));
}

// Evening pads 20 rows apart overlap; a rebuild must not turn the stack
// over, and the panel hides the band behind its labels.
void TestDayPlanning::overlappingPadsStayStackedAndReadable() {
  // Drawn upwards from below the last bar: a press on a bar would move it.
  for (int i = 0; i < 4; ++i) storedPad(1600 + 20 * i, 1500 + 20 * i);
  pad(1)->setFocus();
  platform->confirmAnswers.push_back(true);
  window->ScheduleRemovePad1Execute();
  QWidget* frame = parts(window).ScrollBox1->pnlFrame;
  for (int n = 1; n <= 2; ++n) {
    // Just inside the top left corner of pad n + 1, which pad n underlies.
    const QPoint at = pad(n + 1)->geometry().topLeft() + QPoint(60, 2);
    QWidget* hit = frame->childAt(at);
    QVERIFY(hit && (hit == pad(n + 1) || pad(n + 1)->isAncestorOf(hit)));
  }
  const QImage shot = pad(3)->grab().toImage();
  const QPoint behindLabel = pad(3)->Panel2->mapTo(pad(3), QPoint(2, 2));
  QCOMPARE(shot.pixelColor(behindLabel), QColor(240, 240, 240));
}

void TestDayPlanning::removalCancelledOrWithNothingSelected() {
  window->ScheduleRemovePad1Execute();  // no pad yet
  QVERIFY(platform->confirms.empty());
  storedPad(240, 420);
  storedPad(600, 700);
  pad(1)->setFocus();
  parts(window).btnRemovePad->setFocus();
  QCOMPARE(pad(1)->pnlPMenu->text(), QString());
  window->ScheduleRemovePad1Execute();  // cancelled
  QCOMPARE(platform->confirms.size(), std::size_t(1));
  QVERIFY(pad(1) && pad(2));
  QCOMPARE(QApplication::focusWidget(), pad(1));
  QCOMPARE(pad(1)->pnlPMenu->text(), QStringLiteral("◆"));
  QCOMPARE(state->day.table().Bars[1].TopY, 600);
}

void TestDayPlanning::aPlannedDaySurvivesSaveAndRestart() {
  TSchedPadFrame* first = storedPad(240, 420);
  first->cmbKeyword->setEditText(QStringLiteral("会議"));
  first->btnReviseClick();
  drag(parts(window).ScrollBox1->pbxTimeR, 1440, 1560);
  pad(2)->colorBox->setColor(0x0000FF);
  pad(2)->btnSaveClick();
  window->FileSave1Execute();
  QCOMPARE(parts(window).statusPanels[1]->text(), QStringLiteral("データ総数: 2"));
  QCOMPARE(QApplication::focusWidget(), pad(2));
  const QByteArray file = readAll(state->day.todayPath());
  QCOMPARE(file.mid(264, 16), QByteArray::fromHex("014c0000f0000000a401000000000000"));

  start();
  QVERIFY(pad(1) && pad(2) && !pad(3));
  QCOMPARE(pad(1)->cmbKeyword->currentText(), QStringLiteral("会議"));
  QCOMPARE(pad(2)->pos(), QPoint(351, 1441));
  QCOMPARE(pad(2)->colorBox->color(), 0x0000FF);
  QVERIFY(!pad(2)->btnSave->isEnabled());
  QCOMPARE(QApplication::focusWidget(), pad(2));
  const QImage bars = parts(window).ScrollBox1->pbxTimeR->grab(QRect(0, 1440, 13, 120)).toImage();
  QCOMPARE(bars.pixelColor(1, 10), QColor(255, 0, 0));
  QCOMPARE(bars.pixelColor(0, 10), QColor(Qt::white));
}

void TestDayPlanning::aNewPadAfterARemovalStartsFresh() {
  TSchedPadFrame* old = storedPad(240, 420);
  old->cmbKeyword->setEditText(QStringLiteral("会議"));
  old->chbCompleted->setChecked(true);
  old->colorBox->setColor(0x00123456);
  old->btnReviseClick();
  platform->confirmAnswers.push_back(true);
  window->ScheduleRemovePad1Execute();
  QVERIFY(!pad(1));
  drag(parts(window).ScrollBox1->pbxTimeR, 600, 700);
  TSchedPadFrame* p = pad(1);
  QCOMPARE(p->cmbKeyword->currentText(), QStringLiteral("キーワード"));
  QCOMPARE(p->cmbContent->currentText(), QStringLiteral("説明"));
  QVERIFY(!p->chbCompleted->isChecked());
  QCOMPARE(p->colorBox->color(), 0);
  QCOMPARE(p->colorBox->findText(QStringLiteral("カスタム"), Qt::MatchStartsWith), 0);  // only "カスタム..."
  QVERIFY(p->btnSave->isEnabled() && !p->btnRevise->isEnabled());
  QCOMPARE(p->pos(), QPoint(351, 601));
}

void TestDayPlanning::diaryAndMemoFromTheWindow() {
  int opened = 0;
  QString title;
  auto answer = [&opened, &title](const char* text) {
    QTimer::singleShot(0, [&opened, &title, text] {
      QWidget* w = QApplication::activeModalWidget();
      QVERIFY(w);
      ++opened;
      title = w->windowTitle();
      w->findChild<QPlainTextEdit*>()->setPlainText(QString::fromUtf8(text));
      for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text().startsWith(QStringLiteral("一時保存"))) b->click();
    });
  };
  window->ScheduleDiary1Execute();  // no file yet: nothing
  QCOMPARE(opened, 0);
  storedPad(240, 420);
  storedPad(600, 700);
  answer("second pad's memo");
  pad(2)->pmiMemo->trigger();
  QCOMPARE(opened, 1);
  QCOMPARE(title, QStringLiteral("スケジュール・パッドのメモ"));
  window->FileSave1Execute();
  answer("line one\nline two");
  parts(window).btnDiary->click();
  QCOMPARE(opened, 2);
  window->FileSave1Execute();

  start();
  QCOMPARE(state->day.table().Pads[1].Memo.text(), std::string("second pad's memo"));
  QCOMPARE(state->day.table().Diary.Content1.text(), std::string("line one\r\nline two"));
  QCOMPARE(state->day.table().Diary.Title1.text(), std::string("タイトル1"));
}

// Every focusable control of the window, a pad and the dialogs has a name;
// pads name their number and times; the keyboard reaches the pads, walks
// their controls with the status bar hint following, and makes a pad.
void TestDayPlanning::screenReadersAndTheKeyboardReachEverything() {
  storedPad(360, 540);     // 9:00 to 10:30
  storedPad(2130, 2250);   // PM 11:45 to AM 0:45, past midnight
  QCOMPARE(pad(1)->accessibleName(), QStringLiteral("スケジュール・パッド 1, 9:00 から 10:30"));
  // The pad with the focus says it carries the mark.
  QCOMPARE(pad(2)->accessibleName(), QStringLiteral("スケジュール・パッド 2, 23:45 から 0:45, ◆ 選択中"));
  pad(1)->Panel3->cmbHour->setEditText(QStringLiteral("11"));
  QCOMPARE(pad(1)->accessibleName(), QStringLiteral("スケジュール・パッド 1, 9:00 から 11:30"));  // as typed
  pad(1)->btnReviseClick();
  QCOMPARE(pad(1)->accessibleName(), QStringLiteral("スケジュール・パッド 1, 9:00 から 11:30"));
  QCOMPARE(parts(window).ScrollBox1->pbxTimeL->accessibleDescription().left(11), QStringLiteral("ドラッグ・エリアです."));
  QCOMPARE(parts(window).edtNow->accessibleName(), QStringLiteral("只今の時刻"));
  const QStringList inWindow = unnamedControls(window);
  QVERIFY2(inWindow.isEmpty(), qPrintable(inWindow.join(QStringLiteral(", "))));

  // F6 goes from the buttons to the selected pad, then on to the next;
  // Tab then walks the pad's own controls, the hint going along.
  parts(window).btnSave->setFocus();
  QTest::keyClick(parts(window).btnSave, Qt::Key_F6);
  QCOMPARE(QApplication::focusWidget(), pad(2));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
  QCOMPARE(QApplication::focusWidget(), pad(1));
  QCOMPARE(pad(1)->pnlPMenu->text(), QStringLiteral("◆"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), pad(1)->Panel2->cmbHour);
  QCOMPARE(parts(window).statusPanels[0]->text().left(8), QStringLiteral("ドラッグ・エリア"));
  for (int i = 0; i < 6; ++i) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  QCOMPARE(QApplication::focusWidget(), pad(1)->btnRevise);  // 一時保存 is disabled and skipped
  QCOMPARE(state->day.selectedPad(), 0);

  // Ctrl+N: a one-hour pad from the first full hour in view (08:00).
  parts(window).ScrollBox1->verticalScrollBar()->setValue(240);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::ControlModifier);
  QVERIFY(pad(3));
  QCOMPARE(times(pad(3)), QStringLiteral("AM8:00-AM9:00"));
  QCOMPARE(pad(3)->x(), 4);
  // Typing goes into its keyword, over the placeholder.
  QVERIFY(pad(3)->cmbKeyword->isAncestorOf(QApplication::focusWidget()));
  QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("run"));
  QCOMPARE(pad(3)->cmbKeyword->currentText(), QStringLiteral("run"));
  QCOMPARE(pad(3)->pnlPMenu->text(), QStringLiteral("◆"));

  QStringList inDialogs;
  auto check = [&inDialogs](const char* which) {
    QTimer::singleShot(0, [&inDialogs, which] {
      QWidget* w = QApplication::activeModalWidget();
      QVERIFY(w);
      for (const QString& c : unnamedControls(w)) inDialogs << QString::fromLatin1(which) + QStringLiteral(": ") + c;
      static_cast<QDialog*>(w)->reject();
    });
  };
  check("memo");
  pad(1)->pmiMemo->trigger();
  window->FileSave1Execute();
  check("diary");
  window->ScheduleDiary1Execute();
  check("lists");
  window->OptionSetList1Execute();
  platform->confirmAnswers = {true};
  window->RoutineEntry1Execute();
  // Closing asks about the provisional routine: 保存しない.
  platform->askAnswers = {1};
  check("routines");
  window->RoutineSet1Execute();
  QVERIFY2(inDialogs.isEmpty(), qPrintable(inDialogs.join(QStringLiteral(", "))));
}

void TestDayPlanning::unsavedWorkIsAskedAboutBeforeItGoes_data() {
  QTest::addColumn<int>("answer");     // 0 保存, 1 保存しない, 2 キャンセル
  QTest::addColumn<bool>("typedOnly");  // the pad's edit was never stored
  QTest::addColumn<QString>("typed");   // into its keyword
  QTest::addColumn<bool>("ends");
  QTest::addColumn<bool>("saved");
  const QString k = QStringLiteral("会議");
  QTest::newRow("保存") << 0 << false << k << true << true;
  QTest::newRow("保存 takes the typed edit first") << 0 << true << k << true << true;
  QTest::newRow("保存 takes an untouched dragged pad") << 0 << true << QString() << true << true;
  QTest::newRow("保存しない") << 1 << false << k << true << false;
  QTest::newRow("キャンセル") << 2 << false << k << false << false;
  QTest::newRow("キャンセル keeps the typing") << 2 << true << k << false << false;
}

// 終了 (and the close box, which takes the same path) with unsaved work.
void TestDayPlanning::unsavedWorkIsAskedAboutBeforeItGoes() {
  QFETCH(int, answer);
  QFETCH(bool, typedOnly);
  QFETCH(QString, typed);
  QFETCH(bool, ends);
  QFETCH(bool, saved);
  const std::string day = state->day.todayPath(), recovery = dir->filePath("Recovery-2006-01-01.pdr").toStdString();
  window->FileExit1Execute();  // nothing unsaved: no question
  QVERIFY(platform->questions.empty());
  start();
  QCOMPARE(window->windowTitle(), QStringLiteral("プランドール - 2006年1月1日 (日)[*]"));
  TSchedPadFrame* p = typedOnly ? (drag(parts(window).ScrollBox1->pbxTimeL, 240, 420), pad(1)) : storedPad(240, 420);
  const QString keyword = typed.isEmpty() ? p->cmbKeyword->currentText() : typed;
  if (!typed.isEmpty()) p->cmbKeyword->setEditText(typed);  // typed, not yet stored
  QVERIFY(window->isWindowModified());
  QTRY_VERIFY(QFile::exists(QString::fromStdString(recovery)));
  platform->askAnswers = {answer};
  window->FileExit1Execute();
  QCOMPARE(platform->questions.size(), std::size_t(1));
  const auto& q = platform->questions[0];
  QCOMPARE(q.text, std::string("2006年1月1日 (日) の変更を保存しますか？"));
  QCOMPARE(q.buttons, (std::vector<std::string>{"保存(&S)", "保存しない(&N)", "キャンセル"}));
  QCOMPARE(q.defaultButton, 0);
  QCOMPARE(q.escapeButton, 2);
  QCOMPARE(window->isVisible(), !ends);
  QCOMPARE(QFile::exists(QString::fromStdString(day)), saved);
  if (saved) {
    DayModel back;
    QVERIFY(back.open(day).ok());
    QCOMPARE(QString::fromStdString(back.pad(0).Keyword.text()), keyword);
    QCOMPARE(back.bar(0).TopY, 240);
  }
  QCOMPARE(QFile::exists(QString::fromStdString(recovery)), !ends);
  if (!ends) QCOMPARE(p->cmbKeyword->currentText(), keyword);
}

// Logging out asks nothing and waits for nothing: the work stays in the
// recovery file, offered at the next start.
void TestDayPlanning::theSessionsEndNeverWaits() {
  storedPad(240, 420)->cmbKeyword->setEditText(QStringLiteral("入力中"));
  window->sessionEnding();
  QVERIFY(window->close());
  QVERIFY(platform->questions.empty());
  QVERIFY(!QFile::exists(QString::fromStdString(state->day.todayPath())));
  std::optional<Recovery> kept;
  QVERIFY(readRecovery(dir->filePath("Recovery-2006-01-01.pdr").toStdString(), &kept).ok() && kept);
  QCOMPARE(kept->image.Pads[0].Keyword.text(), std::string("入力中"));  // typed, not yet stored
}

void TestDayPlanning::undoBringsARemovedPadBackWhole() {
  for (int i = 0; i < 3; ++i) storedPad(240 + 200 * i, 300 + 200 * i);
  ShortText<255> memo{};
  memo.setText("pad 2's memo");
  state->day.setMemo(1, memo);
  const QByteArray before = bytesOf(state->day.table());
  pad(2)->setFocus();
  platform->confirmAnswers.push_back(true);
  window->ScheduleRemovePad1Execute();
  QVERIFY(!pad(3));
  QVERIFY(parts(window).ScheduleUndo1->isEnabled() && !parts(window).ScheduleRedo1->isEnabled());
  pad(1)->setFocus();  // another pad selected since: undo selects the removed one again
  QCOMPARE(state->day.selectedPad(), 0);
  parts(window).ScheduleUndo1->trigger();
  QCOMPARE(bytesOf(state->day.table()), before);
  for (int n = 1; n <= 3; ++n) QCOMPARE(pad(n)->y(), 241 + 200 * (n - 1));
  QCOMPARE(state->day.selectedPad(), 1);
  QCOMPARE(QApplication::focusWidget(), pad(2));
  QTRY_COMPARE(pad(2)->pnlPMenu->text(), QStringLiteral("◆"));
  QVERIFY(pad(3)->isVisible());
  QVERIFY(pad(3)->y() > pad(2)->y());  // stacked by number again
  parts(window).ScheduleRedo1->trigger();
  QVERIFY(!pad(3));
  QCOMPARE(state->day.table().Pads[1].Memo.text(), std::string());  // the old pad 3's

  // A text box with the focus keeps Ctrl+Z for its own text.
  TSchedPadFrame* p = pad(1);
  p->cmbKeyword->setFocus();
  QTest::keyClicks(p->cmbKeyword, QStringLiteral("x"));
  const QString typed = p->cmbKeyword->currentText();
  QTest::keyClick(p->cmbKeyword, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(p->cmbKeyword->currentText(), typed.chopped(1));
  QVERIFY(!pad(3));  // the day's history did not move
}

void TestDayPlanning::workLeftByACrashIsOfferedBack() {
  const std::string recovery = dir->filePath("Recovery-2006-01-01.pdr").toStdString();
  Recovery r;
  r.dayName = "Y200601/Y2006011.sdf";
  r.written = {{2006, 1, 1}, 9, 41, 0};
  std::memcpy(&r.image, &state->day.image(), sizeof r.image);
  storedPad(240, 420);
  r.image.Pads[0] = state->day.pad(0);
  r.image.Bars[0] = state->day.bar(0);
  closeWindow();
  QVERIFY(writeRecovery(recovery, r).ok());

  // 破棄する: the file goes, the day stays as its file has it.
  start({1});
  QTRY_COMPARE(platform->questions.size(), std::size_t(1));
  QCOMPARE(platform->questions[0].text, std::string("2006年1月1日 (日) の保存されていない変更が残っています (1月1日 9:41 に記録)。復元しますか?"));
  QCOMPARE(platform->questions[0].buttons, (std::vector<std::string>{"復元する(&R)", "破棄する(&D)"}));
  QVERIFY(!QFile::exists(QString::fromStdString(recovery)));
  QVERIFY(!pad(1));

  // 復元する: the work is back as unsaved work, and 保存 writes it.
  closeWindow();
  QVERIFY(writeRecovery(recovery, r).ok());
  start({0});
  QTRY_VERIFY(pad(1));
  QCOMPARE(state->day.pad(0).Keyword.text(), std::string("キーワード"));
  QVERIFY(window->isWindowModified());
  QVERIFY(window->FileSave1Execute());
  QVERIFY(!window->isWindowModified());
  QVERIFY(!QFile::exists(QString::fromStdString(recovery)));
  parts(window).ScheduleUndo1->trigger();  // the restored work is one step of its own
  QVERIFY(!pad(1));

  // A file that is not a whole recovery file is reported and kept; the
  // next work goes beside it.
  closeWindow();
  writeAll(recovery, "torn");
  start();
  QTRY_COMPARE(platform->errors.size(), std::size_t(1));
  QVERIFY(QString::fromStdString(platform->errors[0]).contains(QString::fromStdString(recovery)));
  storedPad(600, 700);
  QTRY_VERIFY(QFile::exists(dir->filePath("Recovery-2006-01-01-2.pdr")));
  QCOMPARE(readAll(recovery), QByteArray("torn"));
}

// What 一時保存 would refuse, and a memo being typed, reach the recovery
// file and come back exactly as typed, still unsaved.
void TestDayPlanning::typedWorkComesBackAsTyped() {
  const std::string recovery = dir->filePath("Recovery-2006-01-01.pdr").toStdString();
  auto keptTop = [&] {
    std::optional<Recovery> r;
    return readRecovery(recovery, &r).ok() && r ? r->image.Pads[0].Top : -1;
  };
  // Each key restarts the wait for a pause in the typing: the file follows
  // the last key, not the first.
  TSchedPadFrame* moved = storedPad(600, 700);
  QTimer* typing = nullptr;
  for (QObject* keeper : window->children())  // the recovery keeper's wait for a pause
    if (dynamic_cast<RecoveryKeeper*>(keeper))
      for (QTimer* t : keeper->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly))
        if (t->isSingleShot() && t->interval() == 1000) typing = t;
  QVERIFY(typing);
  QTRY_VERIFY(QFile::exists(QString::fromStdString(recovery)));  // the store is kept
  moved->cmbContent->setEditText(QStringLiteral("a"));
  QTRY_VERIFY(typing->isActive() && typing->remainingTime() < 900);
  moved->cmbContent->setEditText(QStringLiteral("ab"));
  QVERIFY(typing->remainingTime() > 900);
  QVERIFY(moved->btnReviseClick());
  // Every ▲/▼ click reaches the file, not only the first.
  const int top = moved->y();
  for (int step = 1; step <= 2; ++step) {
    moved->bitMoveDownClick();
    QTRY_COMPARE(keptTop(), top + 10 * step);
  }
  drag(parts(window).ScrollBox1->pbxTimeL, 240, 240);  // a click: start = end
  TSchedPadFrame* p = pad(2);
  p->cmbKeyword->setEditText(QStringLiteral("拒否される"));
  p->Panel3->cmbHour->setEditText(QStringLiteral("x"));
  QByteArray killed;  // the file as a kill with the memo open leaves it
  whenModal<TdlgPadMemo>([&](TdlgPadMemo& memo) {
    memo.memPadMemo->setPlainText(QStringLiteral("書きかけ"));
    QVERIFY(window->isWindowModified());
    QTRY_VERIFY(readAll(recovery).contains(sjis("書きかけ")));
    killed = readAll(recovery);
    memo.reject();
  });
  pad(1)->pmiMemo->trigger();
  closeWindow();
  writeAll(recovery, killed);

  start({0});
  QTRY_VERIFY(pad(2));
  QCOMPARE(pad(2)->cmbKeyword->currentText(), QStringLiteral("拒否される"));
  QCOMPARE(pad(2)->Panel3->cmbHour->currentText(), QStringLiteral("x"));
  QVERIFY(pad(2)->btnSave->isEnabled() && state->day.pending(1));
  QCOMPARE(state->day.pad(0).Memo.text(), std::string("書きかけ"));
  QVERIFY(window->isWindowModified());
}

// A stored pad's bar dragged and stretched, then the same by keys: each one
// step of the day's history, undone back to the bytes last saved.
void TestDayPlanning::aStoredPadMovesInTimeAsOneStep() {
  TDayView* view = parts(window).ScrollBox1;
  DragArea* area = view->pbxTimeL;
  TSchedPadFrame* p = storedPad(360, 480);  // 9:00-10:00
  QVERIFY(window->FileSave1Execute());
  const std::string path = state->day.path();
  const QByteArray saved = readAll(path);
  QVERIFY(!window->isWindowModified());

  drag(area, 400, 460);  // the body, one hour's half down
  QCOMPARE(times(p), QStringLiteral("AM9:30-AM10:30"));
  QCOMPARE(p->pos(), QPoint(4, 421));  // level with the new start, as 一時保存 puts it
  const BarRecord& bar = state->day.bar(0);
  QCOMPARE(QPoint(bar.TopY, bar.BottomY), QPoint(420, 540));
  QVERIFY(window->isWindowModified());
  QVERIFY(!p->btnSave->isEnabled() && !p->hasEdits());
  drag(area, 538, 600);  // the lower edge
  QCOMPARE(times(p), QStringLiteral("AM9:30-AM11:00"));
  QCOMPARE(state->day.DataCount(), 1);  // no new pad

  // The pointer's shape says what a press would do.
  auto hover = [area](int y) {
    const QPointF at(5, y);
    QMouseEvent e(QEvent::MouseMove, at, area->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(area, &e);
    return area->cursor().shape();
  };
  QCOMPARE(hover(598), Qt::SizeVerCursor);
  QCOMPARE(hover(421), Qt::SizeVerCursor);
  QCOMPARE(hover(500), Qt::SizeAllCursor);
  QCOMPARE(hover(600), Qt::CrossCursor);

  // Escape in the middle of a drag, after the right button and an
  // auto-scroll: the bar back, the day unchanged.
  const QByteArray before = bytesOf(state->day.table());
  mouse(area, QEvent::MouseButtonPress, 500);
  mouse(area, QEvent::MouseMove, 700);
  mouse(area, QEvent::MouseButtonPress, 700, Qt::RightButton);
  QVERIFY(view->draggingBar() && view->lblDragTip->isVisible());
  QCOMPARE(view->lblDragTip->text(), QStringLiteral("11:10 – 12:40"));
  const int scroll = view->verticalScrollBar()->value();
  mouse(area, QEvent::MouseMove, area->mapFrom(view, QPoint(0, view->height())).y() - 10);
  QCOMPARE(view->verticalScrollBar()->value(), scroll + 10);
  QTest::keyClick(window, Qt::Key_Escape);
  QVERIFY(!view->draggingBar() && !view->lblDragTip->isVisible());
  mouse(area, QEvent::MouseButtonRelease, 700);
  QCOMPARE(bytesOf(state->day.table()), before);

  parts(window).ScheduleUndo1->trigger();
  parts(window).ScheduleUndo1->trigger();
  QVERIFY(window->FileSave1Execute());
  QCOMPARE(readAll(path), saved);
  parts(window).ScheduleRedo1->trigger();
  QCOMPARE(times(view->padFrame(0)), QStringLiteral("AM9:30-AM10:30"));

  // Undo of a move keeps the moved pad selected and focused, though its
  // frame is made again and the focus passes by the pad after it.
  storedPad(900, 960);
  view->padFrame(0)->cmbContent->setFocus();
  QTest::keyClick(view->padFrame(0)->cmbContent, Qt::Key_Down, Qt::AltModifier);
  QCOMPARE(times(view->padFrame(0)), QStringLiteral("AM9:35-AM10:35"));
  parts(window).ScheduleUndo1->trigger();
  QCOMPARE(times(view->padFrame(0)), QStringLiteral("AM9:30-AM10:30"));
  QCOMPARE(state->day.selectedPad(), 0);
  QVERIFY(view->padFrame(0)->isAncestorOf(QApplication::focusWidget()) ||
          view->padFrame(0) == QApplication::focusWidget());

  // The keys, in the focused pad: the focus stays, its name tells the times.
  p = view->padFrame(0);
  p->cmbContent->setFocus();
  QTest::keyClick(p->cmbContent, Qt::Key_Down, Qt::AltModifier);
  QCOMPARE(times(p), QStringLiteral("AM9:35-AM10:35"));
  QTest::keyClick(p->cmbContent, Qt::Key_Down, Qt::AltModifier | Qt::ShiftModifier);
  QCOMPARE(times(p), QStringLiteral("AM9:35-AM10:40"));
  QVERIFY(p->accessibleName().contains(QStringLiteral("9:35 から 10:40")));
  QVERIFY(p->isAncestorOf(QApplication::focusWidget()));
  QTest::keyClick(p->cmbContent, Qt::Key_Up, Qt::AltModifier);
  QCOMPARE(times(p), QStringLiteral("AM9:30-AM10:35"));

  // Typed edits not yet stored: neither the pointer nor the keys move it.
  QTest::keyClicks(p->cmbContent, QStringLiteral("x"));
  const QByteArray typed = bytesOf(state->day.table());
  const int count = state->day.DataCount();
  drag(area, 440, 500);
  QTest::keyClick(p->cmbContent, Qt::Key_Down, Qt::AltModifier);
  QCOMPARE(bytesOf(state->day.table()), typed);
  QVERIFY(parts(window).statusPanels[0]->text().contains(QStringLiteral("一時保存していない変更")));
  QCOMPARE(state->day.DataCount(), count);
  QCOMPARE(p->cmbContent->currentText(), QStringLiteral("x説明"));  // the typing kept
}

// The line on the plan that holds the time now, none on another day.
void TestDayPlanning::theTimeNowShowsOnItsOwnPlan() {
  TDayView* view = parts(window).ScrollBox1;
  platform->clock = {{2006, 1, 1}, 9, 41, 0};
  view->showNow();
  QVERIFY(view->lblNow->isVisible());
  QCOMPARE(view->lblNow->y(), 442 + 2);
  parts(window).ScheduleNextDay1->trigger();
  QVERIFY(!view->lblNow->isVisible());
  // Before 06:00 the night belongs to the day before's plan; 現在時刻へ
  // opens it and scrolls the line into view.
  platform->clock = {{2006, 1, 3}, 5, 30, 0};
  parts(window).ScheduleToday1->trigger();
  QCOMPARE(state->day.date(), std::optional<LocalDate>(LocalDate{2006, 1, 1}));
  window->findChild<QAction*>(QStringLiteral("ScheduleNow1"))->trigger();
  QCOMPARE(state->day.date(), std::optional<LocalDate>(LocalDate{2006, 1, 2}));
  QVERIFY(view->lblNow->isVisible());
  QCOMPARE(view->lblNow->y(), 2820 + 2);
  // A press on the line reaches the drag area under it.
  QCOMPARE(view->pnlFrame->childAt(view->pbxTimeL->mapTo(view->pnlFrame, QPoint(5, 2820))), view->pbxTimeL);
  const QRect line(view->lblNow->mapTo(view->viewport(), QPoint(0, 0)), view->lblNow->size());
  // In view from top to bottom (a narrow screen may scroll the view sideways).
  QVERIFY(line.top() >= 0 && line.bottom() < view->viewport()->height());
}

QTEST_MAIN(TestDayPlanning)
#include "tst_dayplanning.moc"
