#pragma once
// Driving modal windows of the real program from a widget test.
#include <QApplication>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <functional>

// Runs `body` inside the next modal window once it is active; a failing
// check closes the window, so the test ends instead of waiting.
template <class W>
void whenModal(std::function<void(W&)> body) {
  QTimer::singleShot(0, [body] {
    auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
    QVERIFY(w);
    auto closeOnFailure = qScopeGuard([w] {
      if (w->isVisible()) w->reject();
    });
    w->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), w);
    body(*w);
  });
}
