#include "appsetup.h"

#include <QApplication>
#include <QFont>
#include <QIconEngine>
#include <QPainter>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QTranslator>

#include "appicon.h"

namespace plandor {
namespace {

// An icon fetched from the style the first time it is drawn. The menu bar
// makes its overflow button at once, though at this width it never shows;
// its icon would load image plugins at every start.
class LazyIconEngine final : public QIconEngine {
 public:
  explicit LazyIconEngine(std::function<QIcon()> make) : make_(std::move(make)) {}
  void paint(QPainter* p, const QRect& r, QIcon::Mode m, QIcon::State s) override { icon().paint(p, r, Qt::AlignCenter, m, s); }
  QPixmap pixmap(const QSize& size, QIcon::Mode m, QIcon::State s) override { return icon().pixmap(size, m, s); }
  QSize actualSize(const QSize& size, QIcon::Mode m, QIcon::State s) override { return icon().actualSize(size, m, s); }
  QIconEngine* clone() const override { return new LazyIconEngine(make_); }

 private:
  const QIcon& icon() {
    if (!made_) icon_ = make_(), made_ = true;
    return icon_;
  }
  std::function<QIcon()> make_;
  QIcon icon_;
  bool made_ = false;
};

// Scroll bars as wide as the layout was drawn for: the 650-pixel pad
// container fills the 670-pixel scroll box exactly with a 16-pixel bar.
class PlandorStyle final : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override {
    if (m == PM_ScrollBarExtent) return 16;
    return QProxyStyle::pixelMetric(m, o, w);
  }
  // Drop buttons as wide as the scroll bars, not 19 pixels: the 38-pixel
  // hour boxes then keep an editor wide enough for "10" and "11".
  QRect subControlRect(ComplexControl c, const QStyleOptionComplex* o, SubControl s, const QWidget* w) const override {
    QRect r = QProxyStyle::subControlRect(c, o, s, w);
    if (c == CC_ComboBox && s == SC_ComboBoxArrow) r.setLeft(r.left() + 3);
    if (c == CC_ComboBox && s == SC_ComboBoxEditField) r.setRight(r.right() + 3);
    return r;
  }
  QIcon standardIcon(StandardPixmap sp, const QStyleOption* o, const QWidget* w) const override {
    if (sp != SP_ToolBarHorizontalExtensionButton) return QProxyStyle::standardIcon(sp, o, w);
    return QIcon(new LazyIconEngine([this, sp] { return QProxyStyle::standardIcon(sp, nullptr, nullptr); }));
  }
  // Lists drop down below their box; this also spares every combo box its
  // popup until it first opens, which keeps rebuilding 24 pads fast.
  int styleHint(StyleHint h, const QStyleOption* o, const QWidget* w, QStyleHintReturn* r) const override {
    if (h == SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(h, o, w, r);
  }
};

}  // namespace

void setUpApplication(QApplication& app) {
  QApplication::setStyle(new PlandorStyle);

  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  auto* qtJa = new QTranslator(&app);
  if (qtJa->load(QStringLiteral("qt_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(qtJa);

  // The installed family first: resolving the design font's name through
  // the substitution costs font look-ups at every start. Texts that name
  // that font still find the same face.
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont font;
  font.setFamilies({QStringLiteral("IPAPGothic"), QStringLiteral("ＭＳ Ｐゴシック")});
  font.setPixelSize(12);
  QApplication::setFont(font);
  QApplication::setWindowIcon(appIcon());
}

}  // namespace plandor
