// Prints what screen readers are offered for a day of 3 pads: the main
// window's accessibility tree, one line a node (role, name, value,
// description), as the AT-SPI bridge serves it. Compare two builds' output
// to see that a change kept every name. Runs on the offscreen platform.
#include <QAccessible>
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

#include "appsetup.h"
#include "frmmain.h"
#include "scriptedplatform.h"

using namespace plandor;

namespace {

void fillDay(DayModel& day) {
  PadTable t = emptyPadTable();
  for (int i = 0; i < 3; ++i) {
    BarRecord& b = t.Bars[i];
    b.Side.setText(i % 2 ? "R" : "L");
    b.TopY = 240 + i * 120;
    b.BottomY = 300 + i * 120;
    b.Color = 0x0000FF;
    PadRecord& p = t.Pads[i];
    p.PadNo = i + 1;
    p.Left = i % 2 ? 351 : 4;
    p.Top = 241 + i * 120;
    p.Keyword.setText("会議");
    p.Content.setText("週次の進捗確認");
    p.StartHour = 8 + i, p.StartMinute = 0, p.StartPM = false;
    p.EndHour = 8 + i, p.EndMinute = 30, p.EndPM = false;
  }
  day.restore(t);
}

void walk(QAccessibleInterface* node, int depth) {
  if (!node || depth > 40) return;
  const QString line = QStringLiteral("%1%2 | %3 | %4 | %5")
                           .arg(QString(depth * 2, QLatin1Char(' ')))
                           .arg(static_cast<int>(node->role()))
                           .arg(node->text(QAccessible::Name), node->text(QAccessible::Value),
                                node->text(QAccessible::Description));
  std::printf("%s\n", line.toUtf8().constData());
  for (int i = 0; i < node->childCount(); ++i) walk(node->child(i), depth + 1);
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
    DayModel day;
    day.openEmpty(state.day.todayPath());
    fillDay(day);
    bool headerSet;
    day.save(state.Today, &headerSet);
  }
  window.LoadDayFile(state.day.todayPath());
  QApplication::processEvents();
  QApplication::processEvents();
  walk(QAccessible::queryAccessibleInterface(&window), 0);
  return 0;
}
