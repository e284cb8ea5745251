// Routines in memory and in Routines.rdf.
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <cstdio>
#include <unistd.h>

#include "filehelpers.h"
#include "daymodel.h"
#include "routineday.h"
#include "routinefile.h"
#include "routinerecovery.h"

using namespace plandor;

namespace {

QByteArray emptyRoutineBytes() {
  return QByteArray(112, 0) + QByteArray(8, char(0xFF)) + QByteArray(4, 0) + QByteArray(8, char(0xFF)) +
         QByteArray(268, 0);
}

void makeRoutine(RoutineRecord& r, int no, const char* keyword) {
  r.RoutineNo = no;
  r.Keyword.setText(keyword);
  r.StartHour = 7;
  r.StartMinute = 0;
}

}  // namespace

class TestRoutineFile : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    folder = dir->path().toStdString();
    file = folder + "/Routines.rdf";
  }
  void firstStartCreatesEightEmptyRecords();
  void existingFileIsReadNotRewritten();
  void displayedRoutinesReadTwelveAsZeroAndZeroTheirReservedBytes();
  void shortFileLeavesTheRestEmpty();
  void unreadableFileLeavesEmptyRoutines();
  void countAndCompact();
  void writeAndRevert();
  void writeRecreatesAVanishedFileAndKeepsTheImageOnFailure();
  void enteredFromPadsAndDisplayedOnAWeekday();
  void unsavedWorkIsKeptWholeOrNotAtAll();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::string folder, file;
};

void TestRoutineFile::firstStartCreatesEightEmptyRecords() {
  RoutineStore s;
  QVERIFY(s.LoadRoutineFile(folder).ok());
  QCOMPARE(s.RoutineFilePath, file);
  QCOMPARE(readAll(file), emptyRoutineBytes().repeated(8));
  QCOMPARE(s.RoutineCount(), 0);
  QCOMPARE(std::memcmp(s.RoutineTable, s.RoutineImage, sizeof s.RoutineTable), 0);
}

void TestRoutineFile::existingFileIsReadNotRewritten() {
  QByteArray bytes = emptyRoutineBytes().repeated(8);
  for (int i = 0; i < 3; ++i) bytes[i * 400] = char(i + 1);
  writeAll(file, bytes);
  const QDateTime before = ageFile(file);
  RoutineStore s;
  QVERIFY(s.LoadRoutineFile(folder).ok());
  QCOMPARE(s.RoutineCount(), 3);
  QCOMPARE(QFileInfo(QString::fromStdString(file)).lastModified(), before);
  QCOMPARE(readAll(file), bytes);
}

void TestRoutineFile::shortFileLeavesTheRestEmpty() {
  QByteArray bytes = emptyRoutineBytes();
  bytes[0] = 1;
  writeAll(file, bytes + QByteArray(50, 7));  // one record and a scrap of the next
  RoutineStore s;
  QVERIFY(s.LoadRoutineFile(folder).ok());
  QCOMPARE(s.RoutineCount(), 2);  // the scrap has a non-zero number: read as it is
  writeAll(file, bytes);
  RoutineStore t;
  QVERIFY(t.LoadRoutineFile(folder).ok());
  QCOMPARE(t.RoutineCount(), 1);
  QCOMPARE(t.RoutineTable[1].StartHour, -1);
  QCOMPARE(t.RoutineTable[7].RoutineNo, 0);
}

void TestRoutineFile::unreadableFileLeavesEmptyRoutines() {
  QByteArray bytes = emptyRoutineBytes().repeated(8);
  bytes[0] = 1;
  writeAll(file, bytes);
  makeReadOnly(file);
  RoutineStore s;
  IoResult r = s.LoadRoutineFile(folder);
  QVERIFY(!r.ok());
  QVERIFY(QString::fromStdString(r.message()).contains("Routines.rdf"));
  QCOMPARE(s.RoutineCount(), 0);
  QCOMPARE(s.RoutineTable[0].RoutineNo, 0);
  QCOMPARE(readAll(file), bytes);
}

void TestRoutineFile::countAndCompact() {
  RoutineStore s;
  const char* names[] = {"a", "b", nullptr, "d", "e"};
  for (int i = 0; i < 5; ++i)
    if (names[i]) makeRoutine(s.RoutineTable[i], i + 1, names[i]);
  QCOMPARE(CountRoutines(s.RoutineTable), 4);
  s.CompactRoutines();
  const char* expected[] = {"a", "b", "d", "e"};
  for (int i = 0; i < 4; ++i) {
    QCOMPARE(s.RoutineTable[i].RoutineNo, i + 1);
    QCOMPARE(s.RoutineTable[i].Keyword.text(), std::string(expected[i]));
  }
  for (int i = 4; i < 8; ++i) {
    QCOMPARE(s.RoutineTable[i].RoutineNo, 0);
    QCOMPARE(s.RoutineTable[i].StartHour, -1);
  }
}

