// Reminders in the real main window, on the offscreen platform and without a
// session bus: which pads remind as the clock moves and the day changes, the
// default action, the lead dialog, and the program's own window.
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "appsetup.h"
#include "dayrecords.h"
#include "dlgdiary.h"
#include "dlgreminder.h"
#include "filehelpers.h"
#include "frmmain.h"
#include "mainparts.h"
#include "modalhelpers.h"
#include "notifier.h"
#include "padhelpers.h"
#include "plannerreminders.h"
#include "reminderwindow.h"
#include "schedpadframe.h"
#include "plannerrun.h"
#include "scriptedplatform.h"

using namespace plandor;

namespace {

// Keeps what would have gone to the desktop.
class RecordingNotifier final : public Notifier {
 public:
  std::vector<ReminderNote> notes;
  std::vector<int> withdrawn;
  void notify(const ReminderNote& n) override { notes.push_back(n); }
  void withdraw(int id) override { withdrawn.push_back(id); }
  QStringList summaries() const {
    QStringList out;
    for (const auto& n : notes) out << n.summary;
    return out;
  }
};

// A pad at 24-hour times of the plan, with a bar (as a 一時保存 leaves it).
void putPad(PadTable& t, int slot, int h0, int m0, int h1, int m1, const char* keyword, bool done = false) {
  PadRecord& p = t.Pads[slot];
  p.PadNo = slot + 1;
  p.StartHour = h0 % 12, p.StartMinute = m0, p.StartPM = h0 >= 12;
  p.EndHour = h1 % 12, p.EndMinute = m1, p.EndPM = h1 >= 12;
  p.Keyword.setText(keyword);
  p.Content.setText("駅前");
  p.Completed = done ? 1 : 0;
  t.Bars[slot].Side.setText("L");
  t.Bars[slot].TopY = 100 + slot;
  t.Bars[slot].BottomY = 200 + slot;
}

void writeDay(const std::string& path, const PadTable& t) {
  DayFile f;
  std::memset(&f, 0, sizeof f);
  std::memcpy(f.Bars, t.Bars, sizeof f.Bars);
  std::memcpy(f.Pads, t.Pads, sizeof f.Pads);
  f.Diary = t.Diary;
  QDir().mkpath(QFileInfo(QString::fromStdString(path)).path());
  writeAll(path, bytesOf(f));
}

// The program's reminders report to a recorder instead of the desktop.
struct Run : PlannerRun {
  RecordingNotifier* notes = new RecordingNotifier;

  explicit Run(const QString& folder, LocalDateTime clock = {{2006, 1, 1}, 9, 0, 0}) : PlannerRun(folder, clock) {
    reminders().setNotifier(notes);
  }
  PlannerReminders& reminders() { return *window->reminders(); }
  void at(int h, int m, int s = 0, LocalDate d = {2006, 1, 1}) {
    platform.clock = {d, h, m, s};
    reminders().check();
  }
};

}  // namespace

class TestReminders : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { setUpApplication(*qApp); }
  void init();
  void padsOfTheOpenDayRemindAsTheClockMoves();
  void changesReArmOrCancelAtOnce();
  void todaysFileWhenAnotherDayIsOpen();
  void unreadableTodayGivesOneMessageAndNoWrite();
  void nextMorningMovesOnToThatDay();
  void wakesAimedNeverLongerThanTwentySecondsNorWhenOff();
  void defaultActionOpensTodayAndFocusesThePad();
  void defaultActionWaitsForAnOpenDialog();
  void manyAtOnceAndNotesFollowTheirPads();
  void leadDialogKeepsTheChoiceBesideTheData();
  void ownWindowWithoutASessionBus();
  void closingThePlannerEndsItWhileAReminderIsShown();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  QString folder;
  std::string todayPath() const { return folder.toStdString() + "/Y200601/Y2006011.sdf"; }
};

void TestReminders::init() {
  dir = std::make_unique<QTemporaryDir>();
  folder = dir->path();
  writeAll(folder.toStdString() + "/Shutter.wav", "RIFF");
}

