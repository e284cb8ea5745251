#include "soundloader.h"

#include <dlfcn.h>

#include <cstdio>

#include "datafolder.h"

namespace plandor {

SoundLoader::SoundLoader(std::string modulePath, std::function<void(const std::string&)> failed)
    : modulePath_(std::move(modulePath)), failed_(std::move(failed)) {}

SoundLoader::~SoundLoader() {
  if (player_ && close_) close_(player_);
  // The module stays mapped: Qt may still hold objects its code made.
}

bool SoundLoader::load() {
  if (tried_) return player_ != nullptr;
  tried_ = true;
  handle_ = ::dlopen(modulePath_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    std::fprintf(stderr, "plandor: no sound: %s\n", ::dlerror());
    return false;
  }
  using Open = void* (*)(void (*)(void*), void*);
  auto open = reinterpret_cast<Open>(::dlsym(handle_, "plandor_sound_open"));
  play_ = reinterpret_cast<void (*)(void*, const char*)>(::dlsym(handle_, "plandor_sound_play"));
  close_ = reinterpret_cast<void (*)(void*)>(::dlsym(handle_, "plandor_sound_close"));
  if (!open || !play_ || !close_) {
    std::fprintf(stderr, "plandor: no sound: %s is not the sound module\n", modulePath_.c_str());
    return false;
  }
  player_ = open([](void* self) {
    auto* loader = static_cast<SoundLoader*>(self);
    loader->failed_(loader->playing_);
  }, this);
  return player_ != nullptr;
}

void SoundLoader::play(const std::string& wavPath, const QString& qtPath) {
  if (!load()) return;
  playing_ = wavPath;
  play_(player_, qtPath.toUtf8().constData());
}

std::string soundModulePath() { return executableFolder().value_or(".") + "/plandor-sound.so"; }

}  // namespace plandor
