#include "xsettings.h"

#include <cstdint>

namespace plandor {
namespace {

// Reads the property's numbers in the byte order its owner wrote them in.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool order() {
    if (bytes_.size() < 4) return false;
    const auto b = static_cast<uint8_t>(bytes_[0]);
    if (b > 1) return false;
    msbFirst_ = b == 1;
    at_ = 4;
    return true;
  }
  bool skip(size_t n) {
    if (n > bytes_.size() - at_) return false;
    at_ += n;
    return true;
  }
  bool card8(uint32_t& v) { return number(1, v); }
  bool card16(uint32_t& v) { return number(2, v); }
  bool card32(uint32_t& v) { return number(4, v); }
  // n bytes, then padding to a multiple of 4.
  bool text(size_t n, std::string_view& s) {
    const size_t padded = (n + 3) & ~size_t{3};
    if (padded > bytes_.size() - at_) return false;
    s = bytes_.substr(at_, n);
    at_ += padded;
    return true;
  }

 private:
  bool number(size_t n, uint32_t& v) {
    if (n > bytes_.size() - at_) return false;
    v = 0;
    for (size_t i = 0; i < n; ++i) {
      const auto b = static_cast<uint8_t>(bytes_[at_ + (msbFirst_ ? i : n - 1 - i)]);
      v = v << 8 | b;
    }
    at_ += n;
    return true;
  }

  std::string_view bytes_;
  size_t at_ = 0;
  bool msbFirst_ = false;
};

}  // namespace

std::optional<int> xsettingsInteger(std::string_view property, std::string_view name) {
  Reader r(property);
  uint32_t serial = 0, count = 0;
  if (!r.order() || !r.card32(serial) || !r.card32(count)) return std::nullopt;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t type = 0, nameLength = 0, lastChange = 0;
    std::string_view settingName;
    if (!r.card8(type) || !r.skip(1) || !r.card16(nameLength) || !r.text(nameLength, settingName) ||
        !r.card32(lastChange))
      return std::nullopt;
    switch (type) {
      case 0: {  // integer
        uint32_t v = 0;
        if (!r.card32(v)) return std::nullopt;
        if (settingName == name) return static_cast<int32_t>(v);
        break;
      }
      case 1: {  // string
        uint32_t length = 0;
        std::string_view value;
        if (!r.card32(length) || !r.text(length, value)) return std::nullopt;
        break;
      }
      case 2:  // colour: four 16-bit channels
        if (!r.skip(8)) return std::nullopt;
        break;
      default:
        return std::nullopt;
    }
  }
  return std::nullopt;
}

}  // namespace plandor
