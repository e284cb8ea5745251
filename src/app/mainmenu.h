#pragma once
// The main window's commands as actions, its menu bar and the buttons that
// follow them. Each action carries its command's name as object name.
class QAction;

namespace plandor {

class DayModel;
class TfrmMain;
struct MainControls;

struct MainActions {
  QAction* FileSave1 = nullptr;
  QAction* FileExit1 = nullptr;
  QAction* SchedulePast1 = nullptr;
  QAction* ScheduleToday1 = nullptr;
  QAction* SchedulePrevDay1 = nullptr;
  QAction* ScheduleNextDay1 = nullptr;
  QAction* ScheduleGoTo1 = nullptr;
  QAction* ScheduleDiary1 = nullptr;
  QAction* ScheduleRemovePad1 = nullptr;
  QAction* ScheduleUndo1 = nullptr;
  QAction* ScheduleRedo1 = nullptr;
  QAction* RoutineEntry1 = nullptr;
  QAction* RoutineSet1 = nullptr;
  QAction* RoutineRead1 = nullptr;
  QAction* OptionSetList1 = nullptr;
  QAction* OptionReminder1 = nullptr;
  QAction* HelpContents1 = nullptr;
  QAction* HelpAbout1 = nullptr;
};

// The actions, routed to the window's commands, bound to its buttons and
// put in its menu bar.
MainActions buildMainMenu(TfrmMain& window, const MainControls& ui, const DayModel& day);

}  // namespace plandor
