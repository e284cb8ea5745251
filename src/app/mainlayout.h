#pragma once
// The main window's controls, laid out as in the 800 x 600 design; only the
// height stretches. The window alone holds them.
#include <array>

class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QString;
class QWidget;

namespace plandor {

class TDayView;
struct SchedPadContext;

// Controls, by their names in the program's vocabulary (also their object names).
struct MainControls {
  QWidget* client = nullptr;
  QFrame* Panel1 = nullptr;
  TDayView* ScrollBox1 = nullptr;  // the timeline with its pads
  QFrame* Panel2 = nullptr;
  QFrame* Panel3 = nullptr;
  QFrame* Panel4 = nullptr;
  QLabel* lblComment = nullptr;
  QLineEdit* edtThisFile = nullptr;
  QDateEdit* dtpPrepDate = nullptr;
  QDateEdit* dtpToday = nullptr;
  QLineEdit* edtNow = nullptr;
  QPushButton* btnUpdate = nullptr;
  QPushButton* btnRemovePad = nullptr;
  QPushButton* btnEnterRoutine = nullptr;
  QPushButton* btnSetRoutine = nullptr;
  QPushButton* btnShowRoutine = nullptr;
  QPushButton* btnDiary = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* btnExit = nullptr;
  QLabel* pnlCover = nullptr;
  QWidget* StatusBar1 = nullptr;
  std::array<QLabel*, 3> statusPanels{};
};

// Builds the controls into `client`, a new widget the caller makes central.
MainControls buildMainControls(QWidget* client, SchedPadContext& context);
// Follows the client area's height.
void layoutMainControls(const MainControls& ui);
// The status bar's first panel shows `text`; a text longer than the panel
// takes the whole bar, over the count panels, until a shorter one comes.
void showStatusText(const MainControls& ui, const QString& text);

}  // namespace plandor
