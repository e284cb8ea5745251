// The main window in a fresh program folder, driven through its commands
// with the platform's boxes answered by the test.
#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QGroupBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <numeric>

#include "filehelpers.h"
#include "padhelpers.h"
#include "plannerrun.h"
#include "aboutbox.h"
#include "appicon.h"
#include "appsetup.h"
#include "datepicker.h"
#include "helpwindow.h"
#include "reminderwindow.h"
#include "datafolder.h"
#include "dayview.h"
#include "frmmain.h"
#include "mainparts.h"
#include "schedpadframe.h"
#include "scriptedplatform.h"

using namespace plandor;

namespace {

using Run = PlannerRun;

// Sees every event of the application, changes none.
class EventWatch : public QObject {
 public:
  explicit EventWatch(std::function<void(QObject*, QEvent*)> see) : see_(std::move(see)) {}
  bool eventFilter(QObject* watched, QEvent* e) override {
    see_(watched, e);
    return false;
  }

 private:
  std::function<void(QObject*, QEvent*)> see_;
};

// The letter after a single "&" of a caption, upper-cased; none for "&&".
QChar mnemonicOf(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toUpper();
    ++i;
  }
  return {};
}

// Captions that Alt+letter (or the letter in an open menu) could not tell apart.
QStringList repeatedMnemonics(const QString& where, const QStringList& captions) {
  QHash<QChar, QString> first;
  QStringList faults;
  for (const QString& c : captions) {
    const QChar m = mnemonicOf(c);
    if (m.isNull()) continue;
    if (first.contains(m))
      faults << QStringLiteral("%1: %2 / %3").arg(where, first[m], c);
    else
      first.insert(m, c);
  }
  return faults;
}

QStringList menuMnemonics(const QString& where, QMenu* menu) {
  QStringList captions, faults;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    captions << a->text();
    if (a->menu()) faults << menuMnemonics(where + QLatin1Char('/') + a->text(), a->menu());
  }
  return faults << repeatedMnemonics(where, captions);
}

// Every caption of a window that takes Alt+letter: its shown buttons, labels
// of boxes, group boxes, tabs and, in the main window, the menu bar.
QStringList windowMnemonics(const QString& where, QWidget* w) {
  QStringList captions;
  for (auto* b : w->findChildren<QAbstractButton*>())
    if (b->window() == w && b->isVisibleTo(w)) captions << b->text();
  for (auto* l : w->findChildren<QLabel*>())
    if (l->window() == w && l->buddy() && l->isVisibleTo(w)) captions << l->text();
  for (auto* g : w->findChildren<QGroupBox*>())
    if (g->window() == w && g->isVisibleTo(w)) captions << g->title();
  for (auto* t : w->findChildren<QTabBar*>())
    if (t->window() == w && t->isVisibleTo(w))
      for (int i = 0; i < t->count(); ++i) captions << t->tabText(i);
  if (auto* main = qobject_cast<QMainWindow*>(w))
    for (QAction* a : main->menuBar()->actions()) captions << a->text();
  return repeatedMnemonics(where, captions);
}

}  // namespace

class TestFrmMain : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { setUpApplication(*qApp); }
  void init();
  void firstStartPreparesFilesAndAnEmptyDay();
  void saveCreatesTheDayAndTheNextStartLoadsIt();
  void fullDayPaintsFirstWhatIsInView();
  void failedSaveReportsAndKeepsTheDay();
  void todayCommand();
  void pastCommand();
  void planAnyDay();
  void failedPastLoadShowsAnEmptyConsistentDay();
  void missingSoundIsReported();
  void monthFolderThatCannotBeMadeStopsStartUp();
  void unreadableRoutineAndListFilesStillStart();
  void startRemovesWhatCutShortSavesLeft();
  void layoutClockAndSizing();
  void textsShowWhole();
  void hintsFollowTheMouse();
  void helpAndAbout();
  void dataApartFromTheProgram();
  void firstUseHintShowsWholeAndAKeyPutsItAway();
  void keyboardCommandsShowInTheMenu();
  void iconIsDrawnOnWholePixels();
  void everyMnemonicIsUniqueInItsWindow();
  void calendarReadsDaysAsDates();
  void helpNamesEveryCommand();
  void dayBeforeAndAfterStopAtTheEnds_data();
  void dayBeforeAndAfterStopAtTheEnds();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  QString folder;
  std::string todayPath() const { return folder.toStdString() + "/Y200601/Y2006011.sdf"; }
};

void TestFrmMain::init() {
  dir = std::make_unique<QTemporaryDir>();
  folder = dir->path();
  writeAll(folder.toStdString() + "/Shutter.wav", "RIFF");
}

void TestFrmMain::firstStartPreparesFilesAndAnEmptyDay() {
  Run run(folder);
  QVERIFY(run.window->started());
  QVERIFY(QDir(folder).exists("Y200601"));
  QCOMPARE(readAll(folder.toStdString() + "/Routines.rdf").size(), 3200);
  QCOMPARE(readAll(folder.toStdString() + "/LEntries.lef").size(), 3072);
  QVERIFY(!QFile::exists(QString::fromStdString(todayPath())));
  QCOMPARE(run.state.day.path(), todayPath());
  QCOMPARE(run.file(), QStringLiteral("未作成"));
  QCOMPARE(parts(run.window).dtpPrepDate->date(), QDate(2006, 1, 1));
  QCOMPARE(parts(run.window).dtpPrepDate->text(), QStringLiteral("2006年1月1日"));
  QCOMPARE(parts(run.window).dtpToday->date(), QDate(2006, 1, 1));
  QCOMPARE(run.panel(2), QStringLiteral("ルーチン総数: 0"));
  QVERIFY(run.platform.sounds.empty());
  QVERIFY(run.platform.errors.empty());
  // Commands that could do nothing yet are disabled, their hints saying why.
  for (QAction* a : {parts(run.window).ScheduleDiary1, parts(run.window).RoutineRead1, parts(run.window).RoutineEntry1})
    QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
  QVERIFY(parts(run.window).btnShowRoutine->accessibleDescription().startsWith(QStringLiteral("保存されたルーチンがありません.")));

  run.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
  QVERIFY(parts(run.window).ScrollBox1->pnlIniHint->isVisible());
  // At 351 when the right pane has room for it, else ending at the pane's edge.
  const QRect hint = parts(run.window).ScrollBox1->pnlIniHint->geometry();
  QCOMPARE(hint.y(), 303);
  QVERIFY2(hint.x() <= 351 && hint.right() <= 648 && (hint.x() == 351 || hint.right() == 648), qPrintable(QStringLiteral("%1..%2").arg(hint.x()).arg(hint.right())));
  QVERIFY(parts(run.window).ScrollBox1->lblIniHint->text().startsWith(QStringLiteral("\u3000\n\u3000左の白いドラッグ・エリア上で, \n")));
  QCOMPARE(parts(run.window).ScrollBox1->verticalScrollBar()->value(), 240);
  QCOMPARE(QApplication::focusWidget(), parts(run.window).btnSave);
  QTest::mouseClick(parts(run.window).ScrollBox1->lblIniHint, Qt::LeftButton);
  QVERIFY(!parts(run.window).ScrollBox1->pnlIniHint->isVisible());
}

