// Rows and pad times, both ways; the drag gesture and the pad time rules
// on rows and entries, without a window.
#include <QTest>
#include <cstring>

#include "daymodel.h"
#include "daysteps.h"
#include "draggesture.h"
#include "padrules.h"
#include "timeaxis.h"

using namespace plandor;

class TestTimeAxis : public QObject {
  Q_OBJECT
 private slots:
  void yToTime_data();
  void yToTime();
  void timeToY_data();
  void timeToY();
  void everyEvenRowRoundTrips();
  void dragRows_data();
  void dragRows();
  void dragThatMakesNoPad();
  void scrollMarginIsThirtyRows_data();
  void scrollMarginIsThirtyRows();
  void neighbourDays_data();
  void neighbourDays();
  void padStoreRules_data();
  void padStoreRules();
  void barDragRows_data();
  void barDragRows();
  void planOfTheTimeNow_data();
  void planOfTheTimeNow();
};

void TestTimeAxis::yToTime_data() {
  QTest::addColumn<int>("y");
  QTest::addColumn<int>("hour");
  QTest::addColumn<int>("minute");
  QTest::addColumn<bool>("pm");
  QTest::newRow("06:00") << 0 << 6 << 0 << false;
  QTest::newRow("odd row 1 is still 06:00") << 1 << 6 << 0 << false;
  QTest::newRow("06:01") << 3 << 6 << 1 << false;
  QTest::newRow("07:00") << 121 << 7 << 0 << false;
  QTest::newRow("11:59") << 719 << 11 << 59 << false;
  QTest::newRow("noon") << 720 << 0 << 0 << true;
  QTest::newRow("17:59") << 1439 << 5 << 59 << true;
  QTest::newRow("18:00") << 1440 << 6 << 0 << true;
  QTest::newRow("23:59") << 2159 << 11 << 59 << true;
  QTest::newRow("midnight") << 2160 << 0 << 0 << false;
  QTest::newRow("05:59 next day") << 2879 << 5 << 59 << false;
}

void TestTimeAxis::yToTime() {
  QFETCH(int, y);
  QFETCH(int, hour);
  QFETCH(int, minute);
  QFETCH(bool, pm);
  QCOMPARE(YToTime(y), (PadTime{hour, minute, pm}));
}

void TestTimeAxis::timeToY_data() {
  QTest::addColumn<int>("hour");
  QTest::addColumn<int>("minute");
  QTest::addColumn<int>("pmFlag");
  QTest::addColumn<int>("y");
  QTest::newRow("AM 6:00") << 6 << 0 << 0 << 0;
  QTest::newRow("PM 0:00") << 0 << 0 << 1 << 720;
  QTest::newRow("AM 5:59") << 5 << 59 << 0 << 2878;
  QTest::newRow("AM 0:00") << 0 << 0 << 0 << 2160;
  QTest::newRow("AM 8:00") << 8 << 0 << 0 << 240;
  QTest::newRow("AM 9:30") << 9 << 30 << 0 << 420;
  QTest::newRow("hour 12 PM counts as index 0") << 12 << 30 << 1 << 60;
  QTest::newRow("hour 12 AM counts as index 0") << 12 << 30 << 0 << 60;
  QTest::newRow("hour -1 counts as index 0") << -1 << 0 << 1 << 0;
  QTest::newRow("minute 60 is the next hour") << 5 << 60 << 0 << 2880;
  QTest::newRow("negative minute lies above") << 6 << -10 << 0 << -20;
  QTest::newRow("a flag byte of 2 reads as AM") << 1 << 0 << 2 << 2280;
}

void TestTimeAxis::timeToY() {
  QFETCH(int, hour);
  QFETCH(int, minute);
  QFETCH(int, pmFlag);
  QFETCH(int, y);
  QCOMPARE(TimeToY(hour, minute, static_cast<std::uint8_t>(pmFlag)), y);
}

