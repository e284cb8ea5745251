#include "frmmain.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QWheelEvent>

#include "aboutbox.h"
#include "dlgdiary.h"
#include "dlgpadmemo.h"
#include "dlgsetlist.h"
#include "hintdisplay.h"

namespace plandor {

const char* const kNotCreated = "未作成";
const char* const kIniHintText =
    "\u3000\r\n\u3000左の白いドラッグ・エリア上で, \r\n\u3000\r\n"
    "\u3000およその開始時刻から終了時刻までドラッグしてください. \r\n\u3000\r\n"
    "\u3000(本メッセージは,左クリックで消えます.) \r\n\u3000";
const char* const kCommentText = "本ウィンドウは\r\n高さ方向にのみ\r\n伸縮可能です.";
const char* const kMonthFolderError = "今月のデータフォルダの作成に失敗しました.\r\n\r\n[プランドール]の起動を中止します.";

namespace {

const QColor kSkyBlue(166, 202, 240);
const QColor kCream(255, 251, 240);
const QColor kButtonFace(240, 240, 240);

// The timeline strip: 2 rows a minute from 06:00 to 06:00.
constexpr int kStripHeight = 2880;
// Panel1's height in the 800 x 600 design; bottom-anchored controls keep
// their distance from its bottom edge.
constexpr int kDesignPanel1Height = 527;
constexpr int kStatusBarHeight = 19;

QString q(const std::string& utf8) { return QString::fromStdString(utf8); }
// Multi-line texts are kept with Windows line breaks; Qt wants "\n".
QString lines(const char* utf8) { return q(utf8).replace(QLatin1String("\r\n"), QLatin1String("\n")); }

QFrame* panel(QWidget* parent, const char* name, QRect r, const QColor& c, int shape = QFrame::NoFrame) {
  auto* f = new QFrame(parent);
  f->setObjectName(QLatin1String(name));
  f->setGeometry(r);
  f->setFrameStyle(shape);
  fillBackground(f, c);
  return f;
}

QWidget* area(QWidget* parent, const char* name, QRect r, const QColor& c) {
  auto* w = new QWidget(parent);
  w->setObjectName(QLatin1String(name));
  w->setGeometry(r);
  fillBackground(w, c);
  return w;
}

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
  setHint(d, q(hint));
  return d;
}

QDate qdate(const LocalDate& d) { return QDate(d.year, d.month, d.day); }

}  // namespace

TfrmMain::TfrmMain(PlannerState& state, Platform& platform, QWidget* parent)
    : QMainWindow(parent),
      state_(state),
      platform_(platform),
      padContext_{state.day, state.lists, platform, state.DataFolder, state.SelectedPad, [this] { repaintDragAreas(); }} {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("プランドール"));
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  fillBackground(this, kButtonFace);
  // Only the height may change; width 800, height at least 600.
  setMinimumSize(800, 600);
  setMaximumWidth(800);
  resize(800, 600);
  buildLayout();
  buildActions();
  FormCreate();
}

TfrmMain::~TfrmMain() {
  qApp->removeEventFilter(this);
  if (hints_) qApp->removeEventFilter(hints_);
}

