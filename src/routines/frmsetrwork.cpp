#include "frmsetrwork.h"

#include <QCloseEvent>
#include <QLabel>
#include <QShowEvent>

#include "widgetsupport.h"

namespace plandor {
namespace {

const QColor kSkyBlue(166, 202, 240);

}  // namespace

TfrmSetRWork::TfrmSetRWork(RoutinePadContext& context, std::function<void(int)> showCount, QWidget* parent)
    : QDialog(parent), ctx_(context), showCount_(std::move(showCount)) {
  setObjectName(QStringLiteral("frmSetRWork"));
  setWindowTitle(q("ルーチン設定"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(695, 550);
  fillBackground(this, kSkyBlue);

  pnlPadBase = new QFrame(this);
  pnlPadBase->setObjectName(QStringLiteral("pnlPadBase"));
  pnlPadBase->setGeometry(12, 15, 557, 482);
  pnlPadBase->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  fillBackground(pnlPadBase, kSkyBlue);
  setHint(pnlPadBase, q("パッド表示ペインです. ここにルーチン・パッドが表示されます."));
  btnRemoveSRW = button(this, QStringLiteral("btnRemoveSRW"), "パッドを削除", QRect(580, 15, 100, 25),
                        "|マークパネルに◆マークが表示されたルーチン・パッドを削除します.\u3000"
                        "対応するデータも削除されるので注意してください.");
  btnSaveSRW = button(this, QStringLiteral("btnSaveSRW"), "保存", QRect(580, 400, 100, 50),
                      "|ルーチンの内容をファイル(Routines.rdf)に保存します. "
                      "このファイルは初回起動時に自動的に作成されます.");
  QFont big = btnSaveSRW->font();
  big.setPixelSize(15);
  btnSaveSRW->setFont(big);
  btnCancelSRW = button(this, QStringLiteral("btnCancelSRW"), "閉じる", QRect(580, 470, 100, 25),
                        "|このウィンドウを閉じます. 設定・変更の内容は保存されません.");

  pnlCover = coverPanel(this, kSkyBlue);
  pnlCover->move(5, 5);

  connect(btnRemoveSRW, &QPushButton::clicked, this, &TfrmSetRWork::btnRemoveSRWClick);
  connect(btnSaveSRW, &QPushButton::clicked, this, &TfrmSetRWork::btnSaveSRWClick);
  connect(btnCancelSRW, &QPushButton::clicked, this, &TfrmSetRWork::btnCancelSRWClick);
  placePads();
  btnSaveSRW->setFocus();
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
    FillRoutinePad(*pad, table[i]);
    pad->move(1, i * 60 + 1);
    pad->show();
  }
}

void TfrmSetRWork::focusLastPad() {
  const int n = ctx_.routines.RoutineCount;
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
  routines.RoutineCount = CountRoutines(routines.RoutineTable);
  showCount_(routines.RoutineCount);
  focusLastPad();
  move(10, 50);
}

// The close box closes without reverting; "閉じる" reverts first.
void TfrmSetRWork::closeEvent(QCloseEvent* e) {
  FormClose();
  QDialog::closeEvent(e);
}

void TfrmSetRWork::FormClose() {
  for (TRoutineWorkFrame*& pad : RoutineFrameTable) {
    delete pad;
    pad = nullptr;
  }
}

void TfrmSetRWork::btnSaveSRWClick() {
  RoutineStore& routines = ctx_.routines;
  // A failed write leaves the stored routines and the file as they were.
  IoResult r = routines.WriteRoutineFile();
  if (r.op == IoResult::Op::Changed) {
    Platform& platform = ctx_.pads.platform;
    switch (askChangedFile(platform)) {
      case ChangedFileAnswer::Overwrite:
        r = routines.WriteRoutineFile(true);
        break;
      case ChangedFileAnswer::SaveCopy:
        saveChangedCopy(platform, routines.RoutineFilePath,
                        [&](const std::string& copy) { return routines.WriteRoutineCopy(copy); });
        return;
      case ChangedFileAnswer::Cancel:
        return;
    }
  }
  if (!r.written()) {
    ctx_.pads.platform.errorBox(r.message());
    return;
  }
  routines.RoutineCount = CountRoutines(routines.RoutineTable);
  showCount_(routines.RoutineCount);
  focusLastPad();
  if (!r.ok()) ctx_.pads.platform.errorBox(r.message());  // saved, durability unknown
}

void TfrmSetRWork::btnCancelSRWClick() {
  ctx_.routines.RevertRoutineTable();
  FormClose();
  reject();
}

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
  routines.RoutineCount = CountRoutines(routines.RoutineTable);
  focusLastPad();
  pnlCover->hide();
}

}  // namespace plandor
