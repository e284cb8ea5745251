#include <QApplication>

#include "appsetup.h"
#include "frmmain.h"
#include "qtplatform.h"
#include "singleinstance.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("plandor"));
  plandor::setUpApplication(app);

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
