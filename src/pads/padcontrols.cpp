#include "padcontrols.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>

#include "listcombo.h"
#include "widgetsupport.h"

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
    : QFrame(parent),
      captions_{{{{3, 1}, QString::fromUtf8(upper)},
                 {{3, 13}, QString::fromUtf8(lower)},
                 {{55, 8}, QStringLiteral("：")},
                 {{98, 0}, QStringLiteral("PM")}}} {
  setObjectName(QLatin1String(name));
  resize(117, 27);
  cmbHour = new LazyCombo(this);
  cmbHour->setInsertPolicy(QComboBox::NoInsert);
  static const QStringList hours = [] {
    QStringList l;
    for (int h = 0; h < 12; ++h) l << QString::number(h);
    return l;
  }();
  cmbHour->addItems(hours);
  cmbHour->setMaxVisibleItems(12);
  cmbHour->setGeometry(17, 4, 38, hourHeight);
  cmbHour->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);  // hours are digits
  cmbHour->lineEdit()->setTextMargins(-2, 0, -2, 0);  // the editor's own padding would scroll "10" out
  cmbHour->setFocusPolicy(Qt::ClickFocus);
  speMinute = new MinuteSpin(this);
  speMinute->setGeometry(60, 4, 37, minuteHeight);
  chbPM = new QCheckBox(this);
  chbPM->setGeometry(100, 9, 15, 17);
  chbPM->setFocusPolicy(Qt::ClickFocus);
}

// Drawn as a label sized to its text draws it; the boxes cover the parts
// the labels lay under. Measured once per font: a painted pad's likeness
// draws these rows for every pad.
void TimeRow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (measured_ != font() || captions_[0].rect.isNull()) {
    measured_ = font();
    const QFontMetrics fm = fontMetrics();
    for (Caption& c : captions_) c.rect = QRect(c.at, fm.boundingRect(0, 0, 2000, 2000, Qt::AlignLeft, c.text).size());
  }
  for (const Caption& c : captions_)
    style()->drawItemText(&p, c.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextHideMnemonic, palette(), isEnabled(),
                          c.text, QPalette::WindowText);
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

}  // namespace plandor
