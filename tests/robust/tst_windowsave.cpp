// The Save command of the real main window on a disk that refuses the
// write: the error box names the file and the reason, the day stays on the
// screen and in memory, the old file stays whole, and the next Save after
// the cause is gone stores the day. A file that was there but could not be
// read is never saved over: not the day, not the routines, not the lists. A
// save whose folder cannot be synced is shown as saved and told in a box.
// Opening a day removes what saves cut short left in its folder. A day file
// another program replaced is saved over only when the user says so.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/stat.h>

#include "filehelpers.h"
#include "appsetup.h"
#include "dlgsetlist.h"
#include "frmmain.h"
#include "mainparts.h"
#include "frmsetrwork.h"
#include "modalhelpers.h"
#include "padhelpers.h"
#include "qtplatform.h"
#include "scriptedplatform.h"
#include "syncshim.h"

using namespace plandor;

class TestWindowSave : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { setUpApplication(*qApp); }
  void init();
  void readOnlyDayFile();
  void vanishedMonthFolder();
  void unreadDayIsNeverSavedOver();
  void unreadRoutineAndListFilesAreNeverSavedOver();
  void readErrorOnTheDayFile();
  void folderSyncFails();
  void openingADayRemovesStaleTemporaries();
  void dayChangedByAnotherProgram();
  void routineAndListFilesChangedByAnotherProgram();
  void theChangedFileQuestionOnTheDesktop();
  void pastDayErrorAfterTheCover();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::string folder;
  std::string dayPath() const { return folder + "/Y200601/Y2006011.sdf"; }
  std::unique_ptr<TfrmMain> start();
  // Files as an earlier run left them: a day with one pad and a diary, one
  // routine shown every day, and a list file with a keyword of the user's.
  void writeEarlierRun();
  std::string routinePath() const { return folder + "/Routines.rdf"; }
  std::string listPath() const { return folder + "/LEntries.lef"; }
  void expectRefusal(std::size_t index, const std::string& path, const char* reason);
  // A pad dragged from 08:00 to 09:30 and stored with 一時保存.
  TSchedPadFrame* dragPad(const char* keyword);

  ScriptedPlatform platform;
  std::unique_ptr<PlannerState> state;
  TfrmMain* window = nullptr;
};

void TestWindowSave::init() {
  dir = std::make_unique<QTemporaryDir>();
  folder = dir->path().toStdString();
  writeAll(folder + "/Shutter.wav", "RIFF");
  platform = ScriptedPlatform();
}

std::unique_ptr<TfrmMain> TestWindowSave::start() {
  state = std::make_unique<PlannerState>();
  state->DataFolder = folder;
  auto w = std::make_unique<TfrmMain>(*state, platform);
  window = w.get();
  return w;
}

TSchedPadFrame* TestWindowSave::dragPad(const char* keyword) {
  return storedPad(*parts(window).ScrollBox1, 240, 420, keyword);
}

void TestWindowSave::readOnlyDayFile() {
  auto w = start();
  TSchedPadFrame* pad = dragPad("古い予定");
  QVERIFY(pad);
  w->FileSave1Execute();
  QVERIFY(platform.errors.empty());
  const QByteArray old = readAll(dayPath());
  QCOMPARE(old.size(), 10728);

  pad->cmbKeyword->setEditText(QStringLiteral("新しい予定"));
  pad->btnReviseClick();
  makeReadOnly(dayPath());
  const std::size_t sounds = platform.sounds.size();
  const QString count = parts(w).statusPanels[1]->text();
  w->FileSave1Execute();

  QCOMPARE(platform.errors.size(), std::size_t(1));
  const QString box = QString::fromStdString(platform.errors[0]);
  QVERIFY2(box.contains(QString::fromStdString(dayPath())), qPrintable(box));
  QVERIFY2(box.contains(QStringLiteral("アクセスが拒否されました")), qPrintable(box));
  QCOMPARE(platform.sounds.size(), sounds);  // no sound for a save that failed
  QCOMPARE(parts(w).statusPanels[1]->text(), count);
  QCOMPARE(readAll(dayPath()), old);
  QCOMPARE(parts(w).ScrollBox1->padFrame(0), pad);
  QCOMPARE(pad->cmbKeyword->currentText(), QStringLiteral("新しい予定"));
  QCOMPARE(state->day.table().Pads[0].Keyword.text(), std::string("新しい予定"));
  QCOMPARE(parts(w).edtThisFile->text(), QStringLiteral("Y2006011.sdf"));

  QFile::setPermissions(QString::fromStdString(dayPath()), QFile::ReadOwner | QFile::WriteOwner);
  w->FileSave1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(1));
  QCOMPARE(platform.sounds.size(), sounds + 1);
  const QByteArray now = readAll(dayPath());
  QCOMPARE(now.size(), 10728);
  QCOMPARE(now.left(264), old.left(264));
  QVERIFY(now.contains(sjis("新しい予定")));
}

