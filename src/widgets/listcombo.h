#pragma once
// An editable combo box whose list is rebuilt from a suggestion list just
// before it drops down, and whose text is limited to a number of
// Shift-JIS bytes (what the record field can hold).
#include <QComboBox>
#include <QValidator>
#include <functional>
#include <string>
#include <vector>

namespace plandor {

// Keeps a line edit's text within a number of CP932 bytes; an insertion
// that does not fit goes in as far as it fits. Characters CP932 cannot hold
// are refused (cp932input.h); the validator's parent is the box told about.
class Cp932LengthValidator final : public QValidator {
  Q_OBJECT
 public:
  Cp932LengthValidator(int capacity, QObject* parent) : QValidator(parent), capacity_(capacity) {}
  State validate(QString& input, int& pos) const override;
  void fixup(QString& input) const override;

 private:
  int capacity_;
};

// An editable combo box made cheaply: QComboBox builds its drop-down list
// and a completer at once (setEditable, and again at every font change);
// here the list waits for the first drop-down and the completer for the
// first focus, from when on both behave as Qt's own. A day of 24 pads makes
// about a hundred of these boxes at once.
class LazyCombo : public QComboBox {
  Q_OBJECT
 public:
  explicit LazyCombo(QWidget* parent = nullptr);

  void showPopup() override;

 protected:
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  bool listMade_ = false;
};

class ListCombo final : public LazyCombo {
  Q_OBJECT
 public:
  // `entries` gives the list's current texts (non-empty slots in order).
  ListCombo(int byteCapacity, std::function<std::vector<std::string>()> entries, QWidget* parent = nullptr);

  void showPopup() override;

 private:
  std::function<std::vector<std::string>()> entries_;
};

}  // namespace plandor