void TfrmMain::buildLayout() {
  client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  setCentralWidget(client);
  client->installEventFilter(this);

  Panel1 = panel(client, "Panel1", QRect(0, 0, 800, kDesignPanel1Height), kSkyBlue, QFrame::Panel | QFrame::Sunken);

  ScrollBox1 = new QScrollArea(Panel1);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setGeometry(5, 10, 670, 505);
  ScrollBox1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  ScrollBox1->setLineWidth(2);
  ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ScrollBox1->setWidgetResizable(false);
  // The scrolled content is 2888 rows; pnlBase sits at -10, -8 inside it,
  // so the view's top row of pnlBase is the scroll position + 8.
  auto* content = new QWidget;
  content->setObjectName(QStringLiteral("qt_scrollbox_content"));
  content->resize(650, 2888);
  fillBackground(content, kSkyBlue);
  ScrollBox1->setWidget(content);

  pnlBase = area(content, "pnlBase", QRect(-10, -8, 670, kStripHeight + 24), kSkyBlue);
  pnlFrame = panel(pnlBase, "pnlFrame", QRect(10, 10, 650, kStripHeight + 4), Qt::white, QFrame::Box | QFrame::Plain);
  pnlFrame->setLineWidth(1);
  auto place = [](QWidget* w, const char* name, QRect r) {
    w->setObjectName(QLatin1String(name));
    w->setGeometry(r);
  };
  pbxFrameL = new PadPane(false, pnlFrame);
  place(pbxFrameL, "pbxFrameL", QRect(1, 1, 300, kStripHeight + 2));
  pnlTime = panel(pnlFrame, "pnlTime", QRect(301, 1, 48, kStripHeight + 2), kTimeColumnColor,
                  QFrame::Box | QFrame::Plain);
  pnlTime->setLineWidth(1);
  pbxFrameR = new PadPane(true, pnlFrame);
  place(pbxFrameR, "pbxFrameR", QRect(349, 1, 300, kStripHeight + 2));
  pnlTimeL = area(pnlTime, "pnlTimeL", QRect(1, 1, 12, kStripHeight), Qt::white);
  pbxTimeL = new DragArea(DragArea::Side::Left, state_.day.table.Bars, pnlTimeL);
  place(pbxTimeL, "pbxTimeL", QRect(0, 0, 12, kStripHeight));
  pbxTime = new TimeColumn(pnlTime);
  place(pbxTime, "pbxTime", QRect(13, 1, 21, kStripHeight));
  pnlTimeR = area(pnlTime, "pnlTimeR", QRect(34, 1, 13, kStripHeight), Qt::white);
  pbxTimeR = new DragArea(DragArea::Side::Right, state_.day.table.Bars, pnlTimeR);
  place(pbxTimeR, "pbxTimeR", QRect(0, 0, 13, kStripHeight));
  for (DragArea* a : {pbxTimeL, pbxTimeR}) {
    const int left = a == pbxTimeL ? 4 : 351;
    connect(a, &DragArea::pressed, this, &TfrmMain::pbxTimeMouseDown);
    connect(a, &DragArea::moved, this, &TfrmMain::pbxTimeMouseMove);
    connect(a, &DragArea::released, this,
            [this, left](Qt::MouseButton b, int y) { pbxTimeMouseUp(b, y, left); });
  }
  pbxTime->setCursor(Qt::CrossCursor);
  setHint(pbxFrameL, q("パッド表示ペインです. ここにスケジュール・パッドが表示されます."));
  setHint(pbxFrameR, q("パッド表示ペインです. ここにスケジュール・パッドが表示されます."));
  setHint(pbxTime, q("|時刻表示コラムです. 本日の午前6時00分から翌日の午前5時59分まで表示されます."));
  const char* dragHint =
      "|ドラッグ・エリアです. ここをドラッグして,おおよその期間を設定します. "
      "表示されるスケジュール・パッド上で正確な期間を設定します.";
  setHint(pbxTimeL, q(dragHint));
  setHint(pbxTimeR, q(dragHint));

  pnlIniHint = panel(pnlFrame, "pnlIniHint", QRect(350, 250, 295, 35), kCream, QFrame::Panel | QFrame::Raised);
  lblIniHint = new QLabel(pnlIniHint);
  lblIniHint->setObjectName(QStringLiteral("lblIniHint"));
  lblIniHint->move(1, 1);
  setHint(pnlIniHint, q("左クリックで消えます|一読した後,左クリックで消してください."));
  setHint(lblIniHint, q("左クリックで消えます|一読した後,左クリックで消してください."));
  pnlIniHint->setToolTip(q("左クリックで消えます"));
  lblIniHint->setToolTip(q("左クリックで消えます"));
  pnlIniHint->installEventFilter(this);
  lblIniHint->installEventFilter(this);
  pnlIniHint->hide();

  Panel3 = panel(Panel1, "Panel3", QRect(675, 10, 115, 85), kSkyBlue);
  whiteLabel(Panel3, "ファイル名：", {8, 5});
  edtThisFile = readOnlyEdit(Panel3, "edtThisFile", QRect(5, 20, 105, 20),
                             "|現在開いているファイルのファイル名を表示します.\u3000ファイル未作成の場合, "
                             "「未作成」と表示されます.");
  whiteLabel(Panel3, "ファイル作成日：", {8, 45});
  dtpPrepDate = dateBox(Panel3, "dtpPrepDate", QRect(5, 60, 105, 20),
                        "|現在開いているファイルのファイル作成日を表示します. "
                        "ファイル未作成の場合,本日の日付を表示します．");

  Panel2 = panel(Panel1, "Panel2", QRect(675, 100, 115, 90), kSkyBlue);
  whiteLabel(Panel2, "本日の日付：", {8, 5});
  dtpToday = dateBox(Panel2, "dtpToday", QRect(5, 20, 105, 20), "|本日の日付を表示します．");
  whiteLabel(Panel2, "只今の時刻：", {8, 50});
  btnUpdate = button(Panel2, "btnUpdate", "更新", QRect(75, 45, 35, 20), "|表示時刻を更新したいときに押します.");
  // IPAPGothic's digits are wider than the design font's: the clock text
  // needs 110 pixels: the box grows 3 pixels leftwards and to the panel's edge.
  edtNow = readOnlyEdit(Panel2, "edtNow", QRect(3, 65, 112, 20), "|只今の時刻を表示します.");
  edtNow->setTextMargins(-2, 0, -2, 0);  // inside the frame, without Qt's padding

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

  pnlCover = new QLabel(q("処理中・・・"), Panel1);
  pnlCover->setObjectName(QStringLiteral("pnlCover"));
  pnlCover->setGeometry(1, 1, 185, 41);
  pnlCover->setAlignment(Qt::AlignCenter);
  pnlCover->setFrameStyle(QFrame::Panel | QFrame::Raised);
  fillBackground(pnlCover, kSkyBlue);
  {
    QPalette p = pnlCover->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    pnlCover->setPalette(p);
    QFont f = pnlCover->font();
    f.setPixelSize(24);
    pnlCover->setFont(f);
  }
  pnlCover->hide();

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
  auto make = [this](QAction*& a, const char* name, const char* caption, void (TfrmMain::*handler)()) {
    a = new QAction(q(caption), this);
    a->setObjectName(QLatin1String(name));
    if (handler) connect(a, &QAction::triggered, this, handler);
    else a->setEnabled(false);  // its command comes with a later window
  };
  make(FileSave1, "FileSave1", "保存(&S)", &TfrmMain::FileSave1Execute);
  make(FileExit1, "FileExit1", "終了(&X)", &TfrmMain::FileExit1Execute);
  make(SchedulePast1, "SchedulePast1", "過去のスケジュール(&P)...", &TfrmMain::SchedulePast1Execute);
  make(ScheduleToday1, "ScheduleToday1", "今日のスケジュール(&T)", &TfrmMain::ScheduleToday1Execute);
  make(ScheduleDiary1, "ScheduleDiary1", "一日の終わりに(&D)...", &TfrmMain::ScheduleDiary1Execute);
  make(ScheduleRemovePad1, "ScheduleRemovePad1", "スケジュール・パッドを削除(&R)",
       &TfrmMain::ScheduleRemovePad1Execute);
  make(RoutineEntry1, "RoutineEntry1", "ルーチン仮登録(&E)", nullptr);
  make(RoutineSet1, "RoutineSet1", "ルーチン設定(&S)...", nullptr);
  make(RoutineRead1, "RoutineRead1", "ルーチン表示(&R)", nullptr);
  make(OptionSetList1, "OptionSetList1", "リスト項目を設定(&L)...", &TfrmMain::OptionSetList1Execute);
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
  m->addAction(SchedulePast1);
  m->addAction(ScheduleToday1);
  m->addSeparator();
  m->addAction(ScheduleDiary1);
  m->addSeparator();
  m->addAction(ScheduleRemovePad1);
  m = bar->addMenu(q("ルーチン(&R)"));
  m->addAction(RoutineEntry1);
  m->addAction(RoutineSet1);
  m->addSeparator();
  m->addAction(RoutineRead1);
  m = bar->addMenu(q("オプション(&O)"));
  m->addAction(OptionSetList1);
  m = bar->addMenu(q("ヘルプ(&H)"));
  m->addAction(HelpContents1);
  m->addSeparator();
  m->addAction(HelpAbout1);
}