// A month folder removed under the running program is made again by the
// save, as the first save of a day planned ahead makes its month.
void TestWindowSave::vanishedMonthFolder() {
  auto w = start();
  QCOMPARE(parts(w).edtThisFile->text(), QStringLiteral("未作成"));
  QVERIFY(dragPad("消えたフォルダー"));
  QVERIFY(QDir(QString::fromStdString(folder + "/Y200601")).removeRecursively());
  const std::size_t sounds = platform.sounds.size();
  QVERIFY(w->FileSave1Execute());
  QVERIFY(platform.errors.empty());
  QCOMPARE(platform.sounds.size(), sounds + 1);
  QCOMPARE(parts(w).edtThisFile->text(), QStringLiteral("Y2006011.sdf"));
  QVERIFY(readAll(dayPath()).contains(sjis("消えたフォルダー")));

  // A month folder that cannot be made stops the save and says why.
  QVERIFY(QDir(QString::fromStdString(folder + "/Y200601")).removeRecursively());
  writeAll(folder + "/Y200601", "a file where the folder was");
  QVERIFY(!w->FileSave1Execute());
  QCOMPARE(platform.errors.size(), std::size_t(1));
  QCOMPARE(state->day.table().Pads[0].Keyword.text(), std::string("消えたフォルダー"));
}

void TestWindowSave::writeEarlierRun() {
  QVERIFY(createFolder(folder + "/Y200601").ok());
  PadTable t = emptyPadTable();
  PadRecord& p = t.Pads[0];
  p.PadNo = 1, p.Left = 4, p.Top = 241;
  p.Keyword.setText("古い予定");
  p.StartHour = 8, p.StartMinute = 0, p.EndHour = 9, p.EndMinute = 30;
  t.Bars[0].Side.setText("L");
  t.Bars[0].TopY = 240, t.Bars[0].BottomY = 420;
  t.Diary.Content1.setText("大事な日記");
  DayModel d;
  d.openEmpty(dayPath());
  d.restore(t);
  bool headerSet;
  QVERIFY(d.save({2005, 12, 31}, &headerSet).ok());

  RoutineStore r;
  QVERIFY(r.LoadRoutineFile(folder).ok());
  RoutineRecord& routine = r.RoutineTable[0];
  routine.RoutineNo = 1, routine.Left = 351, routine.Top = 1201;
  routine.Keyword.setText("散歩");
  routine.StartHour = 1, routine.StartMinute = 0, routine.StartPM = 1;
  routine.EndHour = 2, routine.EndMinute = 0, routine.EndPM = 1;
  routine.Show = 1;
  for (auto& dow : routine.DOW) dow = 1;
  QVERIFY(r.WriteRoutineFile().ok());

  ListStore l;
  QVERIFY(l.LoadListEntries(folder).ok());
  l.entries.KeywordEntries[1].setText("自分の言葉");
  QVERIFY(l.WriteListFile().ok());
}