void TestFrmMain::saveCreatesTheDayAndTheNextStartLoadsIt() {
  {
    Run run(folder);
    editTable(run.state.day, [](PadTable& t) {
      t.Pads[0].Keyword.setText("会議");
      t.Bars[0].TopY = 240;
    });
    QTest::mouseClick(parts(run.window).btnSave, Qt::LeftButton);
    QVERIFY(run.platform.errors.empty());
    QByteArray bytes = readAll(todayPath());
    QCOMPARE(bytes.size(), 10728);
    QCOMPARE(bytes.mid(1, uint8_t(bytes[0])), QByteArray::fromStdString(todayPath()));
    QCOMPARE(run.file(), QStringLiteral("Y2006011.sdf"));
    QCOMPARE(run.panel(1), QStringLiteral("データ総数: 1"));
    QCOMPARE(run.platform.sounds, std::vector<std::string>{folder.toStdString() + "/Shutter.wav"});

    // A later save, the clock past midnight, keeps the header.
    run.platform.clock.date = {2006, 1, 5};
    run.window->FileSave1Execute();
    QCOMPARE(readAll(todayPath()).left(264), bytes.left(264));
  }
  Run again(folder);
  QCOMPARE(again.file(), QStringLiteral("Y2006011.sdf"));
  QCOMPARE(parts(again.window).dtpPrepDate->date(), QDate(2006, 1, 1));
  QCOMPARE(again.panel(1), QStringLiteral("データ総数: 1"));
  QCOMPARE(again.state.day.table().Pads[0].Keyword.text(), std::string("会議"));
  QVERIFY(again.platform.sounds.empty());  // not before the window is seen
  again.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(again.window.get()));
  QTRY_COMPARE(again.platform.sounds.size(), std::size_t(1));  // the load plays once
  again.window->repaint();  // a later paint plays nothing
  QCoreApplication::processEvents();
  QCOMPARE(again.platform.sounds.size(), std::size_t(1));
  QVERIFY(!parts(again.window).ScrollBox1->pnlIniHint->isVisible());
}

// A day of 24 pads, one an hour: the frames in view are made before the
// first paint, the rest after it, stacked by number as a full build would;
// input before then meets every frame.
void TestFrmMain::fullDayPaintsFirstWhatIsInView() {
  {
    Run run(folder);
    PadTable t = emptyPadTable();
    for (int i = 0; i < kPadSlots; ++i) {
      const int row = i * kRowsPerHour, hour = (6 + i) % 24;
      BarRecord& b = t.Bars[i];
      b.Side.setText(i % 2 ? "R" : "L");
      b.TopY = row;
      b.BottomY = row + 60;
      PadRecord& p = t.Pads[i];
      p.PadNo = i + 1;
      p.Left = i % 2 ? 351 : 4;
      p.Top = row + 1;
      p.StartHour = p.EndHour = hour % 12;
      p.StartPM = p.EndPM = hour >= 12 && hour < 24;
      p.EndMinute = 30;
    }
    run.state.day.restore(t);
    run.window->FileSave1Execute();
  }
  const auto frames = [](const Run& run) {
    std::vector<int> numbers;  // of the frames shown, in stacking order, bottom first
    for (auto* f : parts(run.window).ScrollBox1->pnlFrame->findChildren<TSchedPadFrame*>(Qt::FindDirectChildrenOnly))
      if (!f->isHidden()) numbers.push_back(f->number());
    return numbers;
  };
  std::vector<int> all(kPadSlots);
  std::iota(all.begin(), all.end(), 1);

  Run run(folder);
  QVERIFY(frames(run).empty());
  TDayView* view = parts(run.window).ScrollBox1;
  std::vector<int> atFirstPaint, inView;
  const auto paintWatch = [&](QObject* watched, QEvent* e) {
    if (watched != view->pbxTime || e->type() != QEvent::Paint || !atFirstPaint.empty()) return;
    atFirstPaint = frames(run);
    const QRect viewport(QPoint(), view->viewport()->size());
    for (int i = 0; i < kPadSlots; ++i) {
      const PadRecord& p = run.state.day.table().Pads[i];
      const QPoint at = view->pnlFrame->mapTo(view->viewport(), QPoint(p.Left, p.Top));
      if (viewport.intersects(QRect(at, QSize(TSchedPadFrame::kWidth, TSchedPadFrame::kHeight))) || i == 23)
        inView.push_back(i + 1);  // 24 has the focus
    }
  };
  EventWatch watch(paintWatch);
  qApp->installEventFilter(&watch);
  run.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
  QTRY_VERIFY(!atFirstPaint.empty());
  QCOMPARE(atFirstPaint, inView);
  QVERIFY(inView.size() < 10);
  QTRY_COMPARE(frames(run), all);
  QCOMPARE(QApplication::focusWidget(), view->padFrame(23));
  qApp->removeEventFilter(&watch);
  // A rebuild in view (a removal, routine display) reuses the frames.
  view->buildPadFrames();
  inView.pop_back();
  QCOMPARE(frames(run), inView);
  QTRY_COMPARE(frames(run), all);
  run.window.reset();

  Run early(folder);
  early.window->show();
  QVERIFY(frames(early).size() < all.size());
  QTest::keyClick(early.window.get(), Qt::Key_Tab);
  QCOMPARE(frames(early), all);
}

void TestFrmMain::failedSaveReportsAndKeepsTheDay() {
  Run run(folder);
  run.window->FileSave1Execute();
  const QByteArray before = readAll(todayPath());
  makeReadOnly(todayPath());
  editTable(run.state.day, [](PadTable& t) { t.Bars[2].TopY = 100; });
  run.window->FileSave1Execute();  // キャンセル
  QCOMPARE(run.platform.errors.size(), std::size_t(1));
  QVERIFY(QString::fromStdString(run.platform.errors[0]).contains(QString::fromStdString(todayPath())));
  QCOMPARE(run.platform.questions.back().text, std::string("2006年1月1日 (日) の変更を別名で保存しますか?"));
  QCOMPARE(readAll(todayPath()), before);
  // 別名で保存: the work goes beside the file it cannot replace, and is still unsaved.
  run.platform.askAnswers = {0};
  run.window->FileSave1Execute();
  const QStringList copies = QDir(QFileInfo(QString::fromStdString(todayPath())).path()).entryList({"Y2006011 (*).sdf"});
  QCOMPARE(copies.size(), 1);
  QVERIFY(run.window->isWindowModified());
  QCOMPARE(readAll(todayPath()), before);
  QCOMPARE(run.panel(1), QStringLiteral("データ総数: 3"));  // the unsaved day's own count
  QCOMPARE(run.state.day.table().Bars[2].TopY, 100);
  QCOMPARE(run.platform.sounds.size(), std::size_t(1));  // only the first save
}

