// The sound module: the desktop's sound server (PulseAudio, or PipeWire
// through its PulseAudio service) reached through its own client library,
// loaded with the first sound, so that starting the program maps no audio
// libraries. The WAV file is read once and kept while it stays the same
// file; each sound is one playback stream of the role "event", which the
// desktop's volume for alerts governs. Its functions are called from the
// loader's own thread and may block there (a sound server that does not
// answer) without touching the interface.
#include <fcntl.h>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/proplist.h>
#include <pulse/stream.h>
#include <pulse/thread-mainloop.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "wavfile.h"
#include "xsettings.h"

namespace {

// A sound file larger than this is no event sound.
constexpr off_t kLargestFile = 16 << 20;

struct Player {
  pa_threaded_mainloop* loop = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  // The file as read, while it is the same file (device, inode, size, time).
  struct stat read {};
  std::string bytes;
  std::optional<plandor::WavSound> sound;
  std::size_t written = 0;  // of sound->data, by the stream now playing
};

// The desktop's "event sounds" switch; on when no desktop publishes one.
bool desktopAllowsEventSounds() {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) return true;
  int screen = 0;
  xcb_connection_t* c = xcb_connect(display, &screen);
  bool allowed = true;
  if (!xcb_connection_has_error(c)) {
    auto atom = [c](const std::string& name) {
      xcb_intern_atom_reply_t* r =
          xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
      const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
      std::free(r);
      return a;
    };
    const xcb_atom_t selection = atom("_XSETTINGS_S" + std::to_string(screen));
    const xcb_atom_t settings = atom("_XSETTINGS_SETTINGS");
    xcb_get_selection_owner_reply_t* owner =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    if (owner && owner->owner != XCB_WINDOW_NONE && settings != XCB_ATOM_NONE) {
      xcb_get_property_reply_t* p = xcb_get_property_reply(
          c, xcb_get_property(c, 0, owner->owner, settings, settings, 0, 1 << 20), nullptr);
      if (p && p->format == 8) {
        const std::string_view bytes(static_cast<const char*>(xcb_get_property_value(p)),
                                     static_cast<size_t>(xcb_get_property_value_length(p)));
        allowed = plandor::xsettingsInteger(bytes, "Net/EnableEventSounds").value_or(1) != 0;
      }
      std::free(p);
    }
    std::free(owner);
  }
  xcb_disconnect(c);
  return allowed;
}

void dropStream(pa_stream* s);

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Reads the open file whole, unless it is the one read last time.
bool readSound(Player& p, int fd, const struct stat& st) {
  if (p.sound && sameFile(st, p.read)) return true;
  if (p.loop) {  // the stream playing the old bytes ends before they go
    pa_threaded_mainloop_lock(p.loop);
    if (p.stream) dropStream(p.stream), p.stream = nullptr;
    pa_threaded_mainloop_unlock(p.loop);
  }
  p.sound.reset();
  if (st.st_size > kLargestFile) return false;
  std::string bytes(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t have = 0;
  while (have < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    have += static_cast<std::size_t>(n);
  }
  bytes.resize(have);
  p.bytes = std::move(bytes);
  p.sound = plandor::parseWav(p.bytes);
  p.read = st;
  return p.sound.has_value();
}

pa_sample_format_t sampleFormat(plandor::WavSound::Sample s) {
  using S = plandor::WavSound::Sample;
  switch (s) {
    case S::U8: return PA_SAMPLE_U8;
    case S::S16LE: return PA_SAMPLE_S16LE;
    case S::S24LE: return PA_SAMPLE_S24LE;
    case S::S32LE: return PA_SAMPLE_S32LE;
    case S::Float32LE: return PA_SAMPLE_FLOAT32LE;
    case S::ALaw: return PA_SAMPLE_ALAW;
    case S::ULaw: return PA_SAMPLE_ULAW;
  }
  return PA_SAMPLE_INVALID;
}

// The callbacks run on the client library's own thread, under its lock.
void signalLoop(pa_context*, void* loop) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0); }

void dropStream(pa_stream* s) {
  pa_stream_set_state_callback(s, nullptr, nullptr);
  pa_stream_set_write_callback(s, nullptr, nullptr);
  pa_stream_disconnect(s);
  pa_stream_unref(s);
}

