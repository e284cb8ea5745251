#pragma once
// Small things every window of the program does with its controls.
#include <QColor>
#include <QComboBox>
#include <QLineEdit>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRect>
#include <QString>
#include <QVariant>
#include <QWidget>
#include <string>

#include "readaloud.h"

namespace plandor {

// Hints are kept in a control's "hint" property as "short|long"; the main
// window shows the long part of the control under the mouse. Screen readers
// read the same long part as the control's description.
inline constexpr char kHintProperty[] = "hint";

// Each change is told to screen readers as an event: only a change is made.
inline void setHint(QWidget* control, const QString& hint) {
  control->setProperty(kHintProperty, hint);
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  const QString description = bar < 0 ? hint : hint.mid(bar + 1);
  if (control->accessibleDescription() != description) control->setAccessibleDescription(description);
}

// A box without a caption of its own is named after the label beside it,
// without the label's trailing colon.
inline void nameAfter(QWidget* box, QString label) {
  while (label.endsWith(QChar(0xFF1A)) || label.endsWith(QLatin1Char(':'))) label.chop(1);
  label = label.trimmed();
  if (box->accessibleName() != label) box->setAccessibleName(label);
  // A combo box reads as "name: text" (Qt would say the text alone); an
  // editable one's editor takes the focus for it, with the name.
  if (auto* combo = qobject_cast<QComboBox*>(box)) {
    readListAs(combo, label);
    if (QLineEdit* editor = combo->lineEdit(); editor && editor->accessibleName() != label)
      editor->setAccessibleName(label);
  }
}

// The program's two ground colours.
inline const QColor kSkyBlue(166, 202, 240);
inline const QColor kButtonFace(240, 240, 240);

// A solid background, as the program's panels have.
inline void fillBackground(QWidget* w, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Window, c);
  w->setPalette(p);
  w->setAutoFillBackground(true);
}

// A named panel of one colour, flat or bevelled (`shape`, QFrame's style).
inline QFrame* panel(QWidget* parent, const char* name, QRect r, const QColor& c, int shape = QFrame::NoFrame) {
  auto* f = new QFrame(parent);
  f->setObjectName(QLatin1String(name));
  f->setGeometry(r);
  f->setFrameStyle(shape);
  f->setLineWidth(1);
  fillBackground(f, c);
  return f;
}

// The program's own texts are UTF-8 literals.
inline QString q(const char* utf8) { return QString::fromUtf8(utf8); }
inline QString q(const std::string& utf8) { return QString::fromStdString(utf8); }

// A named push button with its hint. It never becomes a dialog's default
// button, so Enter in a box cannot press it.
inline QPushButton* button(QWidget* parent, const QString& name, const char* caption, QRect r, const char* hint) {
  auto* b = new QPushButton(q(caption), parent);
  b->setObjectName(name);
  b->setGeometry(r);
  b->setAutoDefault(false);
  if (hint) setHint(b, q(hint));
  return b;
}

// The processing cover "処理中・・・", hidden until a slow rebuild shows it.
inline QLabel* coverPanel(QWidget* parent, const QColor& background) {
  auto* cover = new QLabel(q("処理中・・・"), parent);
  cover->setObjectName(QStringLiteral("pnlCover"));
  cover->setGeometry(1, 1, 185, 41);
  cover->setAlignment(Qt::AlignCenter);
  cover->setFrameStyle(QFrame::Panel | QFrame::Raised);
  fillBackground(cover, background);
  QPalette p = cover->palette();
  p.setColor(QPalette::WindowText, Qt::white);
  cover->setPalette(p);
  QFont f = cover->font();
  f.setPixelSize(24);
  cover->setFont(f);
  cover->hide();
  return cover;
}

}  // namespace plandor
