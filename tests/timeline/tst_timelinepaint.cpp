// Pixels of the painted timeline areas.
#include <QApplication>
#include <QImage>
#include <QTest>
#include <cstring>

#include "daymodel.h"
#include "timelinepaint.h"

using namespace plandor;

namespace {

QImage grabImage(QWidget& w) { return w.grab().toImage().convertToFormat(QImage::Format_RGB32); }

QColor at(const QImage& img, int x, int y) { return img.pixelColor(x, y); }

// Whether a pure pixel of colour c lies in the rectangle.
bool contains(const QImage& img, QRect r, QColor c) {
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (img.pixelColor(x, y) == c) return true;
  return false;
}

const QColor kBand[4] = {QColor(30, 144, 255), QColor(255, 140, 0), QColor(4, 112, 165), QColor(0, 0, 139)};
const QColor kPane[4] = {QColor(135, 206, 250), QColor(240, 230, 140), QColor(4, 112, 165), QColor(0, 0, 139)};

}  // namespace

class TestTimelinePaint : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QFont f(QStringLiteral("IPAPGothic"));
    f.setPixelSize(12);
    QApplication::setFont(f);
  }
  void timeColumnTicksAndLabels();
  void padPanesChangeColourOneRowApart();
  void barsOfEachSide();
};

void TestTimelinePaint::timeColumnTicksAndLabels() {
  TimeColumn column;
  column.resize(21, 2880);
  const QImage img = grabImage(column);
  const QColor white(Qt::white), bg = kTimeColumnColor;
  QCOMPARE(at(img, 10, 0), bg);  // no tick on row 0
  // Five minutes: x 8..11; ten: 6..13; half hour: 3..16. (The tick at
  // row 10 lies under the "AM" caption.)
  QCOMPARE(at(img, 7, 30), bg);
  QCOMPARE(at(img, 8, 30), white);
  QCOMPARE(at(img, 11, 30), white);
  QCOMPARE(at(img, 12, 30), bg);
  QCOMPARE(at(img, 5, 20), bg);
  QCOMPARE(at(img, 6, 20), white);
  QCOMPARE(at(img, 13, 20), white);
  QCOMPARE(at(img, 14, 20), bg);
  QCOMPARE(at(img, 2, 60), bg);
  QCOMPARE(at(img, 3, 60), white);
  QCOMPARE(at(img, 16, 60), white);
  QCOMPARE(at(img, 17, 60), bg);
  // A full hour: the tick starts at x 0; its label sits over the rest.
  QCOMPARE(at(img, 0, 120), white);
  QVERIFY(contains(img, QRect(7, 115, 8, 12), kBand[0]));
  // A label on a band boundary takes the colour of the band above it.
  QVERIFY(contains(img, QRect(7, 1435, 8, 9), kBand[1]));
  QVERIFY(!contains(img, QRect(7, 1435, 8, 9), kBand[2]));
  QVERIFY(contains(img, QRect(4, 2155, 14, 9), kBand[2]));
  // The AM/PM captions in their bands' colours.
  QVERIFY(contains(img, QRect(1, 5, 18, 12), kBand[0]));
  QVERIFY(contains(img, QRect(1, 725, 18, 12), kBand[1]));
  QVERIFY(contains(img, QRect(1, 1448, 18, 9), kBand[2]));
  QVERIFY(contains(img, QRect(1, 2165, 18, 12), kBand[3]));
  // The "6" at row 2880 shows its top rows only.
  bool inked = false;
  for (int y = 2875; y < 2880; ++y)
    for (int x = 7; x < 15; ++x) inked |= at(img, x, y) != bg && at(img, x, y) != white;
  QVERIFY(inked);
}

void TestTimelinePaint::padPanesChangeColourOneRowApart() {
  PadPane left(false), right(true);
  left.resize(300, 2882);
  right.resize(300, 2882);
  const QImage l = grabImage(left), r = grabImage(right);
  for (int band = 0; band < 4; ++band) {
    const int first = band * 720;
    QCOMPARE(at(l, 150, first), kPane[band]);
    QCOMPARE(at(r, 299, first + (band ? 1 : 0)), kPane[band]);
    if (band) {
      QCOMPARE(at(l, 0, first - 1), kPane[band - 1]);
      QCOMPARE(at(r, 0, first), kPane[band - 1]);
    }
  }
  QCOMPARE(at(l, 10, 2880), kPane[3]);
  QCOMPARE(at(r, 10, 2880), kPane[3]);
  QCOMPARE(at(l, 10, 2881), QColor(Qt::white));
}

void TestTimelinePaint::barsOfEachSide() {
  PadTable day = emptyPadTable();
  BarRecord* bars = day.Bars;
  auto set = [&](int slot, const char* side, int top, int bottom, std::int32_t color) {
    bars[slot].Side.setText(side);
    bars[slot].TopY = top;
    bars[slot].BottomY = bottom;
    bars[slot].Color = color;
  };
  set(0, "L", 240, 420, 0x0000FF);   // red
  set(1, "L", 300, 360, 0xFF0000);   // blue over red: the higher number wins
  set(2, "R", 240, 420, 0x00FF00);   // green, right only
  set(3, "L", -1, 600, 0x00FFFF);    // unset rows: never painted
  set(4, "", 1000, 1100, 0x00FFFF);  // no side: never painted
  set(5, "L", 2000, 1800, 0x00FFFF);  // ends before it starts (a routine as stored): no rows
  set(6, "R", 1500, 1500, 0x00FFFF);  // ends where it starts: no rows
  set(7, "R", 2800, 2880, 0x0000FF);  // ends at 06:00 next morning: through the last row
  DragArea leftArea(DragArea::Side::Left, day.Bars), rightArea(DragArea::Side::Right, day.Bars);
  leftArea.resize(12, 2880);
  rightArea.resize(13, 2880);
  const QImage l = grabImage(leftArea), r = grabImage(rightArea);
  const QColor red(255, 0, 0), blue(0, 0, 255), green(0, 255, 0), white(Qt::white);
  QCOMPARE(at(l, 0, 240), red);
  QCOMPARE(at(l, 10, 419), red);
  QCOMPARE(at(l, 11, 240), white);  // the gap next to the time column
  QCOMPARE(at(l, 0, 239), white);
  QCOMPARE(at(l, 0, 420), white);  // the end row is not painted
  QCOMPARE(at(l, 5, 330), blue);
  QCOMPARE(at(l, 5, 500), white);
  QCOMPARE(at(l, 5, 1050), white);
  QCOMPARE(at(r, 0, 300), white);
  QCOMPARE(at(r, 1, 300), green);
  QCOMPARE(at(r, 11, 300), green);
  QCOMPARE(at(r, 12, 300), white);
  QCOMPARE(at(r, 5, 330), green);
  for (int y : {1799, 1800, 1900, 1999, 2000}) QCOMPARE(at(l, 5, y), white);
  QCOMPARE(at(r, 5, 1500), white);
  QCOMPARE(at(r, 5, 2799), white);
  for (int y : {2800, 2879}) QCOMPARE(at(r, 5, y), red);
}

QTEST_MAIN(TestTimelinePaint)
#include "tst_timelinepaint.moc"
