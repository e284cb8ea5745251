// Rows and pad times, both ways.
#include <QTest>

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

QTEST_GUILESS_MAIN(TestTimeAxis)
#include "tst_timeaxis.moc"
