#pragma once
// FNV-1a, 64 bits: the one hash of the program. A check against change, not
// against intent; what it is stored in (recovery files, exported events,
// reminded pads) must keep verifying, so the constants never change.
#include <cstdint>
#include <string_view>

namespace plandor {

constexpr std::uint64_t kFnv1aBasis = 0xcbf29ce484222325ull;
// The usual basis short of its last decimal digit (14695981039346656037),
// as recovery files and the reminded list were first written: their
// checksums and prints keep it, so that files already there still verify.
constexpr std::uint64_t kFnv1aShortBasis = 1469598103934665603ull;

// `h` carries on from an earlier call: the hash of parts in a row is that
// of their bytes run together.
constexpr std::uint64_t fnv1a(std::string_view bytes, std::uint64_t h = kFnv1aBasis) {
  for (const char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
  return h;
}

}  // namespace plandor
