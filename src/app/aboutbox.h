#pragma once
#include <QDialog>

namespace plandor {

class TAboutBox final : public QDialog {
  Q_OBJECT
 public:
  // `dataFolder`: where this copy keeps its data, as the user should read it.
  explicit TAboutBox(const QString& dataFolder, QWidget* parent = nullptr);
};

}  // namespace plandor
