#pragma once
// Plays sounds through the sound module beside the executable, loaded the
// first time a sound is played. Without a usable module there is no sound,
// and nothing else changes.
#include <QString>
#include <functional>
#include <string>

namespace plandor {

class SoundLoader final {
 public:
  // `failed` is told the path of a file that cannot be played.
  SoundLoader(std::string modulePath, std::function<void(const std::string&)> failed);
  ~SoundLoader();
  SoundLoader(const SoundLoader&) = delete;
  SoundLoader& operator=(const SoundLoader&) = delete;

  // `qtPath` is how Qt reaches the file; a failure names `wavPath`.
  void play(const std::string& wavPath, const QString& qtPath);

 private:
  bool load();

  std::string modulePath_;
  std::function<void(const std::string&)> failed_;
  bool tried_ = false;
  void* handle_ = nullptr;
  void* player_ = nullptr;
  std::string playing_;
  void (*play_)(void*, const char*) = nullptr;
  void (*close_)(void*) = nullptr;
};

// "plandor-sound.so" in the executable's own folder, as bytes.
std::string soundModulePath();

}  // namespace plandor
