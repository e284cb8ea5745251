// Day files whose values no save of this program writes (a damaged disk, a
// hand-edited or foreign file) opened in the real main window: every pad
// still edits its own slot and nothing else, and bars far outside the
// timeline are drawn clipped to it. A FIFO or a device where a file is
// expected is never opened (it would block before the window appears) and
// never saved over.
#include <QComboBox>
#include <QFileDialog>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <climits>
#include <cstdio>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

#include "filehelpers.h"
#include "appsetup.h"
#include "dlgsetlist.h"
#include "fileio.h"
#include "frmmain.h"
#include "mainparts.h"
#include "frmsetrwork.h"
#include "modalhelpers.h"
#include "pathbytes.h"
#include "qtplatform.h"
#include "scriptedplatform.h"
#include "timeaxis.h"

using namespace plandor;

namespace {

void usePad(PadTable& d, int slot, std::int32_t padNo, const char* keyword) {
  PadRecord& p = d.Pads[slot];
  BarRecord& b = d.Bars[slot];
  p.PadNo = padNo;
  p.Left = 4;
  p.Top = 241 + slot * 120;
  p.Keyword.setText(keyword);
  p.Memo.setText(std::string("memo of ") + keyword);
  p.Color = 0x0000FF;
  p.StartHour = 8 + slot, p.StartMinute = 0, p.StartPM = 0;
  p.EndHour = 8 + slot, p.EndMinute = 50, p.EndPM = 0;
  b.Side.setText("L");
  b.TopY = TimeToY(p.StartHour, p.StartMinute, p.StartPM);
  b.BottomY = TimeToY(p.EndHour, p.EndMinute, p.EndPM);
  b.Color = p.Color;
}

bool isFifo(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

}  // namespace

class TestHostileDay : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() { setUpApplication(*qApp); }
  void init();
  void cleanup() { window.reset(); }
  void barsBeyondTheTimelineAreClipped();
  void aPadNumberOfAnotherSlotEditsOnlyItsOwnSlot();
  void aPadNumberOutsideTheTableEditsOnlyItsOwnSlot();
  void routineNumbersOfOtherSlotsEditOnlyTheirOwnSlot();
  void fifosAndDevicesAreNeverOpenedNorSavedOver();
  void namesThatAreNotUtf8();
  void pastDayDialogNamesTheFolderAndHidesConflictCopies();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::string folder;
  std::string dayPath() const { return folder + "/Y200601/Y2006011.sdf"; }
  void writeDay(const PadTable& t) {
    DayModel d;
    d.openEmpty(dayPath());
    d.restore(t);
    bool headerSet;
    QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  }
  void start() {
    state = std::make_unique<PlannerState>();
    state->DataFolder = folder;
    window = std::make_unique<TfrmMain>(*state, platform);
    QVERIFY(window->started());
  }
  // Edits pad `slot` and stores the edit with 変更.
  void revise(int slot, const char* keyword) {
    TSchedPadFrame* pad = parts(window).ScrollBox1->padFrame(slot);
    QVERIFY(pad);
    pad->cmbKeyword->setEditText(QString::fromUtf8(keyword));
    pad->btnReviseClick();
  }

  ScriptedPlatform platform;
  std::unique_ptr<PlannerState> state;
  std::unique_ptr<TfrmMain> window;
};

void TestHostileDay::init() {
  dir = std::make_unique<QTemporaryDir>();
  folder = dir->path().toStdString();
  writeAll(folder + "/Shutter.wav", "RIFF");
  QVERIFY(createFolder(folder + "/Y200601").ok());
  platform = ScriptedPlatform();
}

void TestHostileDay::barsBeyondTheTimelineAreClipped() {
  PadTable d = emptyPadTable();
  usePad(d, 0, 1, "left");
  d.Bars[0].TopY = -2;
  d.Bars[0].BottomY = INT_MAX;
  usePad(d, 1, 2, "right");
  d.Bars[1].Side.setText("R");
  d.Bars[1].TopY = INT_MIN;
  d.Bars[1].BottomY = 100;
  writeDay(d);
  start();

  const QColor red(255, 0, 0);
  const QImage left = parts(window).ScrollBox1->pbxTimeL->grab().toImage();
  const QImage right = parts(window).ScrollBox1->pbxTimeR->grab().toImage();
  QCOMPARE(left.pixelColor(5, 0), red);
  QCOMPARE(left.pixelColor(5, 2879), red);
  QCOMPARE(right.pixelColor(5, 0), red);
  QCOMPARE(right.pixelColor(5, 99), red);
  QCOMPARE(right.pixelColor(5, 100), QColor(Qt::white));
}