void TfrmMain::FormCreate() {
  hints_ = new HintDisplay([this](const QString& h) { statusPanels[0]->setText(h); }, this);
  qApp->installEventFilter(hints_);
  qApp->installEventFilter(this);  // the wheel scrolls the timeline wherever it turns
  padContext_.routineEntry = RoutineEntry1;
  padContext_.openMemo = [this](TSchedPadFrame* pad) { openPadMemo(pad); };

  const std::string& folder = state_.DataFolder;
  // Saves cut short by a crash or power loss leave hidden temporaries; this
  // copy alone runs on the folder, so no save of its own is under way.
  removeStaleTemporaries(folder, {"Routines.rdf", "LEntries.lef"});
  IoResult r = state_.routines.LoadRoutineFile(folder);
  if (!r.ok()) reportIo(r);
  statusPanels[2]->setText(q("ルーチン総数: ") + QString::number(state_.routines.RoutineCount));
  r = state_.lists.LoadListEntries(folder);
  if (!r.ok()) reportIo(r);

  state_.Today = platform_.now().date;
  state_.MonthFolder = monthFolderName(state_.Today);
  DayStore& day = state_.day;
  day.TodayDayPath = folder + "/" + state_.MonthFolder + "/" + dayFileName(state_.Today);
  const std::string monthPath = folder + "/" + state_.MonthFolder;
  if (!folderExists(monthPath) && !createFolder(monthPath).ok()) {
    platform_.message(kMonthFolderError);
    return;
  }

  removeStaleTemporaries(monthPath, {dayFileName(state_.Today)});
  day.CurrentDayPath = day.TodayDayPath;
  if (fileExists(day.TodayDayPath)) {
    if (LoadDayFile(day.CurrentDayPath))
      PlaySaveSound();
    else
      showLoadFailed(day.CurrentDayPath);
  } else {
    day.clear();
    showNotCreated();
  }
  dtpToday->setDate(qdate(state_.Today));
  btnUpdateClick();
  started_ = true;
}

