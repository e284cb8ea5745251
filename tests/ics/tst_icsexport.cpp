// The export rules without files or a server: times of the planner's day on
// the calendar, folding, the text rules, routines per date, and what a
// publish sends against what a server lists.
#include <QTest>
#include <cstring>

#include "caldav.h"
#include "dayrecords.h"
#include "icsexport.h"
#include "routineday.h"

using namespace plandor;
using namespace plandor::ics;

namespace {

constexpr LocalDate kMonday{2026, 1, 5};


// Times as "HH:MM" on the 24-hour clock, as the user reads them.
template <class Record>
void setTimes(Record& r, const char* start, const char* end) {
  const auto put = [](const char* t, std::int32_t& hour, std::int32_t& minute, std::uint8_t& pm) {
    const int h = std::atoi(t), m = std::atoi(t + 3);
    pm = h >= 12;
    hour = pm ? h - 12 : h % 12;
    minute = m;
  };
  put(start, r.StartHour, r.StartMinute, r.StartPM);
  put(end, r.EndHour, r.EndMinute, r.EndPM);
}

std::string timeText(const icaltimetype& t) { return icaltime_as_ical_string(t); }

std::string prop(const Item& item, icalproperty_kind kind) {
  icalproperty* p = icalcomponent_get_first_property(item.component.get(), kind);
  return p ? icalproperty_get_value_as_string(p) : "";
}

std::vector<std::string> uids(const std::vector<Item>& items) {
  std::vector<std::string> out;
  for (const Item& i : items) out.push_back(i.uid);
  return out;
}

RemoteItem remoteOf(const Item& item, const char* href, const char* etag) {
  return RemoteItem{href, etag, item.uid, item.date, comparableDigest(item.component.get())};
}

}  // namespace

class TestIcsExport : public QObject {
  Q_OBJECT
 private slots:
  void padTimesOnTheCalendar_data();
  void padTimesOnTheCalendar();
  void foldedLines_data();
  void foldedLines();
  void plainTexts_data();
  void plainTexts();
  void routinesAsRoutineDisplayLaysThem();
  void planOfAPublish();
  void serverListing();
  void serverCopyCompared_data();
  void serverCopyCompared();
  void netrcEntries_data();
  void netrcEntries();
};

void TestIcsExport::padTimesOnTheCalendar_data() {
  QTest::addColumn<QString>("start");
  QTest::addColumn<QString>("end");
  QTest::addColumn<QString>("dtstart");
  QTest::addColumn<QString>("dtend");
  QTest::newRow("morning") << "09:00" << "10:30" << "20260105T090000" << "20260105T103000";
  QTest::newRow("from the dial's first minute") << "06:00" << "07:00" << "20260105T060000" << "20260105T070000";
  QTest::newRow("ends at midnight: the next date") << "22:00" << "00:00" << "20260105T220000" << "20260106T000000";
  QTest::newRow("across midnight") << "23:30" << "01:15" << "20260105T233000" << "20260106T011500";
  QTest::newRow("after midnight") << "00:00" << "05:59" << "20260106T000000" << "20260106T055900";
  QTest::newRow("noon") << "12:00" << "13:00" << "20260105T120000" << "20260105T130000";
  // Stored as earlier planners kept them: "hour minute pm".
  QTest::newRow("stored 12 PM is noon") << "=12 0 1" << "=1 0 1" << "20260105T120000" << "20260105T130000";
  QTest::newRow("stored 12 AM is midnight") << "=11 0 1" << "=12 30 0" << "20260105T230000" << "20260106T003000";
  QTest::newRow("ends at 5:60 AM: 06:00 next") << "=10 0 1" << "=5 60 0" << "20260105T220000" << "20260106T060000";
  QTest::newRow("ends at 6:00 AM: 06:00 next") << "=10 0 1" << "=6 0 0" << "20260105T220000" << "20260106T060000";
  QTest::newRow("the whole day") << "=6 0 0" << "=6 0 0" << "20260105T060000" << "20260106T060000";
}

