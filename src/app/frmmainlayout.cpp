// The main window's controls, actions and menu, laid out as in the 800 x 600
// design; only the height stretches. On a screen too small for the design
// (a small one at 1.5 or 2 times the size) the window narrows, the day view
// giving up the width, and what is still too high scrolls above the status
// bar, which stays in view.
#include <QAction>
#include <QKeySequence>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <functional>

#include "frmmain.h"
#include "readaloud.h"
#include "widgetsupport.h"

namespace plandor {

namespace {


// Panel1's height in the 800 x 600 design; bottom-anchored controls keep
// their distance from its bottom edge.
constexpr int kDesignPanel1Height = 527;
constexpr int kStatusBarHeight = 19;
// The least Panel1 keeps: the day view one side wide, and 一日の終わりに…
// clear of ルーチン表示 above it. Below that, Panel1 scrolls.
constexpr int kLeastDayViewWidth = 350;
constexpr int kLeastPanel1Width = 800 - (670 - kLeastDayViewWidth);
constexpr int kLeastBottomShift = 360 - 385;
constexpr int kLeastPanel1Height = kDesignPanel1Height + kLeastBottomShift;

QLabel* whiteLabel(QWidget* parent, const char* text, QPoint at) {
  auto* l = new QLabel(q(text), parent);
  QPalette p = l->palette();
  p.setColor(QPalette::WindowText, Qt::white);
  l->setPalette(p);
  l->move(at);
  l->adjustSize();
  return l;
}

QLineEdit* readOnlyEdit(QWidget* parent, const char* name, QRect r, const char* hint) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QLatin1String(name));
  e->setGeometry(r);
  e->setReadOnly(true);
  e->setFocusPolicy(Qt::ClickFocus);  // not in the tab order
  setHint(e, q(hint));
  return e;
}

QDateEdit* dateBox(QWidget* parent, const char* name, QRect r, const char* hint) {
  auto* d = new QDateEdit(parent);
  d->setObjectName(QLatin1String(name));
  d->setGeometry(r);
  d->setDisplayFormat(QStringLiteral("yyyy年M月d日"));
  d->setReadOnly(true);  // the program only displays dates here
  d->setButtonSymbols(QAbstractSpinBox::NoButtons);
  d->setFocusPolicy(Qt::ClickFocus);
  // The earliest date stands for a day without a file (days start at 1000).
  d->setMinimumDate(QDate(100, 1, 1));
  d->setSpecialValueText(q(kNotCreated));
  setHint(d, q(hint));
  return d;
}

}  // namespace