void TestFrmMain::todayCommand() {
  // Another day's file, opened through the past command.
  QDir(folder).mkdir("Y200512");
  const std::string past = folder.toStdString() + "/Y200512/Y20051231.sdf";
  {
    Run first(folder, LocalDate{2005, 12, 31});
    editTable(first.state.day, [](PadTable& t) {
      t.Bars[0].TopY = 0;
      t.Pads[0].StartHour = 6;
    });
    first.platform.clock.date = {2006, 1, 1};  // saved after midnight: still the start-up day
    first.window->FileSave1Execute();
    QCOMPARE(parts(first.window).dtpPrepDate->date(), QDate(2005, 12, 31));
  }
  Run run(folder);
  run.window->ScheduleToday1Execute();  // today already open: nothing
  QVERIFY(run.platform.sounds.empty());
  QCOMPARE(run.file(), QStringLiteral("未作成"));

  run.platform.openAnswers.push_back(past);
  run.window->SchedulePast1Execute();
  QCOMPARE(run.file(), QStringLiteral("Y20051231.sdf"));
  QCOMPARE(run.panel(1), QStringLiteral("データ総数: 1"));
  QCOMPARE(run.platform.sounds.size(), std::size_t(1));

  // Today has no file yet: the day empties silently and shows 0.
  run.window->ScheduleToday1Execute();
  QCOMPARE(run.state.day.path(), todayPath());
  QCOMPARE(run.file(), QStringLiteral("未作成"));
  QCOMPARE(run.panel(1), QStringLiteral("データ総数: 0"));
  QCOMPARE(run.state.day.table().Pads[0].StartHour, -1);
  QCOMPARE(run.platform.sounds.size(), std::size_t(1));

  // Once today's file exists the command loads it, with the sound.
  run.window->FileSave1Execute();
  run.platform.openAnswers.push_back(past);
  run.window->SchedulePast1Execute();
  run.window->ScheduleToday1Execute();
  QCOMPARE(run.file(), QStringLiteral("Y2006011.sdf"));
  QCOMPARE(run.platform.sounds.size(), std::size_t(4));
  QVERIFY(!parts(run.window).pnlCover->isVisible());
}

void TestFrmMain::pastCommand() {
  Run run(folder);
  run.window->SchedulePast1Execute();  // cancelled
  QCOMPARE(run.platform.openRequests.size(), std::size_t(1));
  const auto& req = run.platform.openRequests[0];
  QCOMPARE(req.filterText, std::string("プランドールファイル(*.sdf)"));
  QCOMPARE(req.pattern, std::string("*.SDF"));
  QCOMPARE(req.folder, folder.toStdString() + "/Y200601");
  QCOMPARE(run.state.day.path(), todayPath());

  // Today's own file is refused, even when it exists.
  run.window->FileSave1Execute();
  run.platform.openAnswers.push_back(todayPath());
  run.window->SchedulePast1Execute();
  QCOMPARE(run.platform.sounds.size(), std::size_t(1));

  // A day file copied elsewhere shows the name and date from its header;
  // Save then writes that file and keeps its header.
  QTemporaryDir other;
  const std::string copy = other.filePath("copied.sdf").toStdString();
  QVERIFY(QFile::copy(QString::fromStdString(todayPath()), QString::fromStdString(copy)));
  editTable(run.state.day, [](PadTable& t) { t.Bars[0].TopY = 5; });  // an unsaved edit, dropped when asked
  run.platform.openAnswers.push_back(copy);
  run.platform.askAnswers = {1};  // 保存しない
  run.window->SchedulePast1Execute();
  QCOMPARE(run.platform.questions.back().text, std::string("2006年1月1日 (日) の変更を保存しますか？"));
  QCOMPARE(run.state.day.path(), copy);
  QCOMPARE(run.file(), QStringLiteral("Y2006011.sdf"));
  QCOMPARE(run.state.day.table().Bars[0].TopY, -1);
  run.window->FileSave1Execute();
  QCOMPARE(readAll(copy).left(264), readAll(todayPath()).left(264));
}

