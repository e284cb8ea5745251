#include "padframe.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QScopedValueRollback>
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

// A painted pad tells a screen reader its name as any pad does; asked for
// its parts, it makes its controls and offers theirs.
class PadAccessible final : public QAccessibleWidget {
 public:
  explicit PadAccessible(PadFrameBase* pad) : QAccessibleWidget(pad, QAccessible::Border) {}
  int childCount() const override {
    make();
    return QAccessibleWidget::childCount();
  }
  QAccessibleInterface* child(int index) const override {
    make();
    return QAccessibleWidget::child(index);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    make();
    return QAccessibleWidget::indexOfChild(child);
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    make();
    return QAccessibleWidget::childAt(x, y);
  }

 private:
  void make() const { static_cast<PadFrameBase*>(widget())->makeControls(); }
};

QAccessibleInterface* padAccessible(const QString&, QObject* object) {
  auto* pad = qobject_cast<PadFrameBase*>(object);
  return pad ? new PadAccessible(pad) : nullptr;
}

}  // namespace

PadFrameBase::PadFrameBase(PadKind kind, PadContext& context, QWidget* parent)
    : QFrame(parent), context_(context), kind_(kind) {
  setFocusPolicy(Qt::StrongFocus);  // Tab reaches the pad, then its controls
  fillBackground(this, kButtonFace);
  static const bool installed = [] {  // once for the program
    qApp->installEventFilter(new MarkPanelRightPress(qApp));
    QAccessible::installFactory(padAccessible);
    return true;
  }();
  Q_UNUSED(installed);
  connect(qApp, &QApplication::focusChanged, this, &PadFrameBase::focusChanged);
  nameYourself();
}

// A focused pad that is destroyed hands the focus on from ~QWidget, after
// this part is gone: stop listening first.
PadFrameBase::~PadFrameBase() { disconnect(qApp, nullptr, this, nullptr); }

