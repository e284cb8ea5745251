// Any bytes as LEntries.lef: the load, the texts the combo boxes offer, and
// a save that gives back the same block.
#include <algorithm>
#include <cstring>

#include "fuzzsupport.h"
#include "listfile.h"

using namespace plandor;

namespace {

// Every non-empty slot is offered, in slot order, and each text fits back
// into a box that takes the slot's capacity.
template <std::size_t Capacity, std::size_t N>
void checkList(const ShortText<Capacity> (&slots)[N]) {
  const std::vector<std::string> texts = listTexts(slots);
  std::size_t k = 0;
  for (const auto& slot : slots) {
    FUZZ_CHECK(slot.raw().size() <= Capacity);
    if (slot.empty()) continue;
    FUZZ_CHECK(k < texts.size());
    FUZZ_CHECK(texts[k] == slot.text());
    FUZZ_CHECK(fuzz::validUtf8(texts[k]));
    FUZZ_CHECK(cp932Length(texts[k]) <= Capacity);
    ++k;
  }
  FUZZ_CHECK(k == texts.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = fuzz::scratchFolder();
  const std::string path = folder + "/LEntries.lef";
  fuzz::writeFile(path, data, size);

  ListStore s;
  FUZZ_CHECK(s.LoadListEntries(folder).ok());
  const std::size_t n = std::min(size, kListFileSize);
  FUZZ_CHECK(std::memcmp(&s.entries, data, n) == 0);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&s.entries);
  for (std::size_t i = n; i < kListFileSize; ++i) FUZZ_CHECK(bytes[i] == 0);

  checkList(s.entries.KeywordEntries);
  checkList(s.entries.ContentEntries);
  checkList(s.entries.Title1Entries);
  checkList(s.entries.Title2Entries);

  FUZZ_CHECK(s.WriteListFile().ok());
  const std::string saved = fuzz::readFile(path);
  FUZZ_CHECK(saved.size() == std::max(kListFileSize, size));  // bytes past the record stay
  if (size > kListFileSize)
    FUZZ_CHECK(std::memcmp(saved.data() + kListFileSize, data + kListFileSize, size - kListFileSize) == 0);
  FUZZ_CHECK(std::memcmp(saved.data(), &s.entries, kListFileSize) == 0);
  ListStore again;
  FUZZ_CHECK(again.LoadListEntries(folder).ok());
  FUZZ_CHECK(std::memcmp(&again.entries, &s.entries, kListFileSize) == 0);
  return 0;
}