// The day before, the day after and any date: a day without a file opens
// empty, and its first 保存 makes its month folder and file.
void TestFrmMain::planAnyDay() {
  Run run(folder, LocalDate{2006, 1, 2});  // a Monday
  const std::string root = folder.toStdString();
  auto title = [&] { return run.window->windowTitle(); };
  QCOMPARE(title(), QStringLiteral("プランドール - 2006年1月2日 (月)[*]"));
  // A routine on Tuesdays only: routine display on Tuesday's plan shows it.
  RoutineRecord& r = run.state.routines.RoutineImage[0];
  r.RoutineNo = 1, r.Left = 4, r.Top = 241, r.Show = 1, r.DOW[2] = 1;
  r.StartHour = 8, r.StartMinute = 0, r.EndHour = 9, r.EndMinute = 0;
  r.Keyword.setText("火曜の会議");

  editTable(run.state.day, [](PadTable& t) { t.Pads[0].StartHour = 8, t.Bars[0].TopY = 240; });
  run.window->ScheduleNextDay1Execute();  // unanswered: キャンセル
  QCOMPARE(run.platform.questions.size(), std::size_t(1));
  QCOMPARE(title(), QStringLiteral("プランドール - 2006年1月2日 (月)[*]"));
  QVERIFY(run.window->isWindowModified());
  run.platform.askAnswers = {1};
  run.window->ScheduleNextDay1Execute();
  QCOMPARE(title(), QStringLiteral("プランドール - 2006年1月3日 (火)[*]"));
  QCOMPARE(run.window->accessibleDescription(), QStringLiteral("2006年1月3日 (火)"));
  QCOMPARE(run.file(), QStringLiteral("未作成"));
  QCOMPARE(parts(run.window).dtpToday->date(), QDate(2006, 1, 2));  // today stays today
  QCOMPARE(parts(run.window).dtpPrepDate->text(), QStringLiteral("未作成"));  // not today's date: no file yet
  QVERIFY(!parts(run.window).ScheduleDiary1->isEnabled());  // nor a diary
  run.window->RoutineRead1Execute();
  QCOMPARE(run.state.day.pad(0).Keyword.text(), std::string("火曜の会議"));
  QVERIFY(run.window->FileSave1Execute());
  const std::string tuesday = root + "/Y200601/Y2006013.sdf";
  QCOMPARE(run.state.day.path(), tuesday);
  QCOMPARE(readAll(tuesday).mid(1, uint8_t(readAll(tuesday)[0])), QByteArray::fromStdString(tuesday));
  QCOMPARE(parts(run.window).dtpPrepDate->date(), QDate(2006, 1, 2));  // made today

  run.window->SchedulePrevDay1Execute();  // nothing unsaved: no question
  QCOMPARE(run.platform.questions.size(), std::size_t(2));
  QCOMPARE(title(), QStringLiteral("プランドール - 2006年1月2日 (月)[*]"));
  run.window->RoutineRead1Execute();  // not on Mondays
  QCOMPARE(run.state.day.pad(0).StartHour, -1);

  // The calendar opens on the open day; days with a file are told apart.
  run.platform.dateAnswers = {LocalDate{2006, 2, 15}, LocalDate{2005, 1, 2}, std::nullopt};
  run.window->ScheduleGoTo1Execute();
  const auto& req = run.platform.dateRequests.at(0);
  QCOMPARE(req.shown, (LocalDate{2006, 1, 2}));
  QCOMPARE(req.today, (LocalDate{2006, 1, 2}));
  QVERIFY(req.hasDay({2006, 1, 3}) && !req.hasDay({2006, 1, 4}));
  QCOMPARE(title(), QStringLiteral("プランドール - 2006年2月15日 (水)[*]"));
  QVERIFY(run.window->FileSave1Execute());
  QVERIFY(QFile::exists(QString::fromStdString(root + "/Y200602/Y20060215.sdf")));
  run.window->ScheduleGoTo1Execute();
  QCOMPARE(title(), QStringLiteral("プランドール - 2005年1月2日 (日)[*]"));
  run.window->ScheduleGoTo1Execute();  // closed: stays
  QCOMPARE(run.platform.dateRequests.at(2).shown, (LocalDate{2005, 1, 2}));
  QCOMPARE(title(), QStringLiteral("プランドール - 2005年1月2日 (日)[*]"));
  QVERIFY(run.platform.errors.empty());
}

void TestFrmMain::failedPastLoadShowsAnEmptyConsistentDay() {
  Run run(folder);
  QTemporaryDir other;
  const std::string locked = other.filePath("Y2005121.sdf").toStdString();
  writeAll(locked, QByteArray(10728, 0));
  makeReadOnly(locked);
  editTable(run.state.day, [](PadTable& t) { t.Bars[0].TopY = 5; });
  run.platform.openAnswers.push_back(locked);
  run.platform.askAnswers = {1};  // 保存しない
  run.window->SchedulePast1Execute();
  QCOMPARE(run.platform.errors.size(), std::size_t(1));
  QVERIFY(QString::fromStdString(run.platform.errors[0]).contains(QString::fromStdString(locked)));
  QVERIFY(!parts(run.window).pnlCover->isVisible());
  QCOMPARE(run.state.day.table().Bars[0].TopY, -1);
  QCOMPARE(run.file(), QStringLiteral("読込失敗"));
  QCOMPARE(run.panel(1), QStringLiteral("データ総数: 0"));
  QVERIFY(run.platform.sounds.empty());
}

void TestFrmMain::missingSoundIsReported() {
  QFile::remove(folder + "/Shutter.wav");
  Run run(folder);
  run.window->FileSave1Execute();
  QCOMPARE(run.platform.messages.size(), std::size_t(1));
  QCOMPARE(run.platform.messages[0].text,
           std::string("[プランドール] インストールフォルダー内に\r\n\r\nサウンドファイル [Shutter.wav] が存在しません"));
  QCOMPARE(run.platform.messages[0].caption, std::string("ファイルが存在しません"));
  QVERIFY(QFile::exists(QString::fromStdString(todayPath())));  // the save itself went through
  run.window->findChild<QAction*>(QStringLiteral("ScheduleNewPadL1"))->trigger();
  run.window->FileSave1Execute();
  QCOMPARE(run.platform.messages.size(), std::size_t(1));  // told once a run
}

void TestFrmMain::monthFolderThatCannotBeMadeStopsStartUp() {
  writeAll(folder.toStdString() + "/Y200601", "a file in the way");
  Run run(folder);
  QVERIFY(!run.window->started());
  QCOMPARE(run.platform.messages.size(), std::size_t(1));
  QCOMPARE(run.platform.messages[0].text,
           std::string("今月のデータフォルダの作成に失敗しました.\r\n\r\n[プランドール]の起動を中止します."));
}

void TestFrmMain::unreadableRoutineAndListFilesStillStart() {
  writeAll(folder.toStdString() + "/Routines.rdf", QByteArray(3200, 1));
  writeAll(folder.toStdString() + "/LEntries.lef", QByteArray(3072, 0));
  makeReadOnly(folder.toStdString() + "/Routines.rdf");
  makeReadOnly(folder.toStdString() + "/LEntries.lef");
  Run run(folder);
  QVERIFY(run.window->started());
  QCOMPARE(run.platform.errors.size(), std::size_t(2));
  QVERIFY(QString::fromStdString(run.platform.errors[0]).contains("Routines.rdf"));
  QVERIFY(QString::fromStdString(run.platform.errors[1]).contains("LEntries.lef"));
  QCOMPARE(run.panel(2), QStringLiteral("ルーチン総数: 0"));
  QCOMPARE(listTexts(run.state.lists.entries.KeywordEntries), std::vector<std::string>{"キーワード"});
  QCOMPARE(readAll(folder.toStdString() + "/Routines.rdf"), QByteArray(3200, 1));
  run.window->FileSave1Execute();
  QCOMPARE(run.platform.errors.size(), std::size_t(2));
}

