// The open day's tables and the day file.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <cstring>

#include "daymodel.h"
#include "filehelpers.h"

using namespace plandor;

namespace {

void fillPad(DayModel& d, int slot, const char* keyword) {
  BarRecord b = d.bar(slot);
  b.Side.setText("L");
  b.TopY = 240;
  b.BottomY = 420;
  b.Color = 0xFF;
  PadRecord p = d.pad(slot);
  p.PadNo = slot + 1;
  p.Left = 4;
  p.Top = 241;
  p.Keyword.setText(keyword);
  p.StartHour = 8;
  p.StartMinute = 0;
  p.EndHour = 9;
  p.EndMinute = 30;
  d.storePad(slot, b, p);
}

void setDiaryTitle(DayModel& d, const char* title) {
  DiaryRecord diary = d.diary();
  diary.Title1.setText(title);
  d.setDiary(diary);
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
  void failedLoadLeavesTheDayUnreadAndUnwritten();
  void readOnlyFileRefusesSaveAndStaysIntact();
  void saveIntoAPathThatIsAFolderOrAVanishedFolderFails();
  void interruptedSaveLeavesTheOldFileWhole();
  void temporaryFileKeepsTheDiary();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::string path;
};

void TestDayFile::countPadsIsTheHighestUsedNumber() {
  PadTable t = emptyPadTable();
  QCOMPARE(CountPads(t.Bars), 0);
  for (int s : {0, 1, 3}) t.Bars[s].TopY = 10;
  QCOMPARE(CountPads(t.Bars), 4);
  t.Bars[23].TopY = 0;
  QCOMPARE(CountPads(t.Bars), 24);
}

void TestDayFile::firstSaveWritesHeaderAndLaterSavesKeepIt() {
  DayModel d;
  d.openEmpty(path);
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
  DayModel odd;
  odd.openEmpty(sjis);
  QVERIFY(odd.save({2006, 1, 2}, &headerSet).ok());
  std::ifstream in(sjis, std::ios::binary);  // QFile cannot name it
  std::string header(256, '\0');
  in.read(header.data(), 256);
  QCOMPARE(header.substr(1, sjis.size()), sjis);
  ::remove(sjis.c_str());
}

void TestDayFile::barBytesAndFullFieldsSurviveALoad() {
  DayModel d;
  d.openEmpty(path);
  fillPad(d, 0, "あいうえおかきくけこさしすせそx");  // 31 bytes
  std::string memo(255, 'm');
  ShortText<255> m{};
  m.setText(memo);
  d.setMemo(0, m);
  setDiaryTitle(d, "日記");
  bool headerSet;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  QCOMPARE(readAll(path).mid(264, 16), QByteArray::fromHex("014c0000f0000000a4010000ff000000"));

  DayModel e;
  QVERIFY(e.open(path).ok());
  QCOMPARE(e.table().Pads[0].Keyword.text(), std::string("あいうえおかきくけこさしすせそx"));
  QCOMPARE(e.table().Pads[0].Memo.text(), memo);
  QCOMPARE(e.table().Diary.Title1.text(), std::string("日記"));
  QCOMPARE(e.table().Pads[1].StartHour, -1);
  QCOMPARE(e.DataCount(), 1);
  QCOMPARE(headerFileName(e.image().FilePath), std::string("Y2006011.sdf"));
  QCOMPARE(fromSerialDate(e.image().CreatedDate), (LocalDate{2006, 1, 1}));
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
  DayModel d;
  d.openEmpty(path);
  fillPad(d, 0, "a");
  fillPad(d, 1, "b");
  bool headerSet;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  QByteArray full = readAll(path);

  // Cut inside pad 2's record: slot 0 survives, the rest reads as empty.
  writeAll(path, full.left(648 + 396 + 100));
  DayModel s;
  QVERIFY(s.open(path).ok());
  QCOMPARE(s.table().Pads[0].Keyword.text(), std::string("a"));
  QCOMPARE(s.DataCount(), 2);  // both bars lie before the cut
  for (int i = 2; i < kPadSlots; ++i) QCOMPARE(s.table().Pads[i].StartHour, -1);

  // Only 10 bytes: nothing usable, all slots empty.
  writeAll(path, full.left(10));
  DayModel t;
  QVERIFY(t.open(path).ok());
  QCOMPARE(t.DataCount(), 0);
  QCOMPARE(t.table().Pads[0].StartHour, -1);

  writeAll(path, full + QByteArray(500, 'x'));
  DayModel u;
  QVERIFY(u.open(path).ok());
  QCOMPARE(u.table().Pads[1].Keyword.text(), std::string("b"));
}

void TestDayFile::failedLoadLeavesTheDayUnreadAndUnwritten() {
  DayModel d;
  d.openEmpty(path);
  fillPad(d, 0, "keep");
  IoResult r = d.open(dir->filePath("missing.sdf").toStdString());
  QVERIFY(!r.ok());
  QVERIFY(QString::fromStdString(r.message()).contains("missing.sdf"));

  writeAll(path, QByteArray(10728, 0));
  makeReadOnly(path);  // the day is opened for reading and writing
  QVERIFY(!d.open(path).ok());
  QVERIFY(d.unread());
  QCOMPARE(d.pad(0).StartHour, -1);
  fillPad(d, 0, "typed over the unread day");
  bool headerSet;
  QCOMPARE(d.save({2006, 1, 1}, &headerSet).op, IoResult::Op::Overwrite);
  QCOMPARE(readAll(path), QByteArray(10728, 0));
}

void TestDayFile::readOnlyFileRefusesSaveAndStaysIntact() {
  DayModel d;
  d.openEmpty(path);
  bool headerSet;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  QByteArray before = readAll(path);
  makeReadOnly(path);
  fillPad(d, 0, "new");
  IoResult r = d.save({2006, 1, 1}, &headerSet);
  QVERIFY(!r.ok());
  QVERIFY(QString::fromStdString(r.message()).contains(QString::fromStdString(path)));
  // In Japanese, with what to do.
  QVERIFY(QString::fromStdString(r.message()).contains(QStringLiteral("アクセスが拒否されました. ファイルとフォルダーのアクセス権を確かめてください")));
  QVERIFY(!QString::fromStdString(r.message()).contains(QStringLiteral("Permission denied")));
  QCOMPARE(readAll(path), before);
  QCOMPARE(d.DataCount(), 0);  // unchanged by the failed save
  QCOMPARE(d.pad(0).Keyword.text(), std::string("new"));
  QVERIFY(!(QFileInfo(QString::fromStdString(path)).permissions() & QFile::WriteOwner));
}

void TestDayFile::saveIntoAPathThatIsAFolderOrAVanishedFolderFails() {
  DayModel d;
  bool headerSet;
  d.openEmpty(path);
  QVERIFY(QDir().mkdir(QString::fromStdString(path)));
  IoResult r = d.save({2006, 1, 1}, &headerSet);
  QVERIFY(!r.ok());
  QCOMPARE(r.error, EISDIR);

  d.openEmpty(dir->filePath("gone/Y2006011.sdf").toStdString());
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
  DayModel d;
  d.openEmpty(path);
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
  const std::string staging = dir->filePath("Temporary.sdf").toStdString();
  DayModel d;
  d.setPaths(path, staging);
  d.openEmpty(path);
  setDiaryTitle(d, "from the file");
  bool headerSet;
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  setDiaryTitle(d, "open day");
  PadTable routines = emptyPadTable();
  routines.Pads[0].StartHour = 8;
  QVERIFY(d.showRoutinePads(routines.Bars, routines.Pads).ok());
  QCOMPARE(d.diary().Title1.text(), std::string("open day"));
  QCOMPARE(d.pad(0).StartHour, 8);
}

QTEST_GUILESS_MAIN(TestDayFile)
#include "tst_dayfile.moc"
