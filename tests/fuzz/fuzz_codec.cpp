// The CP932 boundary: any bytes, read once as UTF-8 typed by the user and
// once as CP932 from a file. The first byte picks a field capacity.
#include "codec.h"
#include "fuzzsupport.h"

using namespace plandor;

namespace {

// A cut is a whole-character prefix within the capacity, and no longer one
// exists.
void checkCut(std::string_view bytes, std::size_t capacity) {
  const std::size_t cut = cp932CutLength(bytes, capacity);
  FUZZ_CHECK(cut <= capacity && cut <= bytes.size());
  FUZZ_CHECK(fuzz::endsOnCharacter(bytes.substr(0, cut)));
  if (cut < bytes.size()) {
    const std::size_t next = isCp932LeadByte(static_cast<unsigned char>(bytes[cut])) ? 2 : 1;
    FUZZ_CHECK(cut + next > capacity || cut + next > bytes.size());
  }
}

template <std::size_t N>
void checkField(std::string_view utf8, std::string_view cp932) {
  ShortText<N> field{};
  field.setText(utf8);
  const std::string encoded = utf8ToCp932(utf8);
  FUZZ_CHECK(field.raw() == std::string_view(encoded).substr(0, cp932CutLength(encoded, N)));
  FUZZ_CHECK(fuzz::endsOnCharacter(field.raw()));
  field.setRaw(cp932);
  FUZZ_CHECK(field.raw().size() <= N && fuzz::endsOnCharacter(field.raw()));
  FUZZ_CHECK(field.raw() == cp932.substr(0, field.raw().size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t capacity = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  // Typed text: whatever it holds, the encoder yields CP932 that decodes to
  // well-formed UTF-8 and encodes back to the same bytes.
  const std::string encoded = utf8ToCp932(bytes);
  const std::string shown = cp932ToUtf8(encoded);
  FUZZ_CHECK(fuzz::validUtf8(shown));
  FUZZ_CHECK(utf8ToCp932(shown) == encoded);
  FUZZ_CHECK(cp932Length(bytes) == encoded.size());

  // Cutting typed text to a field: it fits and is the cut of its encoding.
  const std::string cutText = utf8CutToCp932Capacity(bytes, capacity);
  FUZZ_CHECK(fuzz::validUtf8(cutText));
  const std::string cutEncoded = utf8ToCp932(cutText);
  FUZZ_CHECK(cutEncoded.size() <= capacity);
  FUZZ_CHECK(cutEncoded == encoded.substr(0, cp932CutLength(encoded, capacity)));

  // Text read from a file: it decodes to well-formed UTF-8, and the text
  // shown survives a save and a new load unchanged.
  const std::string fromFile = cp932ToUtf8(bytes);
  FUZZ_CHECK(fuzz::validUtf8(fromFile));
  FUZZ_CHECK(cp932ToUtf8(utf8ToCp932(fromFile)) == fromFile);

  checkCut(bytes, capacity);
  checkCut(encoded, capacity);
  checkField<1>(bytes, bytes);
  checkField<31>(bytes, bytes);
  checkField<63>(bytes, bytes);
  checkField<255>(bytes, bytes);
  return 0;
}