void TestFrmMain::startRemovesWhatCutShortSavesLeft() {
  QDir(folder).mkdir("Y200601");
  const QStringList stale = {".Routines.rdf.plandor-save-0a1b2c3d4e5f", ".LEntries.lef.plandor-save-ffffffffffff",
                             "Y200601/.Y2006011.sdf.plandor-save-9f8e7d6c5b4a",
                             "Y200601/.Y2006012.sdf.plandor-save-9f8e7d6c5b4a"};
  // The user's own backup and an rsync transfer in flight look like a
  // temporary of another program; a save under way is younger than a minute.
  const QStringList kept = {".Routines.rdf.toolong", "Y200601/.notes.sdf.Q9w8E7", "notes.txt", ".Routines.rdf.backup",
                            ".LEntries.lef.a1B2c3", "Y200601/.Y2006011.sdf.Q9w8E7", ".Routines.rdf.plandor-save-backup",
                            ".Routines.rdf.plandor-save-a1B2c3", ".Routines.rdf.plandor-save-0A1B2C3D4E5F"};
  const QString young = ".Routines.rdf.plandor-save-b2c3d4e5f6a7";
  for (const QString& f : stale + kept) {
    writeAll((folder + "/" + f).toStdString(), "x");
    ageFile((folder + "/" + f).toStdString());
  }
  writeAll((folder + "/" + young).toStdString(), "x");
  // Nothing outside the data folder, not even beside a linked file's target.
  QTemporaryDir outside;
  const QString beside = outside.filePath(".Lists.lef.plandor-save-0a1b2c3d4e5f");
  writeAll(beside.toStdString(), "x");
  ageFile(beside.toStdString());
  writeAll(outside.filePath("Lists.lef").toStdString(), QByteArray(3072, 0));
  QVERIFY(QFile::link(outside.filePath("Lists.lef"), folder + "/LEntries.lef"));
  Run run(folder);
  QVERIFY(QFile::exists(beside));
  QVERIFY(QFile::exists(folder + "/" + young));
  for (const QString& f : stale) QVERIFY2(!QFile::exists(folder + "/" + f), qPrintable(f));
  for (const QString& f : kept) QVERIFY2(QFile::exists(folder + "/" + f), qPrintable(f));
}

void TestFrmMain::layoutClockAndSizing() {
  Run run(folder);
  run.platform.clock = {{2006, 1, 1}, 0, 5, 9};
  QTest::mouseClick(parts(run.window).btnUpdate, Qt::LeftButton);
  QCOMPARE(parts(run.window).edtNow->text(), QStringLiteral("AM 12時 05分 09秒"));

  run.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
  QCOMPARE(run.window->windowTitle(), QStringLiteral("プランドール - 2006年1月1日 (日)[*]"));
  QVERIFY(!run.window->isWindowModified());
  QCOMPARE(run.window->pos(), QPoint(0, 0));
  QCOMPARE(parts(run.window).lblComment->text(), QStringLiteral("本ウィンドウは\n高さ方向にのみ\n伸縮可能です."));
  run.window->resize(900, 500);
  QCOMPARE(run.window->size(), QSize(800, 600));
  run.window->resize(800, 700);
  // Bottom-anchored controls follow the bottom edge; the timeline grows.
  const int panelHeight = parts(run.window).Panel1->height();
  QCOMPARE(parts(run.window).btnExit->geometry().bottom() + 1, panelHeight - 11);
  QCOMPARE(parts(run.window).ScrollBox1->geometry().bottom() + 1, panelHeight - 12);
  QCOMPARE(parts(run.window).btnSave->geometry(), QRect(685, panelHeight - 96, 100, 50));
  QCOMPARE(parts(run.window).ScrollBox1->pnlFrame->geometry(), QRect(10, 10, 650, 2884));
  // The 650-pixel pad container fills the scroll box's view exactly.
  QCOMPARE(parts(run.window).ScrollBox1->viewport()->width(), 650);

  run.window->showCover();
  QCOMPARE(parts(run.window).pnlCover->geometry(), parts(run.window).ScrollBox1->geometry().adjusted(-1, -1, 1, 1));
  run.window->hideCover();
  QVERIFY(!parts(run.window).pnlCover->isVisible());
}

// The widest texts of the status panels, the clock, the comment and the hour
// boxes, measured in the program's own font.
void TestFrmMain::textsShowWhole() {
  {
    Run run(folder);
    editTable(run.state.day, [](PadTable& t) {
      for (int i = 0; i < kPadSlots; ++i) {
        t.Bars[i].TopY = 240 + 100 * i;
        t.Bars[i].BottomY = 300 + 100 * i;
        PadRecord& p = t.Pads[i];
        p.PadNo = i + 1;
        p.Top = 241 + 100 * i;
        p.StartHour = 10, p.StartMinute = 0, p.EndHour = 11, p.EndMinute = 0;
      }
    });
    run.window->FileSave1Execute();
  }
  Run run(folder);
  run.platform.clock = {{2006, 1, 1}, 0, 0, 0};
  run.window->btnUpdateClick();
  run.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
  QCOMPARE(QFontInfo(parts(run.window).edtNow->font()).family(), QStringLiteral("IPAPGothic"));

  QCOMPARE(run.panel(1), QStringLiteral("データ総数: 24"));
  parts(run.window).statusPanels[2]->setText(QStringLiteral("ルーチン総数: 8"));
  for (int i : {1, 2}) {
    const QLabel* l = parts(run.window).statusPanels[i];
    QVERIFY2(QFontMetrics(l->font()).horizontalAdvance(l->text()) <= l->contentsRect().width() - l->indent(),
             qPrintable(l->text()));
  }
  // A hint longer than its panel shows whole, over the counts; a shorter
  // one gives them back.
  QLabel* hint = parts(run.window).statusPanels[0];
  const QLabel* count = parts(run.window).statusPanels[1];
  auto hover = [](QWidget* w) {
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(w, &enter);
  };
  hover(parts(run.window).ScrollBox1->padFrame(0)->btnRevise);
  QVERIFY(hint->text().endsWith(QStringLiteral("変更・表示されます.")));
  QVERIFY(QFontMetrics(hint->font()).horizontalAdvance(hint->text()) <= hint->contentsRect().width() - hint->indent());
  QCOMPARE(parts(run.window).StatusBar1->childAt(count->geometry().center()), hint);
  hover(parts(run.window).btnUpdate);
  QVERIFY(hint->geometry().right() < count->x());
  QCOMPARE(parts(run.window).StatusBar1->childAt(count->geometry().center()), count);

  // A line edit scrolls a text it cannot show whole: then the cursor at the
  // start and at the end paint differently.
  auto showsWhole = [](QLineEdit* e) {
    e->setCursorPosition(0);
    const QImage start = e->grab().toImage();
    e->setCursorPosition(int(e->text().size()));
    return e->grab().toImage() == start;
  };
  QCOMPARE(parts(run.window).edtNow->text(), QStringLiteral("AM 12時 00分 00秒"));
  QVERIFY(showsWhole(parts(run.window).edtNow));
  const TSchedPadFrame* pad = parts(run.window).ScrollBox1->padFrame(0);
  QVERIFY(pad);
  QCOMPARE(pad->Panel2->cmbHour->currentText(), QStringLiteral("10"));
  QVERIFY(showsWhole(pad->Panel2->cmbHour->lineEdit()));
  QCOMPARE(pad->Panel3->cmbHour->currentText(), QStringLiteral("11"));
  QVERIFY(showsWhole(pad->Panel3->cmbHour->lineEdit()));

  // The comment's three lines stay inside its panel's bevel.
  const QLabel* c = parts(run.window).lblComment;
  const QFontMetrics fm(c->font());
  QRect ink;
  const QStringList lines = c->text().split(QLatin1Char('\n'));
  QCOMPARE(lines.size(), 3);
  for (int i = 0; i < 3; ++i)
    ink |= fm.tightBoundingRect(lines[i]).translated(c->x(), c->y() + i * fm.lineSpacing() + fm.ascent());
  QVERIFY2(parts(run.window).Panel4->contentsRect().contains(ink), qPrintable(QStringLiteral("ink %1,%2 to %3,%4")
           .arg(ink.left()).arg(ink.top()).arg(ink.right()).arg(ink.bottom())));
}