void TestReminders::padsOfTheOpenDayRemindAsTheClockMoves() {
  Run run(folder);
  editTable(run.state.day, [](PadTable& t) {
    putPad(t, 0, 9, 6, 9, 30, "会議");
    putPad(t, 1, 9, 6, 9, 30, "済み", true);
    putPad(t, 2, 1, 30, 2, 0, "夜勤");  // after midnight
  });
  run.at(9, 0, 59);
  QVERIFY(run.notes->notes.empty());
  run.at(9, 1, 0);
  QCOMPARE(run.notes->summaries(), QStringList{"会議"});
  QCOMPARE(run.notes->notes[0].body, QStringLiteral("9:06 – 9:30  駅前"));
  run.at(9, 3, 0);
  QCOMPARE(run.notes->notes.size(), 1u);  // never twice
  run.at(1, 25, 0, {2006, 1, 2});
  QCOMPARE(run.notes->summaries(), (QStringList{"会議", "夜勤"}));
  // Nothing about reminders reached the day.
  QVERIFY(!QFile::exists(QString::fromStdString(todayPath())));
  QVERIFY(!QFile::exists(folder + "/Settings.ini"));
}

void TestReminders::changesReArmOrCancelAtOnce() {
  Run run(folder);
  run.at(8, 50);
  editTable(run.state.day, [](PadTable& t) {
    putPad(t, 0, 8, 0, 8, 30, "朝");
    putPad(t, 1, 9, 6, 9, 30, "会議");
    putPad(t, 2, 9, 10, 9, 30, "消す");
  });
  // Removed before its time: never shown.
  run.state.day.removePad(2);
  run.at(9, 5);
  QCOMPARE(run.notes->summaries(), QStringList{"会議"});
  // A removal before it packs 会議 into slot 0: still shown once only.
  run.state.day.removePad(0);
  run.at(9, 5, 30);
  QCOMPARE(run.notes->notes.size(), 1u);
  // Moved to a later time: reminds again for the new time.
  editTable(run.state.day, [](PadTable& t) { t.Pads[0].StartMinute = 20; });
  run.at(9, 14, 59);
  QCOMPARE(run.notes->notes.size(), 1u);
  // A pad stored inside its lead time reminds without waiting for the clock.
  run.platform.clock = {{2006, 1, 1}, 9, 15, 0};
  editTable(run.state.day, [](PadTable& t) { putPad(t, 3, 9, 18, 9, 40, "急ぎ"); });
  QTRY_COMPARE(run.notes->summaries(), (QStringList{"会議", "急ぎ", "会議"}));  // in due order
}

void TestReminders::todaysFileWhenAnotherDayIsOpen() {
  PadTable t = emptyPadTable();
  putPad(t, 0, 9, 6, 9, 30, "ファイル");
  writeDay(todayPath(), t);
  const std::string past = folder.toStdString() + "/Y200512/Y20051231.sdf";
  PadTable old = emptyPadTable();
  putPad(old, 0, 9, 6, 9, 30, "過去");
  writeDay(past, old);
  Run run(folder);
  run.state.day.open(past);
  run.at(9, 1);
  QCOMPARE(run.notes->summaries(), QStringList{"ファイル"});
  QVERIFY(run.platform.errors.empty());
}

void TestReminders::unreadableTodayGivesOneMessageAndNoWrite() {
  Run run(folder);
  const std::string past = folder.toStdString() + "/Y200512/Y20051231.sdf";
  writeDay(past, emptyPadTable());
  run.state.day.open(past);
  // Today's "file" is a folder: it cannot be read.
  QVERIFY(QDir().mkpath(QString::fromStdString(todayPath())));
  run.at(9, 1);
  run.at(9, 2);
  run.at(9, 3);
  // Told after the check, from the event loop: a box never holds reminders back.
  QTRY_COMPARE(run.platform.errors.size(), 1u);
  run.at(9, 4);
  QCoreApplication::processEvents();  // a box is told from the event loop
  QCOMPARE(run.platform.errors.size(), 1u);
  QVERIFY(run.platform.errors[0].find("Y2006011.sdf") != std::string::npos);
  QVERIFY(run.notes->notes.empty());
  QVERIFY(QFileInfo(QString::fromStdString(todayPath())).isDir());
}