void TestTimeAxis::everyEvenRowRoundTrips() {
  for (int y = 0; y < kDayRows; y += 2) {
    const PadTime t = YToTime(y);
    QVERIFY(t.hour >= 0 && t.hour <= 11 && t.minute >= 0 && t.minute <= 59);
    QCOMPARE(TimeToY(t.hour, t.minute, t.pm), y);
    QCOMPARE(YToTime(y + 1), t);
  }
}

namespace {

QString text(const PadTime& t) {
  return QStringLiteral("%1%2:%3").arg(t.pm ? "PM" : "AM").arg(t.hour).arg(t.minute, 2, 10, QLatin1Char('0'));
}

}  // namespace

void TestTimeAxis::dragRows_data() {
  QTest::addColumn<int>("from");
  QTest::addColumn<int>("to");
  QTest::addColumn<QString>("period");
  QTest::addColumn<int>("startY");
  QTest::newRow("down") << 240 << 420 << "AM8:00-AM9:30" << 240;
  QTest::newRow("up gives the same period") << 600 << 240 << "AM8:00-AM11:00" << 240;
  QTest::newRow("odd rows truncate") << 121 << 361 << "AM7:00-AM9:00" << 121;
  QTest::newRow("above the strip starts at 6:00") << 300 << -40 << "AM6:00-AM8:30" << 0;
  QTest::newRow("below the strip ends at 5:59") << 2000 << 2880 << "PM10:40-AM5:59" << 2000;
  QTest::newRow("wholly below stays inside") << 2900 << 3000 << "AM5:59-AM5:59" << 2879;
  QTest::newRow("wholly above stays inside") << -50 << -10 << "AM6:00-AM6:00" << 0;
  QTest::newRow("a click") << 1680 << 1680 << "PM8:00-PM8:00" << 1680;
}

void TestTimeAxis::dragRows() {
  QFETCH(int, from);
  QFETCH(int, to);
  QFETCH(QString, period);
  QFETCH(int, startY);
  DragGesture g;
  g.press(true, from);
  std::array<bool, kPadSlots> used{};
  used[0] = used[1] = used[3] = true;  // slot 2 is the first free one
  const DragGesture::Release r = g.release(true, to, 4, used);
  QVERIFY(r.sound && r.pad);
  QCOMPARE(text(r.pad->start) + QLatin1Char('-') + text(r.pad->end), period);
  QCOMPARE(r.pad->startY, startY);
  QCOMPARE(r.pad->slot, 2);
  QVERIFY(!g.DragArmed && !g.DragActive);
}

// The view shows rows 240..744 (top 240, height 505); a move scrolls once
// it is less than 30 rows from an edge.
void TestTimeAxis::scrollMarginIsThirtyRows_data() {
  QTest::addColumn<int>("y");
  QTest::addColumn<bool>("down");
  QTest::addColumn<bool>("up");
  QTest::newRow("30 rows above the bottom") << 715 << false << false;
  QTest::newRow("29 rows above the bottom") << 716 << true << false;
  QTest::newRow("30 rows below the top") << 270 << false << false;
  QTest::newRow("29 rows below the top") << 269 << false << true;
  QTest::newRow("10 rows below the top") << 250 << false << true;
}

void TestTimeAxis::scrollMarginIsThirtyRows() {
  QFETCH(int, y);
  QFETCH(bool, down);
  QFETCH(bool, up);
  DragGesture g;
  g.press(true, 400);
  const DragGesture::Scroll s = g.move(y, 240, 505);
  QCOMPARE(s.down, down);
  QCOMPARE(s.up, up);
}

