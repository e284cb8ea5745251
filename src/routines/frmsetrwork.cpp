#include "frmsetrwork.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QShowEvent>

#include "widgetsupport.h"

namespace plandor {
namespace {


// The controls of every pad, in slot order.
QList<QWidget*> keyChainOf(const std::array<TRoutineWorkFrame*, kRoutineSlots>& pads) {
  QList<QWidget*> chain;
  for (TRoutineWorkFrame* pad : pads)
    if (pad && pad->isVisible()) chain << pad->keyChain();
  return chain;
}

}  // namespace

TfrmSetRWork::TfrmSetRWork(RoutinePadContext& context, std::function<void(int)> showCount, QWidget* parent)
    : QDialog(parent), ctx_(context), showCount_(std::move(showCount)) {
  setObjectName(QStringLiteral("frmSetRWork"));
  setWindowTitle(q("ルーチン設定"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  // The design's 695 x 550 is the client area the controls are laid out in;
  // a window manager's frame comes around it.
  setFixedSize(695, 550);
  fillBackground(this, kSkyBlue);

  pnlPadBase = new QFrame(this);
  pnlPadBase->setObjectName(QStringLiteral("pnlPadBase"));
  pnlPadBase->setGeometry(12, 15, 557, 482);
  pnlPadBase->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  fillBackground(pnlPadBase, kSkyBlue);
  setHint(pnlPadBase, q("パッド表示ペインです. ここにルーチン・パッドが表示されます."));
  btnRemoveSRW = button(this, QStringLiteral("btnRemoveSRW"), "パッドを削除(&D)", QRect(580, 15, 100, 25),
                        "|マークパネルに◆マークが表示されたルーチン・パッドを削除します.\u3000"
                        "対応するデータも削除されるので注意してください.");
  btnSaveSRW = button(this, QStringLiteral("btnSaveSRW"), "保存(&S)", QRect(580, 400, 100, 50),
                      "|ルーチンの内容をファイル(Routines.rdf)に保存します. "
                      "このファイルは初回起動時に自動的に作成されます.");
  QFont big = btnSaveSRW->font();
  big.setPixelSize(15);
  btnSaveSRW->setFont(big);
  btnCancelSRW = button(this, QStringLiteral("btnCancelSRW"), "閉じる(&C)", QRect(580, 470, 100, 25),
                        "|このウィンドウを閉じます. 設定・変更の内容は保存されません.");

  pnlCover = coverPanel(this, kSkyBlue);
  pnlCover->move(5, 5);

  connect(btnRemoveSRW, &QPushButton::clicked, this, &TfrmSetRWork::btnRemoveSRWClick);
  connect(btnSaveSRW, &QPushButton::clicked, this, &TfrmSetRWork::btnSaveSRWClick);
  connect(btnCancelSRW, &QPushButton::clicked, this, &TfrmSetRWork::btnCancelSRWClick);
  connect(new QShortcut(QKeySequence(Qt::Key_F6), this), &QShortcut::activated, this, [this] { focusNextPad(true); });
  connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this), &QShortcut::activated, this,
          [this] { focusNextPad(false); });
  placePads();
  btnSaveSRW->setFocus();
}

// A pad's box takes Return as a dialog would: as the default button's press,
// or as closing the window. Neither is meant there; a button with the focus
// takes it as a press.
void TfrmSetRWork::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (auto* b = qobject_cast<QPushButton*>(QApplication::focusWidget()); b && isAncestorOf(b) && b->isEnabled())
      b->click();
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

bool TfrmSetRWork::focusNextPrevChild(bool next) {
  QList<QWidget*> chain = keyChainOf(RoutineFrameTable);
  for (QWidget* b : {btnRemoveSRW, btnSaveSRW, btnCancelSRW})
    if (b->isEnabled() && b->isVisible()) chain << b;
  if (chain.isEmpty()) return QDialog::focusNextPrevChild(next);
  QWidget* now = QApplication::focusWidget();
  qsizetype at = -1;
  for (qsizetype i = 0; i < chain.size(); ++i)
    if (now && (chain[i] == now || chain[i]->isAncestorOf(now))) at = i;
  if (at < 0) {
    // From a pad's frame itself (F6, a click on its edge): into that pad.
    for (TRoutineWorkFrame* pad : RoutineFrameTable)
      if (pad && pad == now && !pad->keyChain().isEmpty()) {
        QWidget* to = next ? pad->keyChain().first() : pad->keyChain().last();
        to->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
      }
  }
  const qsizetype n = chain.size();
  const qsizetype to = at < 0 ? (next ? 0 : n - 1) : ((at + (next ? 1 : -1)) % n + n) % n;
  chain[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
  return true;
}

void TfrmSetRWork::focusNextPad(bool forward) {
  int at = -1;
  QWidget* now = QApplication::focusWidget();
  for (int i = 0; i < kRoutineSlots; ++i)
    if (RoutineFrameTable[i] && now && (RoutineFrameTable[i] == now || RoutineFrameTable[i]->isAncestorOf(now))) at = i;
  // From the buttons the selected pad comes first.
  const int from = at >= 0 ? at : ctx_.selectedRoutine - (forward ? 1 : -1);
  for (int step = 1; step <= kRoutineSlots; ++step) {
    const int i = ((from + (forward ? step : -step)) % kRoutineSlots + kRoutineSlots) % kRoutineSlots;
    if (!RoutineFrameTable[i]) continue;
    RoutineFrameTable[i]->setFocus(Qt::ShortcutFocusReason);
    return;
  }
}

// A pad for every routine, in slot order down the pane.
void TfrmSetRWork::placePads() {
  for (TRoutineWorkFrame*& pad : RoutineFrameTable) {
    delete pad;
    pad = nullptr;
  }
  const RoutineSet& table = ctx_.routines.RoutineTable;
  for (int i = 0; i < kRoutineSlots; ++i) {
    if (table[i].RoutineNo == 0) continue;
    auto* pad = new TRoutineWorkFrame(ctx_, pnlPadBase);
    RoutineFrameTable[i] = pad;
    FillRoutinePad(*pad, i, table[i]);
    pad->move(1, i * 60 + 1);
    pad->show();
  }
}

void TfrmSetRWork::focusLastPad() {
  const int n = ctx_.routines.RoutineCount();
  if (n > 0 && RoutineFrameTable[n - 1]) RoutineFrameTable[n - 1]->setFocus();
}

void TfrmSetRWork::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!shownOnce_ && !e->spontaneous()) {
    shownOnce_ = true;
    FormShow();
  }
}