void TfrmMain::buildLayout() {
  client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  setCentralWidget(client);
  client->installEventFilter(this);

  auto* panelScroll = new QScrollArea(client);
  panelScroll->setObjectName(QStringLiteral("Panel1Scroll"));
  panelScroll->setFrameShape(QFrame::NoFrame);
  panelScroll->setFocusPolicy(Qt::NoFocus);
  panelScroll->setWidgetResizable(true);
  Panel1 = panel(client, "Panel1", QRect(0, 0, 800, kDesignPanel1Height), kSkyBlue, QFrame::Panel | QFrame::Sunken);
  Panel1->setMinimumSize(kLeastPanel1Width, kLeastPanel1Height);
  panelScroll->setWidget(Panel1);
  Panel1->installEventFilter(this);

  ScrollBox1 = new TDayView(schedContext_, Panel1);
  ScrollBox1->setGeometry(5, 10, 670, 505);
  ScrollBox1->showCover = [this] { showCover(); };
  ScrollBox1->hideCover = [this] { hideCover(); };
  ScrollBox1->status = [this](const QString& text) { statusPanels[0]->setText(text); };

  Panel3 = panel(Panel1, "Panel3", QRect(675, 10, 115, 85), kSkyBlue);
  const QLabel* fileLabel = whiteLabel(Panel3, "ファイル名：", {8, 5});
  edtThisFile = readOnlyEdit(Panel3, "edtThisFile", QRect(5, 20, 105, 20),
                             "|現在開いているファイルのファイル名を表示します.\u3000ファイル未作成の場合, "
                             "「未作成」と表示されます.");
  const QLabel* prepLabel = whiteLabel(Panel3, "ファイル作成日：", {8, 45});
  dtpPrepDate = dateBox(Panel3, "dtpPrepDate", QRect(5, 60, 105, 20),
                        "|現在開いているファイルのファイル作成日を表示します. "
                        "ファイル未作成の場合,本日の日付を表示します．");

  Panel2 = panel(Panel1, "Panel2", QRect(675, 100, 115, 90), kSkyBlue);
  const QLabel* todayLabel = whiteLabel(Panel2, "本日の日付：", {8, 5});
  dtpToday = dateBox(Panel2, "dtpToday", QRect(5, 20, 105, 20), "|本日の日付を表示します．");
  const QLabel* nowLabel = whiteLabel(Panel2, "只今の時刻：", {8, 50});
  btnUpdate = button(Panel2, "btnUpdate", "更新", QRect(75, 45, 35, 20), "|表示時刻を更新したいときに押します.");
  // IPAPGothic's digits are wider than the design font's: the clock text
  // needs 110 pixels: the box grows 3 pixels leftwards and to the panel's edge.
  edtNow = readOnlyEdit(Panel2, "edtNow", QRect(3, 65, 112, 20), "|只今の時刻を表示します.");
  edtNow->setTextMargins(-2, 0, -2, 0);  // inside the frame, without Qt's padding
  nameAfter(edtThisFile, fileLabel->text());
  nameAfter(dtpPrepDate, prepLabel->text());
  nameAfter(dtpToday, todayLabel->text());
  readDateAs(dtpPrepDate, dtpPrepDate->accessibleName());
  readDateAs(dtpToday, dtpToday->accessibleName());
  nameAfter(edtNow, nowLabel->text());

  Panel4 = panel(Panel1, "Panel4", QRect(685, 195, 100, 40), kSkyBlue, QFrame::Panel | QFrame::Sunken);
  lblComment = whiteLabel(Panel4, "", {6, 0});  // three 13-pixel lines fill the 38 inner rows only from the top
  lblComment->setObjectName(QStringLiteral("lblComment"));

  btnRemovePad = button(Panel1, "btnRemovePad", "パッドを削除", QRect(685, 245, 100, 22),
                        "|マークパネルに◆マークが表示されたスケジュール・パッドを削除します.\u3000"
                        "対応するデータも削除されるので注意してください.");
  btnEnterRoutine = button(Panel1, "btnEnterRoutine", "ルーチン仮登録", QRect(685, 275, 100, 22),
                           "|マークパネルに◆マークが表示されたパッドの内容をルーチンとして仮登録します. "
                           "正式に登録するには,[ルーチンの設定]ウィンドウで保存してください.");
  btnSetRoutine = button(Panel1, "btnSetRoutine", "ルーチン設定...", QRect(685, 300, 100, 22),
                         "|[ルーチンの設定]ウィンドウを表示します. "
                         "仮登録されたルーチンを詳細に設定し保存してください. 最大登録件数: 8件");
  btnShowRoutine = button(Panel1, "btnShowRoutine", "ルーチン表示", QRect(685, 330, 100, 22),
                          "|ルーチン・パッドの[表示]がチェックされているルーチンを表示します. "
                          "曜日により表示/非表示が設定されていれば,それに従います.");
  btnDiary = button(Panel1, "btnDiary", "一日の終わりに...", QRect(685, 385, 100, 22),
                    "|ダイアリー・パッドを表示します. 日記や日誌としてして使用することができます. "
                    "スケジュールファイル未作成の場合は無効です.");
  btnSave = button(Panel1, "btnSave", "保存", QRect(685, 431, 100, 50),
                   "|スケジュールの内容をファイルに保存します.\u3000ファイルが存在しないときは,"
                   "自動的に作成され,ファイル名が[ファイル名]に表示されます.");
  QFont big = btnSave->font();
  big.setPixelSize(15);
  btnSave->setFont(big);
  btnExit = button(Panel1, "btnExit", "終了", QRect(685, 491, 100, 25), "|プランドールを終了します.");

  pnlCover = coverPanel(Panel1, kSkyBlue);
  for (QWidget* w : std::initializer_list<QWidget*>{Panel3, Panel2, Panel4, btnRemovePad, btnEnterRoutine,
                                                     btnSetRoutine, btnShowRoutine})
    w->setProperty("designX", w->x());

  StatusBar1 = new QWidget(client);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  // With IPAPGothic's wider digits "データ総数: 24" needs more than 75 pixels;
  // the count panel takes them from the last one, which stretches anyway.
  const int countWidth = QFontMetrics(StatusBar1->font()).horizontalAdvance(q("データ総数: 24")) + 5;
  const int widths[3] = {625, std::max(75, countWidth), 50};  // frames, indent and gap: 5
  int x = 0;
  for (int i = 0; i < 3; ++i) {
    auto* l = new QLabel(StatusBar1);
    l->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setGeometry(x, 1, widths[i] - 1, kStatusBarHeight - 1);
    l->setIndent(2);
    statusPanels[i] = l;
    x += widths[i];
  }

  connect(btnUpdate, &QPushButton::clicked, this, &TfrmMain::btnUpdateClick);
}

