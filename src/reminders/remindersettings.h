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

// Settings.ini is read whole, with any line ends; never through a link.
// A missing file, a missing or unknown value: the default. A file that
// cannot be read, or holds no settings text: the default and the failure.
IoResult readReminderSettings(const std::string& path, ReminderSettings* settings);
// Sets the lead in the file's text, keeping every other line and the
// file's line ends, and replaces the file whole. A file that cannot be read
// or holds no settings text is first kept beside it as "Settings.ini.bak"
// (or a free numbered name, given in `kept`).
IoResult writeReminderSettings(const std::string& path, const ReminderSettings& settings,
                               std::string* kept = nullptr);
// The box for a failed read: what went wrong, and what happens to the file.
std::string settingsReadProblem(const IoResult& r);

// The text with the lead set: the parser and the writer, without the file.
// Settings text is lines of sections, key=value and comments, no NUL.
bool isSettingsText(const std::string& text);
ReminderSettings parseReminderSettings(const std::string& text);
std::string withReminderSettings(const std::string& text, const ReminderSettings& settings);

}  // namespace plandor
