#pragma once
#include <QDialog>

class QTextBrowser;

namespace plandor {

// Shows the program's help file (HTML) from its contents page: a window of
// its own beside the planner (a dialog to a screen reader; Escape closes it).
class HelpWindow final : public QDialog {
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
