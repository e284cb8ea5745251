#include "appicon.h"

#include <QPainter>

namespace plandor {

QPixmap appIconPixmap(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 32.0, size / 32.0);
  // Page with a blue binding strip.
  p.setPen(QPen(QColor(40, 60, 110), 1));
  p.setBrush(QColor(255, 251, 240));
  p.drawRoundedRect(QRectF(3.5, 2.5, 25, 27), 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(166, 202, 240));
  p.drawRect(QRectF(4, 3, 24, 5));
  // The four bands of the day down the time column.
  const QColor bands[4] = {QColor(135, 206, 250), QColor(240, 230, 140), QColor(4, 112, 165), QColor(0, 0, 139)};
  for (int i = 0; i < 4; ++i) {
    p.setBrush(bands[i]);
    p.drawRect(QRectF(13, 9 + i * 5, 4, 5));
  }
  // A schedule bar and two pads.
  p.setBrush(QColor(220, 40, 40));
  p.drawRect(QRectF(9.5, 11, 3, 8));
  p.setBrush(QColor(255, 255, 255));
  p.setPen(QPen(QColor(90, 90, 90), 0.8));
  p.drawRect(QRectF(5.5, 11, 3, 4));
  p.drawRect(QRectF(18.5, 18, 8, 5));
  return pm;
}

QIcon appIcon() {
  QIcon icon;
  for (int s : {16, 32, 48, 64}) icon.addPixmap(appIconPixmap(s));
  return icon;
}

}  // namespace plandor