void TestReminders::nextMorningMovesOnToThatDay() {
  Run run(folder);
  PadTable next = emptyPadTable();
  putPad(next, 0, 6, 30, 7, 0, "翌朝");
  putPad(next, 1, 10, 0, 11, 0, "翌日");
  writeDay(folder.toStdString() + "/Y200601/Y2006012.sdf", next);
  run.at(6, 25, 0, {2006, 1, 2});
  run.at(9, 55, 0, {2006, 1, 2});
  QCOMPARE(run.notes->summaries(), (QStringList{"翌朝", "翌日"}));
}

void TestReminders::wakesAimedNeverLongerThanTwentySecondsNorWhenOff() {
  Run run(folder);
  editTable(run.state.day, [](PadTable& t) { putPad(t, 0, 9, 6, 9, 30, "会議"); });
  run.at(8, 0);
  QCOMPARE(run.reminders().interval(), PlannerReminders::kWakeLimitMs);
  run.at(9, 0, 50);
  QCOMPARE(run.reminders().interval(), 10000);
  run.reminders().setLead(kNoReminders);
  QVERIFY(!run.reminders().waiting());  // off: nothing wakes the process
  // Turned on again while 会議 runs: what fell due meanwhile stays quiet.
  run.platform.clock = {{2006, 1, 1}, 9, 10, 0};
  run.reminders().setLead(5);
  QVERIFY(run.reminders().waiting());
  QVERIFY(run.notes->notes.empty());
}

void TestReminders::defaultActionOpensTodayAndFocusesThePad() {
  Run run(folder);
  run.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
  // 会議 is far below the rows in view at the start.
  editTable(run.state.day, [](PadTable& t) {
    putPad(t, 0, 8, 0, 8, 30, "朝");
    putPad(t, 1, 20, 6, 20, 30, "会議");
  });
  QVERIFY(run.window->FileSave1Execute());
  run.at(20, 1);
  QCOMPARE(run.notes->summaries(), QStringList{"会議"});
  // Meanwhile another day is open with unsaved work, and 朝 was removed.
  PadTable t = emptyPadTable();
  putPad(t, 0, 8, 0, 8, 30, "朝");
  putPad(t, 1, 20, 6, 20, 30, "会議");
  writeDay(todayPath(), t);
  const std::string past = folder.toStdString() + "/Y200512/Y20051231.sdf";
  writeDay(past, emptyPadTable());
  run.state.day.open(past);
  editTable(run.state.day, [](PadTable& p) { putPad(p, 0, 10, 0, 11, 0, "未保存"); });
  run.platform.askAnswers = {2};  // キャンセル: the day stays
  emit run.notes->activated(run.notes->notes[0].id);
  QCOMPARE(run.platform.questions.size(), 1u);
  QCOMPARE(run.state.day.path(), past);
  run.platform.askAnswers = {1};  // 保存しない
  emit run.notes->activated(run.notes->notes[0].id);
  QCOMPARE(run.state.day.path(), todayPath());
  QTRY_VERIFY(parts(run.window).ScrollBox1->padFrame(1));
  TSchedPadFrame* pad = parts(run.window).ScrollBox1->padFrame(1);
  QTRY_VERIFY(pad->isAncestorOf(QApplication::focusWidget()));
  QCOMPARE(run.state.day.selectedPad(), 1);
  QWidget* viewport = parts(run.window).ScrollBox1->viewport();
  QVERIFY(viewport->rect().contains(QRect(pad->mapTo(viewport, QPoint(0, 0)), pad->size())));
}

