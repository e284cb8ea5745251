// The main window's controls, laid out as in the 800 x 600 design; only the
// height stretches. On a screen too small for the design (a small one at 1.5
// or 2 times the size) the window narrows, the day view giving up the width,
// and what is still too high scrolls above the status bar, which stays in view.
#include "mainlayout.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <algorithm>
#include <initializer_list>

#include "dayview.h"
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

MainControls buildMainControls(QWidget* area, SchedPadContext& context) {
  MainControls ui;
  auto& [client, Panel1, ScrollBox1, Panel2, Panel3, Panel4, lblComment, edtThisFile, dtpPrepDate, dtpToday, edtNow,
         btnUpdate, btnRemovePad, btnEnterRoutine, btnSetRoutine, btnShowRoutine, btnDiary, btnSave, btnExit, pnlCover,
         StatusBar1, statusPanels] = ui;
  client = area;
  client->setObjectName(QStringLiteral("client"));

  auto* panelScroll = new QScrollArea(client);
  panelScroll->setObjectName(QStringLiteral("Panel1Scroll"));
  panelScroll->setFrameShape(QFrame::NoFrame);
  panelScroll->setFocusPolicy(Qt::NoFocus);
  panelScroll->setWidgetResizable(true);
  Panel1 = panel(client, "Panel1", QRect(0, 0, 800, kDesignPanel1Height), kSkyBlue, QFrame::Panel | QFrame::Sunken);
  Panel1->setMinimumSize(kLeastPanel1Width, kLeastPanel1Height);
  panelScroll->setWidget(Panel1);

  ScrollBox1 = new TDayView(context, Panel1);
  ScrollBox1->setGeometry(5, 10, 670, 505);

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
  return ui;
}

namespace {

// The hint panel's own width: a narrow window takes it from there.
int hintRoom(const MainControls& ui) { return std::max(100, 624 + std::min(0, ui.client->width() - 800)); }

}  // namespace

void showStatusText(const MainControls& ui, const QString& text) {
  QLabel* hint = ui.statusPanels[0];
  hint->setText(text);
  if (!ui.client) return;
  const int frame = hint->width() - hint->contentsRect().width();
  const int needs = QFontMetrics(hint->font()).horizontalAdvance(text) + hint->indent() + frame + 2;
  const int room = hintRoom(ui);
  // Counts half covered would read wrong: a longer text takes the bar.
  hint->resize(needs > room ? std::max(room, ui.StatusBar1->width()) : room, hint->height());
  // Over the counts while it needs their room; under them again after.
  const bool over = hint->width() > room;
  hint->setAutoFillBackground(over);  // the counts must not show through
  if (over) hint->raise();
  else hint->lower();
}

void layoutMainControls(const MainControls& ui) {
  if (!ui.client || !ui.btnExit) return;  // still being built
  const int w = ui.client->width();
  const int h = ui.client->height();
  if (auto* scroll = ui.client->findChild<QScrollArea*>(QStringLiteral("Panel1Scroll"), Qt::FindDirectChildrenOnly))
    scroll->setGeometry(0, 0, w, h - kStatusBarHeight);
  ui.StatusBar1->setGeometry(0, h - kStatusBarHeight, w, kStatusBarHeight);
  // A narrow window takes the width from the hint panel; the last panel
  // reaches the right edge, as status bars do.
  QLabel* hint = ui.statusPanels[0];
  ui.statusPanels[1]->move(hintRoom(ui) + 1, ui.statusPanels[1]->y());
  QLabel* last = ui.statusPanels[2];
  last->move(ui.statusPanels[1]->geometry().right() + 2, last->y());
  last->resize(std::max(49, w - last->x()), last->height());
  showStatusText(ui, hint->text());

  const int bottom = ui.Panel1->height() - kDesignPanel1Height;  // how far the bottom edge moved
  // Narrower than the design: the controls on the right keep to the right edge.
  const int right = std::min(0, ui.Panel1->width() - 800);
  ui.ScrollBox1->resize(670 + right, 505 + bottom);
  for (QWidget* c : std::initializer_list<QWidget*>{ui.Panel3, ui.Panel2, ui.Panel4, ui.btnRemovePad,
                                                    ui.btnEnterRoutine, ui.btnSetRoutine, ui.btnShowRoutine})
    c->move(c->property("designX").toInt() + right, c->y());
  ui.btnDiary->move(685 + right, 385 + bottom);
  ui.btnSave->move(685 + right, 431 + bottom);
  ui.btnExit->move(685 + right, 491 + bottom);
}

}  // namespace plandor
