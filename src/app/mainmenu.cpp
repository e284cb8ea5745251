#include "mainmenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenuBar>
#include <QPushButton>
#include <functional>

#include "dayview.h"
#include "frmmain.h"
#include "mainlayout.h"
#include "widgetsupport.h"

namespace plandor {

MainActions buildMainMenu(TfrmMain& window, const MainControls& ui, const DayModel& day) {
  MainActions act;
  auto& [FileSave1, FileExit1, SchedulePast1, ScheduleToday1, SchedulePrevDay1, ScheduleNextDay1, ScheduleGoTo1,
         ScheduleDiary1, ScheduleRemovePad1, ScheduleUndo1, ScheduleRedo1, RoutineEntry1, RoutineSet1, RoutineRead1,
         OptionSetList1, OptionReminder1, HelpContents1, HelpAbout1] = act;
  TfrmMain* w = &window;
  auto make = [w](QAction*& a, const char* name, const char* caption, auto handler) {
    a = new QAction(q(caption), w);
    a->setObjectName(QLatin1String(name));
    QObject::connect(a, &QAction::triggered, w, [w, handler] { (w->*handler)(); });
  };
  make(FileSave1, "FileSave1", "保存(&S)", &TfrmMain::FileSave1Execute);
  make(FileExit1, "FileExit1", "終了(&X)", &TfrmMain::FileExit1Execute);
  make(SchedulePast1, "SchedulePast1", "過去のスケジュール(&P)...", &TfrmMain::SchedulePast1Execute);
  make(ScheduleToday1, "ScheduleToday1", "今日のスケジュール(&T)", &TfrmMain::ScheduleToday1Execute);
  make(SchedulePrevDay1, "SchedulePrevDay1", "前の日(&B)", &TfrmMain::SchedulePrevDay1Execute);
  make(ScheduleNextDay1, "ScheduleNextDay1", "次の日(&N)", &TfrmMain::ScheduleNextDay1Execute);
  make(ScheduleGoTo1, "ScheduleGoTo1", "日付を指定(&G)...", &TfrmMain::ScheduleGoTo1Execute);
  SchedulePrevDay1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Left));
  ScheduleNextDay1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Right));
  ScheduleGoTo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_G));
  QAction* ScheduleNow1 = nullptr;
  make(ScheduleNow1, "ScheduleNow1", "現在時刻へ(&W)", &TfrmMain::ScheduleNow1Execute);
  ScheduleNow1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
  for (QAction* a : {SchedulePrevDay1, ScheduleNextDay1, ScheduleGoTo1, ScheduleNow1}) w->addAction(a);
  make(ScheduleDiary1, "ScheduleDiary1", "一日の終わりに(&D)...", &TfrmMain::ScheduleDiary1Execute);
  make(ScheduleRemovePad1, "ScheduleRemovePad1", "スケジュール・パッドを削除(&R)",
       &TfrmMain::ScheduleRemovePad1Execute);
  make(ScheduleUndo1, "ScheduleUndo1", "元に戻す(&U)", &TfrmMain::ScheduleUndo1Execute);
  make(ScheduleRedo1, "ScheduleRedo1", "やり直し(&Y)", &TfrmMain::ScheduleRedo1Execute);
  ScheduleUndo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  ScheduleRedo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  for (QAction* a : {ScheduleUndo1, ScheduleRedo1}) {
    a->setEnabled(false);
    w->addAction(a);  // the keys work while the menu is closed
  }
  make(RoutineEntry1, "RoutineEntry1", "ルーチン仮登録(&E)", &TfrmMain::RoutineEntry1Execute);
  make(RoutineSet1, "RoutineSet1", "ルーチン設定(&S)...", &TfrmMain::RoutineSet1Execute);
  make(RoutineRead1, "RoutineRead1", "ルーチン表示(&R)", &TfrmMain::RoutineRead1Execute);
  make(OptionSetList1, "OptionSetList1", "リスト項目を設定(&L)...", &TfrmMain::OptionSetList1Execute);
  make(OptionReminder1, "OptionReminder1", "リマインダー(&M)...", &TfrmMain::OptionReminder1Execute);
  make(HelpContents1, "HelpContents1", "目次(&C)...", &TfrmMain::HelpContents1Execute);
  make(HelpAbout1, "HelpAbout1", "バージョン情報(&A)...", &TfrmMain::HelpAbout1Execute);

  // Buttons keep their own captions but follow their action's state.
  auto bind = [](QPushButton* b, QAction* a) {
    QObject::connect(b, &QPushButton::clicked, a, &QAction::trigger);
    b->setEnabled(a->isEnabled());
    QObject::connect(a, &QAction::changed, b, [b, a] { b->setEnabled(a->isEnabled()); });
  };
  bind(ui.btnSave, FileSave1);
  bind(ui.btnExit, FileExit1);
  bind(ui.btnDiary, ScheduleDiary1);
  bind(ui.btnRemovePad, ScheduleRemovePad1);
  bind(ui.btnEnterRoutine, RoutineEntry1);
  bind(ui.btnSetRoutine, RoutineSet1);
  bind(ui.btnShowRoutine, RoutineRead1);

  QMenuBar* bar = w->menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  QMenu* m = bar->addMenu(q("ファイル(&F)"));
  m->addAction(FileSave1);
  m->addSeparator();
  m->addAction(FileExit1);
  m = bar->addMenu(q("スケジュール(&D)"));
  m->addAction(ScheduleUndo1);
  m->addAction(ScheduleRedo1);
  m->addSeparator();
  m->addAction(SchedulePast1);
  m->addAction(ScheduleToday1);
  m->addAction(SchedulePrevDay1);
  m->addAction(ScheduleNextDay1);
  m->addAction(ScheduleGoTo1);
  m->addAction(ScheduleNow1);
  m->addSeparator();
  m->addAction(ScheduleDiary1);
  m->addSeparator();
  m->addAction(ScheduleRemovePad1);
  // The keyboard's ways to what the pointer does, shown with their keys
  // (the keys themselves belong to the day view and the pads).
  m->addSeparator();
  // The key stands beside the caption as a real shortcut of the menu alone
  // (a screen reader reads it as the binding); outside the menu the day view
  // and the pads own it.
  auto keyed = [w, m](const char* name, const char* caption, QKeySequence key, std::function<void()> run) {
    auto* a = m->addAction(q(caption));
    a->setObjectName(QLatin1String(name));
    a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(a, &QAction::triggered, w, std::move(run));
    return a;
  };
  TDayView* ScrollBox1 = ui.ScrollBox1;
  keyed("ScheduleNewPadL1", "左に新しいパッド(&L)", QKeySequence(Qt::CTRL | Qt::Key_N),
        [ScrollBox1] { ScrollBox1->newPadFromKeyboard(false); });
  keyed("ScheduleNewPadR1", "右に新しいパッド(&I)", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
        [ScrollBox1] { ScrollBox1->newPadFromKeyboard(true); });
  keyed("ScheduleNextPad1", "次のパッドへ(&X)", QKeySequence(Qt::Key_F6), [ScrollBox1] { ScrollBox1->focusNextPad(true); });
  keyed("SchedulePrevPad1", "前のパッドへ(&V)", QKeySequence(Qt::SHIFT | Qt::Key_F6),
        [ScrollBox1] { ScrollBox1->focusNextPad(false); });
  keyed("SchedulePadMenu1", "パッドのメニュー(&M)", QKeySequence(Qt::Key_Menu), [ScrollBox1, &day] {
    if (TSchedPadFrame* pad = ScrollBox1->padFrame(day.selectedPad())) {
      pad->setFocus(Qt::ShortcutFocusReason);
      pad->popupMenu();
    }
  });
  // The selected pad (the one that last had the focus) moved in time.
  m->addSeparator();
  const struct {
    const char* name;
    const char* caption;
    QKeySequence key;
    BarGrip grip;
    int steps;
  } moves[] = {
      {"ScheduleEarlier1", "予定を5分早める(&E)", QKeySequence(Qt::ALT | Qt::Key_Up), BarGrip::Move, -1},
      {"ScheduleLater1", "予定を5分遅らせる(&O)", QKeySequence(Qt::ALT | Qt::Key_Down), BarGrip::Move, 1},
      {"ScheduleEndEarlier1", "終了を5分早める(&K)", QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Up), BarGrip::End, -1},
      {"ScheduleEndLater1", "終了を5分延ばす(&J)", QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_Down), BarGrip::End, 1},
  };
  for (const auto& mv : moves)
    keyed(mv.name, mv.caption, mv.key, [ScrollBox1, &day, grip = mv.grip, steps = mv.steps] {
      ScrollBox1->stepPadTimes(day.selectedPad(), grip, steps);
    });
  m = bar->addMenu(q("ルーチン(&R)"));
  m->addAction(RoutineEntry1);
  m->addAction(RoutineSet1);
  m->addSeparator();
  m->addAction(RoutineRead1);
  m = bar->addMenu(q("オプション(&O)"));
  m->addAction(OptionSetList1);
  m->addAction(OptionReminder1);
  m = bar->addMenu(q("ヘルプ(&H)"));
  m->addAction(HelpContents1);
  m->addSeparator();
  m->addAction(HelpAbout1);
  return act;
}

}  // namespace plandor
