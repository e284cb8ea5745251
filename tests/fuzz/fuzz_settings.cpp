// Any bytes as Settings.ini: the lead read from them, the text written back
// with a new lead (every other line kept, in order), and the file either
// rewritten from its text or, when it holds no settings text, kept aside.
#include <vector>

#include "fuzzsupport.h"
#include "reminderschedule.h"
#include "remindersettings.h"

using namespace plandor;

namespace {

// The lines without "Lead" in them; any of CR LF, LF, CR ends a line. A
// byte order mark opens the text, not its first line.
std::vector<std::string> otherLines(const std::string& text) {
  std::vector<std::string> out;
  std::string line;
  bool open = false;
  for (std::size_t i = text.starts_with("\xEF\xBB\xBF") ? 3 : 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      if (line.find("Lead") == std::string::npos) out.push_back(line);
      line.clear();
      open = false;
    } else {
      line += c;
      open = true;
    }
  }
  if (open && line.find("Lead") == std::string::npos) out.push_back(line);
  return out;
}

bool keptInOrder(const std::vector<std::string>& before, const std::vector<std::string>& after) {
  std::size_t k = 0;
  for (const std::string& l : after)
    if (k < before.size() && l == before[k]) ++k;
  return k == before.size() && after.size() <= before.size() + 1;  // at most our section's header added
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int lead = parseReminderSettings(text).lead;
  FUZZ_CHECK(isLeadChoice(lead) || lead == kNoReminders);

  const int choices[] = {kNoReminders, 0, 5, 10, 15, 30, 60};
  const int set = choices[size % 7];
  const std::string out = withReminderSettings(text, {set});
  FUZZ_CHECK(parseReminderSettings(out).lead == set);
  FUZZ_CHECK(withReminderSettings(out, {set}) == out);
  const bool settingsText = isSettingsText(text);
  if (settingsText) {
    FUZZ_CHECK(isSettingsText(out));
    FUZZ_CHECK(keptInOrder(otherLines(text), otherLines(out)));
  }

  const std::string& folder = fuzz::scratchFolder();
  const std::string path = settingsPath(folder);
  fuzz::writeFile(path, data, size);
  ReminderSettings read{set};
  const IoResult r = readReminderSettings(path, &read);
  FUZZ_CHECK(r.ok() == settingsText);
  FUZZ_CHECK(read.lead == (settingsText ? lead : ReminderSettings{}.lead));
  std::string kept;
  FUZZ_CHECK(writeReminderSettings(path, {set}, &kept).ok());
  if (settingsText) {
    FUZZ_CHECK(kept.empty());
    FUZZ_CHECK(fuzz::readFile(path) == out);
  } else {
    FUZZ_CHECK(kept == path + ".bak");
    FUZZ_CHECK(fuzz::readFile(kept) == text);
    FUZZ_CHECK(fuzz::readFile(path) == withReminderSettings("", {set}));
    FUZZ_CHECK(::unlink(kept.c_str()) == 0);
  }
  return 0;
}
