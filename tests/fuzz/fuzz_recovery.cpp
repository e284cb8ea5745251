// Any bytes as a recovery file: the reader, the day its record names, and
// a record read back as it was written. The input's checksum is also put
// right, so the fuzzer reaches past it into the record itself.
#include <cstring>
#include <vector>

#include "fuzzsupport.h"
#include "recovery.h"
#include "recoverypolicy.h"

using namespace plandor;

namespace {

void checkRecord(const Recovery& r, const std::string& folder) {
  FUZZ_CHECK(!r.dayName.empty());
  FUZZ_CHECK(r.typed.size() <= std::size_t(kPadSlots));
  for (const TypedPad& t : r.typed) FUZZ_CHECK(t.slot >= 0 && t.slot < kPadSlots);
  // A day of this folder only by the one name the folder gives that date.
  if (const std::optional<LocalDate> d = recoveryDay(folder, r.dayName)) {
    FUZZ_CHECK(r.dayName == recoveryDayName(*d) || r.dayName == folder + "/" + recoveryDayName(*d));
    FUZZ_CHECK(recoveryDay(folder, recoveryDayName(*d)) == d);
  }
  (void)offerText(recoveryDay(folder, r.dayName).value_or(LocalDate{}), r.written, true);

  // Written and read back, it is the same record.
  const std::string again = folder + "/Recovery-again.pdr";
  FUZZ_CHECK(writeRecovery(again, r).ok());
  std::optional<Recovery> back;
  FUZZ_CHECK(readRecovery(again, &back).ok() && back);
  FUZZ_CHECK(back->dayName == r.dayName && back->typed == r.typed);
  FUZZ_CHECK(std::memcmp(&back->image, &r.image, sizeof r.image) == 0);
  FUZZ_CHECK(back->began.digest == r.began.digest && back->began.known == r.began.known);
  FUZZ_CHECK(back->written.date == r.written.date && back->written.second == r.written.second);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = fuzz::scratchFolder();
  const std::string path = folder + "/Recovery-2006-01-03.pdr";
  fuzz::writeFile(path, data, size);
  std::optional<Recovery> got;
  const IoResult r = readRecovery(path, &got);
  FUZZ_CHECK(r.ok() == got.has_value());
  if (!r.ok()) FUZZ_CHECK(r.error == kNotOurFormat);
  if (got) checkRecord(*got, folder);

  if (size >= 16) {
    std::vector<unsigned char> fixed(data, data + size);
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i + 8 < size; ++i) h = (h ^ fixed[i]) * 1099511628211ull;
    for (int i = 0; i < 8; ++i) fixed[size - 8 + i] = static_cast<unsigned char>(h >> (8 * i));
    Recovery rec;
    if (parseRecovery(fixed.data(), fixed.size(), &rec)) checkRecord(rec, folder);
  }
  return 0;
}
