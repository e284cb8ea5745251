#pragma once
// The sample layout and the samples of a RIFF WAVE file, as a sound server
// takes them: integer PCM of 8, 16, 24 or 32 bits, 32-bit float, A-law and
// µ-law, in the plain and the extensible format header.
#include <cstddef>
#include <optional>
#include <string_view>

namespace plandor {

struct WavSound {
  enum class Sample { U8, S16LE, S24LE, S32LE, Float32LE, ALaw, ULaw } sample;
  unsigned channels;
  unsigned rate;
  std::size_t frameBytes;
  std::string_view data;  // whole frames only, inside the bytes given
};

// Nothing for anything else, a file cut before its first frame included.
std::optional<WavSound> parseWav(std::string_view bytes);

}  // namespace plandor
