#pragma once
// Shows the long hint of the control under the mouse. A hint is kept in the
// control's "hint" property as "short|long"; the long part (the whole text
// when there is no "|") is what the status bar shows.
#include <QObject>
#include <QString>
#include <functional>

#include "widgetsupport.h"

class QWidget;

namespace plandor {

QString longHint(const QString& hint);
// The hint of the control a widget belongs to: Qt's inner parts of a control
// (the line edit of a combo box, the viewport of a scroll area) speak for it.
QString hintOfControl(QWidget* w);

class HintDisplay final : public QObject {
  Q_OBJECT
 public:
  explicit HintDisplay(std::function<void(const QString&)> show, QObject* parent = nullptr);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(const QString&)> show_;
};

}  // namespace plandor
