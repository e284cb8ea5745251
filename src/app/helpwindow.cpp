#include "helpwindow.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace plandor {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent, Qt::Window) {
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("プランドール ヘルプ"));
  setAccessibleName(windowTitle());
  resize(560, 600);
  auto* layout = new QVBoxLayout(this);
  auto* buttons = new QHBoxLayout;
  auto* contents = new QPushButton(QStringLiteral("目次(&T)"), this);
  auto* back = new QPushButton(QStringLiteral("戻る(&B)"), this);
  auto* close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
  close->setObjectName(QStringLiteral("btnClose"));
  // Return follows links in the text; it presses no button.
  for (QPushButton* b : {contents, back, close}) b->setAutoDefault(false);
  buttons->addWidget(contents);
  buttons->addWidget(back);
  buttons->addStretch();
  buttons->addWidget(close);
  layout->addLayout(buttons);
  browser_ = new QTextBrowser(this);
  browser_->setObjectName(QStringLiteral("HelpBrowser"));
  browser_->setOpenExternalLinks(false);
  browser_->setAccessibleName(QStringLiteral("ヘルプの本文"));
  layout->addWidget(browser_);
  connect(contents, &QPushButton::clicked, this, &HelpWindow::showContents);
  connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
}

bool HelpWindow::open(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
  browser_->setHtml(QString::fromUtf8(f.readAll()));
  showContents();
  return true;
}

void HelpWindow::showContents() { browser_->scrollToAnchor(QStringLiteral("contents")); }

}  // namespace plandor