void TestFrmMain::hintsFollowTheMouse() {
  Run run(folder);
  run.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
  QEvent enter(QEvent::Enter);
  QApplication::sendEvent(parts(run.window).btnSave, &enter);
  QVERIFY(run.panel(0).startsWith(QStringLiteral("スケジュールの内容をファイルに保存します.\u3000")));
  QApplication::sendEvent(parts(run.window).ScrollBox1->pbxFrameL, &enter);
  QCOMPARE(run.panel(0), QStringLiteral("パッド表示ペインです. ここにスケジュール・パッドが表示されます."));
  QApplication::sendEvent(parts(run.window).ScrollBox1->pnlIniHint, &enter);
  QCOMPARE(run.panel(0), QStringLiteral("一読した後,クリックするか,いずれかのキーを押して消してください."));
  QCOMPARE(parts(run.window).ScrollBox1->pnlIniHint->toolTip(), QStringLiteral("クリックかキーで消えます"));
  QApplication::sendEvent(parts(run.window).Panel1, &enter);  // no hint: empty
  QCOMPARE(run.panel(0), QString());
  QApplication::sendEvent(parts(run.window).edtNow, &enter);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(parts(run.window).edtNow, &leave);  // back onto its panel, which has none
  QCOMPARE(run.panel(0), QString());
}

void TestFrmMain::helpAndAbout() {
  Run run(folder);
  run.window->HelpContents1Execute();
  QCOMPARE(run.platform.helps, std::vector<std::string>{folder.toStdString() + "/PLANDOR.HLP"});

  QString caption;
  QRect okGeometry;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<TAboutBox*>(QApplication::activeModalWidget());
    QVERIFY(box);
    caption = box->windowTitle();
    auto* ok = box->findChild<QPushButton*>(QStringLiteral("OKButton"));
    okGeometry = ok->geometry();
    QVERIFY(ok->isDefault());
    QCOMPARE(box->size(), QSize(322, 196));
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  run.window->HelpAbout1Execute();
  QCOMPARE(caption, QStringLiteral("バージョン情報"));
  QCOMPARE(okGeometry, QRect(125, 165, 69, 23));
}

// An installed copy: the data in the user's folder, the program's own files
// (sound, help) still beside the program.
void TestFrmMain::dataApartFromTheProgram() {
  QCOMPARE(userDataFolder("/x/data//", "/home/u"), std::optional<std::string>("/x/data/plandor"));
  QCOMPARE(userDataFolder("relative/data", "/home/u/"), std::optional<std::string>("/home/u/.local/share/plandor"));
  QCOMPARE(userDataFolder("", "/home/u"), std::optional<std::string>("/home/u/.local/share/plandor"));
  QCOMPARE(userDataFolder(nullptr, "/"), std::optional<std::string>("/.local/share/plandor"));
  // The install decides, not the folder's permissions: a portable copy
  // keeps its data beside it even where it cannot write (it then says so
  // at start-up), an installed one in the user's folder even where it can
  // (~/.local, root). The user's folder is made with its missing parents.
  const std::string home = folder.toStdString() + "/home";
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home + "/a/b"));
  const std::string installed = folder.toStdString() + "/installed";
  QVERIFY(QDir(folder).mkpath(QStringLiteral("installed/sub")));
  const std::string unwritable = folder.toStdString() + "/no-such-program-folder";
  const struct {
    std::string programFolder;
    std::string data;
  } rows[] = {
      {folder.toStdString(), folder.toStdString()},     // portable, writable
      {unwritable, unwritable},                         // portable, nothing to write to
      {installed, home + "/a/b/plandor"},               // installed, writable
      {installed + "/sub", installed + "/sub"},         // the marker is beside the program only
  };
  writeAll(installed + "/" + kInstalledMarker, "");
  for (const auto& row : rows) {
    QCOMPARE(isInstalledCopy(row.programFolder), row.programFolder == installed);
    QCOMPARE(chooseDataFolder(row.programFolder), std::optional<std::string>(row.data));
  }
  QVERIFY(QFileInfo(QString::fromStdString(home + "/a/b/plandor")).isDir());
  QVERIFY(QDir(QString::fromStdString(installed)).mkdir(QStringLiteral("folder")));
  QVERIFY(!isInstalledCopy(installed + "/folder"));
  writeAll(home + "/file", "in the way");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home + "/file/sub"));
  std::string failed;
  QCOMPARE(chooseDataFolder(installed, &failed), std::optional<std::string>());
  QCOMPARE(failed, home + "/file/sub/plandor");
  qunsetenv("XDG_DATA_HOME");

  QTemporaryDir data;
  ScriptedPlatform platform;
  PlannerState state;
  state.DataFolder = data.path().toStdString();
  state.ProgramFolder = folder.toStdString();
  TfrmMain window(state, platform);
  QVERIFY(window.started());
  QVERIFY(QDir(data.path()).exists("Y200601") && QDir(data.path()).exists("Routines.rdf"));
  QVERIFY(!QDir(folder).exists("Y200601") && !QDir(folder).exists("Routines.rdf"));
  window.FileSave1Execute();
  QVERIFY(QFile::exists(data.path() + "/Y200601/Y2006011.sdf"));
  QVERIFY(platform.messages.empty());
  QCOMPARE(platform.sounds, std::vector<std::string>{folder.toStdString() + "/Shutter.wav"});
  window.HelpContents1Execute();
  QCOMPARE(platform.helps, std::vector<std::string>{folder.toStdString() + "/PLANDOR.HLP"});

  QString shown;
  QTimer::singleShot(0, [&] {
    auto* box = QApplication::activeModalWidget();
    QVERIFY(box);
    shown = box->findChild<QLineEdit*>(QStringLiteral("DataFolder"))->text();
    box->close();
  });
  window.HelpAbout1Execute();
  QCOMPARE(shown, data.path());
}

