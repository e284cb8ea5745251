// Building and rebuilding 24 pads from the pad table (as loading and
// removal do) against frames of 16.7 ms, and the pixels one wheel step
// repaints against the rows it scrolls in. Runs on the offscreen platform.
#include <QApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "appsetup.h"
#include "frmmain.h"
#include "scriptedplatform.h"

using namespace plandor;

namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

void fillDay(DayModel& day) {
  PadTable t = emptyPadTable();
  for (int i = 0; i < kPadSlots; ++i) {
    BarRecord& b = t.Bars[i];
    b.Side.setText(i % 2 ? "R" : "L");
    b.TopY = i * 120;
    b.BottomY = i * 120 + 60;
    b.Color = 0x0000FF;
    PadRecord& p = t.Pads[i];
    p.PadNo = i + 1;
    p.Left = i % 2 ? 351 : 4;
    p.Top = i * 120 + 1;
    p.Keyword.setText("キーワード");
    p.StartHour = (i + 6) % 12, p.StartMinute = 0, p.StartPM = i >= 6 && i < 18;
    p.EndHour = (i + 6) % 12, p.EndMinute = 30, p.EndPM = p.StartPM;
  }
  day.restore(t);
}

// Pixels painted by the widgets of the timeline's view (the strip and its
// pads, not the scroll bar): every widget's paint region counts, so a row
// painted by two stacked widgets counts twice.
class PaintCounter final : public QObject {
 public:
  explicit PaintCounter(QWidget* view) : view_(view) { qApp->installEventFilter(this); }
  ~PaintCounter() override { qApp->removeEventFilter(this); }
  void reset() { pixels = 0, rows = QRegion(); }
  long long pixels = 0;
  QRegion rows;  // what was painted, in the view's coordinates

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() != QEvent::Paint || !o->isWidgetType()) return false;
    auto* w = static_cast<QWidget*>(o);
    if (w != view_ && !view_->isAncestorOf(w)) return false;
    const QRegion& r = static_cast<QPaintEvent*>(e)->region();
    for (const QRect& rect : r) pixels += static_cast<long long>(rect.width()) * rect.height();
    rows += r.translated(w->mapTo(view_, QPoint()));
    return false;
  }

 private:
  QWidget* view_;
};

long long area(const QRegion& r) {
  long long a = 0;
  for (const QRect& rect : r) a += static_cast<long long>(rect.width()) * rect.height();
  return a;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  setUpApplication(app);
  QTemporaryDir dir;
  ScriptedPlatform platform;
  PlannerState state;
  state.DataFolder = dir.path().toStdString();
  TfrmMain window(state, platform);
  window.show();

  state.day.openEmpty(state.day.todayPath());
  fillDay(state.day);
  bool headerSet;
  state.day.save(state.Today, &headerSet);
  QElapsedTimer first;
  first.start();
  window.LoadDayFile(state.day.todayPath());
  QApplication::processEvents();
  for (int i = 0; i < kPadSlots; ++i) window.ScrollBox1->padFrame(i);  // frames out of view too
  const double firstBuild = first.nsecsElapsed() / 1e6;
  std::vector<double> rebuild;
  for (int i = 0; i < 30; ++i) {
    state.day.openEmpty(state.day.todayPath());
    QElapsedTimer e;
    e.start();
    window.LoadDayFile(state.day.todayPath());
    QApplication::processEvents();
    for (int i = 0; i < kPadSlots; ++i) window.ScrollBox1->padFrame(i);
    rebuild.push_back(e.nsecsElapsed() / 1e6);
  }
  const double r = median(rebuild);
  std::printf("first build of 24 pads: %.2f ms = %.2f of two 16.7 ms frames (goal < 1)\n", firstBuild,
              firstBuild / 33.3);
  std::printf("rebuild 24 pads: %.2f ms = %.2f of a 16.7 ms frame (goal < 1)\n", r, r / 16.7);

  // One wheel step down, through the event path a real wheel takes; the
  // strip lies still under the 24 pads between steps.
  TDayView* view = window.ScrollBox1;
  QApplication::processEvents();
  PaintCounter counter(view->viewport());
  const int stripWidth = view->viewport()->width();
  std::vector<double> pixels, covered;
  int scrolled = 0;
  for (int i = 0; i < 10; ++i) {
    const int before = view->verticalScrollBar()->value();
    counter.reset();
    const QPointF at(view->viewport()->width() / 2.0, view->viewport()->height() / 2.0);
    QWheelEvent wheel(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    QApplication::processEvents();
    scrolled = view->verticalScrollBar()->value() - before;
    pixels.push_back(counter.pixels);
    covered.push_back(area(counter.rows & view->viewport()->rect()));
  }
  const double repainted = median(covered);
  const double layers = median(pixels);
  std::printf("wheel step of %d rows: repainted %.0f pixels = %.1f rows of the %d-pixel strip (goal <= 20; "
              "the view shows %d); %.0f pixels painted counting stacked widgets (%.2f per pixel)\n",
              scrolled, repainted, repainted / stripWidth, stripWidth, view->viewport()->height(), layers,
              layers / repainted);
  return 0;
}
