#pragma once
// Plays sounds through the sound module beside the executable, loaded the
// first time a sound is played. Without a usable module there is no sound,
// and nothing else changes.
#include <functional>
#include <string>
#include <vector>

namespace plandor {

class SoundLoader final {
 public:
  // `failed` is told the path of a file that cannot be played.
  SoundLoader(std::string modulePath, std::function<void(const std::string&)> failed);
  ~SoundLoader();
  SoundLoader(const SoundLoader&) = delete;
  SoundLoader& operator=(const SoundLoader&) = delete;

  // Plays the regular file at `wavPath`; anything else, or a file that
  // cannot be played, is a failure naming `wavPath`.
  void play(const std::string& wavPath);

 private:
  bool load();

  std::string modulePath_;
  std::function<void(const std::string&)> failed_;
  bool tried_ = false;
  void* handle_ = nullptr;
  void* player_ = nullptr;
  std::string playing_;
  std::vector<int> files_;  // descriptors the player reads through, kept for the run
  void (*play_)(void*, const char*) = nullptr;
  void (*close_)(void*) = nullptr;
};

// "plandor-sound.so" in the executable's own folder, as bytes.
std::string soundModulePath();

}  // namespace plandor
