// Building and rebuilding 24 pads from the pad table (as loading and
// removal do) and routine display over them, each against frames of
// 16.7 ms, and the pixels one wheel step repaints against the rows it
// scrolls in. Runs on the offscreen platform.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QPaintEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_ZERO_STATS
#define CALLGRIND_DUMP_STATS_AT(what)
#endif

#include "appsetup.h"
#include "frmmain.h"
#include "qtplatform.h"
#include "routinefile.h"
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

// Eight routines shown every day, one an hour from 08:00, alternating sides.
void fillRoutines(RoutineSet& routines) {
  for (int i = 0; i < kRoutineSlots; ++i) {
    RoutineRecord& r = routines[i];
    r.RoutineNo = i + 1;
    r.Left = i % 2 ? 351 : 4;
    r.Top = (i + 2) * 120 + 1;
    r.Keyword.setText("ルーチン");
    r.Color = 0x00FF00;
    r.StartHour = (i + 8) % 12, r.StartMinute = 0, r.StartPM = i >= 4;
    r.EndHour = (i + 8) % 12, r.EndMinute = 30, r.EndPM = r.StartPM;
    r.Show = 1;
    for (auto& d : r.DOW) d = 1;
  }
}

// A command's time to what it changed painted, as the next turn of the
// event loop paints it, and to every frame of the day made (those out of
// view wait one turn after the paint).
struct Timing {
  double painted, settled;
};

// Under callgrind (valgrind --tool=callgrind bench/padbench) a step named
// here leaves its instructions in two dumps, "NAME painted" and "NAME made".
Timing timeTo(TfrmMain& window, const std::function<void()>& command, const char* name = nullptr) {
  TDayView* view = window.findChild<TDayView*>();
  if (name) CALLGRIND_ZERO_STATS;
  QElapsedTimer t;
  t.start();
  command();
  QCoreApplication::sendPostedEvents(&window, QEvent::UpdateRequest);
  const double painted = t.nsecsElapsed() / 1e6;
  // The names outlive the requests: a temporary would be gone before they run.
  const std::string paintedName = name ? std::string(name) + " painted" : std::string();
  const std::string madeName = name ? std::string(name) + " made" : std::string();
  if (name) CALLGRIND_DUMP_STATS_AT(paintedName.c_str());
  QApplication::processEvents();
  for (int i = 0; i < kPadSlots; ++i) view->padFrame(i);
  const double settled = t.nsecsElapsed() / 1e6;
  if (name) CALLGRIND_DUMP_STATS_AT(madeName.c_str());
  return {painted, settled};
}

long long area(const QRegion& r) {
  long long a = 0;
  for (const QRect& rect : r) a += static_cast<long long>(rect.width()) * rect.height();
  return a;
}

