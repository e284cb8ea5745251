#include "appsetup.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QTranslator>

#include "appicon.h"

namespace plandor {
namespace {

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

  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(12);
  QApplication::setFont(font);
  QApplication::setWindowIcon(appIcon());
}

}  // namespace plandor
