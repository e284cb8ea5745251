#pragma once
// Shared by the fuzz targets: a private scratch folder, whole-file helpers
// and a check that stops the run with a message libFuzzer keeps.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>

#define FUZZ_CHECK(cond)                                                               \
  do {                                                                                 \
    if (!(cond)) {                                                                     \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);    \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

namespace fuzz {

// One folder per process, on a memory file system when there is one: the
// stores sync every write, which costs nothing there.
inline const std::string& scratchFolder() {
  static const std::string folder = [] {
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
    std::string tmpl = base + "/plandor-fuzz.XXXXXX";
    if (!mkdtemp(tmpl.data())) std::abort();
    // Removed at a normal exit; a crashed run leaves it for a look.
    static std::string keep = tmpl;
    std::atexit([] {
      std::string cmd = "rm -rf '" + keep + "'";
      if (std::system(cmd.c_str()) != 0) {}
    });
    return tmpl;
  }();
  return folder;
}

inline void writeFile(const std::string& path, const void* data, std::size_t size) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  FUZZ_CHECK(fd >= 0);
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t w = write(fd, p, size);
    FUZZ_CHECK(w > 0);
    p += w;
    size -= static_cast<std::size_t>(w);
  }
  close(fd);
}

inline std::string readFile(const std::string& path) {
  std::string out;
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return out;
  char buf[4096];
  ssize_t r;
  while ((r = read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(r));
  close(fd);
  return out;
}

// Well-formed UTF-8: shortest forms only, no surrogates, nothing above
// U+10FFFF. Everything the codec hands to the widgets must pass.
inline bool validUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n;
    std::uint32_t cp;
    if (b < 0x80) {
      ++i;
      continue;
    } else if ((b & 0xE0) == 0xC0) {
      n = 2, cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
      n = 3, cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
      n = 4, cp = b & 0x07;
    } else {
      return false;
    }
    if (i + n > s.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3F);
    }
    const std::uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n;
  }
  return true;
}

// True when `bytes` is a sequence of whole CP932 characters by the lead-byte
// rule: a cut never leaves half of a double-byte character at its end.
inline bool endsOnCharacter(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    i += ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
  }
  return i == bytes.size();
}

// A stored text field as the program reads it: within its capacity and
// valid UTF-8 once converted.
template <typename Text>
void checkText(const Text& t) {
  FUZZ_CHECK(t.raw().size() <= Text::capacity);
  FUZZ_CHECK(validUtf8(t.text()));
}

}  // namespace fuzz
