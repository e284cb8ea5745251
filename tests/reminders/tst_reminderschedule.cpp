// Which pads remind when: lead times, the wall clock across midnight, a
// sleep and clock jumps; the plans watched; the settings file's text.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <cstring>

#include "dayrecords.h"
#include "filehelpers.h"
#include "reminderschedule.h"
#include "remindersettings.h"

using namespace plandor;

namespace {

const LocalDate kPlan{2006, 1, 1};

// "2006-01-01 09:00:00" -> wall seconds.
LocalDateTime at(const QString& s) {
  const QDateTime t = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
  return {{t.date().year(), t.date().month(), t.date().day()}, t.time().hour(), t.time().minute(), t.time().second()};
}

void setDial(int hour24, int minute, std::int32_t& h, std::int32_t& m, std::uint8_t& pm) {
  h = hour24 % 12;
  m = minute;
  pm = hour24 >= 12 ? 1 : 0;
}

// One pad a string, in slot order: "9:06-9:30 会議 駅前", "*" before the
// times for 完了, "-" for an empty slot, "#7" for the pad's identity in the
// open day (otherwise its slot number).
PadTable plan(const QStringList& pads, std::array<std::uint32_t, kPadSlots>* ids = nullptr) {
  PadTable t = emptyPadTable();
  if (ids) ids->fill(0);
  for (int i = 0; i < pads.size(); ++i) {
    QString s = pads[i];
    if (s == QLatin1String("-")) continue;
    PadRecord& p = t.Pads[i];
    p.PadNo = i + 1;
    if (s.startsWith(QLatin1Char('*'))) {
      p.Completed = 1;
      s.remove(0, 1);
    }
    QStringList parts = s.split(QLatin1Char(' '));
    if (ids) (*ids)[i] = i + 1;
    for (qsizetype k = parts.size() - 1; k > 0; --k)
      if (parts[k].startsWith(QLatin1Char('#'))) {
        if (ids) (*ids)[i] = parts[k].mid(1).toUInt();
        parts.removeAt(k);
      }
    const QStringList times = parts[0].split(QLatin1Char('-'));
    const QStringList a = times[0].split(QLatin1Char(':')), b = times[1].split(QLatin1Char(':'));
    setDial(a[0].toInt(), a[1].toInt(), p.StartHour, p.StartMinute, p.StartPM);
    setDial(b[0].toInt(), b[1].toInt(), p.EndHour, p.EndMinute, p.EndPM);
    if (parts.size() > 1) p.Keyword.setText(parts[1].toStdString());
    if (parts.size() > 2) p.Content.setText(parts[2].toStdString());
  }
  return t;
}

QStringList keywords(const std::vector<Reminder>& rs) {
  QStringList out;
  for (const Reminder& r : rs) out << QString::fromStdString(r.keyword);
  return out;
}

}  // namespace

class TestReminderSchedule : public QObject {
  Q_OBJECT
 private slots:
  void check_data();
  void check();
  void keysSurviveARemoval();
  void remindedText();
  void damagedTimes();
  void texts();
  void plansWatched_data();
  void plansWatched();
  void settingsText_data();
  void settingsText();
  void settingsFile();
};

