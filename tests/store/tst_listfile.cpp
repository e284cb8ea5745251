// The suggestion lists and LEntries.lef.
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "filehelpers.h"
#include "listfile.h"

using namespace plandor;

class TestListFile : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    folder = dir->path().toStdString();
    file = folder + "/LEntries.lef";
  }
  void firstStartWritesTheDefaults();
  void existingFileIsReadNotRewritten();
  void holesAndShortFiles();
  void unreadableFileGivesDefaultsInMemory();
  void writeNeedsTheFileAndKeepsItsSize();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::string folder, file;
};

void TestListFile::firstStartWritesTheDefaults() {
  ListStore s;
  QVERIFY(s.LoadListEntries(folder).ok());
  QByteArray expected(3072, 0);
  auto put = [&](int offset, const char* text) {
    QByteArray b = sjis(text);
    expected[offset] = char(b.size());
    expected.replace(offset + 1, b.size(), b);
  };
  put(0, "キーワード");
  put(768, "説明");
  const char* t1[] = {"タイトル1", "今日一日をふり返って一言", "今日の反省", "日記"};
  const char* t2[] = {"タイトル2", "明日に向けて一言", "明日への意気込み", "日記"};
  for (int i = 0; i < 4; ++i) {
    put(2304 + 32 * i, t1[i]);
    put(2688 + 32 * i, t2[i]);
  }
  QCOMPARE(readAll(file), expected);
  QCOMPARE(int(expected[2336]), 24);
  QCOMPARE(listTexts(s.entries.Title1Entries).size(), std::size_t(4));
}

void TestListFile::existingFileIsReadNotRewritten() {
  QByteArray bytes(3072, 0);
  bytes[0] = 1;
  bytes[1] = 'k';
  writeAll(file, bytes);
  const QDateTime before = ageFile(file);
  ListStore s;
  QVERIFY(s.LoadListEntries(folder).ok());
  QCOMPARE(listTexts(s.entries.KeywordEntries), std::vector<std::string>{"k"});
  QVERIFY(listTexts(s.entries.Title1Entries).empty());
  QCOMPARE(QFileInfo(QString::fromStdString(file)).lastModified(), before);
}

void TestListFile::holesAndShortFiles() {
  QByteArray bytes(96, 0);
  for (int i = 0; i < 3; ++i) {
    bytes[i * 32] = 1;
    bytes[i * 32 + 1] = char('a' + i);
  }
  writeAll(file, bytes);
  ListStore s;
  QVERIFY(s.LoadListEntries(folder).ok());
  QCOMPARE(listTexts(s.entries.KeywordEntries), (std::vector<std::string>{"a", "b", "c"}));
  QVERIFY(listTexts(s.entries.ContentEntries).empty());

  s.entries.KeywordEntries[1].clear();
  s.entries.KeywordEntries[5].setText("f");
  QCOMPARE(listTexts(s.entries.KeywordEntries), (std::vector<std::string>{"a", "c", "f"}));
  s.entries.KeywordEntries[0].length = 250;  // never written by us; read as the capacity
  QCOMPARE(s.entries.KeywordEntries[0].raw().size(), std::size_t(31));
}

void TestListFile::unreadableFileGivesDefaultsInMemory() {
  writeAll(file, QByteArray(3072, 0));
  makeReadOnly(file);
  ListStore s;
  IoResult r = s.LoadListEntries(folder);
  QVERIFY(!r.ok());
  QVERIFY(QString::fromStdString(r.message()).contains("LEntries.lef"));
  QCOMPARE(listTexts(s.entries.KeywordEntries), std::vector<std::string>{"キーワード"});
  QCOMPARE(readAll(file), QByteArray(3072, 0));
}

void TestListFile::writeNeedsTheFileAndKeepsItsSize() {
  ListStore s;
  QVERIFY(s.LoadListEntries(folder).ok());
  for (auto& e : s.entries.KeywordEntries) e.clear();
  QVERIFY(s.WriteListFile().ok());
  QCOMPARE(readAll(file).size(), 3072);
  QCOMPARE(int(readAll(file)[0]), 0);
  QFile::remove(QString::fromStdString(file));
  IoResult r = s.WriteListFile();
  QVERIFY(!r.ok());
  QCOMPARE(r.error, ENOENT);
  QVERIFY(!QFile::exists(QString::fromStdString(file)));
}

QTEST_GUILESS_MAIN(TestListFile)
#include "tst_listfile.moc"
