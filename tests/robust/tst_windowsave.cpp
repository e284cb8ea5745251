// The Save command of the real main window on a disk that refuses the
// write: the error box names the file and the reason, the day stays on the
// screen and in memory, the old file stays whole, and the next Save after
// the cause is gone stores the day. A save whose folder cannot be synced is
// shown as saved and told in a box. Opening a day removes what saves cut
// short left in its folder.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "filehelpers.h"
#include "appsetup.h"
#include "frmmain.h"
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
  void folderSyncFails();
  void openingADayRemovesStaleTemporaries();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::string folder;
  std::string dayPath() const { return folder + "/Y200601/Y2006011.sdf"; }
  std::unique_ptr<TfrmMain> start();
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
  window->ScrollBox1->pbxTimeMouseDown(Qt::LeftButton, 240);
  window->ScrollBox1->pbxTimeMouseUp(Qt::LeftButton, 420, 4);
  TSchedPadFrame* pad = window->ScrollBox1->PadFrameTable[0];
  if (!pad) return nullptr;
  pad->cmbKeyword->setEditText(QString::fromUtf8(keyword));
  pad->btnSaveClick();
  return pad;
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
  const QString count = w->statusPanels[1]->text();
  w->FileSave1Execute();

  QCOMPARE(platform.errors.size(), std::size_t(1));
  const QString box = QString::fromStdString(platform.errors[0]);
  QVERIFY2(box.contains(QString::fromStdString(dayPath())), qPrintable(box));
  QVERIFY2(box.contains(QStringLiteral("アクセスが拒否されました")), qPrintable(box));
  QCOMPARE(platform.sounds.size(), sounds);  // no sound for a save that failed
  QCOMPARE(w->statusPanels[1]->text(), count);
  QCOMPARE(readAll(dayPath()), old);
  QCOMPARE(w->ScrollBox1->PadFrameTable[0], pad);
  QCOMPARE(pad->cmbKeyword->currentText(), QStringLiteral("新しい予定"));
  QCOMPARE(state->day.table.Pads[0].Keyword.text(), std::string("新しい予定"));
  QCOMPARE(w->edtThisFile->text(), QStringLiteral("Y2006011.sdf"));

  QFile::setPermissions(QString::fromStdString(dayPath()), QFile::ReadOwner | QFile::WriteOwner);
  w->FileSave1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(1));
  QCOMPARE(platform.sounds.size(), sounds + 1);
  const QByteArray now = readAll(dayPath());
  QCOMPARE(now.size(), 10728);
  QCOMPARE(now.left(264), old.left(264));
  QVERIFY(now.contains(sjis("新しい予定")));
}

void TestWindowSave::vanishedMonthFolder() {
  auto w = start();
  QCOMPARE(w->edtThisFile->text(), QStringLiteral("未作成"));
  QVERIFY(dragPad("消えたフォルダー"));
  QVERIFY(QDir(QString::fromStdString(folder + "/Y200601")).removeRecursively());
  const std::size_t sounds = platform.sounds.size();
  w->FileSave1Execute();

  QCOMPARE(platform.errors.size(), std::size_t(1));
  const QString box = QString::fromStdString(platform.errors[0]);
  QVERIFY2(box.contains(QString::fromStdString(dayPath())), qPrintable(box));
  QVERIFY2(box.contains(QStringLiteral("見つかりません")), qPrintable(box));
  QCOMPARE(platform.sounds.size(), sounds);
  QCOMPARE(w->edtThisFile->text(), QStringLiteral("未作成"));  // still not stored
  QVERIFY(w->ScrollBox1->PadFrameTable[0]);
  QCOMPARE(state->day.table.Pads[0].Keyword.text(), std::string("消えたフォルダー"));
  QVERIFY(!QFile::exists(QString::fromStdString(dayPath())));

  QVERIFY(QDir().mkdir(QString::fromStdString(folder + "/Y200601")));
  w->FileSave1Execute();
  QCOMPARE(platform.errors.size(), std::size_t(1));
  QCOMPARE(w->edtThisFile->text(), QStringLiteral("Y2006011.sdf"));
  QCOMPARE(w->statusPanels[1]->text(), QStringLiteral("データ総数: 1"));
  QVERIFY(readAll(dayPath()).contains(sjis("消えたフォルダー")));
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
  QCOMPARE(w->edtThisFile->text(), QStringLiteral("Y2006011.sdf"));
  QCOMPARE(w->statusPanels[1]->text(), QStringLiteral("データ総数: 1"));
  QVERIFY(readAll(dayPath()).contains(sjis("同期できない")));
}

void TestWindowSave::openingADayRemovesStaleTemporaries() {
  const std::string month = folder + "/Y200512";
  QVERIFY(QDir().mkdir(QString::fromStdString(month)));
  {
    DayStore past;
    past.CurrentDayPath = month + "/Y20051231.sdf";
    bool headerSet;
    QVERIFY(past.save({2005, 12, 31}, &headerSet).ok());
  }
  // Left by saves cut short: of the day opened, of another day, of today.
  const char* stale[] = {".Y20051231.sdf.Ab12Cd", ".Y2005121.sdf.xYz789"};
  // Not this program's: kept.
  const char* foreign[] = {".notes.txt.abc123", "Y20051231.sdf.Ab12Cd", ".Y20051231.sdf.a-b_c!", ".Y20051231.sdf.Ab12Cde"};
  for (const char* n : stale) writeAll(month + "/" + n, "torn");
  for (const char* n : foreign) writeAll(month + "/" + n, "mine");
  QVERIFY(QDir().mkdir(QString::fromStdString(folder + "/Y200601")));
  writeAll(folder + "/Y200601/.Y2006011.sdf.Qw3rTy", "torn");

  auto w = start();
  QVERIFY(!QFile::exists(QString::fromStdString(folder + "/Y200601/.Y2006011.sdf.Qw3rTy")));
  for (const char* n : stale) QVERIFY(QFile::exists(QString::fromStdString(month + "/" + n)));  // not opened yet

  platform.openAnswers.push_back(month + "/Y20051231.sdf");
  w->SchedulePast1Execute();
  QCOMPARE(w->edtThisFile->text(), QStringLiteral("Y20051231.sdf"));
  for (const char* n : stale) QVERIFY2(!QFile::exists(QString::fromStdString(month + "/" + n)), n);
  for (const char* n : foreign) QVERIFY2(QFile::exists(QString::fromStdString(month + "/" + n)), n);
  QVERIFY(platform.errors.empty());
}

QTEST_MAIN(TestWindowSave)
#include "tst_windowsave.moc"