void TestHostileDay::aPadNumberOfAnotherSlotEditsOnlyItsOwnSlot() {
  PadTable d = emptyPadTable();
  usePad(d, 0, 2, "first");  // says it is pad 2
  usePad(d, 1, 2, "second");
  writeDay(d);
  start();

  revise(0, "first, edited");
  QCOMPARE(state->day.table().Pads[0].Keyword.text(), std::string("first, edited"));
  QCOMPARE(state->day.table().Pads[1].Keyword.text(), std::string("second"));
  QCOMPARE(state->day.table().Pads[1].Memo.text(), std::string("memo of second"));
  QCOMPARE(state->day.table().Bars[1].TopY, d.Bars[1].TopY);
}

void TestHostileDay::aPadNumberOutsideTheTableEditsOnlyItsOwnSlot() {
  PadTable d = emptyPadTable();
  usePad(d, 0, 0, "zero");
  usePad(d, 1, 1000, "thousand");
  usePad(d, 2, -5, "negative");
  usePad(d, 3, INT_MIN, "lowest");
  usePad(d, 4, INT_MAX, "highest");
  writeDay(d);
  const PadTable before = d;
  const QByteArray loaded = readAll(dayPath());
  start();
  for (int i = 0; i < 5; ++i) QCOMPARE(parts(window).ScrollBox1->padFrame(i)->edtPadNo->text(), QString::number(i + 1));
  // Nothing edited: saved as loaded, the odd numbers included.
  window->FileSave1Execute();
  QCOMPARE(readAll(dayPath()), loaded);

  revise(0, "zero, edited");
  revise(1, "thousand, edited");
  revise(2, "negative, edited");
  const PadTable& t = state->day.table();
  QCOMPARE(t.Pads[0].Keyword.text(), std::string("zero, edited"));
  QCOMPARE(t.Pads[1].Keyword.text(), std::string("thousand, edited"));
  QCOMPARE(t.Pads[2].Keyword.text(), std::string("negative, edited"));
  for (int i = 0; i < 3; ++i) QCOMPARE(t.Pads[i].Memo.text(), before.Pads[i].Memo.text());
  for (int i = 0; i < 3; ++i) QCOMPARE(t.Pads[i].PadNo, i + 1);  // an edit stores the slot's number
  for (int i = 3; i < kPadSlots; ++i) {
    QCOMPARE(std::memcmp(&t.Pads[i], &before.Pads[i], sizeof(PadRecord)), 0);
    QCOMPARE(std::memcmp(&t.Bars[i], &before.Bars[i], sizeof(BarRecord)), 0);
  }
}