void TfrmMain::buildActions() {
  auto make = [this](QAction*& a, const char* name, const char* caption, auto handler) {
    a = new QAction(q(caption), this);
    a->setObjectName(QLatin1String(name));
    connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
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
  auto* scheduleNow = new QAction(q("現在時刻へ(&W)"), this);
  scheduleNow->setObjectName(QStringLiteral("ScheduleNow1"));
  scheduleNow->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
  // The plan that holds the time now first (asking about unsaved work).
  connect(scheduleNow, &QAction::triggered, this, [this] {
    const PlanMoment m = planMoment(platform_.now());
    if (state_.day.date() != m.plan) openDate(m.plan);
    ScrollBox1->scrollToNow();
  });
  for (QAction* a : {SchedulePrevDay1, ScheduleNextDay1, ScheduleGoTo1, scheduleNow}) addAction(a);
  make(ScheduleDiary1, "ScheduleDiary1", "一日の終わりに(&D)...", &TfrmMain::ScheduleDiary1Execute);
  make(ScheduleRemovePad1, "ScheduleRemovePad1", "スケジュール・パッドを削除(&R)",
       &TfrmMain::ScheduleRemovePad1Execute);
  make(ScheduleUndo1, "ScheduleUndo1", "元に戻す(&U)", &TfrmMain::ScheduleUndo1Execute);
  make(ScheduleRedo1, "ScheduleRedo1", "やり直し(&Y)", &TfrmMain::ScheduleRedo1Execute);
  ScheduleUndo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  ScheduleRedo1->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  for (QAction* a : {ScheduleUndo1, ScheduleRedo1}) {
    a->setEnabled(false);
    addAction(a);  // the keys work while the menu is closed
  }
  make(RoutineEntry1, "RoutineEntry1", "ルーチン仮登録(&E)", &TfrmMain::RoutineEntry1Execute);
  make(RoutineSet1, "RoutineSet1", "ルーチン設定(&S)...", &TfrmMain::RoutineSet1Execute);
  make(RoutineRead1, "RoutineRead1", "ルーチン表示(&R)", &TfrmMain::RoutineRead1Execute);
  make(OptionSetList1, "OptionSetList1", "リスト項目を設定(&L)...", &TfrmMain::OptionSetList1Execute);
  make(OptionReminder1, "OptionReminder1", "リマインダー(&M)...", &TfrmMain::OptionReminder1Execute);
  make(HelpContents1, "HelpContents1", "目次(&C)...", &TfrmMain::HelpContents1Execute);
  make(HelpAbout1, "HelpAbout1", "バージョン情報(&A)...", &TfrmMain::HelpAbout1Execute);

  // Buttons keep their own captions but follow their action's state.
  auto bind = [this](QPushButton* b, QAction* a) {
    connect(b, &QPushButton::clicked, a, &QAction::trigger);
    b->setEnabled(a->isEnabled());
    connect(a, &QAction::changed, b, [b, a] { b->setEnabled(a->isEnabled()); });
  };
  bind(btnSave, FileSave1);
  bind(btnExit, FileExit1);
  bind(btnDiary, ScheduleDiary1);
  bind(btnRemovePad, ScheduleRemovePad1);
  bind(btnEnterRoutine, RoutineEntry1);
  bind(btnSetRoutine, RoutineSet1);
  bind(btnShowRoutine, RoutineRead1);

  QMenuBar* bar = menuBar();
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
  m->addAction(scheduleNow);
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
  auto keyed = [this, m](const char* name, const char* caption, QKeySequence key, std::function<void()> run) {
    auto* a = m->addAction(q(caption));
    a->setObjectName(QLatin1String(name));
    a->setShortcut(key);
    a->setShortcutContext(Qt::WidgetShortcut);
    connect(a, &QAction::triggered, this, std::move(run));
    return a;
  };
  keyed("ScheduleNewPadL1", "左に新しいパッド(&L)", QKeySequence(Qt::CTRL | Qt::Key_N),
        [this] { ScrollBox1->newPadFromKeyboard(false); });
  keyed("ScheduleNewPadR1", "右に新しいパッド(&I)", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
        [this] { ScrollBox1->newPadFromKeyboard(true); });
  keyed("ScheduleNextPad1", "次のパッドへ(&X)", QKeySequence(Qt::Key_F6), [this] { ScrollBox1->focusNextPad(true); });
  keyed("SchedulePrevPad1", "前のパッドへ(&V)", QKeySequence(Qt::SHIFT | Qt::Key_F6),
        [this] { ScrollBox1->focusNextPad(false); });
  keyed("SchedulePadMenu1", "パッドのメニュー(&M)", QKeySequence(Qt::Key_Menu), [this] {
    if (TSchedPadFrame* pad = ScrollBox1->padFrame(state_.day.selectedPad())) {
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
    keyed(mv.name, mv.caption, mv.key, [this, grip = mv.grip, steps = mv.steps] {
      ScrollBox1->stepPadTimes(state_.day.selectedPad(), grip, steps);
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
}

void TfrmMain::layoutClient() {
  if (!client) return;
  const int w = client->width();
  const int h = client->height();
  if (auto* scroll = client->findChild<QScrollArea*>(QStringLiteral("Panel1Scroll"), Qt::FindDirectChildrenOnly))
    scroll->setGeometry(0, 0, w, h - kStatusBarHeight);
  StatusBar1->setGeometry(0, h - kStatusBarHeight, w, kStatusBarHeight);
  // A narrow window takes the width from the hint panel; the last panel
  // reaches the right edge, as status bars do.
  const int narrower = std::min(0, w - 800);
  QLabel* hint = statusPanels[0];
  hint->resize(std::max(100, 624 + narrower), hint->height());
  statusPanels[1]->move(hint->geometry().right() + 2, statusPanels[1]->y());
  QLabel* last = statusPanels[2];
  last->move(statusPanels[1]->geometry().right() + 2, last->y());
  last->resize(std::max(49, w - last->x()), last->height());
  layoutPanel1();
}

void TfrmMain::layoutPanel1() {
  if (!btnExit) return;  // still being built
  const int bottom = Panel1->height() - kDesignPanel1Height;  // how far the bottom edge moved
  // Narrower than the design: the controls on the right keep to the right edge.
  const int right = std::min(0, Panel1->width() - 800);
  ScrollBox1->resize(670 + right, 505 + bottom);
  for (QWidget* w : std::initializer_list<QWidget*>{Panel3, Panel2, Panel4, btnRemovePad, btnEnterRoutine,
                                                     btnSetRoutine, btnShowRoutine})
    w->move(w->property("designX").toInt() + right, w->y());
  btnDiary->move(685 + right, 385 + bottom);
  btnSave->move(685 + right, 431 + bottom);
  btnExit->move(685 + right, 491 + bottom);
}

}  // namespace plandor
