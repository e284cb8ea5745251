#include "appsetup.h"

#include <QApplication>
#include <QFont>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QTranslator>
#include <QWidget>

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
  // Standard icons are looked up once (2.5 M instructions each through the
  // icon theme): the open dialog alone asks for 17 whenever it is made.
  QIcon standardIcon(StandardPixmap sp, const QStyleOption* o, const QWidget* w) const override {
    if (o) return QProxyStyle::standardIcon(sp, o, w);
    const Qt::LayoutDirection d = w ? w->layoutDirection() : QGuiApplication::layoutDirection();
    const int key = sp * 2 + (d == Qt::RightToLeft);
    auto it = icons_.find(key);
    if (it != icons_.end()) return *it;
    QIcon icon = sp == SP_ToolBarHorizontalExtensionButton
                     ? QIcon(new LazyIconEngine([this, sp] { return QProxyStyle::standardIcon(sp, nullptr, nullptr); }))
                     : QProxyStyle::standardIcon(sp, nullptr, w);
    return *icons_.insert(key, icon);
  }
  // Lists drop down below their box; this also spares every combo box its
  // popup until it first opens, which keeps rebuilding 24 pads fast.
  int styleHint(StyleHint h, const QStyleOption* o, const QWidget* w, QStyleHintReturn* r) const override {
    if (h == SH_ComboBox_Popup) return 0;
    return QProxyStyle::styleHint(h, o, w, r);
  }

 private:
  mutable QHash<int, QIcon> icons_;
};

}  // namespace

void setUpApplication(QApplication& app) {
  QApplication::setStyle(new PlandorStyle);

  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  auto* qtJa = new QTranslator(&app);
  if (qtJa->load(QStringLiteral("qt_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(qtJa);

  // One family, the installed one: each further family in the list is a
  // fallback that every font of every widget resolves again (about 10 M
  // instructions a start), and resolving the design font's name goes
  // through the substitution. A text that names the design font still
  // finds the same face through it.
  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPixelSize(12);
  QApplication::setFont(font);
  QApplication::setWindowIcon(appIcon());
}

}  // namespace plandor