void TfrmSetRWork::FormShow() {
  RoutineStore& routines = ctx_.routines;
  showCount_(routines.RoutineCount());
  focusLastPad();
  move(10, 50);
}

// The close box closes without reverting (終了 asks about what it keeps);
// 閉じる and Escape ask, then revert.
void TfrmSetRWork::closeEvent(QCloseEvent* e) {
  FormClose();
  e->accept();
  QDialog::reject();  // not ours: that one is 閉じる
}

void TfrmSetRWork::FormClose() {
  for (TRoutineWorkFrame*& pad : RoutineFrameTable) {
    delete pad;
    pad = nullptr;
  }
}

bool SaveRoutineFile(RoutineStore& routines, Platform& platform) {
  // A failed write leaves the stored routines and the file as they were.
  const std::optional<IoResult> r = saveMindingChanges(
      platform, routines.RoutineFilePath, [&](bool overwrite) { return routines.WriteRoutineFile(overwrite); },
      [&](std::string& copy) { return routines.WriteRoutineCopy(copy); });
  if (!r) return false;
  if (!r->written()) {
    platform.errorBox(r->message());
    return false;
  }
  if (!r->ok()) platform.errorBox(r->message());  // saved, durability unknown
  return true;
}

bool MayDiscardRoutines(RoutineStore& routines, Platform& platform, bool typed,
                        const std::function<bool()>& storeTyped) {
  if (!typed && !routines.changed()) return true;
  switch (platform.ask("ルーチンの変更を保存しますか?", {"保存(&S)", "保存しない(&N)", "キャンセル"}, 0, 2)) {
    case 0:
      return storeTyped() && SaveRoutineFile(routines, platform);
    case 1:
      routines.RevertRoutineTable();
      return true;
    default:
      return false;
  }
}

bool TfrmSetRWork::mayClose() {
  bool typed = false;
  for (TRoutineWorkFrame* pad : RoutineFrameTable) typed = typed || (pad && pad->hasEdits());
  return MayDiscardRoutines(ctx_.routines, ctx_.pads.platform, typed, [this] {
    for (TRoutineWorkFrame* pad : RoutineFrameTable)
      if (pad && !pad->storeEdits()) {
        pad->setFocus();
        return false;
      }
    return true;
  });
}

bool TfrmSetRWork::btnSaveSRWClick() {
  if (!SaveRoutineFile(ctx_.routines, ctx_.pads.platform)) return false;
  showCount_(ctx_.routines.RoutineCount());
  focusLastPad();
  return true;
}

void TfrmSetRWork::btnCancelSRWClick() {
  if (!mayClose()) return;
  ctx_.routines.RevertRoutineTable();
  FormClose();
  QDialog::reject();
}

void TfrmSetRWork::reject() { btnCancelSRWClick(); }

void TfrmSetRWork::btnRemoveSRWClick() {
  const int s = ctx_.selectedRoutine;
  if (s < 0 || s >= kRoutineSlots || !RoutineFrameTable[s]) return;
  if (!RoutineFrameTable[s]->confirmOnPad(s + 1, "を削除します.", 150, 250)) return;
  pnlCover->setGeometry(pnlPadBase->geometry().adjusted(-1, -1, 1, 1));
  pnlCover->show();
  pnlCover->raise();
  repaint();
  RoutineStore& routines = ctx_.routines;
  ClearRoutine(routines.RoutineTable[s]);
  routines.CompactRoutines();
  placePads();
  focusLastPad();
  pnlCover->hide();
}

}  // namespace plandor
