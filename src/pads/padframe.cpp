#include "padframe.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWindow>
#include <QShortcut>

#include "listfile.h"
#include "timeaxis.h"
#include "widgetsupport.h"

namespace plandor {
namespace {

// Hints that name the kind of pad.
struct KindHints {
  const char* startHour;
  const char* startMinute;
  const char* endHour;
  const char* endMinute;
  const char* keyword;
  const char* number;
};

constexpr KindHints kScheduleHints{
    "|ドラッグ・エリアをドラッグして設定した開始時刻(時)が表示されます. ここで正確な開始時刻を設定します.",
    "|ドラッグ・エリアをドラッグして設定した開始時刻(分)が表示されます. ここで正確な開始時刻を設定します.",
    "|ドラッグ・エリアをドラッグして設定した終了時刻(時)が表示されます. ここで正確な終了時刻を設定します.",
    "|ドラッグ・エリアをドラッグして設定した終了時刻(分)が表示されます. ここで正確な終了時刻を設定します.",
    "|このスケジュール項目のキーワードを設定します. 例えば,「散歩」など... 半角31文字以内",
    "|スケジュール・パッドNo(スケジュール項目No.)です.\u3000変更不可.",
};

constexpr KindHints kRoutineHints{
    "|ルーチンの開始時刻(時)が表示されます. ここで変更することもできます.",
    "|ルーチンの開始時刻(分)が表示されます. ここで変更することもできます.",
    "|ルーチンの終了時刻(時)が表示されます. ここで変更することもできます.",
    "|ルーチンの終了時刻(分)が表示されます. ここで変更することもできます.",
    "|このルーチン項目のキーワードを設定します. 例えば,「散歩」など... 半角31文字以内",
    "|ルーチン・パッドNo(ルーチン項目No.)です.\u3000変更不可.",
};


// Qt hands the focus to the first widget under the pointer that takes a
// click, for any button and before the widget sees the press: for the mark
// panel that is its pad. A right click there only opens the popup, so the
// press is taken where it reaches the window, before Qt looks.
class MarkPanelRightPress final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() != QEvent::MouseButtonPress || !watched->isWindowType()) return false;
    const auto* press = static_cast<QMouseEvent*>(e);
    if (press->button() != Qt::RightButton) return false;
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->windowHandle() != watched) continue;
      auto* panel = qobject_cast<MarkPanel*>(top->childAt(press->position().toPoint()));
      if (!panel || !panel->isEnabled()) return false;
      emit panel->customContextMenuRequested(panel->mapFrom(top, press->position().toPoint()));
      return true;
    }
    return false;
  }
};

}  // namespace