void TestWindowSave::expectRefusal(std::size_t index, const std::string& path, const char* reason) {
  QVERIFY2(platform.errors.size() > index, "no error box");
  const QString box = QString::fromStdString(platform.errors[index]);
  QVERIFY2(box.contains(QString::fromStdString("\"" + path + "\"")), qPrintable(box));
  QVERIFY2(box.contains(QStringLiteral("読み込めなかったため, 保存しません")), qPrintable(box));
  QVERIFY2(box.contains(QString::fromUtf8(reason)), qPrintable(box));
}

// The program opens its files for reading and writing, so a read-only file
// is one it cannot read, even for root. The user then makes it writable:
// still nothing may be written over what was never read.
void TestWindowSave::unreadDayIsNeverSavedOver() {
  writeEarlierRun();
  const QByteArray old = readAll(dayPath());
  makeReadOnly(dayPath());
  auto w = start();
  QCOMPARE(platform.errors.size(), std::size_t(1));
  QVERIFY(QString::fromStdString(platform.errors[0]).contains(QString::fromStdString(dayPath())));
  QCOMPARE(parts(w).edtThisFile->text(), QStringLiteral("読込失敗"));
  QVERIFY(platform.sounds.empty());
  QFile::setPermissions(QString::fromStdString(dayPath()), QFile::ReadOwner | QFile::WriteOwner);

  QVERIFY(dragPad("新しい予定"));
  const std::size_t soundsBefore = platform.sounds.size();
  w->FileSave1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(2));
  expectRefusal(1, dayPath(), "アクセスが拒否されました");
  QCOMPARE(readAll(dayPath()), old);
  QCOMPARE(platform.sounds.size(), soundsBefore);
  QCOMPARE(parts(w).edtThisFile->text(), QStringLiteral("読込失敗"));
  QCOMPARE(state->day.table().Pads[0].Keyword.text(), std::string("新しい予定"));  // kept on screen

  // Routine display swaps the pads through the staging file; the day is
  // still the one that was never read.
  platform.confirmAnswers = {true};
  platform.askAnswers = {1};  // 保存しない: a save could not write it anyway
  w->RoutineRead1Execute();
  QCOMPARE(state->day.table().Pads[0].Keyword.text(), std::string("散歩"));
  w->FileSave1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(3));
  expectRefusal(2, dayPath(), "アクセスが拒否されました");
  QCOMPARE(readAll(dayPath()), old);

  // Today's command reads the day again, and then it saves as ever.
  const std::size_t sounds = platform.sounds.size();
  platform.askAnswers = {1};
  w->ScheduleToday1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(3));
  QCOMPARE(parts(w).edtThisFile->text(), QStringLiteral("Y2006011.sdf"));
  QCOMPARE(state->day.table().Pads[0].Keyword.text(), std::string("古い予定"));
  QCOMPARE(state->day.table().Diary.Content1.text(), std::string("大事な日記"));
  QVERIFY(parts(w).ScrollBox1->padFrame(0));
  w->FileSave1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(3));
  QCOMPARE(readAll(dayPath()), old);  // saved unchanged
  QCOMPARE(platform.sounds.size(), sounds + 2);  // the load and the save
}

void TestWindowSave::unreadRoutineAndListFilesAreNeverSavedOver() {
  writeEarlierRun();
  const QByteArray routinesBefore = readAll(routinePath());
  const QByteArray listsBefore = readAll(listPath());
  makeReadOnly(routinePath());
  makeReadOnly(listPath());
  auto w = start();
  QCOMPARE(platform.errors.size(), std::size_t(2));
  for (const std::string& p : {routinePath(), listPath()})
    QFile::setPermissions(QString::fromStdString(p), QFile::ReadOwner | QFile::WriteOwner);

  TdlgSetList lists(state->lists, platform, w.get());
  lists.btnSaveEntriesClick();
  QCOMPARE(platform.errors.size(), std::size_t(3));
  expectRefusal(2, listPath(), "アクセスが拒否されました");
  QCOMPARE(readAll(listPath()), listsBefore);

  whenModal<TfrmSetRWork>([](TfrmSetRWork& rw) {
    rw.btnSaveSRW->click();
    rw.btnCancelSRW->click();
  });
  w->RoutineSet1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(4));
  expectRefusal(3, routinePath(), "アクセスが拒否されました");
  QCOMPARE(readAll(routinePath()), routinesBefore);

  // The day was read; it saves.
  w->FileSave1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(4));
}

