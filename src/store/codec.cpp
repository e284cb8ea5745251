#include "codec.h"

#include <cerrno>
#include <iconv.h>

namespace plandor {
namespace {

// One iconv descriptor per direction, reused; the program has a single
// user-interface thread, but keep each conversion self-contained anyway.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts `in`; on an unconvertible or malformed sequence writes "?",
  // skips `skip(in)` input bytes and clears `*whole`.
  template <typename Skip>
  std::string run(std::string_view in, Skip skip, bool* whole = nullptr) {
    std::string out;
    if (cd_ == reinterpret_cast<iconv_t>(-1)) return out;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    out.reserve(in.size() * 2 + 4);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buf[512];
    while (srcLeft > 0) {
      char* dst = buf;
      std::size_t dstLeft = sizeof buf;
      std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf, static_cast<std::size_t>(dst - buf));
      if (r != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL (truncated sequence at the end).
      out.push_back('?');
      if (whole) *whole = false;
      std::size_t n = skip(std::string_view(src, srcLeft));
      src += n;
      srcLeft -= n;
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

std::size_t utf8SequenceLength(std::string_view s) {
  auto b = static_cast<unsigned char>(s[0]);
  std::size_t n = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 1;
  if (n > s.size()) return s.size();
  for (std::size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return i;
  return n;
}

std::size_t cp932SequenceLength(std::string_view s) {
  return isCp932LeadByte(static_cast<unsigned char>(s[0])) && s.size() >= 2 ? 2 : 1;
}

}  // namespace

std::string utf8ToCp932(std::string_view utf8) {
  static Converter c("CP932", "UTF-8");
  return c.run(utf8, utf8SequenceLength);
}

bool cp932Holds(std::string_view utf8) {
  static Converter c("CP932", "UTF-8");
  bool whole = true;
  c.run(utf8, utf8SequenceLength, &whole);
  return whole;
}

std::string cp932ToUtf8(std::string_view cp932) {
  static Converter c("UTF-8", "CP932");
  return c.run(cp932, cp932SequenceLength);
}

std::size_t cp932CutLength(std::string_view cp932, std::size_t capacity) {
  std::size_t i = 0;
  while (i < cp932.size()) {
    std::size_t n = isCp932LeadByte(static_cast<unsigned char>(cp932[i])) ? 2 : 1;
    if (i + n > capacity || i + n > cp932.size()) break;
    i += n;
  }
  return i;
}

std::string utf8CutToCp932Capacity(std::string_view utf8, std::size_t capacity) {
  std::string bytes = utf8ToCp932(utf8);
  return cp932ToUtf8(std::string_view(bytes).substr(0, cp932CutLength(bytes, capacity)));
}

std::size_t cp932Length(std::string_view utf8) { return utf8ToCp932(utf8).size(); }

std::size_t wellFormedUtf8Length(std::string_view s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) return 1;
  std::size_t n;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  if (b(i + 1) < lo || b(i + 1) > hi) return 0;
  for (std::size_t k = 2; k < n; ++k)
    if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
  return n;
}

bool isUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t n = wellFormedUtf8Length(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace plandor