void TestIcsExport::padTimesOnTheCalendar() {
  QFETCH(QString, start);
  QFETCH(QString, end);
  QFETCH(QString, dtstart);
  QFETCH(QString, dtend);
  DayFile day = emptyDayFile();
  day.Pads[2].PadNo = 3;
  setTimes(day.Pads[2], start.toUtf8().constData(), end.toUtf8().constData());
  const auto stored = [](const QString& t, std::int32_t& hour, std::int32_t& minute, std::uint8_t& pm) {
    if (!t.startsWith('=')) return;
    const QStringList f = t.mid(1).split(' ');
    hour = f[0].toInt(), minute = f[1].toInt(), pm = std::uint8_t(f[2].toInt());
  };
  PadRecord& p = day.Pads[2];
  stored(start, p.StartHour, p.StartMinute, p.StartPM);
  stored(end, p.EndHour, p.EndMinute, p.EndPM);
  std::vector<Item> items;
  std::vector<std::string> warnings;
  addDayItems(items, kMonday, day, {}, "day", warnings);
  QCOMPARE(items.size(), std::size_t(1));
  QCOMPARE(items[0].uid, std::string("20260105-pad3@plandor"));
  QCOMPARE(prop(items[0], ICAL_DTSTART_PROPERTY), dtstart.toStdString());
  QCOMPARE(prop(items[0], ICAL_DTEND_PROPERTY), dtend.toStdString());
  QVERIFY(warnings.empty());
}

void TestIcsExport::foldedLines_data() {
  QTest::addColumn<QByteArray>("input");
  const QByteArray ascii(200, 'a');
  QByteArray kana;
  for (int i = 0; i < 60; ++i) kana += "あ";
  QTest::newRow("short") << QByteArray("SUMMARY:a\r\n");
  QTest::newRow("75 octets stay one line") << QByteArray("DESCRIPTION:" + ascii.left(63) + "\r\n");
  QTest::newRow("76 octets fold") << QByteArray("DESCRIPTION:" + ascii.left(64) + "\r\n");
  QTest::newRow("long ascii") << QByteArray("DESCRIPTION:" + ascii + "\r\n");
  QTest::newRow("3-byte characters") << QByteArray("DESCRIPTION:" + kana + "\r\n");
  QTest::newRow("offset 3-byte characters") << QByteArray("DESCRIPTION:x" + kana + "\r\n");
  // libical's own fold of a 73-octet text, split between its CR and LF.
  QTest::newRow("libical's split line end")
      << QByteArray("BEGIN:VEVENT\r\nDESCRIPTION:\r\n " + ascii.left(73) + "\r\r\n \nEND:VEVENT\r\n");
  QTest::newRow("libical's fold inside a character")
      << QByteArray("DESCRIPTION:" + kana.left(61) + "\r\n " + kana.mid(61) + "\r\n");
}

void TestIcsExport::foldedLines() {
  QFETCH(QByteArray, input);
  const std::string out = foldLines(input.toStdString());
  // Unfolded, the output is the input unfolded (the split CR LF repaired).
  QByteArray unfolded = QByteArray::fromStdString(out), expected = input;
  expected.replace("\r\r\n \n", "\r\n").replace("\r\n ", "");
  QCOMPARE(unfolded.replace("\r\n ", ""), expected);
  QVERIFY(out.size() >= 2 && out.substr(out.size() - 2) == "\r\n");
  QByteArray lines = QByteArray::fromStdString(out);
  lines.chop(2);
  lines.replace("\r\n", QByteArray(1, '\0'));
  for (const QByteArray& line : lines.split('\0')) {
    QVERIFY2(!line.contains('\r') && !line.contains('\n'), line.constData());
    QVERIFY2(line.size() <= 75, line.constData());
    QVERIFY2(isUtf8(line.toStdString()), "a fold splits a character");
  }
}

void TestIcsExport::plainTexts_data() {
  QTest::addColumn<QByteArray>("stored");  // CP932 bytes
  QTest::addColumn<QString>("shown");
  QTest::newRow("empty") << QByteArray() << "";
  QTest::newRow("0x5C is yen") << QByteArray("\\1000") << "¥1000";
  QTest::newRow("trail byte 0x5C stays in its character") << QByteArray("\x97\\\\") << "予¥";
  QTest::newRow("full-width backslash stays") << QByteArray("\x81\x5f") << "＼";
  QTest::newRow("CR LF and CR are line breaks") << QByteArray("a\r\nb\rc\nd") << "a\nb\nc\nd";
  QTest::newRow("control bytes dropped, tab kept") << QByteArray("a\x01\x1f\x7f" "b\tc", 8) << "ab\tc";
  QTest::newRow("a NUL dropped") << QByteArray("x\0y", 3) << "xy";
}

void TestIcsExport::plainTexts() {
  QFETCH(QByteArray, stored);
  QFETCH(QString, shown);
  QCOMPARE(QString::fromStdString(plainText(cp932ToUtf8(stored.toStdString()))), shown);
}

