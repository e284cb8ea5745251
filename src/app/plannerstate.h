#pragma once
// The process-wide tables and paths, made once at start-up and passed by
// reference to the windows that need them.
#include <optional>
#include <string>

#include "calendar.h"
#include "daymodel.h"
#include "listfile.h"
#include "routinefile.h"

namespace plandor {

struct PlannerState {
  std::string DataFolder;  // where the data live, without a trailing "/"
  // Where the program's own files are (sound, help), when not DataFolder.
  std::optional<std::string> ProgramFolder;
  const std::string& programFolder() const { return ProgramFolder ? *ProgramFolder : DataFolder; }
  std::string MonthFolder;
  LocalDate Today;  // taken once at start-up
  DayModel day;  // the open day
  RoutineStore routines;
  ListStore lists;
  int SelectedRoutine = 0;  // the routine pad that last had the focus
};

}  // namespace plandor