void PadFrameBase::makeControls() {
  if (made_) return;
  made_ = true;
  auto* panel = new QFrame(this);
  Panel1 = panel;
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel->setLineWidth(1);
  panel->setGeometry(rect());
  fillBackground(panel, kButtonFace);
  auto* start = new TimeRow("Panel2", "開", "始", 21, 22, panel);
  Panel2 = start;
  start->move(3, 3);
  auto* end = new TimeRow("Panel3", "終", "了", 20, 21, panel);
  Panel3 = end;
  end->move(3, 30);
  start->cmbHour->setObjectName(QStringLiteral("cmbStartHour"));
  start->speMinute->setObjectName(QStringLiteral("speStartMinute"));
  start->chbPM->setObjectName(QStringLiteral("chbStartPM"));
  end->cmbHour->setObjectName(QStringLiteral("cmbEndHour"));
  end->speMinute->setObjectName(QStringLiteral("speEndMinute"));
  end->chbPM->setObjectName(QStringLiteral("chbEndPM"));
  setFontPixels(start->cmbHour, 13);
  setFontPixels(start->speMinute, 13);

  const ListEntries& e = context_.lists.entries;
  auto* keyword = new ListCombo(31, [&e] { return listTexts(e.KeywordEntries); }, panel);
  cmbKeyword = keyword;
  keyword->setObjectName(QStringLiteral("cmbKeyword"));
  keyword->setFocusPolicy(Qt::ClickFocus);
  setFontPixels(keyword, 13);
  auto* content = new ListCombo(63, [&e] { return listTexts(e.ContentEntries); }, panel);
  cmbContent = content;
  content->setObjectName(QStringLiteral("cmbContent"));
  content->setFocusPolicy(Qt::ClickFocus);
  auto* color = new ColorBox(panel);
  colorBox = color;
  color->setObjectName(QStringLiteral("ColorBox"));
  color->setFocusPolicy(Qt::ClickFocus);
  auto* padNo = new QLineEdit(panel);
  edtPadNo = padNo;
  padNo->setObjectName(QStringLiteral("edtPadNo"));
  padNo->setReadOnly(true);
  padNo->setFocusPolicy(Qt::ClickFocus);
  padNo->setCursor(Qt::ArrowCursor);
  setFontPixels(padNo, 13);
  auto* mark = new MarkPanel(panel);
  pnlPMenu = mark;
  mark->setObjectName(QStringLiteral("pnlPMenu"));
  setFontPixels(mark, 16);

  const KindHints& h = kind_ == PadKind::Schedule ? kScheduleHints : kRoutineHints;
  setHint(start->cmbHour, q(h.startHour));
  setHint(start->speMinute, q(h.startMinute));
  setHint(end->cmbHour, q(h.endHour));
  setHint(end->speMinute, q(h.endMinute));
  setHint(keyword, q(h.keyword));
  setHint(padNo, q(h.number));
  setHint(content, q("上記キーワードの説明を入力します. 例えば,「散歩」の場合,「麒麟山展望台まで1時間で往復」... 半角63文字以内"));
  setHint(color, q("|スケジュールバーの色を選択します."));
  setHint(mark, q("|パッドが選択されると,このマークパネルに◆マークが表示されます. "
                  "ここを右クリックすると,ポップアップメニューが表示されます."));
  const QString pmHint = q("|左記の時刻が午後の場合,チェックマークが表示されます. 時刻修正時,必要に応じて変更します.");
  setHint(start->chbPM, pmHint);
  setHint(end->chbPM, pmHint);
  nameAfter(start->cmbHour, q("開始時刻(時)"));
  start->speMinute->setAccessibleName(q("開始時刻(分)"));
  start->chbPM->setAccessibleName(q("開始時刻は午後"));
  nameAfter(end->cmbHour, q("終了時刻(時)"));
  end->speMinute->setAccessibleName(q("終了時刻(分)"));
  end->chbPM->setAccessibleName(q("終了時刻は午後"));
  nameAfter(keyword, q("キーワード"));
  nameAfter(content, q("説明"));
  padNo->setAccessibleName(q("パッドNo"));
  mark->setAccessibleName(q("マークパネル"));

  auto* menu = new QMenu(this);
  pumPadFrame = menu;
  menu->setObjectName(kind_ == PadKind::Schedule ? QStringLiteral("pumPadFrame") : QStringLiteral("pumRoutineFrame"));
  QAction* memo = menu->addAction(q("メモ(&M)..."));
  pmiMemo = memo;
  memo->setObjectName(QStringLiteral("pmiMemo"));
  memo->setEnabled(static_cast<bool>(context_.openMemo));
  connect(memo, &QAction::triggered, this, [this] {
    if (context_.openMemo) context_.openMemo(*this);
  });
  offerPopup(padNo);
  offerPopup(mark);
  // The popup from the keyboard, wherever in the pad the focus is.
  for (const QKeySequence& key : {QKeySequence(Qt::Key_Menu), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
    auto* s = new QShortcut(key, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(s, &QShortcut::activated, this, &PadFrameBase::popupMenu);
  }
  connect(mark, &MarkPanel::clicked, this, [this] { setFocus(Qt::MouseFocusReason); });

  addControls();
  {
    const QScopedValueRollback<bool> filling(filling_, true);
    fillCommon(face_);
    fillControls(face_);
  }
  // The name carries the keyword and the times as they stand.
  connect(keyword, &QComboBox::editTextChanged, this, &PadFrameBase::nameYourself);
  for (TimeRow* row : {start, end}) {
    connect(row->cmbHour, &QComboBox::editTextChanged, this, &PadFrameBase::nameYourself);
    connect(row->speMinute, &QSpinBox::valueChanged, this, &PadFrameBase::nameYourself);
    connect(row->chbPM, &QCheckBox::toggled, this, &PadFrameBase::nameYourself);
  }
  panel->show();
  update();
}

PadFace PadFrameBase::face() const {
  if (!made_) return face_;
  auto time = [](const TimeRow* row) {
    return PadTimeFace{row->cmbHour->currentText(), row->speMinute->value(), row->chbPM->isChecked()};
  };
  PadFace f = face_;
  f.keyword = cmbKeyword.made()->currentText();
  f.content = cmbContent.made()->currentText();
  f.color = colorBox.made()->color();
  f.start = time(Panel2.made());
  f.end = time(Panel3.made());
  readControls(f);
  return f;
}

void PadFrameBase::setFace(const PadFace& f) {
  face_ = f;
  if (made_) {
    const QScopedValueRollback<bool> filling(filling_, true);
    fillCommon(f);
    fillControls(f);
  } else {
    update();
  }
  nameYourself();
}

// Only what differs is set: setting a box's text again would move its
// cursor and clear its undo steps.
void PadFrameBase::fillCommon(const PadFace& f) {
  if (edtPadNo.made()->text() != f.number) edtPadNo.made()->setText(f.number);
  for (auto [row, t] : {std::pair{Panel2.made(), &f.start}, std::pair{Panel3.made(), &f.end}}) {
    if (row->cmbHour->currentText() != t->hour) row->cmbHour->setEditText(t->hour);
    row->speMinute->setValue(t->minute);
    row->chbPM->setChecked(t->pm);
  }
  for (auto [box, text] : {std::pair{cmbKeyword.made(), &f.keyword}, std::pair{cmbContent.made(), &f.content}}) {
    if (box->currentText() == *text) continue;
    box->setEditText(*text);
    // A long text shows its beginning, not the end where the cursor was put.
    box->lineEdit()->setCursorPosition(0);
  }
  ColorBox* color = colorBox.made();
  if (color->color() != f.color) {
    color->reset();  // custom entries of earlier records go
    color->setColor(f.color);
  }
  showMarkPanel(f.mark);
}

void PadFrameBase::showMarkPanel(bool on) {
  MarkPanel* mark = pnlPMenu.made();
  if (on == (mark->text() == QStringLiteral("◆"))) return;
  if (on) mark->setText(QStringLiteral("◆"));
  else mark->clear();
  mark->setAccessibleName(on ? q("マークパネル ◆") : q("マークパネル"));
}

// Painted as the pad's controls paint: the likeness is given this face and
// draws itself into a picture of the pad.
void PadFrameBase::paintEvent(QPaintEvent* e) {
  if (made_) return QFrame::paintEvent(e);
  PadFrameBase& look = likeness();
  look.setFace(face_);
  const qreal ratio = devicePixelRatioF();
  QPixmap picture(size() * ratio);
  picture.setDevicePixelRatio(ratio);
  look.render(&picture);
  QPainter p(this);
  p.setClipRegion(e->region());
  p.drawPixmap(0, 0, picture);
}

bool PadFrameBase::event(QEvent* e) {
  if (e->type() == QEvent::Enter) makeControls();
  return QFrame::event(e);
}

void PadFrameBase::setNumber(int number) {
  slot_ = number - 1;
  PadFace f = face();
  f.number = QString::number(number);
  setFace(f);
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
  if (likeness_) return;
  const PadFace f = face();
  auto time = [](const PadTimeFace& t) -> QString {
    bool ok = false;
    const int hour = t.hour.toInt(&ok);
    if (!ok) return {};
    const int clock = (HourIndex(t.pm, hour) + 6) % 24;
    return QStringLiteral("%1:%2").arg(clock).arg(t.minute, 2, 10, QLatin1Char('0'));
  };
  QString name = q(kind_ == PadKind::Schedule ? "スケジュール・パッド " : "ルーチン・パッド ") + f.number;
  const QString keyword = f.keyword.trimmed();
  if (!keyword.isEmpty() && keyword != q("キーワード")) name += QStringLiteral(", ") + keyword;
  const QString start = time(f.start), end = time(f.end);
  if (!start.isEmpty() && !end.isEmpty()) name += QStringLiteral(", ") + start + q(" から ") + end;
  if (f.mark) name += q(", ◆ 選択中");
  if (accessibleName() != name) setAccessibleName(name);
}

PadEntry PadFrameBase::entry() const {
  const PadFace f = face();
  auto time = [](const PadTimeFace& t) { return TimeEntry{t.hour.toStdString(), t.minute, t.pm}; };
  PadEntry e;
  e.keyword = f.keyword.toStdString();
  e.content = f.content.toStdString();
  e.color = f.color;
  e.start = time(f.start);
  e.end = time(f.end);
  return e;
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
  if (on == face_.mark) return;
  face_.mark = on;
  if (made_) showMarkPanel(on);
  else update();
  nameYourself();
}

void PadFrameBase::FrameEnter() {
  makeControls();
  setMark(true);
  // A pad that takes the focus under another one (F6, a click on its edge)
  // comes to the front, where what is typed shows.
  if (isVisible()) raise();
}

void PadFrameBase::FrameExit() {
  if (!asking_) setMark(false);
}

}  // namespace plandor
