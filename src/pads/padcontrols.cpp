#include "padcontrols.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <algorithm>

#include "widgetsupport.h"
#include "listfile.h"

namespace plandor {

MinuteSpin::MinuteSpin(QWidget* parent) : QSpinBox(parent) {
  setRange(-1, 60);
  setValue(0);
  setFocusPolicy(Qt::ClickFocus);
  // QSpinBox stays silent while its text is not a number ("" or "-"), which
  // counts as -1 and wraps to 59 at once: listen to the editor too.
  connect(this, &QSpinBox::valueChanged, this, &MinuteSpin::speMinuteChange);
  connect(lineEdit(), &QLineEdit::textChanged, this, &MinuteSpin::speMinuteChange);
}

void MinuteSpin::speMinuteChange() {
  bool ok = false;
  const int typed = lineEdit()->text().toInt(&ok);
  const int v = ok ? value() : minimum();
  if (ok && typed != v) return;  // a number the box has not taken yet
  if (v == 60) setValue(0);
  else if (v == -1) setValue(59);
}

// Any integer stays as typed while the box has the focus (QSpinBox would drop
// the keystroke that passes the maximum); leaving clamps it to -1 or 60, and
// the wrap rule turns that into 59 or 0.
static bool isInteger(const QString& s) {
  static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
  return integer.match(s).hasMatch();
}

QValidator::State MinuteSpin::validate(QString& input, int& pos) const {
  const QValidator::State s = QSpinBox::validate(input, pos);
  return s == QValidator::Invalid && isInteger(input) ? QValidator::Intermediate : s;
}

void MinuteSpin::fixup(QString& input) const {
  if (!isInteger(input)) return QSpinBox::fixup(input);
  bool ok = false;
  const qlonglong v = input.toLongLong(&ok);  // fails only on overflow
  input = QString::number(ok ? std::clamp<qlonglong>(v, minimum(), maximum())
                             : input.startsWith(QLatin1Char('-')) ? minimum() : maximum());
}

TimeRow::TimeRow(const char* name, const char* upper, const char* lower, int hourHeight, int minuteHeight,
                 QWidget* parent)
    : QFrame(parent) {
  setObjectName(QLatin1String(name));
  resize(117, 27);
  auto label = [this](const char* text, int x, int y) {
    auto* l = new QLabel(QString::fromUtf8(text), this);
    l->move(x, y);
    l->adjustSize();
  };
  label(upper, 3, 1);
  label(lower, 3, 13);
  cmbHour = new QComboBox(this);
  cmbHour->setEditable(true);
  cmbHour->setInsertPolicy(QComboBox::NoInsert);
  static const QStringList hours = [] {
    QStringList l;
    for (int h = 0; h < 12; ++h) l << QString::number(h);
    return l;
  }();
  cmbHour->addItems(hours);
  cmbHour->setMaxVisibleItems(12);
  cmbHour->setEditText(QStringLiteral("8"));
  cmbHour->setGeometry(17, 4, 38, hourHeight);
  cmbHour->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);  // hours are digits
  cmbHour->lineEdit()->setTextMargins(-2, 0, -2, 0);  // the editor's own padding would scroll "10" out
  cmbHour->setFocusPolicy(Qt::ClickFocus);
  label("：", 55, 8);
  speMinute = new MinuteSpin(this);
  speMinute->setGeometry(60, 4, 37, minuteHeight);
  label("PM", 98, 0);
  chbPM = new QCheckBox(this);
  chbPM->setGeometry(100, 9, 15, 17);
  chbPM->setFocusPolicy(Qt::ClickFocus);
}

void TimeRow::show(int hour, int minute, bool pm) {
  cmbHour->setEditText(QString::number(hour));
  speMinute->setValue(minute);
  chbPM->setChecked(pm);
}

MarkPanel::MarkPanel(QWidget* parent) : QLabel(parent) {
  setAlignment(Qt::AlignCenter);
  fillBackground(this, Qt::white);
  setFrameStyle(QFrame::Panel | QFrame::Raised);
}

void MarkPanel::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(e);
}