// 前の日 and 次の日 across month, year and leap day, up to the years a day
// file's four digits can name.
void TestTimeAxis::neighbourDays_data() {
  QTest::addColumn<QDate>("day");
  QTest::addColumn<int>("step");
  QTest::addColumn<QDate>("neighbour");  // null: none
  QTest::newRow("back over a year") << QDate(2006, 1, 1) << -1 << QDate(2005, 12, 31);
  QTest::newRow("on over a year") << QDate(2006, 12, 31) << 1 << QDate(2007, 1, 1);
  QTest::newRow("onto a leap day") << QDate(2004, 2, 28) << 1 << QDate(2004, 2, 29);
  QTest::newRow("over no leap day") << QDate(2006, 2, 28) << 1 << QDate(2006, 3, 1);
  QTest::newRow("back to the first nameable day") << QDate(1000, 1, 2) << -1 << QDate(1000, 1, 1);
  QTest::newRow("before the first nameable day") << QDate(1000, 1, 1) << -1 << QDate();
  QTest::newRow("on to the last nameable day") << QDate(9999, 12, 30) << 1 << QDate(9999, 12, 31);
  QTest::newRow("after the last nameable day") << QDate(9999, 12, 31) << 1 << QDate();
}

void TestTimeAxis::neighbourDays() {
  QFETCH(QDate, day);
  QFETCH(int, step);
  QFETCH(QDate, neighbour);
  const std::optional<LocalDate> n = neighbourDay({day.year(), day.month(), day.day()}, step);
  QCOMPARE(n ? QDate(n->year, n->month, n->day) : QDate(), neighbour);
}

void TestTimeAxis::dragThatMakesNoPad() {
  std::array<bool, kPadSlots> none{}, all{};
  all.fill(true);
  DragGesture g;
  QCOMPARE(g.move(2000, 240, 505).down, false);  // no press yet: not followed
  g.press(false, 100);
  QVERIFY(!g.DragArmed);
  g.press(true, 100);
  const DragGesture::Scroll s = g.move(740, 240, 505);
  QVERIFY(s.down && !s.up);
  QVERIFY(g.move(250, 240, 505).up);
  DragGesture::Release r = g.release(false, 300, 0, none);  // another button
  QVERIFY(!r.sound && !r.pad && g.DragArmed && !g.DragActive);
  r = g.release(true, 300, kPadSlots, none);  // pad 24 has a bar
  QVERIFY(!r.sound && !r.pad);
  r = g.release(true, 300, 3, all);  // every frame in use: only the sound
  QVERIFY(r.sound && !r.pad && !g.DragArmed);
  r = g.release(true, 300, 0, none);  // not armed any more
  QVERIFY(!r.sound && !r.pad);

  // The auto-scroll's pause ignores moves; a release during it makes the
  // pad and ends the drag for good, so later moves scroll nothing.
  g.press(true, 700);
  g.beginPause();
  QVERIFY(!g.move(740, 240, 505).down);
  g.endPause();
  QVERIFY(g.move(740, 240, 505).down);
  g.beginPause();
  QVERIFY(g.release(true, 740, 0, none).pad);
  g.endPause();
  QVERIFY(!g.DragActive && !g.move(740, 240, 505).down);
  g.press(true, 100);  // a new press starts afresh
  QVERIFY(g.DragActive);
}

void TestTimeAxis::padStoreRules_data() {
  QTest::addColumn<bool>("isChange");
  QTest::addColumn<QString>("startHour");
  QTest::addColumn<int>("startMinute");
  QTest::addColumn<bool>("startPM");
  QTest::addColumn<QString>("endHour");
  QTest::addColumn<int>("endMinute");
  QTest::addColumn<bool>("endPM");
  QTest::addColumn<int>("verdict");
  QTest::addColumn<QString>("bar");  // side top bottom, after the store
  QTest::addColumn<QString>("times");
  // The slot holds an accepted pad AM 8:00 - AM 9:30 ("L", 240, 420).
  const int stored = int(PadVerdict::Stored), order = int(PadVerdict::EndNotAfterStart);
  QTest::newRow("save") << false << "7" << 0 << false << "8" << 45 << false << stored << "L 120 330" << "7:00-8:45";
  QTest::newRow("save: start before 6:00") << false << "6" << -10 << false << "7" << 0 << false << stored << "L 0 120"
                                           << "6:00-7:00";
  QTest::newRow("save: end after 5:59") << false << "10" << 0 << true << "5" << 90 << false << stored << "L 1920 2879"
                                        << "10:00-5:59";
  QTest::newRow("save: 12 PM is noon") << false << "12" << 30 << true << "1" << 0 << true << stored << "L 780 840"
                                       << "0:30-1:00";
  QTest::newRow("save: refused order clears") << false << "7" << 0 << false << "7" << 0 << false << order << " -1 -1"
                                              << "-1:-1--1:-1";
  QTest::newRow("change: refused order restores") << true << "9" << 0 << false << "7" << 0 << false << order
                                                  << "L 240 420" << "8:00-9:30";
  QTest::newRow("change: hour 13 refused") << true << "13" << 0 << false << "9" << 0
                                           << false << int(PadVerdict::HourOutsideDial) << "L 240 420" << "8:00-9:30";
  QTest::newRow("change: non-integer refused") << true << " 8x" << 0 << false << "9" << 0
                                               << false << int(PadVerdict::NotInteger) << "L 240 420" << "8:00-9:30";
  QTest::newRow("change: leading blanks and a sign") << true << "  +9" << 0 << false << "10" << 0 << false << stored
                                                     << "L 360 480" << "9:00-10:00";
}

