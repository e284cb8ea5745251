// The yardstick for start-up: the least a Qt Widgets program can do to put
// a window of the planner's size on screen.
#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("bare"));
  // 800 wide and the work area's height, as the planner maps.
  const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
  window.move(work.topLeft());
  window.resize(800, std::max(600, work.height()));
  window.show();
  return app.exec();
}
