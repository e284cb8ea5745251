#include "sizedicon.h"

#include <QIconEngine>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <map>

namespace plandor {
namespace {

class SizedPngEngine final : public QIconEngine {
 public:
  SizedPngEngine(QString pattern, std::vector<int> sizes) : pattern_(std::move(pattern)), sizes_(std::move(sizes)) {
    std::sort(sizes_.begin(), sizes_.end());
  }

  void paint(QPainter* p, const QRect& r, QIcon::Mode m, QIcon::State s) override {
    const qreal dpr = p->device() ? p->device()->devicePixelRatio() : 1.0;
    p->drawPixmap(r, pixmap(r.size() * dpr, m, s));
  }
  QPixmap pixmap(const QSize& size, QIcon::Mode m, QIcon::State s) override {
    return icon(size).pixmap(size, 1.0, m, s);
  }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    const int side = pick(size);
    QSize actual(side, side);
    if (actual.width() > size.width() || actual.height() > size.height()) actual.scale(size, Qt::KeepAspectRatio);
    return actual;
  }
  QIconEngine* clone() const override { return new SizedPngEngine(*this); }

 private:
  int pick(const QSize& size) const {
    const int want = std::max(size.width(), size.height());
    for (int side : sizes_)
      if (side >= want) return side;
    return sizes_.back();
  }
  // The file's picture as a one-size icon: modes and states are then made
  // exactly as for an icon that holds every size.
  const QIcon& icon(const QSize& size) {
    const int side = pick(size);
    auto it = made_.find(side);
    if (it == made_.end()) {
      // The format is named and not guessed: guessing loads every image
      // plugin to ask it.
      QImageReader reader(pattern_.arg(side), "png");
      reader.setAutoDetectImageFormat(false);
      QIcon one;
      one.addPixmap(QPixmap::fromImage(reader.read()));
      it = made_.emplace(side, one).first;
    }
    return it->second;
  }

  QString pattern_;
  std::vector<int> sizes_;
  std::map<int, QIcon> made_;
};

}  // namespace

QIcon sizedPngIcon(const QString& pathPattern, std::vector<int> sizes) {
  if (sizes.empty()) return QIcon();
  return QIcon(new SizedPngEngine(pathPattern, std::move(sizes)));
}

}  // namespace plandor
