#pragma once
// The routine pad: one routine of the working set, edited in the routine
// settings window and copied into its record with "一時保存".
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <array>
#include <optional>

#include "padframe.h"
#include "routinefile.h"
#include "routinerules.h"

namespace plandor {

// What only routine pads need.
struct RoutinePadContext {
  PadContext& pads;
  RoutineStore& routines;
  int& selectedRoutine;
};

class TRoutineWorkFrame final : public PadFrameBase {
  Q_OBJECT
 public:
  TRoutineWorkFrame(RoutinePadContext& context, QWidget* parent);

  void btnSaveRoutineClick();
  // The pad shows what its routine does not: typed, not taken with 一時保存.
  bool hasEdits() const;
  // 一時保存 of the typed edits; false when the pad refused them (told).
  bool storeEdits();
  // What 一時保存 would store from the typed edits, when it would take them.
  std::optional<RoutineRecord> draft() const;

  QCheckBox* chbShow;
  QComboBox* cmbPadOrigX;
  QFrame* Panel4;
  std::array<QCheckBox*, 7> chbDOW{};  // Sunday first
  QPushButton* btnSaveRoutine;

 protected:
  void FrameEnter() override;
  QList<QWidget*> keyOrder() const override;
  void addControls() override;
  PadFrameBase& likeness() override { return *this; }

 private:
  friend void FillRoutinePad(TRoutineWorkFrame& pad, int slot, const RoutineRecord& r);
  RoutineStoreResult typed() const;
  RoutinePadContext& ctx_;
};

// Shows a routine in its pad, numbered by its slot whatever the record
// says; empty texts stay empty.
void FillRoutinePad(TRoutineWorkFrame& pad, int slot, const RoutineRecord& r);

}  // namespace plandor
