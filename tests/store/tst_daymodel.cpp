// The open day's operations, their history and the unsaved state; the
// recovery file; the date a day file's name stands for.
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <bitset>
#include <cstring>
#include <string>

#include "daymodel.h"
#include "filehelpers.h"
#include "recovery.h"
#include "recoverypolicy.h"

#include <QDir>
#include <sys/stat.h>

using namespace plandor;

namespace {

BarRecord barAt(int top, const char* side = "L") {
  BarRecord b = emptyPadTable().Bars[0];
  b.Side.setText(side);
  b.TopY = top;
  b.BottomY = top + 60;
  return b;
}

PadRecord padAt(int slot, int top, const char* keyword) {
  PadRecord p = emptyPadTable().Pads[0];
  p.PadNo = slot + 1;
  p.Left = 4;
  p.Top = top + 1;
  p.Keyword.setText(keyword);
  p.StartHour = top / 120, p.StartMinute = 0, p.EndHour = top / 120, p.EndMinute = 30;
  return p;
}

void store(DayModel& d, int slot, int top, const char* keyword) { d.storePad(slot, barAt(top), padAt(slot, top, keyword)); }

}  // namespace

class TestDayModel : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    dir = std::make_unique<QTemporaryDir>();
    path = dir->filePath("Y2006013.sdf").toStdString();
  }
  void everyOperationIsOneStepToldOnce();
  void undoingEverythingSavesTheFileAsItWasLoaded();
  void unsavedIsTheTableAgainstTheLastSavePlusTypedEdits();
  void freshPadsComeAndGoWithTheirSteps();
  void theHistoryEndsWhenADayOpens();
  void recoveryFileRoundTripAndDamage();
  void recoveredWorkGoesOnlyWhereItBelongs_data();
  void recoveredWorkGoesOnlyWhereItBelongs();
  void dateOfADayFileName_data();
  void dateOfADayFileName();

 private:
  std::unique_ptr<QTemporaryDir> dir;
  std::string path;
};

void TestDayModel::everyOperationIsOneStepToldOnce() {
  DayModel d;
  d.setPaths(path, dir->filePath("Temporary.sdf").toStdString());
  d.openEmpty(path);
  std::vector<DayModel::Change> told;
  d.listen([&](DayModel::Change c, int) { told.push_back(c); });
  using C = DayModel::Change;
  ShortText<255> memo{};
  memo.setText("メモ");
  DiaryRecord diary = d.diary();
  diary.Content1.setText("日記");
  PadTable routines = emptyPadTable();
  routines.Bars[0] = barAt(600), routines.Pads[0] = padAt(0, 600, "散歩");
  const struct {
    std::function<void()> run;
    C change;
  } steps[] = {
      {[&] { d.makePad(0, {true, 8, 0, false, 9, 0, false, 4, 241}); }, C::PadMade},
      {[&] { store(d, 0, 240, "会議"); }, C::PadStored},
      {[&] { store(d, 1, 480, "昼食"); }, C::PadStored},
      {[&] { d.setMemo(1, memo); }, C::Memo},
      {[&] { d.setDiary(diary); }, C::Diary},
      {[&] { d.removePad(0); }, C::Replaced},
      {[&] { QVERIFY(d.showRoutinePads(routines.Bars, routines.Pads).ok()); }, C::Replaced},
  };
  std::vector<QByteArray> states{bytesOf(d.table())};
  for (const auto& s : steps) {
    told.clear();
    s.run();
    QCOMPARE(told, std::vector<C>{s.change});
    states.push_back(bytesOf(d.table()));
  }
  // Doing what is already there is no step and no news.
  told.clear();
  d.setDiary(diary);
  d.setMemo(0, d.pad(0).Memo);
  QVERIFY(told.empty());
  // Back through every step and forward again.
  for (std::size_t i = states.size() - 1; i > 0; --i) {
    QVERIFY(d.canUndo());
    d.undo();
    QCOMPARE(bytesOf(d.table()), states[i - 1]);
  }
  QVERIFY(!d.canUndo());
  for (std::size_t i = 1; i < states.size(); ++i) {
    d.redo();
    QCOMPARE(bytesOf(d.table()), states[i]);
  }
  QVERIFY(!d.canRedo());
  // A new step after an undo ends what could be redone.
  d.undo();
  store(d, 5, 1200, "new");
  QVERIFY(!d.canRedo());
}