void TestIcsExport::routinesAsRoutineDisplayLaysThem() {
  RoutineSet set;
  std::memset(set, 0, sizeof set);
  for (auto& r : set) ClearRoutine(r);
  const auto routine = [&](int slot, const char* keyword, const char* start, const char* end, bool show,
                           std::initializer_list<int> days) {
    RoutineRecord& r = set[slot];
    r.RoutineNo = slot + 1;
    r.Keyword.setText(keyword);
    setTimes(r, start, end);
    r.Show = show;
    for (int d : days) r.DOW[d] = 1;
  };
  routine(0, "体操", "07:00", "07:30", true, {1, 3});
  routine(1, "隠す", "08:00", "09:00", false, {1});
  routine(2, "夜勤", "01:00", "02:00", true, {1, 2});
  routine(3, "逆", "10:00", "09:00", true, {1});
  routine(4, "時刻なし", "10:00", "11:00", true, {1});
  set[4].EndHour = -1;
  std::vector<Item> items;
  std::vector<std::string> warnings;
  for (LocalDate d = kMonday; d.day <= 7; d = nextDate(d)) addRoutineItems(items, d, set, "Routines.rdf", warnings);
  QCOMPARE(uids(items), (std::vector<std::string>{"20260105-routine1@plandor", "20260105-routine3@plandor",
                                                  "20260106-routine3@plandor", "20260107-routine1@plandor"}));
  // Monday's routine after midnight is on the calendar's Tuesday.
  QCOMPARE(prop(items[1], ICAL_DTSTART_PROPERTY), std::string("20260106T010000"));
  QCOMPARE(items[1].date, kMonday);
  QCOMPARE(prop(items[0], ICAL_SUMMARY_PROPERTY), std::string("体操"));
  // The reversed routine is named once, not once a date.
  QCOMPARE(warnings, std::vector<std::string>{"Routines.rdf: ルーチン 4 は時刻が逆です。書き出しません。"});
  // Routine display lays three on that Monday; the reversed one has no event.
  BarRecord bars[kPadSlots];
  PadRecord pads[kPadSlots];
  QCOMPARE(RoutinePads(set, 1, bars, pads), 3);
}

void TestIcsExport::planOfAPublish() {
  DayFile day = emptyDayFile();
  for (int i = 0; i < 3; ++i) {
    day.Pads[i].PadNo = i + 1;
    setTimes(day.Pads[i], "09:00", "10:00");
    day.Pads[i].Keyword.setText(i == 0 ? "会議" : "作業");
  }
  std::vector<Item> ours, theirs, before;
  std::vector<std::string> warnings;
  addDayItems(ours, kMonday, day, {}, "day", warnings);
  day.Pads[1].Keyword.setText("前の");
  addDayItems(before, kMonday, day, {}, "day", warnings);
  addDayItems(before, nextDate(kMonday), day, {}, "day", warnings);  // pads of the 6th: outside the range
  day.Pads[3] = day.Pads[2], day.Pads[3].PadNo = 4;
  addDayItems(before, kMonday, day, {}, "day", warnings);  // pad 4 of the 5th: since removed

  std::vector<RemoteItem> remote;
  remote.push_back(remoteOf(before[0], "/u/p/a.ics", "\"1\""));   // pad 1, unchanged
  remote.push_back(remoteOf(before[1], "/u/p/b.ics", "\"2\""));   // pad 2, changed
  remote.push_back(remoteOf(before[3], "/u/p/c.ics", "\"3\""));   // the 6th's pad 1
  remote.push_back(remoteOf(before[9], "/u/p/d.ics", "\"4\""));   // the 5th's pad 4
  // Our UID, whatever the server did to the rest (an old import, the date
  // mark lost): the UID says it is ours and of which day.
  remote.push_back({"/u/p/old.ics", "\"6\"", "20260105-pad3@plandor", kMonday, ""});
  remote.push_back({"/u/p/oldgone.ics", "\"7\"", "20260105-pad9@plandor", kMonday, ""});
  // A second copy of pad 1 under another name (imported by another client).
  remote.push_back(remoteOf(before[0], "/u/p/copy.ics", "\"8\""));

  const Plan plan = planPublish(ours, remote, kMonday, kMonday);
  QCOMPARE(plan.unchanged, 1);
  std::vector<std::string> steps;
  for (const Step& s : plan.steps)
    steps.push_back(std::to_string(int(s.kind)) + " " + s.uid + " " + s.href + " " + s.etag);
  QCOMPARE(steps, (std::vector<std::string>{
                      "1 20260105-pad2@plandor /u/p/b.ics \"2\"",
                      "1 20260105-pad3@plandor /u/p/old.ics \"6\"",
                      "2 20260105-pad4@plandor /u/p/d.ics \"4\"",
                      "2 20260105-pad9@plandor /u/p/oldgone.ics \"7\"",
                      "2 20260105-pad1@plandor /u/p/copy.ics \"8\"",
                  }));
  // A new item goes to a name of its UID, created only where nothing is.
  const Plan fresh = planPublish(ours, {}, kMonday, kMonday);
  QCOMPARE(fresh.steps.size(), std::size_t(3));
  QCOMPARE(fresh.steps[0].kind, Step::Kind::Create);
  QCOMPARE(fresh.steps[0].href, std::string("20260105-pad1-plandor.ics"));
}