// The hint lies whole inside the right pane; Escape, like any key, puts it
// away (and still does its own work).
void TestFrmMain::firstUseHintShowsWholeAndAKeyPutsItAway() {
  Run run(folder);
  run.window->show();
  QVERIFY(QTest::qWaitForWindowActive(run.window.get()));
  TDayView* view = parts(run.window).ScrollBox1;
  QVERIFY(view->pnlIniHint->isVisible());
  // Fonts differ from one desktop to the next: with a wider one too.
  QFont wider = view->lblIniHint->font();
  wider.setPixelSize(14);
  view->lblIniHint->setFont(wider);
  view->showIniHint(view->lblIniHint->text());
  const QRect hint = view->pnlIniHint->geometry();
  QVERIFY2(hint.right() <= view->pbxFrameR->geometry().right() && hint.left() >= 1,
           qPrintable(QStringLiteral("hint at %1, %2 wide").arg(hint.x()).arg(hint.width())));
  const QLabel* l = view->lblIniHint;
  QVERIFY(l->sizeHint().width() <= l->width() && l->sizeHint().height() <= l->height());
  QVERIFY(view->pnlIniHint->contentsRect().contains(l->geometry()));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
  QVERIFY(!view->pnlIniHint->isVisible());
  // A screen reader reads the date boxes as dates.
  auto read = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
  QCOMPARE(read(parts(run.window).dtpToday), QStringLiteral("本日の日付: 2006年1月1日 日曜日"));
  QCOMPARE(read(parts(run.window).dtpPrepDate), QStringLiteral("ファイル作成日: 2006年1月1日 日曜日"));
  QVERIFY(QAccessible::queryAccessibleInterface(parts(run.window).dtpToday)->state().readOnly);
}

// Ctrl+N, F6, Shift+F6 and the Menu key stand in the menu with their keys,
// and work from there too.
void TestFrmMain::keyboardCommandsShowInTheMenu() {
  Run run(folder);
  run.window->show();
  QVERIFY(QTest::qWaitForWindowActive(run.window.get()));
  const struct {
    const char* name;
    const char* key;
  } rows[] = {{"ScheduleNewPadL1", "Ctrl+N"}, {"ScheduleNewPadR1", "Ctrl+Shift+N"}, {"ScheduleNextPad1", "F6"},
              {"SchedulePrevPad1", "Shift+F6"}, {"SchedulePadMenu1", "Menu"}};
  QList<QAction*> inMenus;
  for (QAction* top : run.window->menuBar()->actions())
    if (top->menu()) inMenus << top->menu()->actions();
  for (const auto& row : rows) {
    QAction* a = run.window->findChild<QAction*>(QLatin1String(row.name));
    QVERIFY2(a && inMenus.contains(a), row.name);
      // The key is the item's shortcut, not part of its caption: read as the binding.
    QVERIFY2(!a->text().contains(QLatin1Char('\t')), qPrintable(a->text()));
    QCOMPARE(a->shortcut().toString(), QLatin1String(row.key));
  }
  run.window->findChild<QAction*>(QStringLiteral("ScheduleNewPadR1"))->trigger();
  TSchedPadFrame* pad = parts(run.window).ScrollBox1->padFrame(0);
  QVERIFY(pad && pad->x() == 351);
  QVERIFY(pad->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == pad);
  parts(run.window).btnSave->setFocus();
  run.window->findChild<QAction*>(QStringLiteral("ScheduleNextPad1"))->trigger();
  QCOMPARE(QApplication::focusWidget(), pad);
  run.window->findChild<QAction*>(QStringLiteral("SchedulePadMenu1"))->trigger();
  QTRY_VERIFY(pad->pumPadFrame->isVisible());
  pad->pumPadFrame->hide();
}

// Small sizes are not blurred by edges on half pixels; every size and
// ratio is drawn, not enlarged.
void TestFrmMain::iconIsDrawnOnWholePixels() {
  for (int size : {16, 22, 24}) {
    const QImage img = appIconPixmap(size).toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) colours.insert(img.pixel(x, y));
    // Transparent, the page and its outline, the strip, four bands, the bar,
    // the pads' white and grey: no blends between them.
    QVERIFY2(colours.size() <= 11, qPrintable(QStringLiteral("%1 px: %2 colours").arg(size).arg(colours.size())));
  }
  const QPixmap twice = appIconPixmap(32, 2.0);
  QCOMPARE(twice.size(), QSize(64, 64));
  QCOMPARE(twice.devicePixelRatio(), 2.0);
  QImage drawn = twice.toImage();
  drawn.setDevicePixelRatio(1.0);
  QCOMPARE(drawn, appIconPixmap(64).toImage());
  QImage scaled = appIcon().pixmap(QSize(16, 16), 1.5).toImage();
  QCOMPARE(scaled.size(), QSize(24, 24));
  scaled.setDevicePixelRatio(1.0);
  QCOMPARE(scaled, appIconPixmap(24).toImage());
}

