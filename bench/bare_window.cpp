// The yardstick for start-up: the least a Qt Widgets program can do to put
// a window of the planner's size on screen.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("bare"));
  window.resize(800, 600);
  window.show();
  return app.exec();
}
