#pragma once
#include <QDialog>

namespace plandor {

class TAboutBox final : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace plandor