void TestReminderSchedule::check_data() {
  QTest::addColumn<int>("lead");
  QTest::addColumn<QStringList>("pads");
  QTest::addColumn<QString>("last");
  QTest::addColumn<QString>("now");
  // Keywords already shown; "=9:06-9:30 先 #2": that pad, as it was, shown.
  QTest::addColumn<QStringList>("shownBefore");
  QTest::addColumn<QStringList>("show");
  QTest::addColumn<QString>("next");  // empty: nothing left to wait for

  const QStringList meeting{"9:06-9:30 会議 駅前"};
  QTest::newRow("5 min before 9:06: not yet at 9:00:59")
      << 5 << meeting << "2006-01-01 09:00:40" << "2006-01-01 09:00:59" << QStringList() << QStringList()
      << "2006-01-01 09:01:00";
  QTest::newRow("5 min before 9:06: at 9:01") << 5 << meeting << "2006-01-01 09:00:59" << "2006-01-01 09:01:00"
                                              << QStringList() << QStringList{"会議"} << "";
  QTest::newRow("never twice") << 5 << meeting << "2006-01-01 09:01:00" << "2006-01-01 09:02:00"
                               << QStringList{"会議"} << QStringList() << "";
  QTest::newRow("完了 pads are quiet") << 5 << QStringList{"*9:06-9:30 会議"} << "2006-01-01 09:00:59"
                                     << "2006-01-01 09:01:00" << QStringList() << QStringList() << "";
  QTest::newRow("at the start") << 0 << meeting << "2006-01-01 09:05:45" << "2006-01-01 09:06:00" << QStringList()
                                << QStringList{"会議"} << "";
  QTest::newRow("an hour before") << 60 << meeting << "2006-01-01 08:05:59" << "2006-01-01 08:06:00"
                                  << QStringList() << QStringList{"会議"} << "";
  QTest::newRow("made inside its lead time: at once")
      << 5 << meeting << "2006-01-01 09:03:00" << "2006-01-01 09:03:00" << QStringList() << QStringList{"会議"} << "";
  QTest::newRow("already running when first seen: never")
      << 5 << meeting << "2006-01-01 09:10:00" << "2006-01-01 09:10:00" << QStringList() << QStringList() << "";
  QTest::newRow("slept through it, pad not over: on resume")
      << 5 << meeting << "2006-01-01 08:50:00" << "2006-01-01 09:20:00" << QStringList() << QStringList{"会議"}
      << "";
  QTest::newRow("slept past the pad's end: never")
      << 5 << meeting << "2006-01-01 08:50:00" << "2006-01-01 09:30:00" << QStringList() << QStringList() << "";
  QTest::newRow("clock set forward over it: shown")
      << 5 << meeting << "2006-01-01 09:00:50" << "2006-01-01 09:12:00" << QStringList() << QStringList{"会議"}
      << "";
  QTest::newRow("clock set back after it was shown: not again")
      << 5 << meeting << "2006-01-01 09:02:00" << "2006-01-01 08:59:00" << QStringList{"会議"} << QStringList()
      << "";
  QTest::newRow("clock set back before it was due: waits for it")
      << 5 << meeting << "2006-01-01 10:00:00" << "2006-01-01 08:00:00" << QStringList() << QStringList()
      << "2006-01-01 09:01:00";
  QTest::newRow("after midnight: at its real time next morning")
      << 5 << QStringList{"1:30-2:00 夜勤"} << "2006-01-02 01:24:50" << "2006-01-02 01:25:00" << QStringList()
      << QStringList{"夜勤"} << "";
  QTest::newRow("after midnight: not in the afternoon before")
      << 5 << QStringList{"1:30-2:00 夜勤"} << "2006-01-01 13:24:50" << "2006-01-01 13:25:00" << QStringList()
      << QStringList() << "2006-01-02 01:25:00";
  QTest::newRow("12:xx is noon, 0:xx after midnight")
      << 5 << QStringList{"0:10-0:20 深夜", "12:10-12:20 昼"} << "2006-01-01 12:04:59" << "2006-01-01 12:05:00"
      << QStringList() << QStringList{"昼"} << "2006-01-02 00:05:00";
  QTest::newRow("due together, in due order, empty slots skipped")
      << 10 << QStringList{"9:20-9:40 B", "-", "9:10-9:30 A", "9:10-9:15 A2"} << "2006-01-01 08:00:00"
      << "2006-01-01 09:11:00" << QStringList() << QStringList{"A", "A2", "B"} << "";
  QTest::newRow("the next is the earliest not shown")
      << 5 << QStringList{"10:00-11:00 B", "9:30-9:45 A", "9:06-9:30 C"} << "2006-01-01 09:01:00"
      << "2006-01-01 09:02:00" << QStringList{"C"} << QStringList() << "2006-01-01 09:25:00";
  // A reminder belongs to its pad: once per start time the pad has.
  QTest::newRow("a pad moved to the start of one reminded: it reminds, the other not again")
      << 5 << QStringList{"9:06-10:00 後", "9:06-9:30 先"} << "2006-01-01 09:01:00" << "2006-01-01 09:01:04"
      << QStringList{"=9:30-10:00 後 #1", "=9:06-9:30 先 #2"} << QStringList{"後"} << "";
  QTest::newRow("packed into another slot by a removal: not again")
      << 5 << QStringList{"9:06-9:30 B #2", "9:06-9:40 C #3"} << "2006-01-01 09:01:00" << "2006-01-01 09:02:00"
      << QStringList{"=9:06-9:30 B #2", "=9:06-9:40 C #3"} << QStringList() << "";
  QTest::newRow("a new pad stored in an earlier slot at a reminded start: it reminds")
      << 5 << QStringList{"9:06-9:30 新 #3", "9:06-9:30 先 #2"} << "2006-01-01 09:01:00" << "2006-01-01 09:02:00"
      << QStringList{"=9:06-9:30 先 #2"} << QStringList{"新"} << "";
  QTest::newRow("edited after its reminder: not again")
      << 5 << QStringList{"9:06-9:45 打合せ 本社"} << "2006-01-01 09:01:00" << "2006-01-01 09:02:00"
      << QStringList{"=9:06-9:30 会議 駅前 #1"} << QStringList() << "";
  QTest::newRow("moved to a later start: reminds again then")
      << 5 << QStringList{"9:40-10:00 会議"} << "2006-01-01 09:34:00" << "2006-01-01 09:35:00"
      << QStringList{"=9:06-9:30 会議 #1"} << QStringList{"会議"} << "";
  QTest::newRow("read again (new identities), same texts: not again")
      << 5 << QStringList{"9:06-9:30 会議 #8", "9:06-9:30 電話 #9"} << "2006-01-01 09:01:00"
      << "2006-01-01 09:02:00" << QStringList{"=9:06-9:30 会議 #1", "=9:06-9:30 電話 #2"} << QStringList() << "";
  QTest::newRow("from the file (no identities): two alike remind twice, once each")
      << 5 << QStringList{"9:06-9:30 会議 #0", "9:06-9:30 会議 #0"} << "2006-01-01 09:01:00"
      << "2006-01-01 09:02:00" << QStringList{"=9:06-9:30 会議 #0"} << QStringList{"会議"} << "";
}