// An I/O error while the day is read (a flaky stick or share), injected by
// strace into the first read of the day file of a second run of this test.
void TestWindowSave::readErrorOnTheDayFile() {
  const QByteArray childFolder = qgetenv("PLANDOR_EIO_FOLDER");
  if (childFolder.isEmpty()) {
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) QSKIP("strace is not installed");
    if (QProcess::execute(strace, {"-qq", "-o", "/dev/null", "true"}) != 0) QSKIP("strace cannot trace here");
    writeEarlierRun();
    const QByteArray old = readAll(dayPath());
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PLANDOR_EIO_FOLDER"), QString::fromStdString(folder));
    // LeakSanitizer cannot run under ptrace; the sanitizer build runs this too.
    env.insert(QStringLiteral("ASAN_OPTIONS"), env.value(QStringLiteral("ASAN_OPTIONS")) + QStringLiteral(":detect_leaks=0"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(strace, {"-f", "-qq", "-o", "/dev/null", "-e", "trace=read,pread64", "-e",
                         "inject=read,pread64:error=EIO:when=1", "-P", QString::fromStdString(dayPath()),
                         QCoreApplication::applicationFilePath(), "readErrorOnTheDayFile"});
    QVERIFY(child.waitForFinished(50000));
    QCOMPARE(child.exitCode(), 0);
    QCOMPARE(readAll(dayPath()), old);
    return;
  }
  folder = childFolder.toStdString();  // the first read of the day is the program's
  auto w = start();
  QCOMPARE(platform.errors.size(), std::size_t(1));
  QVERIFY2(QString::fromStdString(platform.errors[0]).contains(QStringLiteral("入出力エラー")),
           platform.errors[0].c_str());
  QCOMPARE(parts(w).edtThisFile->text(), QStringLiteral("読込失敗"));
  QVERIFY(dragPad("新しい予定"));
  w->FileSave1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(2));
  expectRefusal(1, dayPath(), "入出力エラー");
  platform.askAnswers = {1};
  w->ScheduleToday1Execute();  // the next read goes through
  QCOMPARE(platform.errors.size(), std::size_t(2));
  QCOMPARE(state->day.table().Pads[0].Keyword.text(), std::string("古い予定"));
}

void TestWindowSave::folderSyncFails() {
  auto w = start();
  QVERIFY(dragPad("同期できない"));
  const std::size_t sounds = platform.sounds.size();
  syncshim_fail_folder_sync(EIO);
  w->FileSave1Execute();
  syncshim_fail_folder_sync(0);

  // Saved: header, count and file as after any save; the box says the rest.
  QCOMPARE(platform.errors.size(), std::size_t(1));
  const QString box = QString::fromStdString(platform.errors[0]);
  QVERIFY2(box.contains(QString::fromStdString(dayPath())), qPrintable(box));
  QVERIFY2(box.contains(QStringLiteral("確認できません")), qPrintable(box));
  QVERIFY2(box.contains(QStringLiteral("入出力エラー")), qPrintable(box));
  QCOMPARE(platform.sounds.size(), sounds);
  QCOMPARE(parts(w).edtThisFile->text(), QStringLiteral("Y2006011.sdf"));
  QCOMPARE(parts(w).statusPanels[1]->text(), QStringLiteral("データ総数: 1"));
  QVERIFY(readAll(dayPath()).contains(sjis("同期できない")));
}