// 過去のスケジュール's dialog from the call to its first paint, then closed.
double timeOpenDialog(QtPlatform& platform, const std::string& folder) {
  QElapsedTimer t;
  double painted = 0;
  auto* poll = new QTimer;
  poll->setInterval(0);
  QObject::connect(poll, &QTimer::timeout, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    painted = t.nsecsElapsed() / 1e6;
    poll->stop();
    dialog->close();
  });
  poll->start();
  t.start();
  platform.openFile("プランドールファイル(*.sdf)", "*.SDF", folder);
  delete poll;
  return painted;
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

  {
    // Written apart from the window, whose frames are then made by the open.
    DayModel day;
    day.openEmpty(state.day.todayPath());
    fillDay(day);
    bool headerSet;
    day.save(state.Today, &headerSet);
  }
  fillRoutines(state.routines.RoutineImage);
  const std::string dayPath = state.day.todayPath();
  auto open = [&] { window.LoadDayFile(dayPath); };
  const Timing first = timeTo(window, open, "open-first");
  std::vector<double> reopenPainted, reopenSettled, routinePainted, routineSettled, undoPainted, undoSettled;
  for (int i = 0; i < 30; ++i) {
    state.day.openEmpty(dayPath);
    const bool count = i == 0;
    const Timing again = timeTo(window, open, count ? "open-kept" : nullptr);
    reopenPainted.push_back(again.painted);
    reopenSettled.push_back(again.settled);
    platform.confirmAnswers.push_back(true);  // "表示されているパッドを削除した後,ルーチンを表示します."
    const Timing routines =
        timeTo(window, [&] { window.RoutineRead1Execute(); }, count ? "routine-display" : nullptr);
    routinePainted.push_back(routines.painted);
    routineSettled.push_back(routines.settled);
    const Timing undo = timeTo(window, [&] { window.ScheduleUndo1Execute(); }, count ? "undo" : nullptr);
    undoPainted.push_back(undo.painted);
    undoSettled.push_back(undo.settled);
  }
  auto line = [](const char* what, double painted, double settled) {
    std::printf("%s: painted %.2f ms = %.2f of a 16.7 ms frame, all frames made %.2f ms = %.2f (goal < 1)\n", what,
                painted, painted / 16.7, settled, settled / 16.7);
  };
  line("open 24 pads, first in the process", first.painted, first.settled);
  line("open 24 pads, frames kept", median(reopenPainted), median(reopenSettled));
  line("routine display, 8 routines over 24 pads", median(routinePainted), median(routineSettled));
  line("undo of the routine display", median(undoPainted), median(undoSettled));
  state.day.openEmpty(dayPath);
  window.LoadDayFile(dayPath);
  QApplication::processEvents();

  // One wheel step down, through the event path a real wheel takes; the
  // strip lies still under the 24 pads between steps.
  TDayView* view = window.findChild<TDayView*>();
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

  // A pad moved by five minutes and its end stretched by five, there and
  // back, as the pointer or Alt+arrow does it: the time to the paint, and
  // which rows of the view were painted again.
  view->verticalScrollBar()->setValue(0);
  QApplication::processEvents();
  for (const auto& [what, grip, name] : {std::tuple{"move", BarGrip::Move, "move"},
                                         std::tuple{"stretch", BarGrip::End, "stretch"}}) {
    std::vector<double> times, moved;
    QRect touched;
    for (int i = 0; i < 10; ++i) {
      counter.reset();
      const int steps = i % 2 ? -1 : 1;
      const Timing t = timeTo(window, [&] { view->stepPadTimes(2, grip, steps); }, i == 0 ? name : nullptr);
      QApplication::processEvents();
      times.push_back(t.painted);
      moved.push_back(area(counter.rows & view->viewport()->rect()));
      touched |= (counter.rows & view->viewport()->rect()).boundingRect();
    }
    std::printf("%s of pad 3 by 5 minutes, 24 pads open: painted %.2f ms = %.2f of a 16.7 ms frame (goal < 1); "
                "repainted %.0f pixels, all within view rows %d..%d (the pad's frame and bar, before and after)\n",
                what, median(times), median(times) / 16.7, median(moved), touched.top(), touched.bottom());
  }

  // Ten years of day files, a month to a folder, and the dialog opened on
  // the newest month, as 過去のスケジュール opens it.
  for (int y = 0; y < 10; ++y)
    for (int m = 1; m <= 12; ++m) {
      const QString month = QStringLiteral("Y%1%2").arg(1997 + y).arg(m, 2, 10, QLatin1Char('0'));
      QDir(dir.path()).mkdir(month);
      for (int d = 1; d <= 28; ++d) {
        QFile f(dir.path() + QLatin1Char('/') + month + QLatin1Char('/') + month + QString::number(d) +
                QStringLiteral(".sdf"));
        f.open(QIODevice::WriteOnly);
        f.resize(10728);
      }
    }
  // As the program does: the dialog's state in the data folder.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  QtPlatform qtPlatform;
  const std::string newest = state.DataFolder + "/Y200612";
  CALLGRIND_ZERO_STATS;
  const double firstDialog = timeOpenDialog(qtPlatform, newest);
  CALLGRIND_DUMP_STATS_AT("past-dialog-first");
  std::vector<double> dialogs;
  for (int i = 0; i < 10; ++i) {
    if (i == 0) CALLGRIND_ZERO_STATS;
    dialogs.push_back(timeOpenDialog(qtPlatform, newest));
    if (i == 0) CALLGRIND_DUMP_STATS_AT("past-dialog-again");
  }
  std::printf("過去のスケジュール over ten years of files: painted %.2f ms = %.2f of a frame the first time, "
              "%.2f ms = %.2f again (goal < 1)\n",
              firstDialog, firstDialog / 16.7, median(dialogs), median(dialogs) / 16.7);
  return 0;
}
