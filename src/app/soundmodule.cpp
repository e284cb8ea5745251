// The sound module: the desktop's event-sound library (libcanberra) lives
// here, loaded with the first sound, so that starting the program maps no
// audio libraries. Its functions are called from the loader's own thread
// and may block there (a sound server that does not answer) without
// touching the interface.
#include <canberra.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "xsettings.h"

namespace {

struct Player {
  ca_context* context = nullptr;
  bool opened = false;  // else no sound server or device answered yet: silent, and tried again
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

// Errors that say the file is at fault, not the sound system.
bool fileAtFault(int error) {
  return error == CA_ERROR_CORRUPT || error == CA_ERROR_NOTSUPPORTED || error == CA_ERROR_NOTFOUND ||
         error == CA_ERROR_ACCESS || error == CA_ERROR_TOOBIG || error == CA_ERROR_IO;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void* plandor_sound_open() { return new Player; }

// Plays a WAV file (a path as bytes) without waiting for it to end; the
// same call again starts over. Returns 0 when the sound plays or the
// desktop stays silent, 1 when the file itself cannot be played.
__attribute__((visibility("default"))) int plandor_sound_play(void* player, const char* path) {
  auto* p = static_cast<Player*>(player);
  // Only a regular file is played: a FIFO or device under the sound's name
  // would block whoever opens it. The library reopens this very file
  // through the descriptor, so it cannot be swapped in between.
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return 1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return 1;
  }
  int result = 0;
  if (desktopAllowsEventSounds()) {
    if (!p->context && ca_context_create(&p->context) == CA_SUCCESS)
      ca_context_change_props(p->context, CA_PROP_APPLICATION_NAME, "プランドール", CA_PROP_APPLICATION_ID,
                              "org.plandor.Plandor", CA_PROP_APPLICATION_ICON_NAME, "plandor", nullptr);
    if (p->context && !p->opened) p->opened = ca_context_open(p->context) == CA_SUCCESS;
    if (p->opened) {
      const std::string self = "/proc/self/fd/" + std::to_string(fd);
      ca_context_cancel(p->context, 1);
      const int error = ca_context_play(p->context, 1, CA_PROP_EVENT_ID, "plandor-save", CA_PROP_MEDIA_FILENAME,
                                        self.c_str(), CA_PROP_MEDIA_ROLE, "event", CA_PROP_CANBERRA_CACHE_CONTROL,
                                        "never", nullptr);
      if (fileAtFault(error)) {
        result = 1;
      } else if (error != CA_SUCCESS) {
        std::fprintf(stderr, "plandor: no sound: %s\n", ca_strerror(error));
        // The server went away: the next sound connects afresh.
        ca_context_destroy(p->context);
        p->context = nullptr;
        p->opened = false;
      }
    }
  }
  ::close(fd);
  return result;
}

// Ends the connection to the sound system; a sound still playing stops.
__attribute__((visibility("default"))) void plandor_sound_close(void* player) {
  auto* p = static_cast<Player*>(player);
  if (p->context) ca_context_destroy(p->context);
  delete p;
}
}
