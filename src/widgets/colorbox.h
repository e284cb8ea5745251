#pragma once
// The bar colour picker: "カスタム..." first, then the standard and the
// extended colours by name. Colours are Windows values (0x00BBGGRR); a value
// that is not in the list is shown as its own entry and kept unchanged.
#include <QComboBox>
#include <cstdint>

namespace plandor {

class ColorBox final : public QComboBox {
  Q_OBJECT
 public:
  explicit ColorBox(QWidget* parent = nullptr);

  std::int32_t color() const;
  void setColor(std::int32_t colorRef);
  // Black, and only the named colours.
  void reset();
  // The open list is as wide as its longest name needs, wider than the box.
  void showPopup() override;

 private:
  void onActivated(int index);
  int indexOf(std::int32_t colorRef) const;
  int lastIndex_ = 1;
  int customEntries_ = 0;  // values from files or the dialog, after "カスタム..." 
};

}  // namespace plandor