void TestRoutineFile::writeAndRevert() {
  RoutineStore s;
  QVERIFY(s.LoadRoutineFile(folder).ok());
  makeRoutine(s.RoutineTable[0], 1, "あいうえおかきくけこさしすせそx");
  s.RoutineTable[0].Memo.setText(std::string(255, 'm'));
  QVERIFY(s.WriteRoutineFile().ok());
  QCOMPARE(readAll(file).size(), 3200);
  makeRoutine(s.RoutineTable[1], 2, "provisional");
  s.RevertRoutineTable();
  QCOMPARE(CountRoutines(s.RoutineTable), 1);
  QCOMPARE(std::memcmp(s.RoutineTable, s.RoutineImage, sizeof s.RoutineTable), 0);

  RoutineStore t;
  QVERIFY(t.LoadRoutineFile(folder).ok());
  QCOMPARE(t.RoutineTable[0].Keyword.text(), std::string("あいうえおかきくけこさしすせそx"));
  QCOMPARE(t.RoutineTable[0].Memo.text(), std::string(255, 'm'));
}

void TestRoutineFile::writeRecreatesAVanishedFileAndKeepsTheImageOnFailure() {
  RoutineStore s;
  QVERIFY(s.LoadRoutineFile(folder).ok());
  makeRoutine(s.RoutineTable[0], 1, "x");
  QFile::remove(QString::fromStdString(file));
  QVERIFY(s.WriteRoutineFile().ok());  // saved routines never vanish silently
  QCOMPARE(readAll(file).size(), 3200);
  QCOMPARE(s.RoutineImage[0].RoutineNo, 1);
  s.RoutineTable[0].RoutineNo = 0;

  writeAll(file, emptyRoutineBytes().repeated(8));
  makeReadOnly(file);
  QVERIFY(!s.WriteRoutineFile().ok());
  QCOMPARE(s.RoutineImage[0].RoutineNo, 1);  // display still shows what the file holds
  QCOMPARE(readAll(file), emptyRoutineBytes().repeated(8));
}

void TestRoutineFile::enteredFromPadsAndDisplayedOnAWeekday() {
  RoutineStore s;
  PadTable day = emptyPadTable();
  PadRecord& p = day.Pads[4];
  p.PadNo = 5, p.Left = 351, p.Top = 241, p.Color = 0x00FF00, p.Completed = 1;
  p.StartHour = 8, p.StartMinute = 0, p.EndHour = 9, p.EndMinute = 30;
  p.Keyword.setText("散歩");
  p.Memo.setText("memo");
  QVERIFY(EnterRoutine(s.RoutineTable, p));
  const RoutineRecord& r = s.RoutineTable[0];
  QCOMPARE(r.RoutineNo, 1);
  QCOMPARE(r.Left, 4);  // the left pane, whichever side the pad is on
  QCOMPARE(r.Top, 241);
  QCOMPARE(r.Keyword.text(), std::string("散歩"));
  QCOMPARE(r.Memo.text(), std::string("memo"));
  QCOMPARE(r.EndMinute, 30);
  QVERIFY(r.Show == 1 && std::all_of(r.DOW, r.DOW + 7, [](auto d) { return d == 1; }));

  // Routine 2 on the right, not on Wednesdays; 3 hidden; 4 never stored as
  // a pad (no times); 5 ends before it starts and shows as stored.
  for (int i = 1; i < 5; ++i) QVERIFY(EnterRoutine(s.RoutineTable, p));
  s.RoutineTable[1].Left = 351;
  s.RoutineTable[1].DOW[3] = 0;
  s.RoutineTable[2].Show = 0;
  s.RoutineTable[3].StartHour = s.RoutineTable[3].EndHour = -1;
  s.RoutineTable[4].EndHour = 7;
  for (int i = 5; i < kRoutineSlots; ++i) QVERIFY(EnterRoutine(s.RoutineTable, p));
  QVERIFY(!EnterRoutine(s.RoutineTable, p));  // all 8 in use

  BarRecord bars[kPadSlots];
  PadRecord pads[kPadSlots];
  QCOMPARE(RoutinePads(s.RoutineTable, 3, bars, pads), 5);  // routines 1, 5, 6, 7, 8
  QCOMPARE(pads[4].PadNo, 5);
  QCOMPARE(pads[1].EndHour, 7);
  QCOMPARE(bars[1].BottomY, 180);  // above its top, as stored
  QCOMPARE(pads[0].Completed, 0);
  QCOMPARE(pads[5].StartHour, -1);
  QCOMPARE(RoutinePads(s.RoutineTable, 2, bars, pads), 6);  // routine 2 on Tuesdays, on the right
  QCOMPARE(pads[1].Left, 351);
  QCOMPARE(bars[1].Side.text(), std::string("R"));
  QCOMPARE(bars[0].Side.text(), std::string("L"));
  QCOMPARE(bars[0].TopY, 240);
  QCOMPARE(pads[0].Memo.text(), std::string("memo"));
}

