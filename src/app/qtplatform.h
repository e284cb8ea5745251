#pragma once
// The platform as the desktop offers it: Qt boxes, dialogs and sound.
#include <QPointer>

#include "platform.h"
#include "soundloader.h"

class QWidget;

namespace plandor {

class HelpWindow;

class QtPlatform final : public Platform {
 public:
  QtPlatform();
  ~QtPlatform() override;
  Q_DISABLE_COPY(QtPlatform)

  void message(const std::string& text, const std::string& caption) override;
  void errorBox(const std::string& text) override;
  bool confirm(const std::string& text, int left, int top) override;
  int ask(const std::string& text, const std::vector<std::string>& buttons, int defaultIndex,
          int escapeIndex) override;
  std::optional<std::string> openFile(const std::string& filterText, const std::string& pattern,
                                      const std::string& folder) override;
  void playSound(const std::string& path) override;
  LocalDateTime now() override;
  void showHelp(const std::string& path) override;

 private:
  SoundLoader sound_;
  QPointer<HelpWindow> help_;
};

}  // namespace plandor
