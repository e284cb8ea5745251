#pragma once
#include <QWidget>

class QTextBrowser;

namespace plandor {

// Shows the program's help file (HTML) from its contents page.
class HelpWindow final : public QWidget {
  Q_OBJECT
 public:
  explicit HelpWindow(QWidget* parent = nullptr);
  // False when the file cannot be read.
  bool open(const QString& path);
  void showContents();

 private:
  QTextBrowser* browser_;
};

}  // namespace plandor
