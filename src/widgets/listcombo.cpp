#include "listcombo.h"

#include <QLineEdit>

#include "codec.h"

namespace plandor {

QValidator::State Cp932LengthValidator::validate(QString& input, int&) const {
  return cp932Length(input.toStdString()) <= static_cast<std::size_t>(capacity_) ? Acceptable : Invalid;
}

void Cp932LengthValidator::fixup(QString& input) const {
  input = QString::fromStdString(utf8CutToCp932Capacity(input.toStdString(), static_cast<std::size_t>(capacity_)));
}

ListCombo::ListCombo(int byteCapacity, std::function<std::vector<std::string>()> entries, QWidget* parent)
    : QComboBox(parent), entries_(std::move(entries)) {
  setEditable(true);
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
  emit dropDown();
  QComboBox::showPopup();
}

}  // namespace plandor
