#pragma once
// The main window's controls and actions as tests reach them: by their object
// names, as a user finds them on screen. The window itself keeps them to itself.
#include <QAction>
#include <QDateEdit>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <memory>

#include "frmmain.h"

namespace plandor {

struct MainParts : MainControls, MainActions {
  explicit MainParts(const TfrmMain& w) {
    auto find = [&w](auto*& part, const char* name) {
      part = w.findChild<std::remove_reference_t<decltype(*part)>*>(QLatin1String(name));
      Q_ASSERT_X(part, "MainParts", name);
    };
    find(client, "client");
    // The panel below the menu, in the scroll area that holds it on a small screen.
    Panel1 = qobject_cast<QFrame*>(
        client->findChild<QScrollArea*>(QStringLiteral("Panel1Scroll"), Qt::FindDirectChildrenOnly)->widget());
    find(ScrollBox1, "ScrollBox1");
    // The pads have panels of these names too: the window's are the client's.
    Panel2 = Panel1->findChild<QFrame*>(QStringLiteral("Panel2"), Qt::FindDirectChildrenOnly);
    Panel3 = Panel1->findChild<QFrame*>(QStringLiteral("Panel3"), Qt::FindDirectChildrenOnly);
    Panel4 = Panel1->findChild<QFrame*>(QStringLiteral("Panel4"), Qt::FindDirectChildrenOnly);
    find(lblComment, "lblComment");
    find(edtThisFile, "edtThisFile");
    find(dtpPrepDate, "dtpPrepDate");
    find(dtpToday, "dtpToday");
    find(edtNow, "edtNow");
    find(btnUpdate, "btnUpdate");
    find(btnRemovePad, "btnRemovePad");
    find(btnEnterRoutine, "btnEnterRoutine");
    find(btnSetRoutine, "btnSetRoutine");
    find(btnShowRoutine, "btnShowRoutine");
    btnDiary = Panel1->findChild<QPushButton*>(QStringLiteral("btnDiary"), Qt::FindDirectChildrenOnly);
    btnSave = Panel1->findChild<QPushButton*>(QStringLiteral("btnSave"), Qt::FindDirectChildrenOnly);
    btnExit = Panel1->findChild<QPushButton*>(QStringLiteral("btnExit"), Qt::FindDirectChildrenOnly);
    pnlCover = Panel1->findChild<QLabel*>(QStringLiteral("pnlCover"), Qt::FindDirectChildrenOnly);
    find(StatusBar1, "StatusBar1");
    for (int i = 0; i < 3; ++i)
      statusPanels[i] = StatusBar1->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i));
    find(FileSave1, "FileSave1");
    find(FileExit1, "FileExit1");
    find(SchedulePast1, "SchedulePast1");
    find(ScheduleToday1, "ScheduleToday1");
    find(SchedulePrevDay1, "SchedulePrevDay1");
    find(ScheduleNextDay1, "ScheduleNextDay1");
    find(ScheduleGoTo1, "ScheduleGoTo1");
    find(ScheduleDiary1, "ScheduleDiary1");
    find(ScheduleRemovePad1, "ScheduleRemovePad1");
    find(ScheduleUndo1, "ScheduleUndo1");
    find(ScheduleRedo1, "ScheduleRedo1");
    find(RoutineEntry1, "RoutineEntry1");
    find(RoutineSet1, "RoutineSet1");
    find(RoutineRead1, "RoutineRead1");
    find(OptionSetList1, "OptionSetList1");
    find(OptionReminder1, "OptionReminder1");
    find(HelpContents1, "HelpContents1");
    find(HelpAbout1, "HelpAbout1");
  }
};

inline MainParts parts(const TfrmMain& w) { return MainParts(w); }
inline MainParts parts(const TfrmMain* w) { return MainParts(*w); }
inline MainParts parts(const std::unique_ptr<TfrmMain>& w) { return MainParts(*w); }

}  // namespace plandor
