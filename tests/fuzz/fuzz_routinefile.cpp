// Any bytes as Routines.rdf: the load, what the routine pads and routine
// display make of the records, compaction, revert, and a save that gives
// back the same set.
#include <algorithm>
#include <cstring>
#include <vector>

#include "fuzzsupport.h"
#include "routinefile.h"
#include "timeaxis.h"

using namespace plandor;
using fuzz::checkText;

namespace {

bool sameSet(const RoutineSet& a, const RoutineSet& b) { return std::memcmp(a, b, sizeof(RoutineSet)) == 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = fuzz::scratchFolder();
  const std::string path = folder + "/Routines.rdf";
  fuzz::writeFile(path, data, size);

  RoutineStore s;
  FUZZ_CHECK(s.LoadRoutineFile(folder).ok());
  FUZZ_CHECK(std::memcmp(s.RoutineImage, data, std::min(size, kRoutineFileSize)) == 0);
  for (int i = 0; i < kRoutineSlots; ++i)
    if (size <= i * sizeof(RoutineRecord)) FUZZ_CHECK(s.RoutineImage[i].RoutineNo == 0);
  FUZZ_CHECK(sameSet(s.RoutineTable, s.RoutineImage));

  int used = 0;
  std::vector<std::string> keywords;
  for (const RoutineRecord& r : s.RoutineTable) {
    if (r.RoutineNo == 0) continue;
    ++used;
    keywords.emplace_back(r.Keyword.raw());
    checkText(r.Keyword);
    checkText(r.Content);
    checkText(r.Memo);
    // Routine display turns a routine's times into bar rows as they are.
    (void)TimeToY(r.StartHour, r.StartMinute, r.StartPM);
    (void)TimeToY(r.EndHour, r.EndMinute, r.EndPM);
  }
  FUZZ_CHECK(s.RoutineCount() == used && CountRoutines(s.RoutineTable) == used);

  // A save writes the working set byte for byte, keeps what the file held
  // past the record, and a new start reads the same set back.
  FUZZ_CHECK(s.WriteRoutineFile().ok());
  const std::string saved = fuzz::readFile(path);
  FUZZ_CHECK(saved.size() == std::max(kRoutineFileSize, size));
  if (size > kRoutineFileSize)
    FUZZ_CHECK(std::memcmp(saved.data() + kRoutineFileSize, data + kRoutineFileSize, size - kRoutineFileSize) == 0);
  FUZZ_CHECK(std::memcmp(saved.data(), s.RoutineTable, kRoutineFileSize) == 0);
  FUZZ_CHECK(sameSet(s.RoutineImage, s.RoutineTable));
  RoutineStore again;
  FUZZ_CHECK(again.LoadRoutineFile(folder).ok());
  FUZZ_CHECK(sameSet(again.RoutineTable, s.RoutineTable));

  // Compaction keeps every routine, in order, numbered 1..k.
  s.CompactRoutines();
  FUZZ_CHECK(CountRoutines(s.RoutineTable) == used);
  for (int i = 0; i < kRoutineSlots; ++i) {
    if (i < used) {
      FUZZ_CHECK(s.RoutineTable[i].RoutineNo == i + 1);
      FUZZ_CHECK(s.RoutineTable[i].Keyword.raw() == keywords[static_cast<std::size_t>(i)]);
    } else {
      FUZZ_CHECK(s.RoutineTable[i].RoutineNo == 0);
      FUZZ_CHECK(s.RoutineTable[i].StartHour == -1);
    }
  }
  s.RevertRoutineTable();
  FUZZ_CHECK(sameSet(s.RoutineTable, s.RoutineImage));
  return 0;
}