void TestDayModel::undoingEverythingSavesTheFileAsItWasLoaded() {
  QByteArray file(10728, 0);
  {
    DayModel first;
    first.openEmpty(path);
    store(first, 0, 240, "a");
    store(first, 2, 720, "c");  // a gap at pad 2
    bool headerSet;
    QVERIFY(first.save({2006, 1, 3}, &headerSet).ok());
    file = readAll(path);
  }
  DayModel d;
  QVERIFY(d.open(path).ok());
  QVERIFY(!d.modified());
  d.removePad(0);  // renumbers pad 3 to 1
  store(d, 1, 1000, "b");
  DiaryRecord diary = d.diary();
  diary.Title2.setText("夜");
  d.setDiary(diary);
  QVERIFY(d.modified());
  while (d.canUndo()) d.undo();
  QVERIFY(!d.modified());
  bool headerSet;
  QVERIFY(d.save({2026, 12, 7}, &headerSet).ok());
  QVERIFY(!headerSet);
  QCOMPARE(readAll(path), file);
}

void TestDayModel::unsavedIsTheTableAgainstTheLastSavePlusTypedEdits() {
  DayModel d;
  d.openEmpty(path);
  QVERIFY(!d.modified());
  store(d, 0, 240, "a");
  QVERIFY(d.modified());
  bool headerSet;
  QVERIFY(d.save({2006, 1, 3}, &headerSet).ok());
  QVERIFY(!d.modified());
  QVERIFY(d.canUndo());  // a save keeps the history: undo makes it unsaved again
  d.undo();
  QVERIFY(d.modified());
  d.redo();
  QVERIFY(!d.modified());
  // Typed edits a pad or the diary holds and the day has not taken yet,
  // as their holders answer; the listeners hear once, after the operation's
  // news, never inside it, and count the pads the operation left.
  std::bitset<kPadSlots + 1> typed;  // by slot; the last for the diary
  const int holder = d.addTypedEdits([&](int slot) { return bool(typed[slot < 0 ? kPadSlots : slot]); });
  std::vector<std::pair<DayModel::Change, int>> told;  // with the count each listener saw
  std::vector<bool> pad2Pending;                        // as each listener saw it
  int depth = 0, deepest = 0;
  d.listen([&](DayModel::Change c, int) {
    deepest = std::max(deepest, ++depth);
    told.emplace_back(c, d.DataCount());
    pad2Pending.push_back(d.pending(1));
    if (c == DayModel::Change::Replaced) {
      // As the day view does: the frames made again hold nothing typed; the
      // third pad's, kept, happens to answer otherwise now.
      typed[0] = typed[1] = false;
      typed[2] = !typed[2];
      d.typedEditsChanged();
    }
    --depth;
  });
  using C = DayModel::Change;
  using Told = std::vector<std::pair<C, int>>;
  typed[0] = true;
  d.typedEditsChanged();
  QVERIFY(d.modified() && d.pending(0));
  QCOMPARE(told, (Told{{C::Pending, 1}}));
  d.typedEditsChanged();  // the same answer: no news
  QCOMPARE(told.size(), std::size_t(1));
  typed[0] = false;
  typed[kPadSlots] = true;
  d.typedEditsChanged();
  QVERIFY(d.modified() && !d.pending(0));
  typed[kPadSlots] = false;
  d.typedEditsChanged();
  QVERIFY(!d.modified());
  // 一時保存: the pad holds nothing once its store is told, in one piece of news.
  typed[0] = true;
  d.typedEditsChanged();
  told.clear();
  typed[0] = false;
  store(d, 0, 300, "a2");
  QCOMPARE(told, (Told{{C::PadStored, 1}}));
  // A removal drops the typed edits of every pad it moves, whatever the old
  // frames still answer; the one its listener reports comes after it.
  store(d, 1, 480, "b");
  typed[1] = true;
  d.typedEditsChanged();
  told.clear();
  pad2Pending.clear();
  d.removePad(0);
  QCOMPARE(told, (Told{{C::Replaced, 1}, {C::Pending, 1}}));
  QCOMPARE(pad2Pending, (std::vector<bool>{false, false}));
  QVERIFY(d.pending(2));
  told.clear();
  typed[1] = true;  // a stale answer for a slot the undo fills again
  d.undo();
  QCOMPARE(told, (Told{{C::Replaced, 2}, {C::Pending, 2}}));
  QVERIFY(!d.pending(1) && !d.pending(2));
  QCOMPARE(deepest, 1);
  d.removeTypedEdits(holder);
  // A failed save changes nothing of it.
  store(d, 1, 480, "b");
  QVERIFY(QDir().mkdir(QString::fromStdString(path + ".d")));
  d.openEmpty(path + ".d");
  store(d, 1, 480, "b");
  QVERIFY(!d.save({2006, 1, 3}, &headerSet).written());
  QVERIFY(d.modified());
}