void TfrmMain::FormShow() {
  // Work-area height, at the top left; the frame (if any) counts too.
  const QRect work = (screen() ? screen() : QGuiApplication::primaryScreen())->availableGeometry();
  const int decoration = frameGeometry().height() - geometry().height();
  move(work.topLeft());
  resize(800, std::max(600, work.height() - decoration));
  ScrollBox1->verticalScrollBar()->setValue(240);
  lblComment->setText(lines(kCommentText));
  lblComment->adjustSize();
  if (edtThisFile->text() == q(kNotCreated)) {
    lblIniHint->setText(lines(kIniHintText));
    lblIniHint->adjustSize();
    pnlIniHint->resize(lblIniHint->width() + 2, lblIniHint->height() + 2);
    pnlIniHint->move(351, 303);
    pnlIniHint->show();
    pnlIniHint->raise();
  } else {
    pnlIniHint->hide();
  }
  if (state_.day.DataCount > 0)
    focusLastPad();
  else
    btnSave->setFocus();
}

void TfrmMain::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!shownOnce_ && !e->spontaneous()) {
    shownOnce_ = true;
    FormShow();
  }
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::Wheel && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this) {
    // Wheel events reach every widget up the chain; scroll once per step.
    auto* w = static_cast<QWheelEvent*>(e);
    wheelRemainder_ += w->angleDelta().y();
    const int steps = wheelRemainder_ / 120;
    wheelRemainder_ -= steps * 120;
    if (steps != 0) ScrollBox1MouseWheel(-steps);
    return true;
  }
  if (watched == client && e->type() == QEvent::Resize) layoutClient();
  if ((watched == pnlIniHint || watched == lblIniHint) && e->type() == QEvent::MouseButtonRelease) pnlIniHintClick();
  return QMainWindow::eventFilter(watched, e);
}