// Feeds the server what it asks for, and lets the stream end with the sound.
void feed(pa_stream* s, std::size_t asked, void* player) {
  auto* p = static_cast<Player*>(player);
  if (s != p->stream || !p->sound) return;
  const std::string_view rest = p->sound->data.substr(p->written);
  const std::size_t n = std::min(asked, rest.size());
  if (n > 0 && pa_stream_write(s, rest.data(), n, nullptr, 0, PA_SEEK_RELATIVE) == 0) p->written += n;
  if (p->written == p->sound->data.size()) {
    pa_stream_set_write_callback(s, nullptr, nullptr);
    if (pa_operation* o = pa_stream_drain(
            s,
            [](pa_stream* drained, int, void* player) {
              auto* pl = static_cast<Player*>(player);
              if (drained != pl->stream) return;
              dropStream(drained);
              pl->stream = nullptr;
            },
            p))
      pa_operation_unref(o);
  }
}

void disconnect(Player& p) {
  if (!p.loop) return;
  pa_threaded_mainloop_lock(p.loop);
  if (p.stream) dropStream(p.stream), p.stream = nullptr;
  if (p.context) {
    pa_context_set_state_callback(p.context, nullptr, nullptr);
    pa_context_disconnect(p.context);
    pa_context_unref(p.context);
    p.context = nullptr;
  }
  pa_threaded_mainloop_unlock(p.loop);
  pa_threaded_mainloop_stop(p.loop);
  pa_threaded_mainloop_free(p.loop);
  p.loop = nullptr;
}

// Connects to the sound server, or finds it gone; never starts one.
bool connect(Player& p) {
  if (p.context) {
    pa_threaded_mainloop_lock(p.loop);
    const bool ready = pa_context_get_state(p.context) == PA_CONTEXT_READY;
    pa_threaded_mainloop_unlock(p.loop);
    if (ready) return true;
    disconnect(p);  // the server went away: connect afresh
  }
  p.loop = pa_threaded_mainloop_new();
  if (!p.loop) return false;
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "プランドール");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "org.plandor.Plandor");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, "plandor");
  p.context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(p.loop), "プランドール", props);
  pa_proplist_free(props);
  if (!p.context || pa_threaded_mainloop_start(p.loop) < 0) {
    disconnect(p);
    return false;
  }
  pa_threaded_mainloop_lock(p.loop);
  pa_context_set_state_callback(p.context, signalLoop, p.loop);
  pa_context_state_t state = PA_CONTEXT_FAILED;
  if (pa_context_connect(p.context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) == 0) {
    for (;;) {
      state = pa_context_get_state(p.context);
      if (state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state)) break;
      pa_threaded_mainloop_wait(p.loop);
    }
  }
  pa_threaded_mainloop_unlock(p.loop);
  if (state == PA_CONTEXT_READY) return true;
  disconnect(p);
  return false;
}

// Starts the sound read last on a stream of its own, ending any still playing.
void start(Player& p, const char* path) {
  pa_threaded_mainloop_lock(p.loop);
  if (p.stream) dropStream(p.stream), p.stream = nullptr;
  const pa_sample_spec format{sampleFormat(p.sound->sample), p.sound->rate, static_cast<uint8_t>(p.sound->channels)};
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "event");
  pa_proplist_sets(props, PA_PROP_EVENT_ID, "plandor-save");
  pa_proplist_sets(props, PA_PROP_MEDIA_FILENAME, path);
  pa_proplist_sets(props, PA_PROP_MEDIA_NAME, "plandor-save");
  p.stream = pa_stream_new_with_proplist(p.context, "plandor-save", &format, nullptr, props);
  pa_proplist_free(props);
  if (p.stream) {
    p.written = 0;
    pa_stream_set_write_callback(p.stream, feed, &p);
    if (pa_stream_connect_playback(p.stream, nullptr, nullptr, PA_STREAM_NOFLAGS, nullptr, nullptr) < 0)
      dropStream(p.stream), p.stream = nullptr;
  }
  if (!p.stream) std::fprintf(stderr, "plandor: no sound: %s\n", pa_strerror(pa_context_errno(p.context)));
  pa_threaded_mainloop_unlock(p.loop);
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void* plandor_sound_open() { return new Player; }

// Plays a WAV file (a path as bytes) without waiting for it to end; the
// same call again starts over. Returns 0 when the sound plays or the
// desktop stays silent, 1 when the file itself cannot be played.
__attribute__((visibility("default"))) int plandor_sound_play(void* player, const char* path) {
  auto* p = static_cast<Player*>(player);
  // Only a regular file is read: a FIFO or device under the sound's name
  // would block whoever opens it.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return 1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return 1;
  }
  int result = 0;
  if (desktopAllowsEventSounds()) {
    if (!readSound(*p, fd, st)) result = 1;
    else if (connect(*p)) start(*p, path);
  }
  ::close(fd);
  return result;
}

// Ends the connection to the sound server; a sound still playing stops.
__attribute__((visibility("default"))) void plandor_sound_close(void* player) {
  auto* p = static_cast<Player*>(player);
  disconnect(*p);
  delete p;
}
}
