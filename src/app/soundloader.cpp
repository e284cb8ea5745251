#include "soundloader.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include "datafolder.h"

namespace plandor {

// What the loader and its thread share; the thread keeps it alive past the
// loader, since it is never joined.
struct SoundLoader::Shared {
  std::string modulePath;
  std::function<void(const std::string&)> failed;  // used and reset on the loader's thread only
  std::mutex mutex;
  std::condition_variable wake;
  std::optional<std::string> waiting;
  bool started = false;
  bool ended = false;
};

namespace {

void run(const std::shared_ptr<SoundLoader::Shared>& s) {
  void* module = ::dlopen(s->modulePath.c_str(), RTLD_NOW | RTLD_LOCAL);
  using Open = void* (*)();
  using Play = int (*)(void*, const char*);
  using Close = void (*)(void*);
  Open open = module ? reinterpret_cast<Open>(::dlsym(module, "plandor_sound_open")) : nullptr;
  Play play = module ? reinterpret_cast<Play>(::dlsym(module, "plandor_sound_play")) : nullptr;
  Close close = module ? reinterpret_cast<Close>(::dlsym(module, "plandor_sound_close")) : nullptr;
  if (!module) std::fprintf(stderr, "plandor: no sound: %s\n", ::dlerror());
  else if (!open || !play || !close)
    std::fprintf(stderr, "plandor: no sound: %s is not the sound module\n", s->modulePath.c_str());
  void* player = open && play && close ? open() : nullptr;
  // The module stays loaded: the process may end while this thread is in it.
  for (;;) {
    std::string path;
    {
      std::unique_lock lock(s->mutex);
      s->wake.wait(lock, [&] { return s->waiting || s->ended; });
      if (s->ended) break;
      path = std::move(*s->waiting);
      s->waiting.reset();
    }
    if (!player || play(player, path.c_str()) == 0) continue;
    // Under the lock: the loader, gone before the application, is not gone yet.
    std::lock_guard lock(s->mutex);
    if (s->ended) break;
    if (QCoreApplication* app = QCoreApplication::instance())
      QMetaObject::invokeMethod(app, [s, path] {
        if (s->failed) s->failed(path);
      }, Qt::QueuedConnection);
  }
  if (player) close(player);
}

}  // namespace

SoundLoader::SoundLoader(std::string modulePath, std::function<void(const std::string&)> failed)
    : shared_(std::make_shared<Shared>()) {
  shared_->modulePath = std::move(modulePath);
  shared_->failed = std::move(failed);
}

SoundLoader::~SoundLoader() {
  shared_->failed = nullptr;
  std::lock_guard lock(shared_->mutex);
  shared_->ended = true;
  shared_->wake.notify_one();
}

void SoundLoader::play(const std::string& path) {
  std::lock_guard lock(shared_->mutex);
  shared_->waiting = path;
  if (!shared_->started) {
    shared_->started = true;
    std::thread(run, shared_).detach();
  }
  shared_->wake.notify_one();
}

std::string soundModulePath() { return executableFolder().value_or(".") + "/plandor-sound.so"; }

}  // namespace plandor
