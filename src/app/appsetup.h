#pragma once
class QApplication;

namespace plandor {
// The program's look and language: Japanese Qt dialogs, the window font
// mapped to an installed font of the same metrics, scroll bars of the
// layout's width, and the icon. Call once, right after the application.
void setUpApplication(QApplication& app);
}  // namespace plandor
