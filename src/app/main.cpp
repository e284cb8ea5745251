#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QProxyStyle>
#include <QTranslator>

#include "appicon.h"
#include "frmmain.h"
#include "qtplatform.h"
#include "singleinstance.h"

namespace {

// Scroll bars as wide as the layout was drawn for: the 650-pixel pad
// container fills the 670-pixel scroll box exactly with a 16-pixel bar.
class PlandorStyle final : public QProxyStyle {
 public:
  int pixelMetric(PixelMetric m, const QStyleOption* o, const QWidget* w) const override {
    if (m == PM_ScrollBarExtent) return 16;
    return QProxyStyle::pixelMetric(m, o, w);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication::setStyle(new PlandorStyle);
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("plandor"));

  // Japanese standard buttons and dialogs.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  QTranslator qtJa;
  if (qtJa.load(QStringLiteral("qt_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    app.installTranslator(&qtJa);

  QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
  QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
  font.setPixelSize(12);
  app.setFont(font);
  app.setWindowIcon(plandor::appIcon());

  const QString folder = QCoreApplication::applicationDirPath();
  plandor::SingleInstance single(folder);
  if (!single.claim()) return 0;

  plandor::QtPlatform platform;
  plandor::PlannerState state;
  state.DataFolder = folder.toStdString();
  plandor::TfrmMain frmMain(state, platform);
  if (!frmMain.started()) return 1;
  QObject::connect(&single, &plandor::SingleInstance::raiseRequested, &frmMain, &plandor::TfrmMain::comeForward);
  frmMain.show();
  return app.exec();
}