void TestTimeAxis::padStoreRules() {
  QFETCH(bool, isChange);
  QFETCH(QString, startHour);
  QFETCH(int, startMinute);
  QFETCH(bool, startPM);
  QFETCH(QString, endHour);
  QFETCH(int, endMinute);
  QFETCH(bool, endPM);
  QFETCH(int, verdict);
  QFETCH(QString, bar);
  QFETCH(QString, times);
  const PadTable empty = emptyPadTable();
  BarRecord b = empty.Bars[0];
  PadRecord p = empty.Pads[0];
  b.Side.setRaw("L"), b.TopY = 240, b.BottomY = 420;
  p.StartHour = 8, p.StartMinute = 0, p.EndHour = 9, p.EndMinute = 30;
  SchedEntry e;
  e.common = {4, "散歩", "", 0x0000FF, {startHour.toStdString(), startMinute, startPM},
              {endHour.toStdString(), endMinute, endPM}};
  e.top = 500;
  const PadStoreResult r = isChange ? change(e, b, p) : temporarySave(e, b, p);
  QCOMPARE(int(r.verdict), verdict);
  QCOMPARE(QStringLiteral("%1 %2 %3").arg(QString::fromStdString(std::string(r.bar.Side.raw()))).arg(r.bar.TopY)
               .arg(r.bar.BottomY),
           bar);
  QCOMPARE(QStringLiteral("%1:%2-%3:%4").arg(r.pad.StartHour).arg(r.pad.StartMinute, 2, 10, QLatin1Char('0'))
               .arg(r.pad.EndHour).arg(r.pad.EndMinute, 2, 10, QLatin1Char('0')),
           times);
  if (r.verdict == PadVerdict::Stored) {
    QCOMPARE(r.bar.Color, 0x0000FF);
    QCOMPARE(r.pad.Top, isChange ? 500 : r.bar.TopY + 1);  // a save snaps level with the bar
  }
}

// Stored bars on the left: pad 1 9:00-10:00, pad 3 11:00-11:02, pad 4
// 9:30-9:40 over pad 1; pad 2 9:00-10:00 on the right.
void TestTimeAxis::barDragRows_data() {
  QTest::addColumn<int>("press");
  QTest::addColumn<int>("to");
  QTest::addColumn<QString>("hit");  // slot and grip
  QTest::addColumn<QString>("period");
  const QString move = "0 move", start = "0 start", end = "0 end";
  QTest::newRow("the body moves by steps") << 400 << 460 << move << "9:30 – 10:30";
  QTest::newRow("less than half a step stays") << 400 << 404 << move << "9:00 – 10:00";
  QTest::newRow("half a step takes one") << 400 << 395 << move << "8:55 – 9:55";
  QTest::newRow("the lower edge stretches the end") << 478 << 598 << end << "9:00 – 11:00";
  QTest::newRow("the upper edge moves the start") << 361 << 301 << start << "8:30 – 10:00";
  QTest::newRow("the end stays a step after the start") << 479 << 100 << end << "9:00 – 9:05";
  QTest::newRow("the start stays a step before the end") << 360 << 900 << start << "9:55 – 10:00";
  QTest::newRow("a move stops at 6:00") << 400 << -500 << move << "6:00 – 7:00";
  QTest::newRow("a move stops at 5:59") << 400 << 5000 << move << "4:59 – 5:59";
  QTest::newRow("the end stops at 5:59") << 477 << 9000 << end << "9:00 – 5:59";
  QTest::newRow("the start stops at 6:00") << 362 << -90 << start << "6:00 – 10:00";
  QTest::newRow("the row below a bar is free") << 480 << 600 << "-1 none" << "";
  QTest::newRow("the higher pad is on top") << 430 << 450 << "3 move" << "9:40 – 9:50";
  QTest::newRow("a short bar keeps a body") << 601 << 621 << "2 move" << "11:10 – 11:12";
  QTest::newRow("a bar shorter than a step keeps its length") << 600 << 640 << "2 start" << "11:00 – 11:02";
  QTest::newRow("a stored 12 moves as the 0 it shows") << 780 << 840 << "4 move" << "12:30 – 13:30";
}