void TestReminderSchedule::check() {
  QFETCH(int, lead);
  QFETCH(QStringList, pads);
  QFETCH(QString, last);
  QFETCH(QString, now);
  QFETCH(QStringList, shownBefore);
  QFETCH(QStringList, show);
  QFETCH(QString, next);
  std::array<std::uint32_t, kPadSlots> ids;
  const PadTable t = plan(pads, &ids);
  const std::vector<Reminder> all = remindersOf(kPlan, t.Pads, lead, ids.data());
  Reminded shown;
  for (const Reminder& r : all)
    if (shownBefore.contains(QString::fromStdString(r.keyword))) shown.add(r);
  QStringList earlier;
  for (const QString& s : shownBefore)
    if (s.startsWith(QLatin1Char('='))) earlier << s.mid(1);
  std::array<std::uint32_t, kPadSlots> earlierIds;
  const PadTable before = plan(earlier, &earlierIds);
  for (const Reminder& r : remindersOf(kPlan, before.Pads, lead, earlierIds.data())) shown.add(r);
  const ReminderCheck c = checkReminders(all, wallSeconds(at(last)), wallSeconds(at(now)), shown);
  QCOMPARE(keywords(c.show), show);
  if (next.isEmpty())
    QVERIFY(!c.next);
  else
    QCOMPARE(c.next.value_or(-1), wallSeconds(at(next)));
}

// A removal packs the later pads into lower slots: what was shown stays shown.
void TestReminderSchedule::keysSurviveARemoval() {
  PadTable t = plan({"8:00-8:30 A", "9:06-9:30 B", "9:06-9:40 C"});
  for (int i = 0; i < 3; ++i) t.Bars[i].TopY = 100 + i;  // RemovePadAndPack keeps pads with bars
  const std::vector<Reminder> before = remindersOf(kPlan, t.Pads, 5);
  RemovePadAndPack(t, 0);
  const std::vector<Reminder> after = remindersOf(kPlan, t.Pads, 5);
  QCOMPARE(keywords(after), (QStringList{"B", "C"}));
  QCOMPARE(after[0].print, before[1].print);
  QCOMPARE(after[1].print, before[2].print);
  QCOMPARE(after[0].slot, 0);
}

// What was reminded, as the other program reads it: damaged lines are
// skipped, never taken for a reminder.
void TestReminderSchedule::remindedText() {
  const std::set<ReminderPrint> prints{{3345177960, 0x0123456789abcdefull, 0}, {3345177960, 42, 3}};
  const std::string text = plandor::remindedText(prints);
  QCOMPARE(parseReminded(text), prints);
  const std::string damaged = "3345177960 0123456789abcdef 0\n3345177960 zz 1\n12 34 99\n3345177960 2a 3 x\n" +
                              std::string("\0\xff", 2) + "\n334517";
  QCOMPARE(parseReminded(damaged), (std::set<ReminderPrint>{{3345177960, 0x0123456789abcdefull, 0}}));
}

