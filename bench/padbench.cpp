// Rebuilding 24 pads from the pad table (as loading and removal do) against
// a 16.7 ms frame, and painting the visible part of the timeline against
// painting the whole strip. Runs on the offscreen platform.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <QTemporaryDir>
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

void fillDay(DayStore& day) {
  for (int i = 0; i < kPadSlots; ++i) {
    BarRecord& b = day.table.Bars[i];
    b.Side.setText(i % 2 ? "R" : "L");
    b.TopY = i * 120;
    b.BottomY = i * 120 + 60;
    b.Color = 0x0000FF;
    PadRecord& p = day.table.Pads[i];
    p.PadNo = i + 1;
    p.Left = i % 2 ? 351 : 4;
    p.Top = i * 120 + 1;
    p.Keyword.setText("キーワード");
    p.StartHour = (i + 6) % 12, p.StartMinute = 0, p.StartPM = i >= 6 && i < 18;
    p.EndHour = (i + 6) % 12, p.EndMinute = 30, p.EndPM = p.StartPM;
  }
}

double paintMs(QWidget* strip, QRect area, int rounds) {
  QImage img(area.size(), QImage::Format_RGB32);
  std::vector<double> t;
  for (int i = 0; i < rounds; ++i) {
    QElapsedTimer e;
    e.start();
    strip->render(&img, QPoint(), QRegion(area), QWidget::DrawChildren);
    t.push_back(e.nsecsElapsed() / 1e6);
  }
  return median(t);
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

  fillDay(state.day);
  state.day.CurrentDayPath = state.day.TodayDayPath;
  bool headerSet;
  state.day.save(state.Today, &headerSet);
  QElapsedTimer first;
  first.start();
  window.LoadDayFile(state.day.TodayDayPath);
  QApplication::processEvents();
  const double firstBuild = first.nsecsElapsed() / 1e6;
  std::vector<double> rebuild;
  for (int i = 0; i < 30; ++i) {
    window.ScrollBox1->ClearPadTable();
    QElapsedTimer e;
    e.start();
    window.LoadDayFile(state.day.TodayDayPath);
    QApplication::processEvents();
    rebuild.push_back(e.nsecsElapsed() / 1e6);
  }
  const double r = median(rebuild);
  std::printf("first build of 24 pads: %.2f ms; rebuild 24 pads: %.2f ms = %.2f of a 16.7 ms frame (goal < 1)\n",
              firstBuild, r, r / 16.7);

  const int visibleRows = window.ScrollBox1->viewport()->height();
  const double part = paintMs(window.ScrollBox1->pnlFrame, QRect(0, 240, 650, visibleRows), 30);
  const double whole = paintMs(window.ScrollBox1->pnlFrame, QRect(0, 0, 650, 2884), 30);
  std::printf("paint visible %d rows: %.2f ms, whole strip: %.2f ms, ratio %.2f (goal < 0.25)\n", visibleRows, part,
              whole, part / whole);
  return 0;
}
