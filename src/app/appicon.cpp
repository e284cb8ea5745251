#include "appicon.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace plandor {
namespace {

QPixmap drawIcon(int devicePixels);

// Each size is drawn once: the window system asks for every available size
// whenever a top-level window (any dialog too) is shown.
QPixmap iconAt(int devicePixels) {
  static QHash<int, QPixmap> drawn;
  auto it = drawn.find(devicePixels);
  if (it == drawn.end()) it = drawn.insert(devicePixels, drawIcon(devicePixels));
  return *it;
}

// The picture is designed on a 32-unit grid. Every edge is rounded to a
// whole device pixel, so that no size is drawn on half pixels and blurred.
struct Grid {
  double unit;  // device pixels per design unit
  int at(double v) const { return static_cast<int>(std::lround(v * unit)); }
  QRect rect(double x, double y, double w, double h) const {
    const int l = at(x), t = at(y);
    return QRect(l, t, std::max(1, at(x + w) - l), std::max(1, at(y + h) - t));
  }
  // One design unit of outline, at least one pixel.
  int line() const { return std::max(1, at(1)); }
};

// A box with an outline, both on whole pixels.
void outlined(QPainter& p, QRect r, int line, const QColor& outline, const QColor& fill) {
  p.fillRect(r, outline);
  p.fillRect(r.adjusted(line, line, -line, -line), fill);
}

class AppIconEngine final : public QIconEngine {
 public:
  void paint(QPainter* p, const QRect& r, QIcon::Mode, QIcon::State) override {
    const qreal dpr = p->device() ? p->device()->devicePixelRatio() : 1.0;
    p->drawPixmap(r, appIconPixmap(std::min(r.width(), r.height()), dpr));
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode m, QIcon::State s) override { return scaledPixmap(size, m, s, 1.0); }
  // Qt asks with the size in device pixels.
  QPixmap scaledPixmap(const QSize& size, QIcon::Mode, QIcon::State, qreal scale) override {
    QPixmap pm = iconAt(std::min(size.width(), size.height()));
    pm.setDevicePixelRatio(scale);
    return pm;
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = std::min(size.width(), size.height());
    return QSize(side, side);
  }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    QList<QSize> sizes;
    for (int s : {16, 22, 24, 32, 48, 64, 128, 256}) sizes << QSize(s, s);
    return sizes;
  }
  QIconEngine* clone() const override { return new AppIconEngine; }
  QString key() const override { return QStringLiteral("plandor-app-icon"); }
};

}  // namespace

QPixmap appIconPixmap(int size, qreal devicePixelRatio) {
  QPixmap pm = iconAt(std::max(1, static_cast<int>(std::lround(size * devicePixelRatio))));
  pm.setDevicePixelRatio(devicePixelRatio);
  return pm;
}

namespace {

QPixmap drawIcon(int device) {
  QPixmap pm(device, device);
  pm.fill(Qt::transparent);
  const Grid g{device / 32.0};
  QPainter p(&pm);
  // Page with a blue binding strip.
  const QRect page = g.rect(3, 2, 26, 28);
  const QColor ink(40, 60, 110), paper(255, 251, 240);
  if (device >= 48) {
    // Large enough for rounded corners to read as such.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    const double radius = 2 * g.unit;
    p.setBrush(ink);
    p.drawRoundedRect(page, radius, radius);
    p.setBrush(paper);
    p.drawRoundedRect(page.adjusted(g.line(), g.line(), -g.line(), -g.line()), radius, radius);
    p.setRenderHint(QPainter::Antialiasing, false);
  } else {
    outlined(p, page, g.line(), ink, paper);
  }
  p.fillRect(g.rect(4, 3, 24, 5), QColor(166, 202, 240));
  // The four bands of the day down the time column.
  const QColor bands[4] = {QColor(135, 206, 250), QColor(240, 230, 140), QColor(4, 112, 165), QColor(0, 0, 139)};
  for (int i = 0; i < 4; ++i) {
    const QRect top = g.rect(13, 9 + i * 5, 4, 5);
    p.fillRect(top, bands[i]);
  }
  // A schedule bar and two pads.
  p.fillRect(g.rect(9, 11, 3, 8), QColor(220, 40, 40));
  const QColor frame(90, 90, 90);
  outlined(p, g.rect(5, 11, 4, 5), g.line(), frame, Qt::white);
  outlined(p, g.rect(18, 18, 9, 6), g.line(), frame, Qt::white);
  p.end();
  return pm;
}

}  // namespace

QIcon appIcon() { return QIcon(new AppIconEngine); }

}  // namespace plandor
