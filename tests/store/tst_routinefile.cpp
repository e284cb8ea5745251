// Routines in memory and in Routines.rdf.
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "filehelpers.h"
#include "routinefile.h"

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
  void shortFileLeavesTheRestEmpty();
  void unreadableFileLeavesEmptyRoutines();
  void countAndCompact();
  void writeAndRevert();
  void writeRecreatesAVanishedFileAndKeepsTheImageOnFailure();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::string folder, file;
};

void TestRoutineFile::firstStartCreatesEightEmptyRecords() {
  RoutineStore s;
  QVERIFY(s.LoadRoutineFile(folder).ok());
  QCOMPARE(s.RoutineFilePath, file);
  QCOMPARE(readAll(file), emptyRoutineBytes().repeated(8));
  QCOMPARE(s.RoutineCount, 0);
  QCOMPARE(std::memcmp(s.RoutineTable, s.RoutineImage, sizeof s.RoutineTable), 0);
}

void TestRoutineFile::existingFileIsReadNotRewritten() {
  QByteArray bytes = emptyRoutineBytes().repeated(8);
  for (int i = 0; i < 3; ++i) bytes[i * 400] = char(i + 1);
  writeAll(file, bytes);
  const QDateTime before = ageFile(file);
  RoutineStore s;
  QVERIFY(s.LoadRoutineFile(folder).ok());
  QCOMPARE(s.RoutineCount, 3);
  QCOMPARE(QFileInfo(QString::fromStdString(file)).lastModified(), before);
  QCOMPARE(readAll(file), bytes);
}

void TestRoutineFile::shortFileLeavesTheRestEmpty() {
  QByteArray bytes = emptyRoutineBytes();
  bytes[0] = 1;
  writeAll(file, bytes + QByteArray(50, 7));  // one record and a scrap of the next
  RoutineStore s;
  QVERIFY(s.LoadRoutineFile(folder).ok());
  QCOMPARE(s.RoutineCount, 2);  // the scrap has a non-zero number: read as it is
  writeAll(file, bytes);
  RoutineStore t;
  QVERIFY(t.LoadRoutineFile(folder).ok());
  QCOMPARE(t.RoutineCount, 1);
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
  QCOMPARE(s.RoutineCount, 0);
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

QTEST_GUILESS_MAIN(TestRoutineFile)
#include "tst_routinefile.moc"
