// Writes the program icon as PNG files for the desktop's icon theme:
// OUT_FOLDER/NxN/apps/plandor.png for each size, drawn by the program's own
// icon code so the installed icon and the window icon are one picture.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "appicon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: makeicons OUT_FOLDER\n");
    return 2;
  }
  // Drawing needs an application but no display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString out = QString::fromLocal8Bit(argv[1]);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
    if (!QDir().mkpath(folder) || !plandor::appIconPixmap(size).save(folder + QStringLiteral("/plandor.png"))) {
      std::fprintf(stderr, "makeicons: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