void TestIcsExport::serverListing() {
  // Another server's prefixes, an entity in the data, a response without data.
  const std::string xml =
      "<?xml version=\"1.0\"?>\n"
      "<multistatus xmlns=\"DAV:\" xmlns:cal=\"urn:ietf:params:xml:ns:caldav\">"
      "<response><href>/u/p/x.ics</href><propstat><prop><getetag>\"e1\"</getetag>"
      "<cal:calendar-data>BEGIN:VCALENDAR&#13;\nVERSION:2.0&#13;\nBEGIN:VEVENT&#13;\n"
      "UID:20260105-pad1@plandor&#13;\nX-PLANDOR-DATE:20260105&#13;\nX-PLANDOR-HASH:abc&#13;\n"
      "DTSTART:20260105T090000&#13;\nEND:VEVENT&#13;\nEND:VCALENDAR&#13;\n</cal:calendar-data>"
      "</prop><status>HTTP/1.1 200 OK</status></propstat></response>"
      "<response><href>/u/p/y.ics</href><propstat><prop><getetag>\"e2\"</getetag>"
      "<cal:calendar-data>BEGIN:VCALENDAR\nBEGIN:VEVENT\nUID:x@plandor\nEND:VEVENT\nEND:VCALENDAR\n"
      "</cal:calendar-data></prop></propstat></response>"
      "<response><href>/u/p/z.ics</href></response>"
      "</multistatus>";
  // Only this program's items come out, told by their UID alone.
  const auto items = parseMultistatus(xml);
  QVERIFY(items);
  QCOMPARE(items->size(), std::size_t(1));
  const RemoteItem& x = (*items)[0];
  QCOMPARE(x.href, std::string("/u/p/x.ics"));
  QCOMPARE(x.etag, std::string("\"e1\""));
  QCOMPARE(x.uid, std::string("20260105-pad1@plandor"));
  QCOMPARE(x.date, kMonday);
  QVERIFY(!x.digest.empty());
  QVERIFY(!parseMultistatus("<html>error</html>"));
  QVERIFY(!parseMultistatus("<multistatus xmlns=\"DAV:\"><response>"));
  // A body that arrives in pieces of any size reads the same.
  std::vector<RemoteItem> pieces;
  MultistatusReader reader([&](RemoteItem&& r) { pieces.push_back(std::move(r)); });
  for (std::size_t i = 0; i < xml.size(); i += 7) reader.feed(xml.data() + i, std::min<std::size_t>(7, xml.size() - i));
  QVERIFY(reader.finish());
  QCOMPARE(pieces.size(), std::size_t(1));
  QCOMPARE(pieces[0].digest, x.digest);
}

