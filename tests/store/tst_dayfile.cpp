// The open day's tables and the day file.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <cstring>

#include "daystore.h"
#include "filehelpers.h"

using namespace plandor;

namespace {

void fillPad(DayStore& d, int slot, const char* keyword) {
  BarRecord& b = d.table.Bars[slot];
  b.Side.setText("L");
  b.TopY = 240;
  b.BottomY = 420;
  b.Color = 0xFF;
  PadRecord& p = d.table.Pads[slot];
  p.PadNo = slot + 1;
  p.Left = 4;
  p.Top = 241;
  p.Keyword.setText(keyword);
  p.StartHour = 8;
  p.StartMinute = 0;
  p.EndHour = 9;
  p.EndMinute = 30;
}

}  // namespace

class TestDayFile : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    path = dir->filePath("Y2006011.sdf").toStdString();
  }
  void countPadsIsTheHighestUsedNumber();
  void firstSaveWritesHeaderAndLaterSavesKeepIt();
  void barBytesAndFullFieldsSurviveALoad();
  void headerFileNameIsTheLastPartOfEitherSeparator();
  void shortAndLongFilesLoadWhatTheyHold();
  void failedLoadLeavesTheDayAsItWas();
  void readOnlyFileRefusesSaveAndStaysIntact();
  void saveIntoAPathThatIsAFolderOrAVanishedFolderFails();
  void interruptedSaveLeavesTheOldFileWhole();
  void temporaryFileKeepsTheDiary();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::string path;
};

void TestDayFile::countPadsIsTheHighestUsedNumber() {
  DayStore d;
  QCOMPARE(CountPads(d.table.Bars), 0);
  for (int s : {0, 1, 3}) d.table.Bars[s].TopY = 10;
  QCOMPARE(CountPads(d.table.Bars), 4);
  d.table.Bars[23].TopY = 0;
  QCOMPARE(CountPads(d.table.Bars), 24);
}

void TestDayFile::firstSaveWritesHeaderAndLaterSavesKeepIt() {
  DayStore d;
  d.CurrentDayPath = path;
  bool headerSet = false;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  QVERIFY(headerSet);
  QByteArray bytes = readAll(path);
  QCOMPARE(bytes.size(), 10728);
  QCOMPARE(int(uint8_t(bytes[0])), int(path.size()));
  QCOMPARE(bytes.mid(1, int(path.size())), QByteArray::fromStdString(path));
  double created;
  std::memcpy(&created, bytes.constData() + 256, 8);
  QCOMPARE(created, 38718.0);
  // Empty slots: no side, rows -1, hours -1.
  QCOMPARE(bytes.mid(264, 16), QByteArray::fromHex("00000000ffffffffffffffff00000000"));
  QCOMPARE(bytes.mid(648 + 116, 8), QByteArray::fromHex("ffffffffffffffff"));
  QCOMPARE(d.DataCount(), 0);

  fillPad(d, 0, "会議");
  QVERIFY(d.save({2006, 1, 9}, &headerSet).ok());
  QVERIFY(!headerSet);
  QByteArray again = readAll(path);
  QCOMPARE(again.size(), 10728);
  QCOMPARE(again.left(264), bytes.left(264));
  QCOMPARE(d.DataCount(), 1);
  QVERIFY(QDir(dir->path()).entryList(QDir::Files | QDir::Hidden).size() == 1);  // no temporary left

  // A folder named in Shift-JIS goes into the header by its own bytes.
  const std::string sjis = dir->path().toStdString() + "/\x97\x5c-Y2006012.sdf";
  DayStore odd;
  odd.CurrentDayPath = sjis;
  QVERIFY(odd.save({2006, 1, 2}, &headerSet).ok());
  std::ifstream in(sjis, std::ios::binary);  // QFile cannot name it
  std::string header(256, '\0');
  in.read(header.data(), 256);
  QCOMPARE(header.substr(1, sjis.size()), sjis);
  ::remove(sjis.c_str());
}

void TestDayFile::barBytesAndFullFieldsSurviveALoad() {
  DayStore d;
  d.CurrentDayPath = path;
  fillPad(d, 0, "あいうえおかきくけこさしすせそx");  // 31 bytes
  std::string memo(255, 'm');
  d.table.Pads[0].Memo.setText(memo);
  d.table.Diary.Title1.setText("日記");
  bool headerSet;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  QCOMPARE(readAll(path).mid(264, 16), QByteArray::fromHex("014c0000f0000000a4010000ff000000"));

  DayStore e;
  QVERIFY(e.load(path).ok());
  QCOMPARE(e.table.Pads[0].Keyword.text(), std::string("あいうえおかきくけこさしすせそx"));
  QCOMPARE(e.table.Pads[0].Memo.text(), memo);
  QCOMPARE(e.table.Diary.Title1.text(), std::string("日記"));
  QCOMPARE(e.table.Pads[1].StartHour, -1);
  QCOMPARE(e.DataCount(), 1);
  QCOMPARE(headerFileName(e.image.FilePath), std::string("Y2006011.sdf"));
  QCOMPARE(fromSerialDate(e.image.CreatedDate), (LocalDate{2006, 1, 1}));
}

void TestDayFile::headerFileNameIsTheLastPartOfEitherSeparator() {
  ShortText<255> p{};
  p.setText("C:\\予定\\Y200601\\Y2006011.sdf");
  QCOMPARE(headerFileName(p), std::string("Y2006011.sdf"));
  p.setText("/home/u/予/Y2006012.sdf");
  QCOMPARE(headerFileName(p), std::string("Y2006012.sdf"));
  // 表 is 95 5C: a byte scan would cut inside it.
  p.setText("表示");
  QCOMPARE(headerFileName(p), std::string("表示"));
}