void TfrmMain::layoutClient() {
  if (!client) return;
  const int w = client->width();
  const int h = client->height();
  Panel1->setGeometry(0, 0, w, h - kStatusBarHeight);
  StatusBar1->setGeometry(0, h - kStatusBarHeight, w, kStatusBarHeight);
  // The last panel reaches the right edge, as status bars do.
  QLabel* last = statusPanels[2];
  last->resize(std::max(last->width(), w - last->x()), last->height());
  const int ph = Panel1->height();
  const int bottom = ph - kDesignPanel1Height;  // how far the bottom edge moved
  ScrollBox1->resize(670, 505 + bottom);
  btnDiary->move(685, 385 + bottom);
  btnSave->move(685, 431 + bottom);
  btnExit->move(685, 491 + bottom);
}

void TfrmMain::setDataCount(int n) {
  state_.day.DataCount = n;
  statusPanels[1]->setText(q("データ総数: ") + QString::number(n));
}

void TfrmMain::showFileHeader() {
  edtThisFile->setText(q(headerFileName(state_.day.image.FilePath)));
  dtpPrepDate->setDate(qdate(fromSerialDate(state_.day.image.CreatedDate)));
}

void TfrmMain::showNotCreated() {
  edtThisFile->setText(q(kNotCreated));
  dtpPrepDate->setDate(qdate(state_.Today));
}

// After a failed load the day stays empty and open under its path, shown
// by that path's own name (the header could not be read).
void TfrmMain::showLoadFailed(const std::string& path) {
  if (fileExists(path))
    edtThisFile->setText(q(path.substr(path.find_last_of('/') + 1)));
  else
    edtThisFile->setText(q(kNotCreated));
  dtpPrepDate->setDate(qdate(state_.Today));
  setDataCount(0);
}

void TfrmMain::reportIo(const IoResult& r) { platform_.errorBox(r.message()); }

bool TfrmMain::LoadDayFile(const std::string& path) {
  IoResult r = state_.day.load(path);
  if (!r.ok()) {
    reportIo(r);
    return false;
  }
  if (!state_.day.isTemporary(path)) showFileHeader();
  buildPadFrames();
  setDataCount(state_.day.DataCount);
  return true;
}

// Frames that leave the table wait hidden for the next pad: rebuilding a
// day then refills frames instead of making hundreds of widgets again.
void TfrmMain::releasePadFrames() {
  for (TSchedPadFrame*& frame : PadFrameTable) {
    if (!frame) continue;
    frame->hide();
    spareFrames_.push_back(frame);
    frame = nullptr;
  }
}

TSchedPadFrame* TfrmMain::takePadFrame() {
  if (spareFrames_.empty()) return new TSchedPadFrame(padContext_, pnlFrame);
  TSchedPadFrame* frame = spareFrames_.back();
  spareFrames_.pop_back();
  frame->reset();
  return frame;
}

// A frame for every used slot, shown from its record.
void TfrmMain::buildPadFrames() {
  const PadRecord* pads = state_.day.table.Pads;
  for (int i = 0; i < kPadSlots; ++i) {
    if (pads[i].StartHour == -1) continue;
    if (!PadFrameTable[i]) PadFrameTable[i] = takePadFrame();
    PadFrameTable[i]->showRecord(pads[i]);
  }
  if (pnlIniHint->isVisible()) pnlIniHint->raise();
}

void TfrmMain::ClearPadTable() {
  releasePadFrames();
  state_.day.clear();
  repaintDragAreas();
}

void TfrmMain::PlaySaveSound() { plandor::PlaySaveSound(platform_, state_.DataFolder); }

void TfrmMain::repaintDragAreas() {
  pbxTimeL->update();
  pbxTimeR->update();
}

