#include "schedpadframe.h"

#include <QAction>
#include <QCursor>
#include <QStyle>

#include "widgetsupport.h"

namespace plandor {
namespace {

const char* const kOrderRefusedSave =
    "終了時刻が開始時刻より早い,あるいは同時刻に設定されています.\r\n設定の一時保存は実行されませんでした.\r\n\r\n"
    "時刻を再設定してください.";
const char* const kOrderRefusedRevise =
    "終了時刻が開始時刻より早い,あるいは同時刻に設定されています.\r\n"
    "前回保存したデータが有れば,設定を値に戻します(時刻データのみ).\r\n\r\n時刻を再設定してください.";
const char* const kStartTooEarly =
    "設定可能時刻は 当日 AM6:00 から翌日 AM5:59 までです.\r\n開始時刻を AM6:00 より前に設定することはできません.\r\n\r\n"
    "開始時刻を AM6:00 に設定します.";
const char* const kEndTooLate =
    "設定可能時刻は 当日 AM6:00 から翌日 AM5:59 までです.\r\n終了時刻を AM5:59 より後に設定することはできません.\r\n\r\n"
    "終了時刻を AM5:59 に設定します.";


}  // namespace

TSchedPadFrame::TSchedPadFrame(PadContext& context, QWidget* parent)
    : PadFrameBase(context.lists, parent), ctx_(context) {
  setObjectName(QStringLiteral("SchedPadFrame"));
  resize(295, 80);
  Panel1->setGeometry(0, 0, 295, 80);

  btnSave = new QPushButton(q("一時保存"), Panel1);
  btnSave->setObjectName(QStringLiteral("btnSave"));
  btnSave->setGeometry(3, 57, 60, 20);
  btnRevise = new QPushButton(q("変更"), Panel1);
  btnRevise->setObjectName(QStringLiteral("btnRevise"));
  btnRevise->setGeometry(65, 57, 55, 20);
  bitMoveUp = new QPushButton(Panel1);
  bitMoveUp->setObjectName(QStringLiteral("bitMoveUp"));
  bitMoveUp->setGeometry(120, 3, 20, 24);
  static const QIcon up = style()->standardIcon(QStyle::SP_ArrowUp);
  static const QIcon down = style()->standardIcon(QStyle::SP_ArrowDown);
  bitMoveUp->setIcon(up);
  pnlPMenu->setGeometry(120, 27, 20, 26);
  bitMoveDown = new QPushButton(Panel1);
  bitMoveDown->setObjectName(QStringLiteral("bitMoveDown"));
  bitMoveDown->setGeometry(120, 53, 20, 24);
  bitMoveDown->setIcon(down);
  cmbKeyword->setGeometry(145, 5, 115, 21);
  edtPadNo->setGeometry(264, 5, 25, 20);
  setFontPixels(edtPadNo, 13);
  cmbContent->setGeometry(145, 29, 145, 20);
  chbCompleted = new QCheckBox(q("完了"), Panel1);
  chbCompleted->setObjectName(QStringLiteral("chbCompleted"));
  chbCompleted->setGeometry(145, 54, 45, 20);
  colorBox->setGeometry(190, 52, 100, 22);
  for (QWidget* w : {static_cast<QWidget*>(btnSave), static_cast<QWidget*>(btnRevise),
                     static_cast<QWidget*>(bitMoveUp), static_cast<QWidget*>(bitMoveDown),
                     static_cast<QWidget*>(chbCompleted)})
    w->setFocusPolicy(Qt::ClickFocus);

  setHint(Panel2->cmbHour, q("|ドラッグ・エリアをドラッグして設定した開始時刻(時)が表示されます. ここで正確な開始時刻を設定します."));
  setHint(Panel2->speMinute, q("|ドラッグ・エリアをドラッグして設定した開始時刻(分)が表示されます. ここで正確な開始時刻を設定します."));
  setHint(Panel3->cmbHour, q("|ドラッグ・エリアをドラッグして設定した終了時刻(時)が表示されます. ここで正確な終了時刻を設定します."));
  setHint(Panel3->speMinute, q("|ドラッグ・エリアをドラッグして設定した終了時刻(分)が表示されます. ここで正確な終了時刻を設定します."));
  setHint(btnSave, q("|パッド上で設定した内容を一時保存します(ファイルには保存されません). "
                     "このタイミングでスケジュールバーが保存・表示されます."));
  setHint(btnRevise, q("|パッド上で変更した内容を一時保存します(ファイルには保存されません). "
                       "このタイミングで,スケジュールバーが変更・表示されます."));
  setHint(bitMoveUp, q("|スケジュール・パッドを上方に移動します. 1クリックで5分相当移動します. マウスカーソルも同時に移動します."));
  setHint(bitMoveDown, q("|スケジュール・パッドを下方に移動します. 1クリックで5分相当移動します. マウスカーソルも同時に移動します."));
  setHint(cmbKeyword, q("|このスケジュール項目のキーワードを設定します. 例えば,「散歩」など... 半角31文字以内"));
  setHint(edtPadNo, q("|スケジュール・パッドNo(スケジュール項目No.)です.\u3000変更不可."));
  setHint(cmbContent, q("上記キーワードの説明を入力します. 例えば,「散歩」の場合,「麒麟山展望台まで1時間で往復」... 半角63文字以内"));
  setHint(chbCompleted, q("|このスケジュール項目が完了したときに,チェックマークを入れます."));

  pumPadFrame->addSeparator()->setObjectName(QStringLiteral("N1"));
  if (ctx_.routineEntry) {
    pmiRoutine = ctx_.routineEntry;
    pumPadFrame->addAction(pmiRoutine);
  }
  pmiMemo->setEnabled(static_cast<bool>(ctx_.openMemo));
  connect(pmiMemo, &QAction::triggered, this, [this] {
    if (ctx_.openMemo) ctx_.openMemo(this);
  });
  offerPopup(bitMoveUp);
  offerPopup(bitMoveDown);

  connect(btnSave, &QPushButton::clicked, this, &TSchedPadFrame::btnSaveClick);
  connect(btnRevise, &QPushButton::clicked, this, &TSchedPadFrame::btnReviseClick);
  connect(bitMoveUp, &QPushButton::clicked, this, &TSchedPadFrame::bitMoveUpClick);
  connect(bitMoveDown, &QPushButton::clicked, this, &TSchedPadFrame::bitMoveDownClick);
  hide();
}

void TSchedPadFrame::reset() {
  edtPadNo->setText(QStringLiteral("No"));
  Panel2->show(8, 0, false);
  Panel3->show(8, 0, false);
  cmbKeyword->setEditText(q("キーワード"));
  cmbContent->setEditText(q("説明"));
  chbCompleted->setChecked(false);
  colorBox->reset();
  pnlPMenu->clear();
  btnSave->setEnabled(true);
  btnRevise->setEnabled(true);
}

void TSchedPadFrame::showRecord(const PadRecord& p) {
  edtPadNo->setText(QString::number(p.PadNo));
  move(p.Left, p.Top);
  cmbKeyword->setEditText(p.Keyword.empty() ? q("キーワード") : QString::fromStdString(p.Keyword.text()));
  cmbContent->setEditText(p.Content.empty() ? q("説明") : QString::fromStdString(p.Content.text()));
  chbCompleted->setChecked(p.Completed != 0);
  colorBox->setColor(p.Color);
  Panel2->show(p.StartHour, p.StartMinute, p.StartPM == 1);
  Panel3->show(p.EndHour, p.EndMinute, p.EndPM == 1);
  btnSave->setEnabled(false);
  btnRevise->setEnabled(true);
  setVisible(true);
}

void TSchedPadFrame::showNew(int padNo, PadTime start, PadTime end, int left, int top) {
  edtPadNo->setText(QString::number(padNo));
  Panel2->show(start.hour, start.minute, start.pm);
  Panel3->show(end.hour, end.minute, end.pm);
  btnSave->setEnabled(true);
  btnRevise->setEnabled(false);
  move(left, top);
}

void TSchedPadFrame::playSaveSound() { PlaySaveSound(ctx_.platform, ctx_.dataFolder); }

bool TSchedPadFrame::copyStep(BarRecord& b, PadRecord& p) {
  // Refuse a non-integer hour before anything is written.
  const std::optional<int> startHour = parseInteger(Panel2->cmbHour->currentText());
  const std::optional<int> endHour = parseInteger(Panel3->cmbHour->currentText());
  for (const auto& [value, box] : {std::pair{startHour, Panel2->cmbHour}, std::pair{endHour, Panel3->cmbHour}}) {
    if (!value) {
      ctx_.platform.errorBox("'" + box->currentText().toStdString() + "' は整数ではありません");
      return false;
    }
  }
  p.PadNo = slot() + 1;
  p.Left = x();
  p.Top = y();
  p.Keyword.setText(cmbKeyword->currentText().toStdString());
  p.Content.setText(cmbContent->currentText().toStdString());
  p.Completed = chbCompleted->isChecked() ? 1 : 0;
  p.Color = colorBox->color();
  p.StartHour = *startHour;
  p.StartMinute = Panel2->speMinute->value();
  p.StartPM = Panel2->chbPM->isChecked() ? 1 : 0;
  p.EndHour = *endHour;
  p.EndMinute = Panel3->speMinute->value();
  p.EndPM = Panel3->chbPM->isChecked() ? 1 : 0;
  b.TopY = TimeToY(p.StartHour, p.StartMinute, p.StartPM);
  b.BottomY = TimeToY(p.EndHour, p.EndMinute, p.EndPM);
  return true;
}

void TSchedPadFrame::rangeCorrections(BarRecord& b, PadRecord& p) {
  if (b.TopY < 0) {
    ctx_.platform.message(kStartTooEarly);
    p.StartHour = 6, p.StartMinute = 0, p.StartPM = 0;
    Panel2->show(6, 0, false);
    b.TopY = 0;
  }
  if (b.BottomY > kDayRows) {
    ctx_.platform.message(kEndTooLate);
    p.EndHour = 5, p.EndMinute = 59, p.EndPM = 0;
    Panel3->show(5, 59, false);
    b.BottomY = kDayRows - 1;
  }
}

void TSchedPadFrame::barStep(BarRecord& b, const PadRecord& p) {
  b.Side.setText(p.Left > 300 ? "R" : "L");
  b.Color = p.Color;
  ctx_.repaintBars();
}

void TSchedPadFrame::btnSaveClick() {
  const int s = slot();
  BarRecord& b = ctx_.day.table.Bars[s];
  PadRecord& p = ctx_.day.table.Pads[s];
  if (!copyStep(b, p)) return;
  if (b.BottomY <= b.TopY) {
    ctx_.platform.message(kOrderRefusedSave);
    p.StartHour = p.StartMinute = p.EndHour = p.EndMinute = -1;
    p.StartPM = p.EndPM = 0;
    clearBar(b);
    return;
  }
  rangeCorrections(b, p);
  barStep(b, p);
  move(x(), b.TopY + 1);
  p.Top = y();
  btnSave->setEnabled(false);
  btnRevise->setEnabled(true);
  playSaveSound();
}

void TSchedPadFrame::btnReviseClick() {
  const int s = slot();
  BarRecord& b = ctx_.day.table.Bars[s];
  PadRecord& p = ctx_.day.table.Pads[s];
  clearBar(b);
  b.Color = 0xFFFFFF;
  ctx_.repaintBars();
  if (!copyStep(b, p)) return;
  if (b.BottomY > b.TopY) {
    rangeCorrections(b, p);
    barStep(b, p);
    playSaveSound();
    return;
  }
  ctx_.platform.message(kOrderRefusedRevise);
  const PadRecord& stored = ctx_.day.image.Pads[s];
  if (stored.StartHour != -1) {
    p.StartHour = stored.StartHour, p.StartMinute = stored.StartMinute, p.StartPM = stored.StartPM;
    p.EndHour = stored.EndHour, p.EndMinute = stored.EndMinute, p.EndPM = stored.EndPM;
    Panel2->show(p.StartHour, p.StartMinute, p.StartPM == 1);
    Panel3->show(p.EndHour, p.EndMinute, p.EndPM == 1);
    b = ctx_.day.image.Bars[s];
  } else {
    // Without stored data the slot keeps no bar.
    b.TopY = b.BottomY = -1;
  }
  ctx_.repaintBars();
}

void TSchedPadFrame::bitMoveUpClick() {
  QCursor::setPos(QCursor::pos() - QPoint(0, 10));
  move(x(), y() - 10);
}

void TSchedPadFrame::bitMoveDownClick() {
  QCursor::setPos(QCursor::pos() + QPoint(0, 10));
  move(x(), y() + 10);
}

void TSchedPadFrame::FrameEnter() {
  ctx_.selectedPad = slot();
  PadFrameBase::FrameEnter();
}

}  // namespace plandor
