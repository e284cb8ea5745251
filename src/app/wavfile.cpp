#include "wavfile.h"

#include <algorithm>
#include <cstdint>

namespace plandor {
namespace {

uint32_t le(std::string_view b, std::size_t at, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + static_cast<std::size_t>(i)]);
  return v;
}

}  // namespace

std::optional<WavSound> parseWav(std::string_view b) {
  if (b.size() < 12 || b.substr(0, 4) != "RIFF" || b.substr(8, 4) != "WAVE") return std::nullopt;
  std::optional<WavSound> format;
  for (std::size_t at = 12; at <= b.size() && b.size() - at >= 8;) {
    const std::string_view id = b.substr(at, 4);
    const std::size_t size = le(b, at + 4, 4);
    at += 8;
    // A data chunk whose size runs past the end (a recording cut short, or
    // written while streaming) is taken as far as it goes.
    const std::size_t held = std::min(size, b.size() - at);
    if (id == "fmt ") {
      if (held < 16) return std::nullopt;
      unsigned tag = le(b, at, 2);
      const unsigned channels = le(b, at + 2, 2), rate = le(b, at + 4, 4), bits = le(b, at + 14, 2);
      if (tag == 0xFFFE && held >= 26) tag = le(b, at + 24, 2);  // the sub-format's first two bytes
      WavSound s{WavSound::Sample::U8, channels, rate, 0, {}};
      if (tag == 1 && bits == 8) s.sample = WavSound::Sample::U8;
      else if (tag == 1 && bits == 16) s.sample = WavSound::Sample::S16LE;
      else if (tag == 1 && bits == 24) s.sample = WavSound::Sample::S24LE;
      else if (tag == 1 && bits == 32) s.sample = WavSound::Sample::S32LE;
      else if (tag == 3 && bits == 32) s.sample = WavSound::Sample::Float32LE;
      else if (tag == 6 && bits == 8) s.sample = WavSound::Sample::ALaw;
      else if (tag == 7 && bits == 8) s.sample = WavSound::Sample::ULaw;
      else return std::nullopt;
      if (channels < 1 || channels > 32 || rate < 1 || rate > 384000) return std::nullopt;
      s.frameBytes = bits / 8 * channels;
      format = s;
    } else if (id == "data") {
      if (!format) return std::nullopt;
      format->data = b.substr(at, held - held % format->frameBytes);
      if (format->data.empty()) return std::nullopt;
      return format;
    }
    if (size > b.size() - at) break;
    at += size + (size & 1);  // chunks are padded to even sizes
  }
  return std::nullopt;
}

}  // namespace plandor
