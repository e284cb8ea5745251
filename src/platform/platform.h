#pragma once
// What the program needs from the desktop: boxes, the open dialog, sound,
// the clock and help. Widgets reach the platform only through this, so tests
// can answer the boxes, pick files and set the clock.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "calendar.h"
#include "fileio.h"

namespace plandor {

class Platform {
 public:
  virtual ~Platform() = default;

  // A modal box with an OK button; `caption` empty means the program title.
  virtual void message(const std::string& text, const std::string& caption = {}) = 0;
  // The error box for failed file operations.
  virtual void errorBox(const std::string& text) = 0;
  // OK/Cancel at a screen position; true for OK.
  virtual bool confirm(const std::string& text, int left, int top) = 0;
  // A question with buttons of its own (captions with "&" mnemonics), from
  // the left; Return picks `defaultButton`, Escape and the close box
  // `escapeButton`. Returns the index of the button chosen.
  virtual int ask(const std::string& text, const std::vector<std::string>& buttons, int defaultButton,
                  int escapeButton) = 0;
  // An open dialog for one filter, starting in `folder`; the chosen file
  // must exist. Empty when cancelled.
  virtual std::optional<std::string> openFile(const std::string& filterText, const std::string& pattern,
                                              const std::string& folder) = 0;
  // A calendar on `shown`, with `today` marked and the dates `hasDay`
  // accepts in bold; empty when closed without a choice.
  virtual std::optional<LocalDate> pickDate(const LocalDate& shown, const LocalDate& today,
                                            const std::function<bool(const LocalDate&)>& hasDay) = 0;
  // Starts playing a WAV file without waiting for it.
  virtual void playSound(const std::string& path) = 0;
  virtual LocalDateTime now() = 0;
  virtual void showHelp(const std::string& path) = 0;

  // A missing or unplayable sound file is told once a run, not at every
  // command that plays it.
  bool soundProblemTold = false;
};

// The confirmation sound: Shutter.wav from the program folder, or, the first
// time, a box saying it is missing.
void PlaySaveSound(Platform& platform, const std::string& programFolder);

// A save of the file at `path` through `save`, asked about when it finds the
// file changed by another program since it was read (Op::Changed: a sync
// tool, a restored backup). 上書き保存 saves over it; 別名で保存 puts the
// program's version at a new name beside it through `saveCopy`
// (changedCopyPath, stamped with the platform's clock; a later number when
// that name is taken) and tells where, or why not; キャンセル is the default and the answer of Escape. The other
// program's file stays unless overwritten. Empty when the file was not
// saved over; otherwise the save's result, for the caller to report.
extern const char* const kChangedFileText;
// 別名で保存: the program's version at changedCopyPath beside `path`, and
// where it went (or why not) told. True when written.
bool saveCopyBeside(Platform& platform, const std::string& path,
                    const std::function<IoResult(std::string& copyPath)>& saveCopy);
std::optional<IoResult> saveMindingChanges(Platform& platform, const std::string& path,
                                           const std::function<IoResult(bool overwriteChanged)>& save,
                                           const std::function<IoResult(std::string& copyPath)>& saveCopy);

}  // namespace plandor
