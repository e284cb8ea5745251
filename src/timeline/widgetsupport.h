#pragma once
// Small things every window of the program does with its controls.
#include <QColor>
#include <QPalette>
#include <QString>
#include <QVariant>
#include <QWidget>

namespace plandor {

// Hints are kept in a control's "hint" property as "short|long"; the main
// window shows the long part of the control under the mouse.
inline constexpr char kHintProperty[] = "hint";

inline void setHint(QWidget* control, const QString& hint) { control->setProperty(kHintProperty, hint); }

// A solid background, as the program's panels have.
inline void fillBackground(QWidget* w, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, c);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

// The program's own texts are UTF-8 literals.
inline QString q(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace plandor