void TfrmMain::focusLastPad() {
  const int n = state_.day.DataCount;
  if (n > 0 && PadFrameTable[n - 1]) PadFrameTable[n - 1]->setFocus();
}

void TfrmMain::afterDayLoaded() {
  repaintDragAreas();
  focusLastPad();
}

void TfrmMain::FileSave1Execute() {
  bool headerSet = false;
  IoResult r = state_.day.save(state_.Today, &headerSet);  // the day taken at start-up
  if (!r.ok()) {
    reportIo(r);
    return;
  }
  if (headerSet) showFileHeader();
  setDataCount(state_.day.DataCount);
  focusLastPad();
  PlaySaveSound();
}

void TfrmMain::FileExit1Execute() { close(); }

void TfrmMain::showCover() {
  const QRect s = ScrollBox1->geometry();
  pnlCover->setGeometry(s.adjusted(-1, -1, 1, 1));
  pnlCover->show();
  pnlCover->raise();
  repaint();
}

void TfrmMain::hideCover() { pnlCover->hide(); }

void TfrmMain::ScheduleToday1Execute() {
  DayStore& day = state_.day;
  if (day.CurrentDayPath == day.TodayDayPath) return;
  day.CurrentDayPath = day.TodayDayPath;
  if (!fileExists(day.TodayDayPath)) {
    ClearPadTable();
    showNotCreated();
    setDataCount(0);
    return;
  }
  showCover();
  ClearPadTable();
  const bool loaded = LoadDayFile(day.CurrentDayPath);
  if (loaded) afterDayLoaded();
  else showLoadFailed(day.CurrentDayPath);
  hideCover();
  if (loaded) PlaySaveSound();
}

void TfrmMain::SchedulePast1Execute() {
  const std::string folder = state_.DataFolder + "/" + state_.MonthFolder;
  std::optional<std::string> chosen = platform_.openFile("プランドールファイル(*.sdf)", "*.SDF", folder);
  if (!chosen || chosen->empty()) return;
  DayStore& day = state_.day;
  if (*chosen == day.TodayDayPath || !fileExists(*chosen)) return;
  showCover();
  day.CurrentDayPath = *chosen;
  ClearPadTable();
  const bool loaded = LoadDayFile(day.CurrentDayPath);
  if (loaded) afterDayLoaded();
  else showLoadFailed(day.CurrentDayPath);
  hideCover();
  if (loaded) PlaySaveSound();
}

void TfrmMain::ScheduleRemovePad1Execute() {
  const int s = state_.SelectedPad;
  if (s < 0 || s >= kPadSlots || !PadFrameTable[s]) return;
  TSchedPadFrame* pad = PadFrameTable[s];
  // The button took the focus; show the mark again while asking.
  if (pad->pnlPMenu->text() != QStringLiteral("◆")) pad->pnlPMenu->setText(QStringLiteral("◆"));
  const std::string question =
      "スケジュール・パッドNo. " + std::to_string(s + 1) + "を削除します.\r\n\r\n処理を続行しますか？";
  if (!platform_.confirm(question, 180, 250)) {
    pad->setFocus();
    return;
  }
  showCover();
  RemovePadAndPack(state_.day.table, s);
  releasePadFrames();
  buildPadFrames();
  PlaySaveSound();
  repaintDragAreas();
  state_.day.DataCount = CountPads(state_.day.table.Bars);
  focusLastPad();
  hideCover();
}

void TfrmMain::pbxTimeMouseDown(Qt::MouseButton button, int y) {
  if (button != Qt::LeftButton) return;
  drag.DragStartY = y;
  drag.DragArmed = true;
  drag.DragActive = true;
  releasedInPause_ = false;
}

void TfrmMain::pbxTimeMouseMove(int y) {
  if (!drag.DragActive) return;
  drag.DragEndY = y;
  QScrollBar* bar = ScrollBox1->verticalScrollBar();
  const int v = -pnlBase->mapTo(ScrollBox1, QPoint(0, 0)).y() + ScrollBox1->frameWidth();
  const int h = ScrollBox1->height();
  if (v + h - drag.DragEndY < 30) {
    bar->setValue(bar->value() + 10);
    dragPause();
  }
  if (drag.DragEndY - v < 30) {
    bar->setValue(bar->value() - 10);
    dragPause();
  }
}

