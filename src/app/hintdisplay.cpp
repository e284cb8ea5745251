#include "hintdisplay.h"

#include <QEvent>
#include <QFocusEvent>
#include <QStatusTipEvent>
#include <QVariant>
#include <QWidget>

namespace plandor {
namespace {
// A named control is one of ours; unnamed or "qt_" widgets are parts of one.
bool isControl(const QWidget* w) {
  const QString n = w->objectName();
  return !n.isEmpty() && !n.startsWith(QLatin1String("qt_"));
}

// The hint follows the keyboard's focus as it follows the pointer; a click
// already showed the hint of what it focused.
bool byKeyboard(Qt::FocusReason r) {
  return r == Qt::TabFocusReason || r == Qt::BacktabFocusReason || r == Qt::ShortcutFocusReason;
}
}  // namespace

QString longHint(const QString& hint) {
  const qsizetype bar = hint.indexOf(QLatin1Char('|'));
  return bar < 0 ? hint : hint.mid(bar + 1);
}

QString hintOfControl(QWidget* w) {
  for (; w; w = w->parentWidget()) {
    const QVariant h = w->property(kHintProperty);
    if (h.isValid()) return h.toString();
    if (isControl(w) || w->isWindow()) return {};
  }
  return {};
}

HintDisplay::HintDisplay(std::function<void(const QString&)> show, QObject* parent)
    : QObject(parent), show_(std::move(show)) {}

bool HintDisplay::eventFilter(QObject* watched, QEvent* event) {
  // Qt sends Leave to the widgets left before Enter to the one entered, so
  // leaving a child for its parent shows the parent's hint.
  if (watched->isWidgetType()) {
    auto* w = static_cast<QWidget*>(watched);
    if (event->type() == QEvent::Enter)
      show_(longHint(hintOfControl(w)));
    else if (event->type() == QEvent::Leave)
      show_(longHint(hintOfControl(w->isWindow() ? nullptr : w->parentWidget())));
    else if (event->type() == QEvent::FocusIn && byKeyboard(static_cast<QFocusEvent*>(event)->reason()))
      show_(longHint(hintOfControl(w)));
    else if (event->type() == QEvent::StatusTip && !static_cast<QStatusTipEvent*>(event)->tip().isEmpty())
      show_(static_cast<QStatusTipEvent*>(event)->tip());  // why a box refused input
  }
  return false;
}

}  // namespace plandor
