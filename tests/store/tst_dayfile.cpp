// The open day's tables and the day file.
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <optional>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "daymodel.h"
#include "filehelpers.h"
#include "recovery.h"

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
  void writePathKinds_data();
  void writePathKinds();

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
  const IoResult refused = d.save({2006, 1, 1}, &headerSet);
  QCOMPARE(refused.op, IoResult::Op::Overwrite);
  QVERIFY(mayGoBeside(refused));  // the work may still go beside it
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
  QVERIFY(mayGoBeside(r));
  QVERIFY(QString::fromStdString(r.message()).contains(QString::fromStdString(path)));
  // In Japanese, with what to do.
  QVERIFY(QString::fromStdString(r.message()).contains(QStringLiteral("アクセスが拒否されました. ファイルとフォルダーのアクセス権を確かめてください")));
  QVERIFY(!QString::fromStdString(r.message()).contains(QStringLiteral("Permission denied")));
  QCOMPARE(readAll(path), before);
  QCOMPARE(d.DataCount(), 1);  // the day's own count, saved or not
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
  QVERIFY(!mayGoBeside(r));

  d.openEmpty(dir->filePath("gone/Y2006011.sdf").toStdString());
  r = d.save({2006, 1, 1}, &headerSet);
  QVERIFY(!r.ok());
  QCOMPARE(r.error, ENOENT);
  // The next attempt takes the first-save branch again and succeeds.
  QVERIFY(QDir().mkdir(dir->filePath("gone")));
  QVERIFY(d.save({2006, 1, 1}, &headerSet).ok());
  QVERIFY(headerSet);

  // In the data folder a save makes the day's month folder, as the first
  // save of a day planned ahead needs.
  const std::string data = dir->path().toStdString();
  DayModel m;
  QVERIFY(m.setFolder(data, {2006, 1, 1}));
  QVERIFY(folderExists(data + "/Y200601"));
  m.openEmpty(dayPath(data, {2006, 2, 1}));
  QVERIFY(m.save({2006, 1, 1}, &headerSet).ok());
  QVERIFY(fileExists(data + "/Y200602/Y2006021.sdf"));
  // A month folder that cannot be made is told as such, and holds no copy.
  writeAll(data + "/file", "");
  DayModel f;
  QVERIFY(!f.setFolder(data + "/file", {2006, 1, 1}));
  f.openEmpty(dayPath(data + "/file", {2006, 1, 1}));
  r = f.save({2006, 1, 1}, &headerSet);
  QCOMPARE(r.op, IoResult::Op::Folder);
  QCOMPARE(r.path, data + "/file/Y200601");
  QVERIFY(!mayGoBeside(r));
  QVERIFY(!mayGoBeside(IoResult::failure(IoResult::Op::Folder, r.path, EACCES)));
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

// What stands at the name before a write, and what the write does.
enum class Before { Nothing, Longer, LinkToOutside, DanglingLink, Fifo, CopyNamesTaken };
enum class Kind { Record, Own, Copy, ReadRecovery, ReadStaging };
Q_DECLARE_METATYPE(Before)
Q_DECLARE_METATYPE(Kind)

