#include "colorbox.h"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>
#include <QPainter>
#include <QPixmap>
#include <vector>

#include "readaloud.h"

namespace plandor {
namespace {

struct Named {
  std::uint32_t ref;
  const char* name;
};

// Standard colours, then the extended ones.
constexpr Named kColors[] = {
    {0x000000, "黒"},       {0x000080, "マルーン"},   {0x008000, "緑"},     {0x008080, "オリーブ"},
    {0x800000, "ネイビー"}, {0x800080, "紫"},         {0x808000, "ティール"}, {0x808080, "灰色"},
    {0xC0C0C0, "銀色"},     {0x0000FF, "赤"},         {0x00FF00, "ライム"},   {0x00FFFF, "黄"},
    {0xFF0000, "青"},       {0xFF00FF, "フクシア"},   {0xFFFF00, "水色"},     {0xFFFFFF, "白"},
    {0xC0DCC0, "マネーグリーン"}, {0xF0CAA6, "スカイブルー"}, {0xF0FBFF, "クリーム"}, {0xA4A0A0, "ミディアムグレー"},
};

QColor toQColor(std::uint32_t ref) { return QColor(ref & 0xFF, (ref >> 8) & 0xFF, (ref >> 16) & 0xFF); }

QIcon swatch(std::uint32_t ref) {
  QPixmap pm(14, 10);
  pm.fill(toQColor(ref));
  QPainter p(&pm);
  p.setPen(Qt::black);
  p.drawRect(0, 0, 13, 9);
  return QIcon(pm);
}

}  // namespace

ColorBox::ColorBox(QWidget* parent) : QComboBox(parent) {
  setMaxVisibleItems(22);
  addItem(QStringLiteral("カスタム..."));
  // Made once: 24 pads are rebuilt at a time.
  static const std::vector<QIcon> swatches = [] {
    std::vector<QIcon> v;
    for (const Named& c : kColors) v.push_back(swatch(c.ref));
    return v;
  }();
  for (std::size_t i = 0; i < std::size(kColors); ++i)
    addItem(swatches[i], QString::fromUtf8(kColors[i].name), static_cast<qint64>(kColors[i].ref));
  setCurrentIndex(1);  // black
  connect(this, &QComboBox::activated, this, &ColorBox::onActivated);
  readListAs(this, QStringLiteral("色"));
}

std::int32_t ColorBox::color() const {
  const QVariant v = itemData(currentIndex());
  return v.isValid() ? static_cast<std::int32_t>(v.toLongLong()) : 0;
}

int ColorBox::indexOf(std::int32_t colorRef) const {
  for (int i = 1; i < count(); ++i)
    if (static_cast<std::int32_t>(itemData(i).toLongLong()) == colorRef) return i;
  return -1;
}

void ColorBox::setColor(std::int32_t colorRef) {
  int i = indexOf(colorRef);
  if (i < 0) {
    const auto ref = static_cast<std::uint32_t>(colorRef);
    ++customEntries_;
    insertItem(1, swatch(ref), QStringLiteral("カスタム (%1)").arg(QString::number(ref, 16).toUpper().rightJustified(8, QLatin1Char('0'))),
               static_cast<qint64>(colorRef));
    i = 1;
  }
  setCurrentIndex(i);
  lastIndex_ = i;
}

void ColorBox::reset() {
  for (; customEntries_ > 0; --customEntries_) removeItem(1);
  setCurrentIndex(1);
  lastIndex_ = 1;
}

void ColorBox::showPopup() {
  // Each item is painted as a menu item, beside its check column and its
  // swatch; Qt sizes the list by the box's font and leaves that out.
  QAbstractItemView* v = view();
  const QFontMetrics fm(v->font());
  int widest = 0;
  for (int i = 0; i < count(); ++i) {
    QStyleOptionMenuItem item;
    item.initFrom(v);
    item.menuItemType = QStyleOptionMenuItem::Normal;
    item.checkType = QStyleOptionMenuItem::NonExclusive;
    item.text = itemText(i);
    item.icon = itemIcon(i);
    item.maxIconWidth = iconSize().width() + 4;
    item.font = v->font();
    item.fontMetrics = fm;
    const QSize text(fm.horizontalAdvance(item.text), fm.height());
    widest = std::max(widest, style()->sizeFromContents(QStyle::CT_MenuItem, &item, text, this).width());
  }
  const int scrollBar = count() > maxVisibleItems() ? style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, v) : 0;
  v->setMinimumWidth(widest + scrollBar + 2 * v->frameWidth());
  QComboBox::showPopup();
}

void ColorBox::onActivated(int index) {
  if (index != 0) {
    lastIndex_ = index;
    return;
  }
  const auto previous = static_cast<std::uint32_t>(itemData(lastIndex_).toLongLong());
  const QColor chosen = QColorDialog::getColor(toQColor(previous), this);
  if (!chosen.isValid()) {
    setCurrentIndex(lastIndex_);
    return;
  }
  setColor(static_cast<std::int32_t>(chosen.red() | (chosen.green() << 8) | (chosen.blue() << 16)));
}

}  // namespace plandor
