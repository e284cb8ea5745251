#include "soundloader.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "datafolder.h"

namespace plandor {

SoundLoader::SoundLoader(std::string modulePath, std::function<void(const std::string&)> failed)
    : modulePath_(std::move(modulePath)), failed_(std::move(failed)) {}

SoundLoader::~SoundLoader() {
  if (player_ && close_) close_(player_);
  for (int fd : files_) ::close(fd);
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

void SoundLoader::play(const std::string& wavPath) {
  if (!load()) return;
  playing_ = wavPath;
  // The player reads the file on a thread of its own, which the end of the
  // program waits for. It gets the regular file checked here, through a
  // descriptor, never what the name may lead to by then: a FIFO would hold
  // that thread, and the end of the program, for good.
  const int fd = ::open(wavPath.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat st;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    failed_(wavPath);
    return;
  }
  int use = fd;
  for (int kept : files_) {
    struct stat k;
    if (::fstat(kept, &k) == 0 && k.st_dev == st.st_dev && k.st_ino == st.st_ino) use = kept;
  }
  // A descriptor the player may still be opening is never closed, nor its
  // number given to something else.
  if (use == fd)
    files_.push_back(fd);
  else
    ::close(fd);
  play_(player_, ("/proc/self/fd/" + std::to_string(use)).c_str());
}

std::string soundModulePath() { return executableFolder().value_or(".") + "/plandor-sound.so"; }

}  // namespace plandor