void TestReminderSchedule::damagedTimes() {
  PadTable t = plan({"9:06-9:30 A", "9:06-9:30 B", "9:06-9:30 C", "9:06-8:00 D", "21:06-23:30 E"});
  t.Pads[0].StartHour = 13;     // off the dial
  t.Pads[1].StartMinute = 60;
  t.Pads[2].EndHour = 99;       // an end off the dial: the pad lasts a minute
  t.Pads[4].StartHour = 12;     // the 0 of its flag, as every pad reads it: 12:06 PM is noon
  const std::vector<Reminder> rs = remindersOf(kPlan, t.Pads, 5);
  QCOMPARE(keywords(rs), (QStringList{"C", "D", "E"}));
  QCOMPARE(rs[0].end - rs[0].start, 60);
  QCOMPARE(rs[1].end - rs[1].start, 60);  // ends before it starts
  QCOMPARE(rs[2].start, remindersOf(kPlan, plan({"12:06-23:30 E"}).Pads, 5)[0].start);
  QVERIFY(remindersOf(kPlan, t.Pads, kNoReminders).empty());
}

void TestReminderSchedule::texts() {
  const PadTable t = plan({"9:06-9:30 会議 駅前", "23:50-0:40 夜", "1:05-2:00"});
  const std::vector<Reminder> rs = remindersOf(kPlan, t.Pads, 5);
  QCOMPARE(QString::fromStdString(reminderSummary(rs[0])), QStringLiteral("会議"));
  QCOMPARE(QString::fromStdString(reminderBody(rs[0])), QStringLiteral("9:06 – 9:30  駅前"));
  QCOMPARE(QString::fromStdString(reminderBody(rs[1])), QStringLiteral("23:50 – 0:40"));
  QCOMPARE(QString::fromStdString(reminderSummary(rs[2])), QStringLiteral("予定"));
  QCOMPARE(QString::fromStdString(reminderBody(rs[2])), QStringLiteral("1:05 – 2:00"));
}

void TestReminderSchedule::plansWatched_data() {
  QTest::addColumn<QString>("now");
  QTest::addColumn<int>("lead");
  QTest::addColumn<QStringList>("plans");
  QTest::newRow("morning") << "2006-01-01 09:00:00" << 5 << QStringList{"2006-01-01"};
  QTest::newRow("after midnight: the evening's plan") << "2006-01-02 01:00:00" << 5 << QStringList{"2006-01-01"};
  QTest::newRow("past 06:00: the new day's") << "2006-01-02 06:00:00" << 5 << QStringList{"2006-01-02"};
  QTest::newRow("within the lead of 06:00: both")
      << "2006-01-02 05:54:00" << 5 << QStringList{"2006-01-01", "2006-01-02"};
  QTest::newRow("an hour's lead reaches further")
      << "2006-01-02 05:00:00" << 60 << QStringList{"2006-01-01", "2006-01-02"};
  QTest::newRow("year's end") << "2006-01-01 00:30:00" << 5 << QStringList{"2005-12-31"};
  QTest::newRow("off") << "2006-01-01 09:00:00" << kNoReminders << QStringList();
}

void TestReminderSchedule::plansWatched() {
  QFETCH(QString, now);
  QFETCH(int, lead);
  QFETCH(QStringList, plans);
  QStringList got;
  for (const LocalDate& d : plansToWatch(at(now), lead))
    got << QDate(d.year, d.month, d.day).toString(Qt::ISODate);
  QCOMPARE(got, plans);
}

