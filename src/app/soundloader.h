#pragma once
// Plays sounds through the sound module beside the executable. The module
// is loaded when the first sound is played, and every sound is started, on a
// thread of the loader's own: neither a slow sound server nor a file that
// blocks its reader can hold up the interface or the end of the program.
// Without a usable module there is no sound, and nothing else changes.
#include <functional>
#include <memory>
#include <string>

namespace plandor {

class SoundLoader final {
 public:
  // `failed` is told, on the application's main thread, the path of a file
  // that cannot be played.
  SoundLoader(std::string modulePath, std::function<void(const std::string&)> failed);
  ~SoundLoader();
  SoundLoader(const SoundLoader&) = delete;
  SoundLoader& operator=(const SoundLoader&) = delete;

  // Returns at once; a sound asked for while another is being started
  // replaces any that is still waiting.
  void play(const std::string& path);

  struct Shared;

 private:
  std::shared_ptr<Shared> shared_;
};

// "plandor-sound.so" in the executable's own folder, as bytes.
std::string soundModulePath();

}  // namespace plandor