// Lets the scroll be painted and other events through; moves meanwhile are
// ignored. A release during the pause ends the drag for good.
void TfrmMain::dragPause() {
  drag.DragActive = false;
  pausing_ = true;
  QElapsedTimer tick;
  tick.start();
  do QCoreApplication::processEvents();
  while (tick.nsecsElapsed() < 2'000'000);
  pausing_ = false;
  drag.DragActive = !releasedInPause_;
}

void TfrmMain::pbxTimeMouseUp(Qt::MouseButton button, int y, int left) {
  drag.DragActive = false;
  if (pausing_) releasedInPause_ = true;
  const int n = CountPads(state_.day.table.Bars);
  state_.day.DataCount = n;
  if (n >= kPadSlots || button != Qt::LeftButton || !drag.DragArmed) return;
  drag.DragEndY = y;
  if (drag.DragEndY < drag.DragStartY) std::swap(drag.DragStartY, drag.DragEndY);
  if (drag.DragStartY < 0) drag.DragStartY = 0;
  if (drag.DragEndY >= kDayRows) drag.DragEndY = kDayRows - 1;
  // A pad dragged far above the strip still starts at its top.
  if (drag.DragStartY >= kDayRows) drag.DragStartY = kDayRows - 1;
  if (drag.DragEndY < 0) drag.DragEndY = 0;
  int slot = 0;
  while (slot < kPadSlots && PadFrameTable[slot]) ++slot;
  if (slot == kPadSlots) {
    drag.DragArmed = false;
    PlaySaveSound();
    return;
  }
  TSchedPadFrame* pad = takePadFrame();
  PadFrameTable[slot] = pad;
  drag.DragStart = YToTime(drag.DragStartY);
  drag.DragEnd = YToTime(drag.DragEndY);
  pad->showNew(slot + 1, drag.DragStart, drag.DragEnd, left, drag.DragStartY + 1);
  pad->show();
  pad->setFocus(Qt::OtherFocusReason);
  drag.DragArmed = false;
  PlaySaveSound();
}

void TfrmMain::ScrollBox1MouseWheel(int steps) {
  QScrollBar* bar = ScrollBox1->verticalScrollBar();
  bar->setValue(bar->value() + 20 * steps);
}

void TfrmMain::ScheduleDiary1Execute() {
  // A day without a file has no diary yet; one diary pad at a time.
  if (edtThisFile->text() == q(kNotCreated) || dlgDiary) return;
  TdlgDiary dialog(state_.day.table.Diary, state_.lists, this);
  dlgDiary = &dialog;
  dialog.exec();
  dlgDiary = nullptr;
}

void TfrmMain::OptionSetList1Execute() {
  TdlgSetList dialog(state_.lists, platform_, this);
  dialog.exec();
}

void TfrmMain::openPadMemo(TSchedPadFrame* pad) {
  if (dlgPadMemo) return;
  state_.MemoTarget = "Schedule";
  TdlgPadMemo dialog(state_.day.table, state_.routines.RoutineTable, state_.MemoTarget, this);
  dialog.open(pad->edtPadNo->text().toInt());
  dlgPadMemo = &dialog;
  dialog.exec();
  dlgPadMemo = nullptr;
}

void TfrmMain::HelpContents1Execute() { platform_.showHelp(state_.DataFolder + "/PLANDOR.HLP"); }

void TfrmMain::HelpAbout1Execute() {
  TAboutBox box(this);
  box.exec();
}

void TfrmMain::btnUpdateClick() {
  const LocalDateTime t = platform_.now();
  edtNow->setText(q(clockText(t.hour, t.minute, t.second)));
  edtNow->setCursorPosition(0);  // a text wider than the box shows its start
}

void TfrmMain::pnlIniHintClick() { pnlIniHint->hide(); }

void TfrmMain::comeForward() {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

}  // namespace plandor
