#pragma once
// The recovery file: the open day's unsaved work, written after every change
// so that a crash, a kill or a power cut loses nothing typed. It holds the
// path of the day it belongs to, when it was written and the day image.
#include <optional>
#include <string>

#include "calendar.h"
#include "fileio.h"
#include "records.h"

namespace plandor {

struct Recovery {
  std::string dayPath;   // bytes, as the program opened the day
  LocalDateTime written;
  DayFile image;
};

// The recovery files of a data folder, in the order they are used: the
// second only while the first cannot be read (it is kept for the user).
std::string recoveryPath(const std::string& dataFolder, int which = 0);

// Complete, then replace, as a save.
IoResult writeRecovery(const std::string& path, const Recovery& r);
// Nothing there gives success with `*out` empty; a file that is not a whole
// recovery file fails with kNotOurFormat.
IoResult readRecovery(const std::string& path, std::optional<Recovery>* out);
// Missing already is success.
IoResult removeRecovery(const std::string& path);

}  // namespace plandor
