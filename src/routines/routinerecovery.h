#pragma once
// Routine work not yet in Routines.rdf (provisional entries, a pad's
// 一時保存, typed edits, removals), kept in the data folder's
// "RoutineRecovery.pdr" so that a kill or a lost session loses none of it.
#include <optional>
#include <string>

#include "calendar.h"
#include "fileio.h"
#include "routinefile.h"

namespace plandor {

struct RoutineRecovery {
  LocalDateTime written;
  RoutineSet table;  // the working set, typed edits taken in
};

std::string routineRecoveryPath(const std::string& dataFolder);
// Complete, then replace; never through a link.
IoResult writeRoutineRecovery(const std::string& path, const RoutineRecovery& r);
// Nothing there gives success with `*out` empty; anything else that is not
// a whole file of ours fails with kNotOurFormat.
IoResult readRoutineRecovery(const std::string& path, std::optional<RoutineRecovery>* out);

}  // namespace plandor