void TestTimeAxis::barDragRows() {
  QFETCH(int, press);
  QFETCH(int, to);
  QFETCH(QString, hit);
  QFETCH(QString, period);
  PadTable t = emptyPadTable();
  auto put = [&t](int slot, const char* side, int top, int bottom) {
    t.Bars[slot].Side.setRaw(side), t.Bars[slot].TopY = top, t.Bars[slot].BottomY = bottom;
    retimePad({top, bottom}, t.Bars[slot], t.Pads[slot]);
  };
  put(0, "L", 360, 480);
  put(1, "R", 360, 480);
  put(2, "L", 600, 604);
  put(3, "L", 420, 440);
  put(4, "L", 720, 840);
  t.Pads[4].StartHour = 12;  // noon as earlier planners stored it
  const BarHit h = hitBar(t.Bars, 'L', press);
  const char* grips[] = {"none", "move", "start", "end"};
  QCOMPARE(QStringLiteral("%1 %2").arg(h.slot).arg(grips[int(h.grip)]), hit);
  if (h.slot < 0) return;
  const std::optional<BarRows> from = padRows(t.Pads[h.slot]);
  QVERIFY(from);
  const BarRows rows = stepBar(h.grip, *from, press, to);
  QCOMPARE(QString::fromStdString(periodText(rows)), period);
  // What the day stores: times, bar and frame level with the start.
  retimePad(rows, t.Bars[h.slot], t.Pads[h.slot]);
  QVERIFY(padRows(t.Pads[h.slot]) == rows);
  QCOMPARE(t.Pads[h.slot].Top, rows.top + 1);
}

void TestTimeAxis::planOfTheTimeNow_data() {
  QTest::addColumn<int>("hour");
  QTest::addColumn<int>("minute");
  QTest::addColumn<QString>("plan");
  QTest::addColumn<int>("row");
  QTest::newRow("09:41 on today's plan") << 9 << 41 << "2027-01-01" << 442;
  QTest::newRow("06:00 starts today's") << 6 << 0 << "2027-01-01" << 0;
  QTest::newRow("midnight is the day before's") << 0 << 0 << "2026-12-31" << 2160;
  QTest::newRow("05:59 is the day before's") << 5 << 59 << "2026-12-31" << 2878;
}

void TestTimeAxis::planOfTheTimeNow() {
  QFETCH(int, hour);
  QFETCH(int, minute);
  QFETCH(QString, plan);
  QFETCH(int, row);
  const PlanMoment m = planMoment({{2027, 1, 1}, hour, minute, 30});
  QCOMPARE(QStringLiteral("%1-%2-%3").arg(m.plan.year).arg(m.plan.month, 2, 10, QLatin1Char('0'))
               .arg(m.plan.day, 2, 10, QLatin1Char('0')),
           plan);
  QCOMPARE(m.row, row);
}

QTEST_GUILESS_MAIN(TestTimeAxis)
#include "tst_timeaxis.moc"
