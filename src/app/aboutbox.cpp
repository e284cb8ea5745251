#include "aboutbox.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "appicon.h"

namespace plandor {

TAboutBox::TAboutBox(const QString& dataFolder, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("バージョン情報"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(322, 196);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setGeometry(10, 10, 300, 148);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(2);

  auto* icon = new QLabel(panel);
  icon->setObjectName(QStringLiteral("ProgramIcon"));
  icon->setGeometry(25, 20, 32, 32);
  // At the screen's ratio, not a 32-pixel picture enlarged.
  icon->setPixmap(appIconPixmap(32, icon->devicePixelRatio()));

  auto* title = new QLabel(QStringLiteral("プランドール"), panel);
  title->setObjectName(QStringLiteral("ProductName"));
  QFont tf = title->font();
  tf.setPixelSize(19);
  tf.setBold(true);
  title->setFont(tf);
  title->move(75, 15);
  title->adjustSize();

  auto* version = new QLabel(QStringLiteral("Version 0.10"), panel);
  version->setObjectName(QStringLiteral("Version"));
  QFont vf = version->font();
  vf.setPixelSize(16);
  version->setFont(vf);
  version->move(185, 40);
  version->adjustSize();

  auto* notice = new QLabel(QStringLiteral("一日をドラッグで計画する\nデスクトップ・デイプランナー\n\nデータの保存先:"), panel);
  notice->setObjectName(QStringLiteral("Comments"));
  notice->move(25, 66);
  notice->adjustSize();

  // Read-only but selectable, so the path can be copied for a backup; a
  // long one scrolls rather than being cut.
  auto* folder = new QLineEdit(dataFolder.isEmpty() ? QStringLiteral("/") : dataFolder, panel);
  folder->setObjectName(QStringLiteral("DataFolder"));
  folder->setAccessibleName(QStringLiteral("データの保存先"));
  folder->setReadOnly(true);
  folder->setFrame(false);
  folder->setCursorPosition(0);
  folder->setGeometry(25, 66 + notice->height() + 2, 265, folder->sizeHint().height());

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setGeometry(125, 165, 69, 23);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  ok->setFocus();

  if (QScreen* s = QGuiApplication::primaryScreen()) move(s->geometry().center() - rect().center());
}

}  // namespace plandor