void TestDayModel::freshPadsComeAndGoWithTheirSteps() {
  DayModel d;
  d.openEmpty(path);
  const FreshPad f{true, 8, 0, false, 9, 30, false, 351, 241};
  d.makePad(3, f);
  QVERIFY(d.framed(3) && d.fresh(3) == f);
  QCOMPARE(d.selectedPad(), 3);
  QVERIFY(d.modified());  // its 一時保存 is still to come
  d.makePad(3, f);        // taken: nothing
  QCOMPARE(d.fresh(3), f);
  // A refused store leaves the slot unused: the pad stays fresh.
  PadRecord refused = padAt(3, 240, "x");
  refused.StartHour = refused.EndHour = -1;
  d.storePad(3, emptyPadTable().Bars[3], refused);
  QVERIFY(d.fresh(3).open);
  store(d, 3, 240, "stored");
  QVERIFY(!d.fresh(3).open && d.framed(3));
  d.undo();
  d.undo();
  QVERIFY(d.fresh(3).open);
  d.undo();
  QVERIFY(!d.framed(3));
  QVERIFY(!d.modified());
  QCOMPARE(d.selectedPad(), 0);  // the selection goes back with its step
  d.redo();
  QCOMPARE(d.selectedPad(), 3);
}

void TestDayModel::theHistoryEndsWhenADayOpens() {
  DayModel d;
  d.openEmpty(path);
  store(d, 0, 240, "a");
  const int holder = d.addTypedEdits([](int slot) { return slot == 2; });
  d.typedEditsChanged();
  QVERIFY(d.pending(2));
  // The frames of the day before go with it, whatever they answered.
  d.openEmpty(dir->filePath("Y2006014.sdf").toStdString());
  QVERIFY(!d.canUndo() && !d.canRedo() && !d.modified());
  d.removeTypedEdits(holder);
  QCOMPARE(d.date(), (std::optional<LocalDate>{{2006, 1, 4}}));

  // The history keeps the last 200 steps: the first of 201 cannot be undone.
  DiaryRecord diary = d.diary();
  for (int i = 0; i <= 200; ++i) {
    diary.Content1.setText(std::to_string(i));
    d.setDiary(diary);
  }
  int undone = 0;
  for (; d.canUndo(); ++undone) d.undo();
  QCOMPARE(undone, 200);
  QCOMPARE(d.diary().Content1.text(), std::string("0"));
}