void TestHostileDay::routineNumbersOfOtherSlotsEditOnlyTheirOwnSlot() {
  RoutineSet set;
  std::memset(set, 0, sizeof set);
  for (auto& r : set) ClearRoutine(r);
  const std::int32_t numbers[] = {1, INT_MIN, 1, INT_MAX};  // R2 and R4 say other numbers, R3 that it is R1
  for (int i = 0; i < 4; ++i) {
    set[i].RoutineNo = numbers[i];
    set[i].Left = 4, set[i].Top = 241 + i * 60;
    set[i].Keyword.setText("routine " + std::to_string(i + 1));
    set[i].StartHour = 8 + i, set[i].StartMinute = 0, set[i].EndHour = 8 + i, set[i].EndMinute = 30;
    set[i].Show = 1;
    set[i].DOW[0] = set[i].DOW[1] = 1;
  }
  const std::string routines = folder + "/Routines.rdf";
  writeAll(routines, bytesOf(set));
  start();
  whenModal<TfrmSetRWork>([&](TfrmSetRWork& rw) {
    for (int i = 0; i < 4; ++i) QCOMPARE(rw.RoutineFrameTable[i]->edtPadNo->text(), QString::number(i + 1));
    rw.btnSaveSRWClick();  // nothing edited: the file as it was
    QCOMPARE(readAll(routines), bytesOf(set));
    rw.RoutineFrameTable[1]->chbDOW[0]->setChecked(false);  // 日 off for R2 only
    rw.RoutineFrameTable[1]->btnSaveRoutineClick();
    const RoutineSet& t = state->routines.RoutineTable;
    QCOMPARE(t[1].DOW[0], std::uint8_t(0));
    QCOMPARE(t[1].RoutineNo, 2);
    QCOMPARE(t[1].Keyword.text(), std::string("routine 2"));
    for (int i : {0, 2, 3}) QCOMPARE(std::memcmp(&t[i], &set[i], sizeof(RoutineRecord)), 0);
    platform.askAnswers = {1};  // 閉じる asks about the change: 保存しない
    rw.btnCancelSRW->click();
  });
  window->RoutineSet1Execute();
}

void TestHostileDay::fifosAndDevicesAreNeverOpenedNorSavedOver() {
  // An open or read that blocks would hang the test: end it instead.
  ::alarm(30);
  auto noAlarm = qScopeGuard([] { ::alarm(0); });
  const std::string routines = folder + "/Routines.rdf", lists = folder + "/LEntries.lef";
  for (const std::string& p : {dayPath(), routines, lists}) QCOMPARE(::mkfifo(p.c_str(), 0644), 0);
  start();
  QCOMPARE(platform.errors.size(), std::size_t(3));
  const std::string paths[] = {routines, lists, dayPath()};
  for (int i = 0; i < 3; ++i) {
    const QString box = QString::fromStdString(platform.errors[i]);
    QVERIFY2(box.contains(QString::fromStdString("\"" + paths[i] + "\"")), qPrintable(box));
    QVERIFY2(box.contains(QStringLiteral("通常のファイルではありません")), qPrintable(box));
  }
  QCOMPARE(parts(window).edtThisFile->text(), QStringLiteral("読込失敗"));

  window->FileSave1Execute();
  TdlgSetList listDialog(state->lists, platform, window.get());
  listDialog.btnSaveEntriesClick();
  whenModal<TfrmSetRWork>([](TfrmSetRWork& rw) {
    rw.btnSaveSRW->click();
    rw.btnCancelSRW->click();
  });
  window->RoutineSet1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(6));
  for (const std::string& p : {dayPath(), routines, lists}) QVERIFY2(isFifo(p), p.c_str());

  // Past days: a FIFO, and a device when this machine lets the test make one.
  QVERIFY(createFolder(folder + "/Y200512").ok());
  const std::string pastFifo = folder + "/Y200512/Y2005121.sdf";
  QCOMPARE(::mkfifo(pastFifo.c_str(), 0644), 0);
  std::vector<std::string> past = {pastFifo};
  const std::string pastDevice = folder + "/Y200512/Y2005122.sdf";
  if (::mknod(pastDevice.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0)  // reads as endless zeros
    past.push_back(pastDevice);
  else
    qInfo("no device node: %s", std::strerror(errno));
  for (const std::string& p : past) {
    const std::size_t errors = platform.errors.size();
    platform.openAnswers.push_back(p);
    window->SchedulePast1Execute();
    QCOMPARE(platform.errors.size(), errors + 1);
    QVERIFY2(QString::fromStdString(platform.errors.back()).contains(QStringLiteral("通常のファイルではありません")),
             platform.errors.back().c_str());
    QCOMPARE(parts(window).edtThisFile->text(), QStringLiteral("読込失敗"));
    QCOMPARE(state->day.DataCount(), 0);
    window->FileSave1Execute();
    QCOMPARE(platform.errors.size(), errors + 2);
    struct stat st;
    QVERIFY(::lstat(p.c_str(), &st) == 0 && !S_ISREG(st.st_mode));
  }
}