void TestIcsExport::serverCopyCompared_data() {
  QTest::addColumn<QByteArray>("from");
  QTest::addColumn<QByteArray>("to");
  QTest::addColumn<bool>("same");
  QTest::newRow("as sent") << QByteArray() << QByteArray() << true;
  QTest::newRow("stamps and counters of the server's")
      << QByteArray("END:VEVENT")
      << QByteArray("SEQUENCE:4\r\nCREATED:20300101T000000Z\r\nLAST-MODIFIED:20300101T000000Z\r\nEND:VEVENT") << true;
  QTest::newRow("another time stamp") << QByteArray("DTSTAMP:20260101T000000Z") << QByteArray("DTSTAMP:20300101T000000Z")
                                      << true;
  QTest::newRow("properties reordered, folded elsewhere, LF only")
      << QByteArray("SUMMARY:会議\r\n") << QByteArray("") << true;
  QTest::newRow("the trailing blank a reader drops") << QByteArray("メモ \r\n") << QByteArray("メモ\r\n") << true;
  QTest::newRow("a repeat rule") << QByteArray("END:VEVENT") << QByteArray("RRULE:FREQ=DAILY;COUNT=5\r\nEND:VEVENT")
                                 << false;
  QTest::newRow("cancelled") << QByteArray("END:VEVENT") << QByteArray("STATUS:CANCELLED\r\nEND:VEVENT") << false;
  QTest::newRow("an alarm") << QByteArray("END:VEVENT")
                            << QByteArray("BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT5M\r\nEND:VALARM\r\nEND:VEVENT")
                            << false;
  QTest::newRow("a part of a kind no reader knows")
      << QByteArray("END:VEVENT") << QByteArray("BEGIN:X-THING\r\nX-A:1\r\nEND:X-THING\r\nEND:VEVENT") << false;
  QTest::newRow("moved") << QByteArray("DTSTART:20260105T090000") << QByteArray("DTSTART:20260110T090000") << false;
  QTest::newRow("a text") << QByteArray("メモ \r\n") << QByteArray("メモ!\r\n") << false;
  QTest::newRow("the date mark lost") << QByteArray("X-PLANDOR-DATE:20260105\r\n") << QByteArray("") << false;
}

void TestIcsExport::serverCopyCompared() {
  QFETCH(QByteArray, from);
  QFETCH(QByteArray, to);
  QFETCH(bool, same);
  DayFile day = emptyDayFile();
  day.Pads[0].PadNo = 1;
  setTimes(day.Pads[0], "09:00", "10:00");
  day.Pads[0].Keyword.setText("会議");
  day.Pads[0].Memo.setText("メモ ");
  std::vector<Item> items;
  std::vector<std::string> warnings;
  addDayItems(items, kMonday, day, {}, "day", warnings);
  QCOMPARE(items.size(), std::size_t(1));
  const icaltimetype stamp = icaltime_from_string("20260101T000000Z");
  QByteArray text = QByteArray::fromStdString(resourceFile(items[0], stamp));
  if (from == "SUMMARY:会議\r\n") {
    // Moved to the end, and every line end a bare LF.
    text.replace(from, "");
    text.replace("END:VEVENT", "SUMMARY:会議\r\nEND:VEVENT");
    text.replace("\r\n", "\n");
  } else if (!from.isEmpty()) {
    QVERIFY2(text.contains(from), text.constData());
    text.replace(from, to);
  }
  Component server(icalparser_parse_string(text.constData()));
  QVERIFY(server);
  QCOMPARE(comparableDigest(server.get()) == comparableDigest(items[0].component.get()), same);
}

void TestIcsExport::netrcEntries_data() {
  QTest::addColumn<QString>("netrc");
  QTest::addColumn<QString>("login");
  QTest::addColumn<bool>("encrypted");
  QTest::addColumn<QString>("password");  // "-": none
  const QString two = "machine h login u password pu\nmachine h login v password pv\n";
  QTest::newRow("machine and login") << two << "v" << false << "pv";
  QTest::newRow("another login") << two << "w" << false << "-";
  QTest::newRow("another machine") << "machine g login u password pg\n" << "u" << true << "-";
  QTest::newRow("on one line, then spread") << "machine g login u password x machine h\n  login u\n  password \"a b\"\n"
                                            << "u" << false << "a b";
  QTest::newRow("default over http") << "default login u password d\n" << "u" << false << "-";
  QTest::newRow("default over https") << "default login u password d\n" << "u" << true << "d";
  QTest::newRow("default of another login") << "default login v password d\n" << "u" << true << "-";
  QTest::newRow("a machine before the default") << "default login u password d\nmachine h login u password m\n" << "u"
                                                << true << "m";
  QTest::newRow("a macro skipped") << "macdef init\nmachine h login u password evil\n\nmachine h login u password ok\n"
                                   << "u" << false << "ok";
  QTest::newRow("no password") << "machine h login u\n" << "u" << false << "-";
}

void TestIcsExport::netrcEntries() {
  QFETCH(QString, netrc);
  QFETCH(QString, login);
  QFETCH(bool, encrypted);
  QFETCH(QString, password);
  const auto got = netrcPassword(netrc.toStdString(), "h", login.toStdString(), encrypted);
  QCOMPARE(got ? QString::fromStdString(*got) : QString("-"), password);
}

QTEST_APPLESS_MAIN(TestIcsExport)
#include "tst_icsexport.moc"