void TestReminderSchedule::settingsText_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("lead");            // as read
  QTest::addColumn<int>("set");             // then written
  QTest::addColumn<QString>("written");
  QTest::newRow("no file") << "" << 5 << 10 << "[Reminders]\nLead=10\n";
  QTest::newRow("off, the file's line ends kept") << "[Reminders]\r\nLead=none\r\n" << kNoReminders << 0
                                                  << "[Reminders]\r\nLead=0\r\n";
  QTest::newRow("not a choice: the default") << "[Reminders]\nLead=7\n" << 5 << kNoReminders
                                             << "[Reminders]\nLead=none\n";
  QTest::newRow("other sections kept, the key goes into ours")
      << "[Other]\nLead=30\nX=1\n[Reminders]\n[Later]\nY=2\n" << 5 << 60
      << "[Other]\nLead=30\nX=1\n[Reminders]\nLead=60\n[Later]\nY=2\n";
  QTest::newRow("the value replaced in place") << "[Reminders]\nA=1\nLead= 15 \nB=2" << 15 << 30
                                               << "[Reminders]\nA=1\nLead=30\nB=2\n";
  QTest::newRow("Windows line ends and comments, 30 then 5")
      << "; mine\r\n; more\r\n[Reminders]\r\nLead=30\r\n" << 30 << 5 << "; mine\r\n; more\r\n[Reminders]\r\nLead=5\r\n";
  QTest::newRow("lone CR line ends") << "[Reminders]\rLead=15\r" << 15 << 60 << "[Reminders]\rLead=60\r";
  QTest::newRow("a later lead would override: it goes")
      << "[Reminders]\nLead=30\nX=1\nLead=10\n" << 10 << 5 << "[Reminders]\nLead=5\nX=1\n";
  QTest::newRow("byte order mark kept") << "\xEF\xBB\xBF[Reminders]\nLead=10\n" << 10 << 15
                                        << "\xEF\xBB\xBF[Reminders]\nLead=15\n";
  QTest::newRow("new key after the section's lines, before the blank ones")
      << "[Reminders]\nA=1\n\n[Other]\n" << 5 << 10 << "[Reminders]\nA=1\nLead=10\n\n[Other]\n";
}

void TestReminderSchedule::settingsText() {
  QFETCH(QString, text);
  QFETCH(int, lead);
  QFETCH(int, set);
  QFETCH(QString, written);
  QVERIFY(isSettingsText(text.toStdString()));
  QCOMPARE(parseReminderSettings(text.toStdString()).lead, lead);
  const std::string out = withReminderSettings(text.toStdString(), {set});
  QCOMPARE(QString::fromStdString(out), written);
  QCOMPARE(parseReminderSettings(out).lead, set);
}

void TestReminderSchedule::settingsFile() {
  QTemporaryDir dir;
  const std::string path = settingsPath(dir.path().toStdString());
  ReminderSettings s{60};
  QVERIFY(readReminderSettings(path, &s).ok());  // missing: the default, no failure
  QCOMPARE(s.lead, kDefaultLead);
  QVERIFY(writeReminderSettings(path, {kNoReminders}).ok());
  QVERIFY(readReminderSettings(path, &s).ok());
  QCOMPARE(s.lead, kNoReminders);
  // Something that cannot be read: the default, and the failure to tell.
  const std::string folder = dir.path().toStdString() + "/folder";
  QVERIFY(QDir().mkdir(QString::fromStdString(folder)));
  s.lead = 60;
  QVERIFY(!readReminderSettings(folder, &s).ok());
  QCOMPARE(s.lead, kDefaultLead);

  // Read whole, however long; written over whole.
  const QByteArray comments = QByteArray("; ") + QByteArray(70000, 'x') + "\r\n";
  writeAll(path, comments + "[Reminders]\r\nLead=30\r\n");
  QVERIFY(readReminderSettings(path, &s).ok());
  QCOMPARE(s.lead, 30);
  QVERIFY(writeReminderSettings(path, {5}).ok());
  QCOMPARE(readAll(path), comments + "[Reminders]\r\nLead=5\r\n");

  // Bytes that are no settings text: told, and kept beside the new file.
  const QByteArray noise("\x01\x00\xFFgarbage\n\x7F", 12);
  writeAll(path, noise);
  QCOMPARE(readReminderSettings(path, &s).error, kNotOurFormat);
  QVERIFY(settingsReadProblem(readReminderSettings(path, &s)).find("Settings.ini.bak") != std::string::npos);
  std::string kept;
  QVERIFY(writeReminderSettings(path, {10}, &kept).ok());
  QCOMPARE(kept, path + ".bak");
  QCOMPARE(readAll(kept), noise);
  QCOMPARE(readAll(path), QByteArray("[Reminders]\nLead=10\n"));
}

QTEST_GUILESS_MAIN(TestReminderSchedule)
#include "tst_reminderschedule.moc"