// The click on a reminder while the diary of another day is open: the day
// under the dialog stays; today and the pad come once the dialog is closed.
void TestReminders::defaultActionWaitsForAnOpenDialog() {
  PadTable t = emptyPadTable();
  putPad(t, 0, 8, 0, 8, 30, "朝");
  putPad(t, 1, 9, 6, 9, 30, "歯医者");
  writeDay(todayPath(), t);
  Run run(folder);
  run.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
  run.at(9, 1);
  QCOMPARE(run.notes->summaries(), QStringList{"歯医者"});
  const std::string next = folder.toStdString() + "/Y200601/Y2006012.sdf";
  writeDay(next, emptyPadTable());
  run.state.day.open(next);
  bool deferred = false;
  whenModal<TdlgDiary>([&](TdlgDiary& d) {
    emit run.notes->activated(run.notes->notes[0].id);
    deferred = run.reminders().deferred();
    QCOMPARE(run.state.day.path(), next);
    QCOMPARE(parts(run.window).statusPanels[0]->text(), QString::fromUtf8(kReminderAfterDialogText));
    // Two rounds of the poll with the dialog still open change nothing.
    QSignalSpy polled(run.reminders().findChild<QTimer*>(QStringLiteral("dialogPoll")), &QTimer::timeout);
    QTRY_VERIFY(polled.count() >= 2);
    QCOMPARE(run.state.day.path(), next);
    d.reject();
  });
  parts(run.window).ScheduleDiary1->trigger();
  QVERIFY(deferred);
  QTRY_COMPARE(run.state.day.path(), todayPath());
  QTRY_COMPARE(run.state.day.selectedPad(), 1);
  QVERIFY(!run.reminders().deferred());
}

// 24 pads at one start: three notes, then one for the other 21 that names
// the first of them; the program's own list shows every one. A pad moved or
// removed afterwards takes its note with it, or shrinks the group's.
void TestReminders::manyAtOnceAndNotesFollowTheirPads() {
  Run run(folder);
  run.at(8, 50);
  editTable(run.state.day, [](PadTable& t) {
    for (int i = 0; i < kPadSlots; ++i) putPad(t, i, 9, 6, 9, 30, ("P" + std::to_string(i + 1)).c_str());
  });
  run.at(9, 1);
  QCOMPARE(run.notes->summaries(), (QStringList{"P1", "P2", "P3", "他 21 件"}));
  const ReminderNote group = run.notes->notes[3];
  QCOMPARE(group.body, QStringLiteral("9:06  P4、P5、P6、P7…"));
  QCOMPARE(group.rows.size(), 21);
  QCOMPARE(group.rows[0].summary, QStringLiteral("P4"));
  QCOMPARE(group.rows[20].body, QStringLiteral("9:06 – 9:30  駅前"));
  // Removed: P5 leaves the group, which is shown again in its place.
  run.state.day.removePad(4);
  run.at(9, 1, 10);
  QCOMPARE(run.notes->notes.size(), 5u);
  QCOMPARE(run.notes->notes[4].id, group.id);
  QCOMPARE(run.notes->notes[4].summary, QStringLiteral("他 20 件"));
  QVERIFY(run.notes->withdrawn.empty());
  // Moved to another start: P2's note goes; it reminds again for 10:00.
  editTable(run.state.day, [](PadTable& t) { t.Pads[1].StartHour = 10, t.Pads[1].StartMinute = 0; });
  run.at(9, 1, 20);
  QCOMPARE(run.notes->withdrawn, std::vector<int>{run.notes->notes[1].id});
  run.at(9, 55);
  QCOMPARE(run.notes->notes.back().summary, QStringLiteral("P2"));
  // The own window lists each of the group's reminders.
  WindowNotifier own;
  own.notify(group);
  QCOMPARE(own.window()->count(), 21);
  own.withdraw(group.id);
  QCOMPARE(own.window()->count(), 0);
}

