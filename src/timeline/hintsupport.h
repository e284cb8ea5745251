#pragma once
// Hints are kept in a control's "hint" property as "short|long"; the main
// window shows the long part of the control under the mouse.
#include <QString>
#include <QVariant>
#include <QWidget>

namespace plandor {

inline constexpr char kHintProperty[] = "hint";

inline void setHint(QWidget* control, const QString& hint) { control->setProperty(kHintProperty, hint); }

}  // namespace plandor
