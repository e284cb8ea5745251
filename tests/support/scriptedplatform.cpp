#include "scriptedplatform.h"

namespace plandor {

bool ScriptedPlatform::confirm(const std::string& text, int left, int top) {
  if (onBox) onBox();
  confirms.push_back({text, left, top});
  if (whileAsking) whileAsking();
  if (confirmAnswers.empty()) return false;
  bool a = confirmAnswers.front();
  confirmAnswers.pop_front();
  return a;
}

int ScriptedPlatform::ask(const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
                          int escapeButton) {
  if (onBox) onBox();
  questions.push_back({text, buttons, defaultButton, escapeButton});
  if (askAnswers.empty()) return escapeButton;
  const int a = askAnswers.front();
  askAnswers.pop_front();
  return a;
}

std::optional<LocalDate> ScriptedPlatform::pickDate(const LocalDate& shown, const LocalDate& today,
                                                    const std::function<bool(const LocalDate&)>& hasDay) {
  dateRequests.push_back({shown, today, hasDay});
  if (dateAnswers.empty()) return std::nullopt;
  auto a = dateAnswers.front();
  dateAnswers.pop_front();
  return a;
}

std::optional<std::string> ScriptedPlatform::openFile(const std::string& filterText, const std::string& pattern,
                                                      const std::string& folder) {
  openRequests.push_back({filterText, pattern, folder});
  if (openAnswers.empty()) return std::nullopt;
  auto a = openAnswers.front();
  openAnswers.pop_front();
  return a;
}

}  // namespace plandor