void TestDayModel::recoveryFileRoundTripAndDamage() {
  const std::string folder = dir->path().toStdString();
  const std::string file = recoveryPath(folder, {2006, 1, 3});
  QCOMPARE(file, folder + "/Recovery-2006-01-03.pdr");
  QCOMPARE(recoveryPath(folder, {2006, 1, 3}, true), folder + "/Recovery-2006-01-03-2.pdr");
  std::optional<Recovery> got;
  QVERIFY(readRecovery(file, &got).ok() && !got);  // none yet

  Recovery r;
  r.dayName = "Y200601/Y2006013.sdf";
  r.written = {{2006, 1, 3}, 9, 41, 7};
  r.began = {true, true, 2049, 77, 10728, 1136246400, 5, 0x1234567890abcdefull, 10728};
  std::memset(&r.image, 0, sizeof r.image);
  r.image.Pads[5].Keyword.setText("復元");
  TypedPad t;
  t.slot = 6;
  t.fresh = true;
  t.left = 4, t.top = 241;
  t.keyword = "打ち合わせ", t.content = "会議室";
  t.startHour = "9", t.endHour = "9";  // start = end: 一時保存 would refuse it
  t.startMinute = t.endMinute = 30;
  t.endPM = true;
  r.typed = {t};
  QVERIFY(writeRecovery(file, r).ok());
  QVERIFY(readRecovery(file, &got).ok() && got);
  QCOMPARE(got->dayName, r.dayName);
  QCOMPARE(got->written.minute, 41);
  QCOMPARE(got->began.inode, std::uint64_t(77));
  QCOMPARE(got->began.digest, r.began.digest);
  QVERIFY(got->typed == r.typed);
  QCOMPARE(bytesOf(got->image), bytesOf(r.image));
  QCOMPARE(recoveryFiles(folder), std::vector<std::string>{file});

  // Torn, altered or foreign: never taken for unsaved work.
  const QByteArray whole = readAll(file);
  QByteArray altered = whole;
  altered[whole.size() / 2] = char(altered[whole.size() / 2] ^ 1);
  for (const QByteArray& bad : {whole.left(whole.size() - 1), altered, whole + "x", QByteArray("PLDRCV02")}) {
    writeAll(file, bad);
    const IoResult e = readRecovery(file, &got);
    QCOMPARE(e.error, kNotOurFormat);
    QVERIFY(!got);
    QCOMPARE(readAll(file), bad);  // left alone
  }
  QVERIFY(removeRecovery(file).ok());
  QVERIFY(removeRecovery(file).ok());  // already gone

  // The first format (a full path, no stamp) is still read.
  QByteArray first("PLDRCV01");
  for (int v : {2006, 1, 3, 9, 41, 7}) first += bytesOf(std::int32_t(v));
  const QByteArray full = QByteArray::fromStdString(folder + "/Y200601/Y2006013.sdf");
  first += bytesOf(std::uint32_t(full.size())) + full + bytesOf(r.image);
  std::uint64_t h = 1469598103934665603ull;
  for (char c : first) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  first += bytesOf(h);
  const std::string old = legacyRecoveryPaths(folder)[0];
  writeAll(old, first);
  QVERIFY(readRecovery(old, &got).ok() && got);
  QVERIFY(!got->began.known && got->typed.empty());
  QCOMPARE(recoveryDay(folder, got->dayName), (std::optional<LocalDate>{{2006, 1, 3}}));
}

