// The sound module: Qt Multimedia lives here, loaded with the first sound,
// so that starting the program maps no audio libraries.
#include <QSoundEffect>
#include <QUrl>

namespace {

struct Player {
  QSoundEffect effect;
  void (*failed)(void* ctx);
  void* ctx;
};

}  // namespace

extern "C" {

// `failed` hears of a file that cannot be played.
__attribute__((visibility("default"))) void* plandor_sound_open(void (*failed)(void*), void* ctx) {
  auto* p = new Player;
  p->failed = failed;
  p->ctx = ctx;
  QObject::connect(&p->effect, &QSoundEffect::statusChanged, [p] {
    if (p->effect.status() == QSoundEffect::Error)
      p->failed(p->ctx);
  });
  return p;
}

// Starts playing a WAV file (a path as Qt reaches it, in UTF-8) without
// waiting for it; the same file again starts over.
__attribute__((visibility("default"))) void plandor_sound_play(void* player, const char* path) {
  auto* p = static_cast<Player*>(player);
  const QUrl url = QUrl::fromLocalFile(QString::fromUtf8(path));
  if (p->effect.source() != url)
    p->effect.setSource(url);
  else
    p->effect.stop();
  p->effect.play();
}

__attribute__((visibility("default"))) void plandor_sound_close(void* player) { delete static_cast<Player*>(player); }
}