std::optional<int> parseInteger(const QString& text) {
  QString t = text;
  while (t.startsWith(QLatin1Char(' '))) t.remove(0, 1);
  bool ok = false;
  const int v = t.toInt(&ok, 10);
  if (!ok || t.contains(QLatin1Char(' '))) return std::nullopt;
  return v;
}

PadFrameBase::PadFrameBase(const ListStore& lists, QWidget* parent) : QFrame(parent) {
  setFocusPolicy(Qt::ClickFocus);
  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1->setLineWidth(1);
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

  const ListEntries& e = lists.entries;
  cmbKeyword = new ListCombo(31, [&e] { return listTexts(e.KeywordEntries); }, Panel1);
  cmbKeyword->setObjectName(QStringLiteral("cmbKeyword"));
  cmbKeyword->setEditText(QStringLiteral("キーワード"));
  cmbKeyword->setFocusPolicy(Qt::ClickFocus);
  setFontPixels(cmbKeyword, 13);
  cmbContent = new ListCombo(63, [&e] { return listTexts(e.ContentEntries); }, Panel1);
  cmbContent->setObjectName(QStringLiteral("cmbContent"));
  cmbContent->setEditText(QStringLiteral("説明"));
  cmbContent->setFocusPolicy(Qt::ClickFocus);
  colorBox = new ColorBox(Panel1);
  colorBox->setObjectName(QStringLiteral("ColorBox"));
  colorBox->setFocusPolicy(Qt::ClickFocus);
  setHint(colorBox, QStringLiteral("|スケジュールバーの色を選択します."));
  edtPadNo = new QLineEdit(QStringLiteral("No"), Panel1);
  edtPadNo->setObjectName(QStringLiteral("edtPadNo"));
  edtPadNo->setReadOnly(true);
  edtPadNo->setFocusPolicy(Qt::ClickFocus);
  edtPadNo->setCursor(Qt::ArrowCursor);
  pnlPMenu = new MarkPanel(Panel1);
  pnlPMenu->setObjectName(QStringLiteral("pnlPMenu"));
  setFontPixels(pnlPMenu, 16);
  setHint(pnlPMenu, QStringLiteral("|パッドが選択されると,このマークパネルに◆マークが表示されます. "
                                   "ここを右クリックすると,ポップアップメニューが表示されます."));
  const QString minuteHint = QStringLiteral("|左記の時刻が午後の場合,チェックマークが表示されます. 時刻修正時,必要に応じて変更します.");
  setHint(Panel2->chbPM, minuteHint);
  setHint(Panel3->chbPM, minuteHint);

  pumPadFrame = new QMenu(this);
  pumPadFrame->setObjectName(QStringLiteral("pumPadFrame"));
  pmiMemo = pumPadFrame->addAction(QStringLiteral("メモ(&M)..."));
  pmiMemo->setObjectName(QStringLiteral("pmiMemo"));
  offerPopup(edtPadNo);
  offerPopup(pnlPMenu);

  connect(pnlPMenu, &MarkPanel::clicked, this, [this] { setFocus(Qt::MouseFocusReason); });
  connect(qApp, &QApplication::focusChanged, this, &PadFrameBase::focusChanged);
}

// A focused pad that is destroyed hands the focus on from ~QWidget, after
// this part is gone: stop listening first.
PadFrameBase::~PadFrameBase() { disconnect(qApp, nullptr, this, nullptr); }

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

bool PadFrameBase::holds(QWidget* w) const { return w && (w == this || isAncestorOf(w)); }

void PadFrameBase::focusChanged(QWidget* old, QWidget* now) {
  const bool had = holds(old);
  const bool has = holds(now);
  if (has && !had) FrameEnter();
  else if (had && !has) FrameExit();
}

void PadFrameBase::FrameEnter() {
  if (pnlPMenu->text() != QStringLiteral("◆")) pnlPMenu->setText(QStringLiteral("◆"));
}

void PadFrameBase::FrameExit() {
  if (!pnlPMenu->text().isEmpty()) pnlPMenu->clear();
}

}  // namespace plandor
