#pragma once
// The reminders' lead time, kept in a small text file in the data folder so
// that a portable folder carries it; the day, routine and list files never
// hold settings.
//
//   [Reminders]
//   Lead=5          (minutes before the start; 0 at the start; none: off)
#include <string>

#include "fileio.h"

namespace plandor {

constexpr const char* kSettingsFile = "Settings.ini";
std::string settingsPath(const std::string& dataFolder);

struct ReminderSettings {
  int lead = 5;  // one of kLeadChoices
};

// A missing file, a missing or unknown value: the default. A file that
// cannot be read: the default and the failure.
IoResult readReminderSettings(const std::string& path, ReminderSettings* settings);
// Sets the lead in the file's text, keeping every other line, and replaces
// the file whole.
IoResult writeReminderSettings(const std::string& path, const ReminderSettings& settings);

// The text with the lead set: the parser and the writer, without the file.
ReminderSettings parseReminderSettings(const std::string& text);
std::string withReminderSettings(const std::string& text, const ReminderSettings& settings);

}  // namespace plandor