void TestDayModel::recoveredWorkGoesOnlyWhereItBelongs_data() {
  QTest::addColumn<QString>("dayName");  // as the record names its day; %1 the data folder
  QTest::addColumn<bool>("readable");
  QTest::addColumn<int>("dayFile");  // 0 none, 1 as the work began, 2 changed since, 3 came since, 4 unreadable
  QTest::addColumn<bool>("openSame");  // the record's day is open (else 2006-01-02)
  QTest::addColumn<bool>("openModified");
  QTest::addColumn<bool>("atStartUp");
  QTest::addColumn<bool>("sameAsOpen");
  QTest::addColumn<int>("kept");  // the day's recovery files kept damaged
  QTest::addColumn<int>("offer");
  QTest::addColumn<int>("restored");  // when offered
  QTest::addColumn<int>("ours");      // the file that keeps the day's work: 0, 1 (second), -1 none
  const QString day = QStringLiteral("Y200601/Y2006013.sdf");
  const int ask = int(Offer::Ask), later = int(Offer::Later), report = int(Offer::Report), drop = int(Offer::Drop);
  const int into = int(Restored::IntoDay), fresh = int(Restored::IntoNewDay), unsaveable = int(Restored::Unsaveable),
            asks = int(Restored::AsksAtSave);
  QTest::newRow("same day, its file as the work began") << day << true << 1 << true << false << true << false << 0 << ask << into << 0;
  QTest::newRow("same day, nothing the day lacks") << day << true << 1 << true << false << true << true << 0 << drop << into << 0;
  QTest::newRow("same day, work already restored") << day << true << 1 << true << true << true << false << 0 << later << into << 0;
  QTest::newRow("other day without a file, at start-up") << day << true << 0 << false << false << true << false << 0 << ask << fresh << 0;
  QTest::newRow("other day with its file, at start-up") << day << true << 1 << false << false << true << false << 0 << ask << into << 0;
  QTest::newRow("other day, over restored work") << day << true << 0 << false << true << true << false << 0 << later << fresh << 0;
  QTest::newRow("other day, when a day opens") << day << true << 0 << false << false << false << false << 0 << later << fresh << 0;
  QTest::newRow("unreadable day") << day << true << 4 << true << false << true << false << 0 << ask << unsaveable << 0;
  QTest::newRow("day file changed since") << day << true << 2 << true << false << true << false << 0 << ask << asks << 0;
  QTest::newRow("day file came since") << day << true << 3 << true << false << true << false << 0 << ask << asks << 0;
  QTest::newRow("older file, full path in this folder") << QStringLiteral("%1/Y200601/Y2006013.sdf") << true << 1 << true << false << true << false << 0 << ask << into << 0;
  QTest::newRow("foreign: outside the folder") << QStringLiteral("../outside/notes.txt") << true << 1 << true << false << true << false << 0 << report << into << 0;
  QTest::newRow("foreign: a copied folder's path") << QStringLiteral("/elsewhere/Y200601/Y2006013.sdf") << true << 1 << true << false << true << false << 0 << report << into << 0;
  QTest::newRow("foreign: another month's folder") << QStringLiteral("Y200602/Y2006013.sdf") << true << 1 << true << false << true << false << 0 << report << into << 0;
  QTest::newRow("damaged") << day << false << 1 << true << false << true << false << 1 << report << into << 1;
  QTest::newRow("both files damaged") << day << false << 1 << true << false << true << false << 2 << report << into << -1;
}