void TestWindowSave::openingADayRemovesStaleTemporaries() {
  const std::string month = folder + "/Y200512";
  QVERIFY(QDir().mkdir(QString::fromStdString(month)));
  {
    DayModel past;
    past.openEmpty(month + "/Y20051231.sdf");
    bool headerSet;
    QVERIFY(past.save({2005, 12, 31}, &headerSet).ok());
  }
  // Left by saves cut short: of the day opened, of another day, of today.
  const char* stale[] = {".Y20051231.sdf.plandor-save-ab12cd34ef56", ".Y2005121.sdf.plandor-save-0123456789ab"};
  // Not this program's, or a save still under way (younger than a minute): kept.
  const char* foreign[] = {".notes.txt.abc123", "Y20051231.sdf.Ab12Cd", ".Y20051231.sdf.a-b_c!", ".Y20051231.sdf.Ab12Cde",
                           ".Y20051231.sdf.Ab12Cd", ".Y20051231.sdf.backup", ".Y20051231.sdf.plandor-save-ab12cd34ef5",
                           ".Y20051231.sdf.plandor-save-backup"};
  for (const char* n : stale) writeAll(month + "/" + n, "torn");
  for (const char* n : foreign) writeAll(month + "/" + n, "mine");
  for (const char* n : stale) ageFile(month + "/" + n);
  for (const char* n : foreign) ageFile(month + "/" + n);
  writeAll(month + "/.Y20051231.sdf.plandor-save-00000000a0a0", "a save under way");
  QVERIFY(QDir().mkdir(QString::fromStdString(folder + "/Y200601")));
  writeAll(folder + "/Y200601/.Y2006011.sdf.plandor-save-3e3e3e3e3e3e", "torn");
  ageFile(folder + "/Y200601/.Y2006011.sdf.plandor-save-3e3e3e3e3e3e");

  auto w = start();
  QVERIFY(!QFile::exists(QString::fromStdString(folder + "/Y200601/.Y2006011.sdf.plandor-save-3e3e3e3e3e3e")));
  for (const char* n : stale) QVERIFY(QFile::exists(QString::fromStdString(month + "/" + n)));  // not opened yet

  platform.openAnswers.push_back(month + "/Y20051231.sdf");
  w->SchedulePast1Execute();
  QCOMPARE(parts(w).edtThisFile->text(), QStringLiteral("Y20051231.sdf"));
  for (const char* n : stale) QVERIFY2(!QFile::exists(QString::fromStdString(month + "/" + n)), n);
  for (const char* n : foreign) QVERIFY2(QFile::exists(QString::fromStdString(month + "/" + n)), n);
  QVERIFY(QFile::exists(QString::fromStdString(month + "/.Y20051231.sdf.plandor-save-00000000a0a0")));
  QVERIFY(platform.errors.empty());
}

void TestWindowSave::dayChangedByAnotherProgram() {
  auto w = start();
  QVERIFY(dragPad("私の予定"));
  w->FileSave1Execute();
  QVERIFY(platform.errors.empty());
  // A sync tool brings another computer's version of the day.
  const QByteArray theirs = QByteArray(10728, 'Z');
  writeAll(dayPath() + ".part", theirs);
  QVERIFY(::rename((dayPath() + ".part").c_str(), dayPath().c_str()) == 0);
  const std::size_t sounds = platform.sounds.size();

  w->FileSave1Execute();  // Escape: キャンセル
  QCOMPARE(platform.questions.size(), std::size_t(1));
  const ScriptedPlatform::Question& q = platform.questions[0];
  QCOMPARE(q.text, std::string("このファイルは開いた後で他のプログラムによって変更されています."));
  QCOMPARE(q.buttons, (std::vector<std::string>{"上書き保存", "別名で保存", "キャンセル"}));
  QCOMPARE(q.defaultButton, 2);
  QCOMPARE(q.escapeButton, 2);
  QCOMPARE(readAll(dayPath()), theirs);
  QCOMPARE(platform.sounds.size(), sounds);

  platform.clock = {{2026, 12, 7}, 9, 41, 5};
  platform.askAnswers.push_back(1);  // 別名で保存
  w->FileSave1Execute();
  const std::string copy = folder + "/Y200601/Y2006011 (2026-12-07 09-41).sdf";
  QVERIFY(readAll(copy).contains(sjis("私の予定")));
  QCOMPARE(readAll(dayPath()), theirs);
  QCOMPARE(platform.messages.size(), std::size_t(1));
  QVERIFY(platform.messages[0].text.find(copy) != std::string::npos);

  platform.askAnswers.push_back(0);  // 上書き保存
  w->FileSave1Execute();
  QCOMPARE(platform.questions.size(), std::size_t(3));
  QVERIFY(readAll(dayPath()).contains(sjis("私の予定")));
  QCOMPARE(platform.sounds.size(), sounds + 1);
  w->FileSave1Execute();  // ours again: no question
  QCOMPARE(platform.questions.size(), std::size_t(3));
  QVERIFY(platform.errors.empty());
}

