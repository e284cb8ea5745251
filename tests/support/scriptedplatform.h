#pragma once
// A platform for tests: records every box and sound, answers questions and
// open dialogs from queues, and tells the time it is given.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform.h"

namespace plandor {

class ScriptedPlatform final : public Platform {
 public:
  struct Message {
    std::string text;
    std::string caption;
  };
  struct OpenRequest {
    std::string filterText, pattern, folder;
  };

  std::vector<Message> messages;
  std::vector<std::string> errors;
  std::vector<std::string> sounds;
  std::vector<std::string> helps;
  std::vector<OpenRequest> openRequests;
  struct Confirm {
    std::string text;
    int left, top;
  };
  std::vector<Confirm> confirms;
  std::deque<bool> confirmAnswers;  // empty: Cancel
  // Runs while a question is on screen, as the box would be: a real box
  // takes the focus, for one.
  std::function<void()> whileAsking;
  std::deque<std::optional<std::string>> openAnswers;  // empty: cancelled
  struct Question {
    std::string text;
    std::vector<std::string> buttons;
    int defaultButton, escapeButton;
  };
  std::vector<Question> questions;
  std::deque<int> askAnswers;  // empty: Escape
  struct DateRequest {
    LocalDate shown, today;
    std::function<bool(const LocalDate&)> hasDay;
  };
  std::vector<DateRequest> dateRequests;
  std::deque<std::optional<LocalDate>> dateAnswers;  // empty: closed
  LocalDateTime clock{{2006, 1, 1}, 9, 0, 0};
  std::function<void()> onBox;  // called as each box or question opens

  void message(const std::string& text, const std::string& caption) override {
    if (onBox) onBox();
    messages.push_back({text, caption});
  }
  void errorBox(const std::string& text) override {
    if (onBox) onBox();
    errors.push_back(text);
  }
  bool confirm(const std::string&, int, int) override;
  int ask(const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
          int escapeButton) override;
  std::optional<LocalDate> pickDate(const LocalDate& shown, const LocalDate& today,
                                    const std::function<bool(const LocalDate&)>& hasDay) override;
  std::optional<std::string> openFile(const std::string& filterText, const std::string& pattern,
                                      const std::string& folder) override;
  void playSound(const std::string& path) override { sounds.push_back(path); }
  LocalDateTime now() override { return clock; }
  void showHelp(const std::string& path) override { helps.push_back(path); }
};

}  // namespace plandor
