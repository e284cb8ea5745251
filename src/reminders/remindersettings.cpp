#include "remindersettings.h"

#include <cerrno>
#include <charconv>
#include <vector>

#include "reminderschedule.h"

namespace plandor {
namespace {

constexpr std::size_t kMaxSettings = 64 * 1024;
constexpr std::string_view kSection = "[Reminders]";
constexpr std::string_view kLeadKey = "Lead=";

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(at, nl - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    at = nl + 1;
  }
  return lines;
}

bool isSection(const std::string& line) { return !line.empty() && line.front() == '['; }

std::string leadText(int lead) { return lead == kNoReminders ? "none" : std::to_string(lead); }

std::optional<int> parseLead(std::string_view v) {
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  if (v == "none") return kNoReminders;
  int n = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (ec != std::errc() || end != v.data() + v.size() || !isLeadChoice(n)) return std::nullopt;
  return n;
}

}  // namespace

std::string settingsPath(const std::string& dataFolder) { return dataFolder + "/" + kSettingsFile; }

ReminderSettings parseReminderSettings(const std::string& text) {
  ReminderSettings s;
  bool inSection = false;
  for (const std::string& line : splitLines(text)) {
    if (isSection(line)) {
      inSection = line == kSection;
    } else if (inSection && line.starts_with(kLeadKey)) {
      if (const auto lead = parseLead(std::string_view(line).substr(kLeadKey.size()))) s.lead = *lead;
    }
  }
  return s;
}

std::string withReminderSettings(const std::string& text, const ReminderSettings& settings) {
  std::vector<std::string> lines = splitLines(text);
  const std::string lead = std::string(kLeadKey) + leadText(settings.lead);
  int section = -1;
  bool set = false;
  for (std::size_t i = 0; i < lines.size() && !set; ++i) {
    if (isSection(lines[i])) {
      if (section >= 0) {
        lines.insert(lines.begin() + i, lead);  // at the end of our section
        set = true;
      } else if (lines[i] == kSection) {
        section = int(i);
      }
    } else if (section >= 0 && lines[i].starts_with(kLeadKey)) {
      lines[i] = lead;
      set = true;
    }
  }
  if (!set) {
    if (section < 0) lines.emplace_back(kSection);
    lines.push_back(lead);
  }
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

static IoResult readText(const std::string& path, std::string* text) {
  text->clear();
  if (fileMissing(path)) return IoResult::success();
  std::string buffer(kMaxSettings, '\0');
  std::size_t got = 0;
  const IoResult r = readFileStart(path, buffer.data(), buffer.size(), &got, false);
  if (r.ok()) *text = buffer.substr(0, got);
  return r;
}

IoResult readReminderSettings(const std::string& path, ReminderSettings* settings) {
  std::string text;
  const IoResult r = readText(path, &text);
  *settings = parseReminderSettings(text);
  return r;
}

IoResult writeReminderSettings(const std::string& path, const ReminderSettings& settings) {
  std::string text;
  // What could not be read is not carried over; the lead still gets written.
  readText(path, &text);
  const std::string out = withReminderSettings(text, settings);
  return writeOwnFile(path, out.data(), out.size());
}

}  // namespace plandor