void TestDayFile::writePathKinds_data() {
  QTest::addColumn<Kind>("kind");
  QTest::addColumn<Before>("before");
  QTest::addColumn<QByteArray>("expected");  // at the name (its target for a record file), or the copy
  QTest::addColumn<int>("error");            // the refusal's reason, 0 when written
  QTest::addColumn<QString>("usedName");     // the copy's name, or the outside file's bytes after
  QTest::newRow("record file keeps the old tail") << Kind::Record << Before::Longer << QByteArray("new-longer-tail") << 0 << "";
  QTest::newRow("record file through a link reaches its target")
      << Kind::Record << Before::LinkToOutside << QByteArray("newside") << 0 << "newside";
  QTest::newRow("own file replaced whole") << Kind::Own << Before::Longer << QByteArray("new") << 0 << "";
  QTest::newRow("own file new") << Kind::Own << Before::Nothing << QByteArray("new") << 0 << "";
  QTest::newRow("own file: link refused, its target untouched")
      << Kind::Own << Before::LinkToOutside << QByteArray() << kLinkNotFollowed << "outside";
  QTest::newRow("own file: dangling link refused, nothing made outside")
      << Kind::Own << Before::DanglingLink << QByteArray() << kLinkNotFollowed << "";
  QTest::newRow("recovery read: link not followed")
      << Kind::ReadRecovery << Before::LinkToOutside << QByteArray() << kLinkNotFollowed << "outside";
  QTest::newRow("recovery read: dangling link told, not taken for none")
      << Kind::ReadRecovery << Before::DanglingLink << QByteArray() << kLinkNotFollowed << "";
  QTest::newRow("staging read-back: link not followed")
      << Kind::ReadStaging << Before::LinkToOutside << QByteArray() << kLinkNotFollowed << "outside";
  QTest::newRow("own file: FIFO refused") << Kind::Own << Before::Fifo << QByteArray() << kNotRegularFile << "";
  QTest::newRow("copy at a free name") << Kind::Copy << Before::Nothing << QByteArray("new") << 0 << "C (09-41).sdf";
  QTest::newRow("copy beside a dangling link, nothing made outside")
      << Kind::Copy << Before::DanglingLink << QByteArray("new") << 0 << "C (09-41 2).sdf";
  QTest::newRow("copy past a thousand taken names")
      << Kind::Copy << Before::CopyNamesTaken << QByteArray("new") << 0 << "C (09-41 1001).sdf";
}

void TestDayFile::writePathKinds() {
  QFETCH(Kind, kind);
  QFETCH(Before, before);
  QFETCH(QByteArray, expected);
  QFETCH(int, error);
  QFETCH(QString, usedName);
  const std::string name = dir->filePath(kind == Kind::Copy ? "C (09-41).sdf" : "F").toStdString();
  const std::string outside = dir->filePath("outside").toStdString();
  switch (before) {
    case Before::Nothing: break;
    case Before::Longer: writeAll(name, "old-longer-tail"); break;
    case Before::LinkToOutside:
      writeAll(outside, "outside");
      QCOMPARE(::symlink(outside.c_str(), name.c_str()), 0);
      break;
    case Before::DanglingLink: QCOMPARE(::symlink(outside.c_str(), name.c_str()), 0); break;
    case Before::Fifo: QCOMPARE(::mkfifo(name.c_str(), 0600), 0); break;
    case Before::CopyNamesTaken:
      writeAll(name, "taken");
      for (int n = 2; n <= 1000; ++n) writeAll(dir->filePath(QString("C (09-41 %1).sdf").arg(n)).toStdString(), "taken");
      break;
  }
  std::string used = name;
  std::optional<Recovery> recovered;
  DayFile staged = emptyDayFile();
  const IoResult r = kind == Kind::Record         ? writeFileAtomic(name, "new", 3, false)
                     : kind == Kind::Own          ? writeOwnFile(name, "new", 3)
                     : kind == Kind::ReadRecovery ? readRecovery(name, &recovered)
                     : kind == Kind::ReadStaging  ? readOwnDayFile(name, &staged)
                                                  : createOwnFileExclusive(used, "new", 3);
  QCOMPARE(r.error, error);
  QCOMPARE(r.ok(), error == 0);
  struct stat st;
  if (error) {
    QVERIFY(!r.message().empty());
    QCOMPARE(::lstat(name.c_str(), &st), 0);  // what stood there stays
    QVERIFY(!S_ISREG(st.st_mode));
  } else if (kind == Kind::Copy) {
    QCOMPARE(QString::fromStdString(used), dir->filePath(usedName));
    QCOMPARE(readAll(used), expected);
  } else {
    QCOMPARE(readAll(name), expected);
  }
  if (before == Before::LinkToOutside || before == Before::DanglingLink) {
    QCOMPARE(::lstat(name.c_str(), &st), 0);
    QVERIFY(S_ISLNK(st.st_mode));
    if (usedName.isEmpty() || kind == Kind::Copy)
      QVERIFY(!QFileInfo::exists(QString::fromStdString(outside)));
    else
      QCOMPARE(readAll(outside), usedName.toUtf8());
  }
  // No temporary is left behind.
  QCOMPARE(QDir(dir->path()).entryList(QDir::Hidden | QDir::Files | QDir::System).filter(".plandor-save-").size(), 0);
}

QTEST_GUILESS_MAIN(TestDayFile)
#include "tst_dayfile.moc"
