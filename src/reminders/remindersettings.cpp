#include "remindersettings.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <string_view>
#include <vector>

#include "reminderschedule.h"

namespace plandor {
namespace {

// Far beyond any settings file; past it the file is not one.
constexpr std::size_t kMaxSettings = 16 * 1024 * 1024;
constexpr std::string_view kSection = "[Reminders]";
constexpr std::string_view kLeadKey = "Lead";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

// The lines of a text with any line ends (CR LF, LF, a lone CR), and the
// first of them, so that a rewrite keeps the file's own.
struct Lines {
  std::vector<std::string> lines;
  std::string end = "\n";
  std::string bom;
};

Lines splitLines(std::string_view text) {
  Lines out;
  if (text.starts_with(kBom)) {
    out.bom = kBom;
    text.remove_prefix(kBom.size());
  }
  bool endSeen = false;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t nl = text.find_first_of("\r\n", at);
    if (nl == std::string_view::npos) nl = text.size();
    out.lines.emplace_back(text.substr(at, nl - at));
    std::size_t next = nl + 1;
    if (nl < text.size() && text[nl] == '\r' && nl + 1 < text.size() && text[nl + 1] == '\n') ++next;
    if (nl < text.size() && !endSeen) {
      out.end = std::string(text.substr(nl, next - nl));
      endSeen = true;
    }
    at = next;
  }
  return out;
}

std::string_view trimmed(std::string_view v) {
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  return v;
}

bool isSection(const std::string& line) { return trimmed(line).starts_with('['); }
bool isOurSection(const std::string& line) { return trimmed(line) == kSection; }

// "Lead=…" (spaces around either part allowed): the value, or nothing.
std::optional<std::string_view> leadValue(const std::string& line) {
  const auto eq = line.find('=');
  if (eq == std::string::npos || trimmed(std::string_view(line).substr(0, eq)) != kLeadKey) return std::nullopt;
  return trimmed(std::string_view(line).substr(eq + 1));
}

std::string leadText(int lead) { return lead == kNoReminders ? "none" : std::to_string(lead); }

std::optional<int> parseLead(std::string_view v) {
  if (v == "none") return kNoReminders;
  int n = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
  if (ec != std::errc() || end != v.data() + v.size() || !isLeadChoice(n)) return std::nullopt;
  return n;
}

// Reads the file whole; a file that is not settings text fails as not ours.
IoResult readText(const std::string& path, std::string* text) {
  text->clear();
  if (fileMissing(path)) return IoResult::success();
  IoResult r = readOwnFile(path, text, kMaxSettings);
  if (r.ok() && !isSettingsText(*text)) r = IoResult::failure(IoResult::Op::Open, path, kNotOurFormat);
  if (!r.ok()) text->clear();
  return r;
}

}  // namespace

std::string settingsPath(const std::string& dataFolder) { return dataFolder + "/" + kSettingsFile; }

bool isSettingsText(const std::string& text) {
  if (text.find('\0') != std::string::npos) return false;
  for (const std::string& line : splitLines(text).lines) {
    const std::string_view t = trimmed(line);
    if (t.empty() || t.front() == ';' || t.front() == '#' || line.find('=') != std::string::npos) continue;
    if (t.front() == '[' && t.back() == ']') continue;
    return false;
  }
  return true;
}

ReminderSettings parseReminderSettings(const std::string& text) {
  ReminderSettings s;
  bool inSection = false;
  for (const std::string& line : splitLines(text).lines) {
    if (isSection(line)) {
      inSection = isOurSection(line);
    } else if (inSection) {
      if (const auto v = leadValue(line))
        if (const auto lead = parseLead(*v)) s.lead = *lead;
    }
  }
  return s;
}

std::string withReminderSettings(const std::string& text, const ReminderSettings& settings) {
  Lines split = splitLines(text);
  std::vector<std::string>& lines = split.lines;
  const std::string lead = std::string(kLeadKey) + "=" + leadText(settings.lead);
  // The first lead in our section takes the value; any later one would
  // override it when read, so it goes.
  bool inSection = false, set = false;
  std::optional<std::size_t> section;  // our first section's header
  for (std::size_t i = 0; i < lines.size();) {
    if (isSection(lines[i])) {
      inSection = isOurSection(lines[i]);
      if (inSection && !section) section = i;
    } else if (inSection && leadValue(lines[i])) {
      if (set) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      lines[i] = lead;
      set = true;
    }
    ++i;
  }
  if (!set) {
    if (!section) {
      section = lines.size();
      lines.emplace_back(kSection);
    }
    // After the section's last line, before the blank lines that part it
    // from the next.
    std::size_t end = *section + 1;
    while (end < lines.size() && !isSection(lines[end])) ++end;
    while (end > *section + 1 && trimmed(lines[end - 1]).empty()) --end;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(end), lead);
  }
  std::string out = split.bom;
  for (const std::string& l : lines) out += l + split.end;
  return out;
}

IoResult readReminderSettings(const std::string& path, ReminderSettings* settings) {
  std::string text;
  const IoResult r = readText(path, &text);
  *settings = parseReminderSettings(text);
  return r;
}

IoResult writeReminderSettings(const std::string& path, const ReminderSettings& settings, std::string* kept) {
  if (kept) kept->clear();
  std::string text;
  const IoResult read = readText(path, &text);
  // A file that cannot be used is kept for the user, never written over. A
  // link, FIFO or folder there stays as it is, and the write says why.
  if (!read.ok() && read.error != kLinkNotFollowed && read.error != kNotRegularFile && read.error != EISDIR &&
      !fileMissing(path)) {
    std::string aside = path + ".bak";
    const IoResult moved = keepFileAside(path, aside);
    if (!moved.written()) return moved;
    if (kept) *kept = aside;
  }
  const std::string out = withReminderSettings(text, settings);
  return writeOwnFile(path, out.data(), out.size());
}

std::string settingsReadProblem(const IoResult& r) {
  std::string text = r.message() + "\r\n\r\nリマインダーは既定の設定で動きます.";
  if (r.error != kLinkNotFollowed && r.error != kNotRegularFile && r.error != EISDIR)
    text += " 設定を変えると, このファイルは \"" + std::string(kSettingsFile) + ".bak\" として残し, 新しく作ります.";
  return text;
}

}  // namespace plandor
