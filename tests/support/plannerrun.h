#pragma once
// One start of the program for the widget tests of the main window: state,
// a scripted platform with its clock, and the real window in `folder`.
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <deque>
#include <memory>

#include "frmmain.h"
#include "mainparts.h"
#include "scriptedplatform.h"

namespace plandor {

struct PlannerRun {
  ScriptedPlatform platform;
  PlannerState state;
  std::unique_ptr<TfrmMain> window;

  // `answers` for the questions the start asks.
  explicit PlannerRun(const QString& folder, LocalDateTime clock = {{2006, 1, 1}, 9, 0, 0},
                      std::deque<int> answers = {}) {
    platform.clock = clock;
    platform.askAnswers = std::move(answers);
    state.DataFolder = folder.toStdString();
    window = std::make_unique<TfrmMain>(state, platform);
  }
  PlannerRun(const QString& folder, LocalDate today) : PlannerRun(folder, LocalDateTime{today, 9, 0, 0}) {}
  QString panel(int i) const { return parts(window).statusPanels[i]->text(); }
  QString file() const { return parts(window).edtThisFile->text(); }
};

}  // namespace plandor