void TestDayFile::shortAndLongFilesLoadWhatTheyHold() {
  DayStore d;
  d.CurrentDayPath = path;
  fillPad(d, 0, "a");
  fillPad(d, 1, "b");
  bool headerSet;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  QByteArray full = readAll(path);

  // Cut inside pad 2's record: slot 0 survives, the rest reads as empty.
  writeAll(path, full.left(648 + 396 + 100));
  DayStore s;
  QVERIFY(s.load(path).ok());
  QCOMPARE(s.table.Pads[0].Keyword.text(), std::string("a"));
  QCOMPARE(s.DataCount(), 2);  // both bars lie before the cut
  for (int i = 2; i < kPadSlots; ++i) QCOMPARE(s.table.Pads[i].StartHour, -1);

  // Only 10 bytes: nothing usable, all slots empty.
  writeAll(path, full.left(10));
  DayStore t;
  QVERIFY(t.load(path).ok());
  QCOMPARE(t.DataCount(), 0);
  QCOMPARE(t.table.Pads[0].StartHour, -1);

  writeAll(path, full + QByteArray(500, 'x'));
  DayStore u;
  QVERIFY(u.load(path).ok());
  QCOMPARE(u.table.Pads[1].Keyword.text(), std::string("b"));
}

void TestDayFile::failedLoadLeavesTheDayAsItWas() {
  DayStore d;
  fillPad(d, 0, "keep");
  IoResult r = d.load(dir->filePath("missing.sdf").toStdString());
  QVERIFY(!r.ok());
  QVERIFY(QString::fromStdString(r.message()).contains("missing.sdf"));
  QCOMPARE(d.table.Pads[0].Keyword.text(), std::string("keep"));

  writeAll(path, QByteArray(10728, 0));
  makeReadOnly(path);  // the day is opened for reading and writing
  QVERIFY(!d.load(path).ok());
  QCOMPARE(d.table.Pads[0].Keyword.text(), std::string("keep"));
}

void TestDayFile::readOnlyFileRefusesSaveAndStaysIntact() {
  DayStore d;
  d.CurrentDayPath = path;
  bool headerSet;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  QByteArray before = readAll(path);
  makeReadOnly(path);
  fillPad(d, 0, "new");
  IoResult r = d.save({2006, 1, 1}, &headerSet);
  QVERIFY(!r.ok());
  QVERIFY(QString::fromStdString(r.message()).contains(QString::fromStdString(path)));
  QVERIFY(QString::fromStdString(r.message()).contains("Permission denied"));
  QCOMPARE(readAll(path), before);
  QCOMPARE(d.DataCount(), 0);  // unchanged by the failed save
  QCOMPARE(d.table.Pads[0].Keyword.text(), std::string("new"));
  QVERIFY(!(QFileInfo(QString::fromStdString(path)).permissions() & QFile::WriteOwner));
}

void TestDayFile::saveIntoAPathThatIsAFolderOrAVanishedFolderFails() {
  DayStore d;
  bool headerSet;
  d.CurrentDayPath = path;
  QVERIFY(QDir().mkdir(QString::fromStdString(path)));
  IoResult r = d.save({2006, 1, 1}, &headerSet);
  QVERIFY(!r.ok());
  QCOMPARE(r.error, EISDIR);

  d.CurrentDayPath = dir->filePath("gone/Y2006011.sdf").toStdString();
  r = d.save({2006, 1, 1}, &headerSet);
  QVERIFY(!r.ok());
  QCOMPARE(r.error, ENOENT);
  // The next attempt takes the first-save branch again and succeeds.
  QVERIFY(QDir().mkdir(dir->filePath("gone")));
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  QVERIFY(headerSet);
}

namespace {
const char* g_stopAt = nullptr;
struct Stop {};
void stopAt(const char* step) {
  if (g_stopAt && std::strcmp(step, g_stopAt) == 0) throw Stop{};
}
}  // namespace

void TestDayFile::interruptedSaveLeavesTheOldFileWhole() {
  DayStore d;
  d.CurrentDayPath = path;
  bool headerSet;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  const QByteArray old = readAll(path);
  fillPad(d, 5, "new");
  setSaveStepHook(stopAt);
  for (const char* step : {"written", "synced"}) {
    g_stopAt = step;
    QVERIFY_THROWS_EXCEPTION(Stop, d.save({2006, 1, 1}, &headerSet));
    QCOMPARE(readAll(path), old);
  }
  g_stopAt = "renamed";
  QVERIFY_THROWS_EXCEPTION(Stop, d.save({2006, 1, 1}, &headerSet));
  setSaveStepHook(nullptr);
  QByteArray now = readAll(path);
  QCOMPARE(now.size(), 10728);
  QCOMPARE(now.left(264), old.left(264));
  QVERIFY(now != old);
}

void TestDayFile::temporaryFileKeepsTheDiary() {
  DayStore d;
  d.CurrentDayPath = path;
  d.table.Diary.Title1.setText("from the file");
  bool headerSet;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  d.table.Diary.Title1.setText("open day");
  d.TemporaryDayPath = path;
  QVERIFY(d.load(path).ok());
  QCOMPARE(d.table.Diary.Title1.text(), std::string("open day"));
}

QTEST_GUILESS_MAIN(TestDayFile)
#include "tst_dayfile.moc"