// Which day a record belongs to, what is offered, what a restore yields
// and which file keeps the day's work from then on.
void TestDayModel::recoveredWorkGoesOnlyWhereItBelongs() {
  QFETCH(QString, dayName);
  QFETCH(bool, readable);
  QFETCH(int, dayFile);
  QFETCH(bool, openSame);
  QFETCH(bool, openModified);
  QFETCH(bool, atStartUp);
  QFETCH(bool, sameAsOpen);
  QFETCH(int, kept);
  QFETCH(int, offer);
  QFETCH(int, restored);
  QFETCH(int, ours);
  const std::string folder = dir->path().toStdString();
  const LocalDate date{2006, 1, 3};
  QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("Y200601")));
  const std::string dayPath = folder + "/Y200601/Y2006013.sdf";
  FileStamp began;
  began.known = true;
  if (dayFile == 4) {
    QCOMPARE(::mkfifo(dayPath.c_str(), 0600), 0);
  } else if (dayFile != 0) {
    writeAll(dayPath, QByteArray(sizeof(DayFile), '\0'));
    DayFile image;
    if (dayFile != 3) QVERIFY(readDayFile(dayPath, &image, true, &began).ok());
    if (dayFile == 2) writeAll(dayPath, QByteArray(sizeof(DayFile), '\1'));
  }

  OfferCase c;
  c.readable = readable;
  if (readable) c.day = recoveryDay(folder, dayName.arg(dir->path()).toStdString());
  c.atStartUp = atStartUp;
  c.openDay = openSame ? date : LocalDate{2006, 1, 2};
  c.openModified = openModified;
  c.sameAsOpen = sameAsOpen;
  QCOMPARE(int(decideOffer(c)), offer);
  if (offer == int(Offer::Ask)) QCOMPARE(int(restoreYields(dayFileNow(dayPath, began))), restored);

  std::set<std::string> keptFiles;
  for (int i = 0; i < kept; ++i) keptFiles.insert(recoveryPath(folder, date, i == 1));
  const std::string expected = ours < 0 ? std::string() : recoveryPath(folder, date, ours == 1);
  QCOMPARE(recoveryFileFor(folder, date, keptFiles), expected);
  QCOMPARE(recoveryFileFor(folder, std::nullopt, {}), std::string());  // a day outside the folder: none
  QVERIFY(mayRemoveRecovery(false, true) && mayRemoveRecovery(true, false) && !mayRemoveRecovery(true, true));
  QCOMPARE(offerText(date, {{2006, 1, 2}, 21, 41, 0}, false),
           std::string("2006年1月3日 (火) の保存されていない変更が残っています (1月2日 21:41 に記録)。復元しますか?"));
}

void TestDayModel::dateOfADayFileName_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("year");  // 0: not a day file
  QTest::addColumn<int>("month");
  QTest::addColumn<int>("day");
  QTest::newRow("one-digit day") << "Y2006013.sdf" << 2006 << 1 << 3;
  QTest::newRow("two-digit day") << "/a/Y200601/Y20060131.sdf" << 2006 << 1 << 31;
  QTest::newRow("month end") << "Y20060430.sdf" << 2006 << 4 << 30;
  QTest::newRow("no April 31") << "Y20060431.sdf" << 0 << 0 << 0;
  QTest::newRow("leap day") << "Y20040229.sdf" << 2004 << 2 << 29;
  QTest::newRow("no leap day in 1900") << "Y19000229.sdf" << 0 << 0 << 0;
  QTest::newRow("leap day in 2000") << "Y20000229.sdf" << 2000 << 2 << 29;
  QTest::newRow("year end") << "Y20061231.sdf" << 2006 << 12 << 31;
  QTest::newRow("first date") << "Y1000011.sdf" << 1000 << 1 << 1;
  QTest::newRow("years before 1000 are named otherwise") << "Y0999121.sdf" << 0 << 0 << 0;
  QTest::newRow("last date") << "Y99991231.sdf" << 9999 << 12 << 31;
  QTest::newRow("year 0") << "Y0000011.sdf" << 0 << 0 << 0;
  QTest::newRow("month 13") << "Y2006131.sdf" << 0 << 0 << 0;
  QTest::newRow("day 0") << "Y2006010.sdf" << 0 << 0 << 0;
  QTest::newRow("leading zero") << "Y20060103.sdf" << 0 << 0 << 0;
  QTest::newRow("upper case") << "Y2006013.SDF" << 0 << 0 << 0;
  QTest::newRow("a conflict copy") << "Y2006013.sync-conflict.sdf" << 0 << 0 << 0;
  QTest::newRow("copied") << "copied.sdf" << 0 << 0 << 0;
}

void TestDayModel::dateOfADayFileName() {
  QFETCH(QString, name);
  QFETCH(int, year);
  QFETCH(int, month);
  QFETCH(int, day);
  const std::optional<LocalDate> d = dateOfDayFile(name.toStdString());
  QCOMPARE(d.has_value(), year != 0);
  if (!d) return;
  QCOMPARE(*d, (LocalDate{year, month, day}));
  QCOMPARE(dayFileName(*d), name.section(QLatin1Char('/'), -1).toStdString());
}

QTEST_GUILESS_MAIN(TestDayModel)
#include "tst_daymodel.moc"
