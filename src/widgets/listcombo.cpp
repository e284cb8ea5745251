#include "listcombo.h"

#include <QCompleter>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <algorithm>

#include "codec.h"
#include "cp932input.h"

namespace plandor {
namespace {

// UTF-16 length of the longest prefix of `text` that ends between two
// characters and takes at most `budget` CP932 bytes.
int fittingPrefix(QStringView text, std::size_t budget) {
  int end = 0;
  std::size_t used = 0;
  while (end < text.size()) {
    const int n = text[end].isHighSurrogate() && end + 1 < text.size() ? 2 : 1;
    used += cp932Length(text.mid(end, n).toString().toStdString());
    if (used > budget) break;
    end += n;
  }
  return end;
}

}  // namespace

// One-line boxes: a pasted line break (CR LF, CR or LF) or tab becomes a
// space, as it would otherwise be stored as control bytes in a one-line field.
static void flattenLines(QString& input, int& pos) {
  QString out;
  out.reserve(input.size());
  int newPos = pos;
  for (int i = 0; i < input.size(); ++i) {
    const QChar c = input[i];
    if (c == QLatin1Char('\r') && i + 1 < input.size() && input[i + 1] == QLatin1Char('\n')) {
      if (i + 1 < pos) --newPos;  // two characters become one
      continue;                   // the LF that follows becomes the space
    }
    out += c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t') ? QLatin1Char(' ') : c;
  }
  input = out;
  pos = std::clamp(newPos, 0, static_cast<int>(input.size()));
}

QValidator::State Cp932LengthValidator::validate(QString& input, int& pos) const {
  flattenLines(input, pos);
  tellUnheld(qobject_cast<QWidget*>(parent()), dropUnheld(input, pos));
  const auto capacity = static_cast<std::size_t>(capacity_);
  if (cp932Length(input.toStdString()) <= capacity) return Acceptable;
  // The insertion ends at the cursor: keep what follows it and as much of
  // what precedes it as fits, so a paste or a converted phrase goes in cut
  // rather than refused whole; a keystroke that does not fit leaves the text.
  const QString after = input.mid(pos);
  const std::size_t afterBytes = cp932Length(after.toStdString());
  if (afterBytes > capacity) return Invalid;
  pos = fittingPrefix(QStringView(input).left(pos), capacity - afterBytes);
  input = input.left(pos) + after;
  return Acceptable;
}

void Cp932LengthValidator::fixup(QString& input) const {
  int pos = 0;
  flattenLines(input, pos);
  dropUnheld(input, pos);
  input = QString::fromStdString(utf8CutToCp932Capacity(input.toStdString(), static_cast<std::size_t>(capacity_)));
}

LazyCombo::LazyCombo(QWidget* parent) : QComboBox(parent) {
  // A line edit that has a completer keeps QComboBox from making its own;
  // one idle placeholder serves every box until its first focus.
  static QCompleter* const placeholder = new QCompleter(QCoreApplication::instance());
  auto* edit = new QLineEdit(this);
  edit->setPalette(palette());
  edit->setCompleter(placeholder);
  setLineEdit(edit);
  installEventFilter(this);
}

bool LazyCombo::eventFilter(QObject* watched, QEvent* e) {
  if (watched == this && e->type() == QEvent::FocusIn) {
    removeEventFilter(this);  // once
    auto* c = new QCompleter(model(), lineEdit());
    c->setCaseSensitivity(Qt::CaseInsensitive);
    c->setCompletionMode(QCompleter::InlineCompletion);
    c->setCompletionColumn(modelColumn());
    setCompleter(c);
  }
  return QComboBox::eventFilter(watched, e);
}

void LazyCombo::changeEvent(QEvent* e) {
  // Before the list exists a font change concerns the box alone: QComboBox
  // would make the list just to pass the font on, which it inherits anyway.
  if (e->type() == QEvent::FontChange && !listMade_) {
    QWidget::changeEvent(e);
    return;
  }
  QComboBox::changeEvent(e);
}

void LazyCombo::showPopup() {
  listMade_ = true;
  QComboBox::showPopup();
}

ListCombo::ListCombo(int byteCapacity, std::function<std::vector<std::string>()> entries, QWidget* parent)
    : LazyCombo(parent), entries_(std::move(entries)) {
  setInsertPolicy(QComboBox::NoInsert);
  setMaxVisibleItems(10);
  lineEdit()->setValidator(new Cp932LengthValidator(byteCapacity, this));
}

void ListCombo::showPopup() {
  // The drop-down rule: the list as it is now, the typed text kept.
  const QString text = currentText();
  blockSignals(true);
  clear();
  for (const std::string& s : entries_()) addItem(QString::fromStdString(s));
  setCurrentIndex(-1);
  setEditText(text);
  blockSignals(false);
  LazyCombo::showPopup();
}

}  // namespace plandor
