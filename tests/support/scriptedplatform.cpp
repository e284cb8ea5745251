#include "scriptedplatform.h"

namespace plandor {

bool ScriptedPlatform::confirm(const std::string& text, int left, int top) {
  confirms.push_back({text, left, top});
  if (confirmAnswers.empty()) return false;
  bool a = confirmAnswers.front();
  confirmAnswers.pop_front();
  return a;
}

int ScriptedPlatform::ask(const std::string& text, const std::vector<std::string>& buttons, int defaultIndex,
                          int escapeIndex) {
  if (onBox) onBox();
  questions.push_back({text, buttons, defaultIndex, escapeIndex});
  if (answers.empty()) return escapeIndex;
  int a = answers.front();
  answers.pop_front();
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