// Hours as the dial reads them, and the staging records built clean: they
// go to Temporary.sdf and from there into the day file.
void TestRoutineFile::displayedRoutinesReadTwelveAsZeroAndZeroTheirReservedBytes() {
  RoutineStore s;
  RoutineRecord* r = s.RoutineTable;
  makeRoutine(r[0], 1, "昼");
  r[0].StartHour = 12, r[0].StartMinute = 30, r[0].StartPM = 1;  // stored raw by an older routine pad
  r[0].EndHour = 1, r[0].EndMinute = 0, r[0].EndPM = 1;
  makeRoutine(r[1], 2, "夜中");
  r[1].StartHour = 12, r[1].StartMinute = 0, r[1].StartPM = 0;  // midnight
  r[1].EndHour = 1, r[1].EndMinute = 0, r[1].EndPM = 0;
  makeRoutine(r[2], 3, "変");
  r[2].StartHour = 13, r[2].EndHour = 8;  // off the dial: not displayed
  for (int i = 0; i < 3; ++i) r[i].Show = 1, r[i].DOW[0] = 1;
  BarRecord bars[kPadSlots];
  PadRecord pads[kPadSlots];
  std::memset(bars, 0xAA, sizeof bars);
  std::memset(pads, 0xAA, sizeof pads);
  QCOMPARE(RoutinePads(s.RoutineTable, 0, bars, pads), 2);
  QCOMPARE(pads[0].StartHour, 0);
  QCOMPARE(bars[0].TopY, 780);  // 12:30 PM, not 6:30 AM
  QCOMPARE(bars[0].BottomY, 840);
  QCOMPARE(pads[1].StartHour, 0);
  QCOMPARE(bars[1].TopY, 2160);
  for (const BarRecord& b : bars) QVERIFY(b.reserved[0] == 0 && b.reserved[1] == 0);
  for (const PadRecord& p : pads)
    for (const auto* reserved : {p.reserved1, p.reserved2, p.reserved3})
      QVERIFY(reserved[0] == 0 && reserved[1] == 0 && reserved[2] == 0);
}

// The routine recovery file: read back exactly, and anything not wholly
// ours (cut short, one byte changed, grown, a link) is refused, not used.
void TestRoutineFile::unsavedWorkIsKeptWholeOrNotAtAll() {
  const std::string path = routineRecoveryPath(folder);
  std::optional<RoutineRecovery> got;
  QVERIFY(readRoutineRecovery(path, &got).ok() && !got);
  RoutineRecovery rec{};
  rec.written = {{2006, 1, 2}, 21, 41, 7};
  for (int i = 0; i < kRoutineSlots; ++i) ClearRoutine(rec.table[i]);
  makeRoutine(rec.table[0], 1, "散歩");
  makeRoutine(rec.table[7], 8, "読書");
  QVERIFY(writeRoutineRecovery(path, rec).ok());
  QVERIFY(readRoutineRecovery(path, &got).ok() && got);
  QCOMPARE(std::memcmp(got->table, rec.table, sizeof rec.table), 0);
  QCOMPARE(got->written.date.day, 2);
  QCOMPARE(got->written.minute, 41);

  const QByteArray whole = readAll(path);
  const QByteArray damaged[] = {whole.left(whole.size() - 1), whole + 'x',
                                QByteArray(whole).replace(300, 1, whole.mid(300, 1) == "a" ? "b" : "a")};
  for (const QByteArray& bytes : damaged) {
    writeAll(path, bytes);
    QCOMPARE(readRoutineRecovery(path, &got).error, kNotOurFormat);
    QVERIFY(!got);
  }
  QVERIFY(std::remove(path.c_str()) == 0);
  const std::string elsewhere = folder + "/elsewhere.pdr";
  QVERIFY(writeRoutineRecovery(elsewhere, rec).ok());
  QVERIFY(::symlink(elsewhere.c_str(), path.c_str()) == 0);
  QVERIFY(!readRoutineRecovery(path, &got).ok() && !got);
  QVERIFY(!writeRoutineRecovery(path, rec).ok());  // never through the link
  QCOMPARE(readAll(elsewhere), whole);
}

QTEST_GUILESS_MAIN(TestRoutineFile)
#include "tst_routinefile.moc"