// Every command of the menus, the pad menu and the window's buttons stands
// in the help as its caption shows it ("保存(S)").
void TestFrmMain::helpNamesEveryCommand() {
  QFile file(QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../resources/PLANDOR.HLP"));
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QString help = QString::fromUtf8(file.readAll());
  Run run(folder);
  QStringList captions;
  QList<QMenu*> menus;
  for (QAction* top : run.window->menuBar()->actions()) menus << top->menu();
  run.window->findChild<QAction*>(QStringLiteral("ScheduleNewPadL1"))->trigger();
  menus << parts(run.window).ScrollBox1->padFrame(0)->pumPadFrame;
  for (QMenu* m : menus)
    for (QAction* a : m->actions())
      if (!a->isSeparator()) captions << a->text();
  for (QPushButton* b : run.window->findChildren<QPushButton*>())
    if (!b->text().isEmpty() && b->window() == run.window.get()) captions << b->text();
  QStringList missing;
  for (QString c : captions) {
    c.remove(QLatin1Char('&'));
    if (!help.contains(c)) missing << c;
  }
  QVERIFY2(missing.isEmpty(), qPrintable(missing.join(QStringLiteral(", "))));
}

void TestFrmMain::dayBeforeAndAfterStopAtTheEnds_data() {
  QTest::addColumn<QDate>("today");
  QTest::addColumn<bool>("next");
  QTest::addColumn<QDate>("opened");
  QTest::addColumn<bool>("prevEnabled");
  QTest::addColumn<bool>("nextEnabled");
  QTest::newRow("次の日 from the last day") << QDate(9999, 12, 31) << true << QDate(9999, 12, 31) << true << false;
  QTest::newRow("次の日 onto the last day") << QDate(9999, 12, 30) << true << QDate(9999, 12, 31) << true << false;
  QTest::newRow("前の日 from the first day") << QDate(1000, 1, 1) << false << QDate(1000, 1, 1) << false << true;
  QTest::newRow("前の日 onto the first day") << QDate(1000, 1, 2) << false << QDate(1000, 1, 1) << false << true;
  QTest::newRow("前の日 over a new year") << QDate(2006, 1, 1) << false << QDate(2005, 12, 31) << true << true;
}

// The days a day file's four-digit year can name, and no others.
void TestFrmMain::dayBeforeAndAfterStopAtTheEnds() {
  QFETCH(QDate, today);
  QFETCH(bool, next);
  QFETCH(QDate, opened);
  QFETCH(bool, prevEnabled);
  QFETCH(bool, nextEnabled);
  Run run(folder, LocalDate{today.year(), today.month(), today.day()});
  (next ? parts(run.window).ScheduleNextDay1 : parts(run.window).SchedulePrevDay1)->trigger();
  const std::optional<LocalDate> d = run.state.day.date();
  QVERIFY(d);
  QCOMPARE(QDate(d->year, d->month, d->day), opened);
  QCOMPARE(parts(run.window).SchedulePrevDay1->isEnabled(), prevEnabled);
  QCOMPARE(parts(run.window).ScheduleNextDay1->isEnabled(), nextEnabled);
  QVERIFY(run.window->FileSave1Execute());
  QVERIFY(!QDir(folder).exists(QStringLiteral("Y189912")));
  QVERIFY(run.platform.errors.empty());
}

// Every menu and every window of the program: no two captions of one menu
// or one window share a mnemonic letter.
void TestFrmMain::everyMnemonicIsUniqueInItsWindow() {
  Run run(folder);
  TfrmMain& w = *run.window;
  w.show();
  QVERIFY(QTest::qWaitForWindowExposed(&w));
  TSchedPadFrame* pad = storedPad(*parts(w).ScrollBox1, 240, 360, "会議");
  QVERIFY(pad && w.FileSave1Execute());
  QStringList faults = windowMnemonics(QStringLiteral("main window"), &w);
  for (QAction* top : w.menuBar()->actions()) faults << menuMnemonics(top->text(), top->menu());
  faults << menuMnemonics(QStringLiteral("pad menu"), pad->pumPadFrame);

  int opened = 0;
  // Each modal window of a command, looked at while it is up, then closed.
  auto inModal = [&](const QString& where, const std::function<void()>& open,
                     const std::function<void(QDialog&)>& look = {}) {
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!d) return;
      ++opened;
      faults << windowMnemonics(where, d);
      if (look) look(*d);
      d->reject();
    });
    open();
  };
  inModal(QStringLiteral("about"), [&] { w.HelpAbout1Execute(); });
  inModal(QStringLiteral("diary"), [&] { w.ScheduleDiary1Execute(); });
  inModal(QStringLiteral("memo"), [&] { w.openPadMemo(*pad); });
  inModal(QStringLiteral("reminders"), [&] { w.OptionReminder1Execute(); });
  inModal(QStringLiteral("lists"), [&] { w.OptionSetList1Execute(); }, [&](QDialog& d) {
    auto* pages = d.findChild<QTabWidget*>();
    for (int i = 1; pages && i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      faults << windowMnemonics(QStringLiteral("lists, tab %1").arg(i + 1), &d);
    }
  });
  run.platform.confirmAnswers = {true};
  w.RoutineEntry1Execute();
  // Closing asks about the provisional routine: 保存しない.
  run.platform.askAnswers = {1};
  inModal(QStringLiteral("routines"), [&] { w.RoutineSet1Execute(); }, [&](QDialog& d) {
    for (auto* menu : d.findChildren<QMenu*>()) faults << menuMnemonics(QStringLiteral("routine pad menu"), menu);
  });
  QCOMPARE(opened, 6);
  // Windows the platform opens.
  DatePicker picker(QDate(2006, 1, 1), QDate(2006, 1, 1), [](QDate) { return false; });
  faults << windowMnemonics(QStringLiteral("date"), &picker);
  HelpWindow help;
  faults << windowMnemonics(QStringLiteral("help"), &help);
  ReminderWindow notes;
  faults << windowMnemonics(QStringLiteral("reminder window"), &notes);
  // The questions: the unsaved day's, recovery's.
  editTable(run.state.day, [](PadTable& t) { t.Bars[1].TopY = 5; });
  w.ScheduleNextDay1Execute();
  for (const auto& question : run.platform.questions) {
    QStringList captions;
    for (const std::string& b : question.buttons) captions << QString::fromStdString(b);
    faults << repeatedMnemonics(QString::fromStdString(question.text), captions);
  }
  QVERIFY(!run.platform.questions.empty());
  QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
}

// A screen reader hears a day of 日付を指定 as its date with the weekday, and
// 今日 and 予定あり where they apply; the focus follows the arrow keys.
void TestFrmMain::calendarReadsDaysAsDates() {
  const QDate planned(2006, 1, 7), today(2006, 1, 9), nextMonth(2006, 2, 1);
  DatePicker picker(planned, today, [&](QDate d) { return d == planned || d == nextMonth; });
  picker.show();
  QVERIFY(QTest::qWaitForWindowActive(&picker));
  auto* view = picker.calendar->findChild<QTableView*>();
  QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(view);
  QStringList days;
  for (int i = 0; i < grid->childCount(); ++i)
    if (grid->child(i)->role() == QAccessible::Cell) days << grid->child(i)->text(QAccessible::Name);
  QCOMPARE(days.size(), 42);
  for (const char* day : {"2006年1月7日 (土), 予定あり", "2006年1月9日 (月), 今日", "2005年12月31日 (土)",
                          "2006年1月31日 (火)", "2006年2月1日 (水), 予定あり"})
    QVERIFY2(days.contains(QString::fromUtf8(day)), day);
  auto buttonName = [&](const char* name) {
    return QAccessible::queryAccessibleInterface(picker.calendar->findChild<QToolButton*>(QLatin1String(name)))
        ->text(QAccessible::Name);
  };
  QCOMPARE(buttonName("qt_calendar_prevmonth"), QStringLiteral("前の月"));
  QCOMPARE(buttonName("qt_calendar_nextmonth"), QStringLiteral("次の月"));
  QVERIFY(buttonName("qt_calendar_monthbutton").contains(QStringLiteral("1月")));
  // The cell with the focus follows the arrow keys.
  QTest::keyClick(view, Qt::Key_Right);
  QCOMPARE(grid->focusChild()->text(QAccessible::Name), QStringLiteral("2006年1月8日 (日)"));
  QVERIFY(grid->focusChild()->state().focused);
}

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