void TestReminders::leadDialogKeepsTheChoiceBesideTheData() {
  Run run(folder);
  run.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
  QCOMPARE(parts(run.window).OptionReminder1->text(), QStringLiteral("リマインダー(&M)..."));
  QStringList captions;
  whenModal<TdlgReminder>([&](TdlgReminder& d) {
    for (auto* b : d.findChildren<QRadioButton*>()) captions << b->text();
    QVERIFY(d.choice(5)->isChecked());  // the default
    QVERIFY(d.choice(5)->hasFocus());  // a Space keeps the choice
    d.choice(15)->click();
    d.findChild<QPushButton*>("btnOK")->click();
  });
  parts(run.window).OptionReminder1->trigger();
  QCOMPARE(captions, (QStringList{"なし", "開始時刻", "5分前", "10分前", "15分前", "30分前", "1時間前"}));
  QCOMPARE(readAll(folder.toStdString() + "/Settings.ini"), QByteArray("[Reminders]\nLead=15\n"));
  QCOMPARE(QDir(folder).entryList(QDir::Files), (QStringList{"LEntries.lef", "Routines.rdf", "Settings.ini", "Shutter.wav"}));
  // The next start reads it, and removes what a save cut short left.
  run.window.reset();
  const QString torn = folder + "/.Settings.ini.plandor-save-a1b2c3d4e5f6";
  writeAll(torn.toStdString(), "[Reminders]\nLe");
  QFile file(torn);
  QVERIFY(file.open(QIODevice::ReadWrite));
  QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
  file.close();
  Run again(folder);
  QCOMPARE(again.reminders().lead(), 15);
  QVERIFY(!QFile::exists(torn));
}

void TestReminders::ownWindowWithoutASessionBus() {
  // The desktop notifier with no bus to reach shows the program's own window.
  DesktopNotifier desktop([] { return new WindowNotifier; });
  int opened = 0;
  connect(&desktop, &Notifier::activated, this, [&](int id) { opened = id; });
  QWidget* before = QApplication::activeModalWidget();
  desktop.notify({7, QStringLiteral("会議"), QStringLiteral("9:06 – 9:30  駅前"), {}});
  desktop.notify({8, QStringLiteral("電話"), QStringLiteral("9:10 – 9:20"), {}});
  ReminderWindow* w = nullptr;
  auto find = [&] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* r = qobject_cast<ReminderWindow*>(top)) w = r;
    return w != nullptr;
  };
  QTRY_VERIFY(find());
  QVERIFY(w->isVisible());
  QCOMPARE(w->windowModality(), Qt::NonModal);
  QCOMPARE(QApplication::activeModalWidget(), before);
  QCOMPARE(w->windowTitle(), QStringLiteral("リマインダー - プランドール"));
  QCOMPARE(w->count(), 2);
  // Both rows in view, none cut.
  auto* list = w->findChild<QScrollArea*>();
  QTRY_VERIFY(list->viewport()->height() >= list->widget()->height());
  QFrame* row = w->findChild<QFrame*>("note7");
  QVERIFY(row);
  QCOMPARE(row->findChild<QLabel*>("summary")->text(), QStringLiteral("会議"));
  QCOMPARE(row->findChild<QLabel*>("body")->text(), QStringLiteral("9:06 – 9:30  駅前"));
  QVERIFY(row->findChild<QLabel*>("summary")->font().bold());
  row->findChild<QPushButton*>("btnOpen")->click();
  QCOMPARE(opened, 7);
  QCOMPARE(w->count(), 1);
  QVERIFY(w->isVisible());
  // Every one kept, the list scrolling; the window stays within the screen.
  for (int i = 0; i < 24; ++i) desktop.notify({100 + i, "x", "y", {}});
  QCOMPARE(w->count(), 25);
  QVERIFY(w->height() <= w->screen()->availableGeometry().height());
  desktop.withdraw(105);
  QCOMPARE(w->count(), 24);
  w->findChild<QPushButton*>("btnClose")->click();
  QVERIFY(!w->isVisible());
  QCOMPARE(w->count(), 0);
}

// A reminder on screen never keeps the program running after its window closes.
void TestReminders::closingThePlannerEndsItWhileAReminderIsShown() {
  Run run(folder);
  WindowNotifier own;
  own.notify({1, QStringLiteral("会議"), QStringLiteral("9:06 – 9:30"), {}});
  QVERIFY(own.window()->isVisible());
  run.window->show();
  QVERIFY(QTest::qWaitForWindowExposed(run.window.get()));
  // The program's own loop: it ends when the last window that counts closes.
  QTimer::singleShot(0, run.window.get(), &QWidget::close);
  QTimer::singleShot(3000, qApp, [] { QCoreApplication::exit(1); });
  QCOMPARE(QCoreApplication::exec(), 0);
}

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