// Folder and file names in Shift-JIS (an archive unpacked from Windows):
// Qt reaches them by their bytes and returns the same bytes, and the user
// reads every byte of them.
void TestHostileDay::namesThatAreNotUtf8() {
  const std::string sj = folder + "/sj-\x83\x76\x83\x89";
  QVERIFY(createFolder(sj).ok());
  QVERIFY(createFolder(sj + "/Y200601").ok());
  const std::string day = sj + "/Y200601/Y2006011.sdf";
  const std::string odd = sj + "/\x97\x5c.wav";  // 予, with "\\" as its second byte
  // QTemporaryDir cannot name these to remove them.
  struct Remove {
    std::vector<std::string> paths;
    ~Remove() {
      for (const std::string& p : paths) ::remove(p.c_str());
    }
  } remove{{day, odd, sj + "/Y200601", sj}};
  QVERIFY(writeFileAtomic(day, "day", 3, false).ok());
  QVERIFY(writeFileAtomic(odd, "wav", 3, false).ok());
  for (const std::string& path : {day, odd}) {
    QFile f(toQtPath(path));
    QVERIFY2(f.open(QIODevice::ReadOnly), path.c_str());
    QCOMPARE(f.size(), 3);
    QCOMPARE(fromQtPath(f.fileName()), path);
  }
  // A folder reached that way hands back its files by their bytes.
  QCOMPARE(fromQtPath(toQtPath(sj + "/Y200601") + QStringLiteral("/Y2006011.sdf")), day);
  QCOMPARE(fromQtPath(toQtPath(folder)), folder);

  QCOMPARE(shownText("sj-\x83\x76\x83\x89"), std::string("sj-\\x83v\\x83\\x89"));
  QCOMPARE(shownText("予定 a\\b"), std::string("予定 a\\b"));
  // Overlong forms, surrogates, values past U+10FFFF and cut sequences are
  // not UTF-8 either.
  QCOMPARE(shownText("\xC0\xAF|\xED\xA0\x80|\xF4\x90\x80\x80|\xE4\xBA"),
           std::string("\\xc0\\xaf|\\xed\\xa0\\x80|\\xf4\\x90\\x80\\x80|\\xe4\\xba"));
}

// The open dialog on a folder named in Shift-JIS shows that folder's name,
// not the alias Qt reaches it through, and never offers the copies a sync
// tool leaves beside a day.
void TestHostileDay::pastDayDialogNamesTheFolderAndHidesConflictCopies() {
  const std::string sj = folder + "/sj-\x83\x76\x83\x89";
  const std::string month = sj + "/Y200601";
  const std::string conflict = month + "/Y2006013.sync-conflict-20261207-094100-ABCDEFG.sdf";
  struct Remove {
    std::vector<std::string> paths;
    ~Remove() {
      for (const std::string& p : paths) ::remove(p.c_str());
    }
  } remove{{month + "/Y2006012.sdf", conflict, month, sj}};
  QVERIFY(createFolder(sj).ok());
  QVERIFY(createFolder(month).ok());
  QVERIFY(writeFileAtomic(month + "/Y2006012.sdf", "day", 3, false).ok());
  QVERIFY(writeFileAtomic(conflict, "day", 3, false).ok());

  QString address;
  QStringList offered;
  whenModal<QFileDialog>([&](QFileDialog& dialog) {
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("lookInCombo"));
    QVERIFY(combo);
    address = combo->currentText();
    auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
    QVERIFY(list);
    QTRY_VERIFY(list->model()->rowCount(list->rootIndex()) > 0);
    for (int r = 0; r < list->model()->rowCount(list->rootIndex()); ++r)
      offered << list->model()->index(r, 0, list->rootIndex()).data().toString();
    dialog.reject();
  });
  QtPlatform desktop;
  QVERIFY(!desktop.openFile("プランドールファイル(*.sdf)", "*.SDF", month));
  QVERIFY2(!address.startsWith(QLatin1String("/proc/")), qPrintable(address));
  QVERIFY2(address.endsWith(QStringLiteral("/sj-\\x83v\\x83\\x89/Y200601")), qPrintable(address));
  QCOMPARE(offered, QStringList{QStringLiteral("Y2006012.sdf")});
}

QTEST_MAIN(TestHostileDay)
#include "tst_hostileday.moc"
