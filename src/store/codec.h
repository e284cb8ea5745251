#pragma once
// Text in records is Windows code page 932 (Shift-JIS with the Microsoft
// extensions); the rest of the program speaks UTF-8. Convert only at the
// boundary between the two.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace plandor {

// UTF-8 to CP932. A character CP932 cannot hold becomes "?"; so does a
// malformed UTF-8 sequence.
std::string utf8ToCp932(std::string_view utf8);

// True when CP932 holds every character of `utf8` (nothing would become "?").
bool cp932Holds(std::string_view utf8);

// CP932 to UTF-8. A byte sequence that is not valid CP932 becomes "?".
std::string cp932ToUtf8(std::string_view cp932);

// True when `b` starts a two-byte CP932 character.
constexpr bool isCp932LeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length of the longest prefix of `cp932` that is at most `capacity` bytes
// and does not end inside a double-byte character.
std::size_t cp932CutLength(std::string_view cp932, std::size_t capacity);

// UTF-8 text cut so that its CP932 form fits `capacity` bytes.
std::string utf8CutToCp932Capacity(std::string_view utf8, std::size_t capacity);

// Length of the well-formed UTF-8 sequence at s[i], or 0 (overlong forms,
// surrogates and values above U+10FFFF are not well formed).
std::size_t wellFormedUtf8Length(std::string_view s, std::size_t i);
bool isUtf8(std::string_view s);

// Length of `utf8` in CP932 bytes.
std::size_t cp932Length(std::string_view utf8);

// A length-prefixed text field of fixed capacity, as stored on disk:
// one length byte followed by `Capacity` bytes.
template <std::size_t Capacity>
struct ShortText {
  static_assert(Capacity <= 255);
  static constexpr std::size_t capacity = Capacity;
  std::uint8_t length;
  char bytes[Capacity];

  // The stored bytes; a length byte above the capacity reads as the capacity.
  std::string_view raw() const {
    std::size_t n = length > Capacity ? Capacity : length;
    return {bytes, n};
  }
  std::string text() const { return cp932ToUtf8(raw()); }
  bool empty() const { return length == 0; }

  // Stores CP932 bytes cut to the capacity on a character boundary; bytes
  // after the new length are left as they were.
  void setRaw(std::string_view cp932) {
    std::size_t n = cp932CutLength(cp932, Capacity);
    for (std::size_t i = 0; i < n; ++i) bytes[i] = cp932[i];
    length = static_cast<std::uint8_t>(n);
  }
  void setText(std::string_view utf8) { setRaw(utf8ToCp932(utf8)); }
  void clear() { length = 0; }
};

}  // namespace plandor