// The routine window's 保存 and the list dialog's save ask the same question;
// 別名で保存 keeps their version beside the other program's.
void TestWindowSave::routineAndListFilesChangedByAnotherProgram() {
  writeEarlierRun();
  auto w = start();
  const QByteArray theirRoutines(3200, 'R'), theirLists(3072, 'L');
  writeAll(routinePath() + ".part", theirRoutines);
  writeAll(listPath() + ".part", theirLists);
  QVERIFY(::rename((routinePath() + ".part").c_str(), routinePath().c_str()) == 0);
  QVERIFY(::rename((listPath() + ".part").c_str(), listPath().c_str()) == 0);

  TdlgSetList lists(state->lists, platform, w.get());
  lists.btnSaveEntriesClick();  // キャンセル
  QCOMPARE(platform.questions.size(), std::size_t(1));
  QCOMPARE(readAll(listPath()), theirLists);
  platform.askAnswers.push_back(1);
  lists.btnSaveEntriesClick();
  QCOMPARE(readAll(folder + "/LEntries (2006-01-01 09-00).lef"), bytesOf(state->lists.entries));
  QCOMPARE(readAll(listPath()), theirLists);

  platform.askAnswers.push_back(0);
  whenModal<TfrmSetRWork>([](TfrmSetRWork& rw) {
    rw.btnSaveSRW->click();
    rw.btnCancelSRW->click();
  });
  w->RoutineSet1Execute();
  QCOMPARE(platform.questions.size(), std::size_t(3));
  QCOMPARE(platform.questions[2].text, std::string(kChangedFileText));
  QCOMPARE(readAll(routinePath()), bytesOf(state->routines.RoutineImage));
  QVERIFY(platform.errors.empty());
}

// The desktop's box for the question: the buttons in their order, キャンセル
// the default and the answer of Escape, a click answers with its button.
void TestWindowSave::theChangedFileQuestionOnTheDesktop() {
  QtPlatform desktop;
  const std::vector<std::string> buttons{"上書き保存", "別名で保存", "キャンセル"};
  QStringList shown;
  QString defaultButton;
  whenModal<QMessageBox>([&](QMessageBox& box) {
    for (QAbstractButton* b : box.buttons()) shown << b->text();
    defaultButton = box.defaultButton() ? box.defaultButton()->text() : QString();
    QTest::keyClick(&box, Qt::Key_Escape);
  });
  QCOMPARE(desktop.ask(kChangedFileText, buttons, 2, 2), 2);
  QCOMPARE(shown, (QStringList{"上書き保存", "別名で保存", "キャンセル"}));
  QCOMPARE(defaultButton, QStringLiteral("キャンセル"));
  whenModal<QMessageBox>([&](QMessageBox& box) { box.buttons().at(1)->click(); });
  QCOMPARE(desktop.ask(kChangedFileText, buttons, 2, 2), 1);
}

void TestWindowSave::pastDayErrorAfterTheCover() {
  const std::string month = folder + "/Y200512";
  QVERIFY(QDir().mkdir(QString::fromStdString(month)));
  QVERIFY(::mkfifo((month + "/Y20051231.sdf").c_str(), 0644) == 0);
  auto w = start();
  bool coverShown = false;
  platform.onBox = [&] { coverShown = !parts(w).pnlCover->isHidden(); };
  platform.openAnswers.push_back(month + "/Y20051231.sdf");
  w->SchedulePast1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(1));
  QVERIFY2(!coverShown, "the error box opened over the processing cover");
}

QTEST_MAIN(TestWindowSave)
#include "tst_windowsave.moc"
