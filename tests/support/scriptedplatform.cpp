#include "scriptedplatform.h"

namespace plandor {

bool ScriptedPlatform::confirm(const std::string& text, int left, int top) {
  confirms.push_back({text, left, top});
  if (whileAsking) whileAsking();
  if (confirmAnswers.empty()) return false;
  bool a = confirmAnswers.front();
  confirmAnswers.pop_front();
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