PadFrameBase::PadFrameBase(PadKind kind, PadContext& context, QWidget* parent)
    : QFrame(parent), context_(context), kind_(kind) {
  setFocusPolicy(Qt::StrongFocus);  // Tab reaches the pad, then its controls
  fillBackground(this, kButtonFace);
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
  fillBackground(Panel1, kButtonFace);
  Panel2 = new TimeRow("Panel2", "開", "始", 21, 22, Panel1);
  Panel2->move(3, 3);
  Panel3 = new TimeRow("Panel3", "終", "了", 20, 21, Panel1);
  Panel3->move(3, 30);
  Panel2->cmbHour->setObjectName(QStringLiteral("cmbStartHour"));
  Panel2->speMinute->setObjectName(QStringLiteral("speStartMinute"));
  Panel2->chbPM->setObjectName(QStringLiteral("chbStartPM"));
  Panel3->cmbHour->setObjectName(QStringLiteral("cmbEndHour"));
  Panel3->speMinute->setObjectName(QStringLiteral("speEndMinute"));
  Panel3->chbPM->setObjectName(QStringLiteral("chbEndPM"));
  setFontPixels(Panel2->cmbHour, 13);
  setFontPixels(Panel2->speMinute, 13);

  const ListEntries& e = context.lists.entries;
  cmbKeyword = new ListCombo(31, [&e] { return listTexts(e.KeywordEntries); }, Panel1);
  cmbKeyword->setObjectName(QStringLiteral("cmbKeyword"));
  cmbKeyword->setFocusPolicy(Qt::ClickFocus);
  setFontPixels(cmbKeyword, 13);
  cmbContent = new ListCombo(63, [&e] { return listTexts(e.ContentEntries); }, Panel1);
  cmbContent->setObjectName(QStringLiteral("cmbContent"));
  cmbContent->setFocusPolicy(Qt::ClickFocus);
  colorBox = new ColorBox(Panel1);
  colorBox->setObjectName(QStringLiteral("ColorBox"));
  colorBox->setFocusPolicy(Qt::ClickFocus);
  edtPadNo = new QLineEdit(Panel1);
  edtPadNo->setObjectName(QStringLiteral("edtPadNo"));
  edtPadNo->setReadOnly(true);
  edtPadNo->setFocusPolicy(Qt::ClickFocus);
  edtPadNo->setCursor(Qt::ArrowCursor);
  setFontPixels(edtPadNo, 13);
  pnlPMenu = new MarkPanel(Panel1);
  pnlPMenu->setObjectName(QStringLiteral("pnlPMenu"));
  setFontPixels(pnlPMenu, 16);

  const KindHints& h = kind == PadKind::Schedule ? kScheduleHints : kRoutineHints;
  setHint(Panel2->cmbHour, q(h.startHour));
  setHint(Panel2->speMinute, q(h.startMinute));
  setHint(Panel3->cmbHour, q(h.endHour));
  setHint(Panel3->speMinute, q(h.endMinute));
  setHint(cmbKeyword, q(h.keyword));
  setHint(edtPadNo, q(h.number));
  setHint(cmbContent, q("上記キーワードの説明を入力します. 例えば,「散歩」の場合,「麒麟山展望台まで1時間で往復」... 半角63文字以内"));
  setHint(colorBox, q("|スケジュールバーの色を選択します."));
  setHint(pnlPMenu, q("|パッドが選択されると,このマークパネルに◆マークが表示されます. "
                      "ここを右クリックすると,ポップアップメニューが表示されます."));
  const QString pmHint = q("|左記の時刻が午後の場合,チェックマークが表示されます. 時刻修正時,必要に応じて変更します.");
  setHint(Panel2->chbPM, pmHint);
  setHint(Panel3->chbPM, pmHint);
  nameAfter(Panel2->cmbHour, q("開始時刻(時)"));
  Panel2->speMinute->setAccessibleName(q("開始時刻(分)"));
  Panel2->chbPM->setAccessibleName(q("開始時刻は午後"));
  nameAfter(Panel3->cmbHour, q("終了時刻(時)"));
  Panel3->speMinute->setAccessibleName(q("終了時刻(分)"));
  Panel3->chbPM->setAccessibleName(q("終了時刻は午後"));
  nameAfter(cmbKeyword, q("キーワード"));
  nameAfter(cmbContent, q("説明"));
  edtPadNo->setAccessibleName(q("パッドNo"));
  pnlPMenu->setAccessibleName(q("マークパネル"));
  resetCommon();

  pumPadFrame = new QMenu(this);
  pumPadFrame->setObjectName(kind == PadKind::Schedule ? QStringLiteral("pumPadFrame")
                                                       : QStringLiteral("pumRoutineFrame"));
  pmiMemo = pumPadFrame->addAction(q("メモ(&M)..."));
  pmiMemo->setObjectName(QStringLiteral("pmiMemo"));
  pmiMemo->setEnabled(static_cast<bool>(context.openMemo));
  connect(pmiMemo, &QAction::triggered, this, [this] {
    if (context_.openMemo) context_.openMemo(*this);
  });
  offerPopup(edtPadNo);
  offerPopup(pnlPMenu);
  // The popup from the keyboard, wherever in the pad the focus is.
  for (const QKeySequence& key : {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
    auto* s = new QShortcut(key, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(s, &QShortcut::activated, this, &PadFrameBase::popupMenu);
  }

  connect(pnlPMenu, &MarkPanel::clicked, this, [this] { setFocus(Qt::MouseFocusReason); });
  static const bool rightPressTaken = [] {  // once for the program
    qApp->installEventFilter(new MarkPanelRightPress(qApp));
    return true;
  }();
  Q_UNUSED(rightPressTaken);
  // The name carries the keyword and the times as they stand.
  connect(cmbKeyword, &QComboBox::editTextChanged, this, &PadFrameBase::nameYourself);
  for (TimeRow* row : {Panel2, Panel3}) {
    connect(row->cmbHour, &QComboBox::editTextChanged, this, &PadFrameBase::nameYourself);
    connect(row->speMinute, &QSpinBox::valueChanged, this, &PadFrameBase::nameYourself);
    connect(row->chbPM, &QCheckBox::toggled, this, &PadFrameBase::nameYourself);
  }
  connect(qApp, &QApplication::focusChanged, this, &PadFrameBase::focusChanged);
}

// A focused pad that is destroyed hands the focus on from ~QWidget, after
// this part is gone: stop listening first.
PadFrameBase::~PadFrameBase() { disconnect(qApp, nullptr, this, nullptr); }

void PadFrameBase::setNumber(int number) {
  slot_ = number - 1;
  edtPadNo->setText(QString::number(number));
  nameYourself();
}

void PadFrameBase::popupMenu() { pumPadFrame->popup(pnlPMenu->mapToGlobal(pnlPMenu->rect().center())); }

bool PadFrameBase::confirmOnPad(int number, const char* action, int left, int top) {
  showMark();
  const std::string question = std::string(kind_ == PadKind::Schedule ? "スケジュール・パッドNo. " : "ルーチン・パッドNo. ") +
                               std::to_string(number) + action + "\r\n\r\n処理を続行しますか？";
  // The box takes the focus, from the pad itself when the command came from
  // a menu; the mark stays on while the question is about this pad.
  asking_ = true;
  const bool ok = context_.platform.confirm(question, left, top);
  asking_ = false;
  if (!ok) {
    setFocus();
    return false;
  }
  if (!holds(QApplication::focusWidget())) FrameExit();
  return true;
}

void PadFrameBase::refuseHour(const std::string& text, bool integer) {
  TimeRow* row = Panel2->cmbHour->currentText().toStdString() == text ? Panel2 : Panel3;
  const std::string box = row == Panel2 ? "開始時刻の「時」の欄: " : "終了時刻の「時」の欄: ";
  if (integer) {
    context_.platform.message(box + "'" + text + kHourOutsideDial);
  } else {
    context_.platform.errorBox(box + "'" + text + "' は整数ではありません.\r\n0 から 12 までの整数を入力してください.");
  }
  row->cmbHour->setFocus(Qt::OtherFocusReason);
  if (QLineEdit* edit = row->cmbHour->lineEdit()) edit->selectAll();
}

// "スケジュール・パッド 2, 9:00 から 10:30": the times on the day's 24-hour
// clock, so that a screen reader needs no PM flag to read them.
void PadFrameBase::nameYourself() {
  auto time = [](const TimeRow* row) -> QString {
    bool ok = false;
    const int hour = row->cmbHour->currentText().toInt(&ok);
    if (!ok) return {};
    const int clock = (HourIndex(row->chbPM->isChecked(), hour) + 6) % 24;
    return QStringLiteral("%1:%2").arg(clock).arg(row->speMinute->value(), 2, 10, QLatin1Char('0'));
  };
  QString name = q(kind_ == PadKind::Schedule ? "スケジュール・パッド " : "ルーチン・パッド ") + edtPadNo->text();
  const QString keyword = cmbKeyword->currentText().trimmed();
  if (!keyword.isEmpty() && keyword != q("キーワード")) name += QStringLiteral(", ") + keyword;
  const QString start = time(Panel2), end = time(Panel3);
  if (!start.isEmpty() && !end.isEmpty()) name += QStringLiteral(", ") + start + q(" から ") + end;
  if (pnlPMenu->text() == QStringLiteral("◆")) name += q(", ◆ 選択中");
  if (accessibleName() != name) setAccessibleName(name);
}

PadEntry PadFrameBase::entry() const {
  auto time = [](const TimeRow* row) {
    return TimeEntry{row->cmbHour->currentText().toStdString(), row->speMinute->value(), row->chbPM->isChecked()};
  };
  PadEntry e;
  e.keyword = cmbKeyword->currentText().toStdString();
  e.content = cmbContent->currentText().toStdString();
  e.color = colorBox->color();
  e.start = time(Panel2);
  e.end = time(Panel3);
  return e;
}

void PadFrameBase::resetCommon() {
  slot_ = -1;
  edtPadNo->setText(QStringLiteral("No"));
  Panel2->show(8, 0, false);
  Panel3->show(8, 0, false);
  cmbKeyword->setEditText(q("キーワード"));
  cmbContent->setEditText(q("説明"));
  colorBox->reset();
  setMark(false);
  nameYourself();
}

void PadFrameBase::offerPopup(QWidget* w) {
  w->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(w, &QWidget::customContextMenuRequested, this,
          [this, w](const QPoint& at) { pumPadFrame->popup(w->mapToGlobal(at)); });
}

void PadFrameBase::setFontPixels(QWidget* w, int px) {
  QFont f = w->font();
  f.setPixelSize(px);
  w->setFont(f);
}

QList<QWidget*> PadFrameBase::keyOrder() const {
  return {Panel2->cmbHour, Panel2->speMinute, Panel2->chbPM, Panel3->cmbHour, Panel3->speMinute, Panel3->chbPM,
          cmbKeyword,      cmbContent,        colorBox,      edtPadNo};
}

QList<QWidget*> PadFrameBase::keyChain() const {
  QList<QWidget*> order;
  for (QWidget* w : keyOrder())
    if (w->isEnabledTo(this) && w->isVisibleTo(this)) order << w;
  return order;
}

bool PadFrameBase::focusNextPrevChild(bool next) {
  // Hiding the focused pad asks this too: the focus must then leave it.
  if (!isVisible()) return QFrame::focusNextPrevChild(next);
  const QList<QWidget*> all = keyOrder();
  const QList<QWidget*> order = keyChain();
  QWidget* now = QApplication::focusWidget();
  qsizetype at = -1;
  for (qsizetype i = 0; i < order.size(); ++i)
    if (now && (order[i] == now || order[i]->isAncestorOf(now))) at = i;
  // A control that is being disabled with the focus ("一時保存" once it has
  // stored the pad) hands it to the next one of the pad, not out of it.
  if (at < 0 && now && all.contains(now) && next) {
    for (qsizetype i = all.indexOf(now) + 1; i < all.size(); ++i)
      if (order.contains(all[i])) {
        all[i]->setFocus(Qt::TabFocusReason);
        return true;
      }
  }
  // From the frame itself Tab enters at the first control, Shift+Tab at the last.
  const qsizetype to = at < 0 ? (next ? 0 : order.size() - 1) : at + (next ? 1 : -1);
  if (at < 0 && now != this) return QFrame::focusNextPrevChild(next);
  if (to < 0 && at >= 0) {
    // Backwards out of the pad: past the pad itself, which Tab enters by.
    setFocusPolicy(Qt::ClickFocus);
    const bool moved = QFrame::focusNextPrevChild(false);
    setFocusPolicy(Qt::StrongFocus);
    return moved;
  }
  if (to < 0 || to >= order.size()) return QFrame::focusNextPrevChild(next);
  order[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

bool PadFrameBase::holds(QWidget* w) const { return w && (w == this || isAncestorOf(w)); }

void PadFrameBase::focusChanged(QWidget* old, QWidget* now) {
  const bool had = holds(old);
  const bool has = holds(now);
  if (has && !had) FrameEnter();
  else if (had && !has) FrameExit();
}

void PadFrameBase::setMark(bool on) {
  if (on == (pnlPMenu->text() == QStringLiteral("◆"))) return;
  if (on)
    pnlPMenu->setText(QStringLiteral("◆"));
  else
    pnlPMenu->clear();
  pnlPMenu->setAccessibleName(on ? q("マークパネル ◆") : q("マークパネル"));
  nameYourself();
}

void PadFrameBase::FrameEnter() {
  setMark(true);
  // A pad that takes the focus under another one (F6, a click on its edge)
  // comes to the front, where what is typed shows.
  if (isVisible()) raise();
}

void PadFrameBase::FrameExit() {
  if (!asking_) setMark(false);
}

}  // namespace plandor
