#include "routinepadframe.h"

#include <cstring>

#include "readaloud.h"
#include "routinerules.h"
#include "widgetsupport.h"

namespace plandor {
namespace {

const QColor kSilver(192, 192, 192);

}  // namespace

TRoutineWorkFrame::TRoutineWorkFrame(RoutinePadContext& context, QWidget* parent)
    : PadFrameBase(PadKind::Routine, context.pads, parent), ctx_(context) {
  setObjectName(QString());  // several pads of one class share a window
  resize(555, 60);
  // Eight at most, in a window of their own: made with their controls.
  makeControls();
  hide();
}

void TRoutineWorkFrame::addControls() {
  QFrame* Panel1 = this->Panel1.made();
  cmbKeyword->setGeometry(125, 7, 115, 21);
  cmbContent->setGeometry(245, 7, 170, 21);
  setFontPixels(cmbContent, 13);
  colorBox->setGeometry(420, 7, 100, 22);
  edtPadNo->setGeometry(525, 7, 25, 20);
  pnlPMenu->setGeometry(525, 32, 25, 24);

  chbShow = new QCheckBox(q("表示"), Panel1);
  chbShow->setObjectName(QStringLiteral("chbShow"));
  chbShow->setGeometry(125, 35, 45, 20);
  chbShow->setChecked(true);
  setHint(chbShow, q("|[ルーチン表示]ボタンを押したとき,このルーチンを表示するか否かを選択します. "
                     "デフォルトでは,表示します．"));
  cmbPadOrigX = new QComboBox(Panel1);
  cmbPadOrigX->setObjectName(QStringLiteral("cmbPadOrigX"));
  cmbPadOrigX->setGeometry(170, 34, 37, 21);
  cmbPadOrigX->addItems({q("左"), q("右")});
  cmbPadOrigX->setMaxVisibleItems(2);
  setFontPixels(cmbPadOrigX, 13);
  readListAs(cmbPadOrigX, q("表示ペイン"));
  setHint(cmbPadOrigX, q("|このルーチンを表示するペインを選択します.\u3000デフォルトでは,左ペインに表示されます."));

  Panel4 = new QFrame(Panel1);
  Panel4->setObjectName(QStringLiteral("Panel4"));
  Panel4->setGeometry(210, 32, 250, 24);
  Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel4->setLineWidth(1);
  const char* const names[7] = {"日", "月", "火", "水", "木", "金", "土"};
  for (int d = 0; d < 7; ++d) {
    QCheckBox* box = new QCheckBox(q(names[d]), Panel4);
    box->setObjectName(QStringLiteral("chbDOW%1").arg(d));
    box->setGeometry(5 + 35 * d, 4, 32, 17);
    box->setChecked(true);
    setFontPixels(box, 13);
    QPalette p = box->palette();
    if (d == 0) p.setColor(QPalette::WindowText, Qt::red);
    else if (d == 6) p.setColor(QPalette::WindowText, Qt::blue);
    else if (d == 2 || d == 4) p.setColor(QPalette::WindowText, Qt::black);
    else {
      p.setColor(QPalette::WindowText, Qt::white);
      p.setColor(QPalette::Window, kSilver);
      p.setColor(QPalette::Button, kSilver);  // what a check box fills its background with
      box->setAutoFillBackground(true);
    }
    box->setPalette(p);
    setHint(box, q("|この曜日にルーチンを表示するか否かを選択します. デフォルトでは,表示します."));
    chbDOW[d] = box;
  }

  btnSaveRoutine = new QPushButton(q("一時保存"), Panel1);
  btnSaveRoutine->setObjectName(QStringLiteral("btnSaveRoutine"));
  btnSaveRoutine->setGeometry(465, 33, 55, 23);
  btnSaveRoutine->setAutoDefault(false);  // Return in a box is not this pad's press
  setHint(btnSaveRoutine, q("|ルーチン・パッド上で設定した内容を一時保存します(ファイルには保存されません). "
                            "ファイルに保存するには,[保存]ボタンを押します."));
  // Controls out of the window's Tab chain (the pad walks its own); frames
  // and labels stay unfocusable, so a screen reader passes them by.
  for (QWidget* w : Panel1->findChildren<QWidget*>())
    if (w->focusPolicy() != Qt::NoFocus) w->setFocusPolicy(Qt::ClickFocus);
  connect(btnSaveRoutine, &QPushButton::clicked, this, &TRoutineWorkFrame::btnSaveRoutineClick);
}

void FillRoutinePad(TRoutineWorkFrame& pad, int slot, const RoutineRecord& r) {
  pad.setNumber(slot + 1);
  pad.cmbPadOrigX->setCurrentIndex(r.Left == 4 ? 0 : 1);
  pad.showCommon(r, false);
  pad.chbShow->setChecked(r.Show != 0);
  for (int d = 0; d < 7; ++d) pad.chbDOW[d]->setChecked(r.DOW[d] != 0);
}

RoutineStoreResult TRoutineWorkFrame::typed() const {
  RoutineEntry e{entry(), number(), cmbPadOrigX->currentText().toStdString(), chbShow->isChecked(), {}};
  for (int d = 0; d < 7; ++d) e.days[d] = chbDOW[d]->isChecked();
  return storeRoutineEntry(e, ctx_.routines.RoutineTable[slot()]);
}

bool TRoutineWorkFrame::hasEdits() const {
  const int s = slot();
  if (s < 0 || s >= kRoutineSlots) return false;
  const RoutineStoreResult r = typed();
  return r.reading != HourReading::Dial ||
         std::memcmp(&r.routine, &ctx_.routines.RoutineTable[s], sizeof r.routine) != 0;
}

std::optional<RoutineRecord> TRoutineWorkFrame::draft() const {
  if (!hasEdits()) return std::nullopt;
  const RoutineStoreResult r = typed();
  if (r.reading != HourReading::Dial) return std::nullopt;
  return r.routine;
}

bool TRoutineWorkFrame::storeEdits() {
  if (!hasEdits()) return true;
  btnSaveRoutineClick();
  return !hasEdits();
}

void TRoutineWorkFrame::btnSaveRoutineClick() {
  const int s = slot();
  if (s < 0 || s >= kRoutineSlots) return;
  const RoutineStoreResult r = typed();
  switch (r.reading) {
    case HourReading::NotInteger:
      refuseHour(r.refusedHour, false);
      return;
    case HourReading::OutsideDial:
      refuseHour(r.refusedHour, true);
      return;
    case HourReading::Dial:
      break;
  }
  ctx_.routines.storeRoutine(s, r.routine);
  nameYourself();
}

QList<QWidget*> TRoutineWorkFrame::keyOrder() const {
  QList<QWidget*> order = PadFrameBase::keyOrder();
  order << chbShow << cmbPadOrigX;
  for (QCheckBox* day : chbDOW) order << day;
  order << btnSaveRoutine;
  return order;
}

void TRoutineWorkFrame::FrameEnter() {
  ctx_.selectedRoutine = slot();
  PadFrameBase::FrameEnter();
}

}  // namespace plandor
