#include "routinerecovery.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "fnv1a.h"
#include "recovery.h"

namespace plandor {
namespace {

constexpr char kMagic[8] = {'P', 'L', 'D', 'R', 'R', 'T', '0', '1'};
constexpr std::size_t kWhen = 6 * sizeof(std::int32_t);
constexpr std::size_t kBody = sizeof kMagic + kWhen + sizeof(RoutineSet);
constexpr std::size_t kSize = kBody + sizeof(std::uint64_t);

std::uint64_t checksum(const char* p, std::size_t n) { return fnv1a(std::string_view(p, n), kFnv1aShortBasis); }

}  // namespace

std::string routineRecoveryPath(const std::string& dataFolder) { return dataFolder + "/RoutineRecovery.pdr"; }

IoResult writeRoutineRecovery(const std::string& path, const RoutineRecovery& r) {
  char out[kSize];
  std::memcpy(out, kMagic, sizeof kMagic);
  const std::int32_t when[6] = {r.written.date.year, r.written.date.month, r.written.date.day,
                                r.written.hour,      r.written.minute,     r.written.second};
  std::memcpy(out + sizeof kMagic, when, kWhen);
  std::memcpy(out + sizeof kMagic + kWhen, r.table, sizeof(RoutineSet));
  const std::uint64_t sum = checksum(out, kBody);
  std::memcpy(out + kBody, &sum, sizeof sum);
  return writeOwnFile(path, out, sizeof out);
}

IoResult readRoutineRecovery(const std::string& path, std::optional<RoutineRecovery>* out) {
  out->reset();
  std::optional<std::string> read;
  IoResult r = readRecoveryBytes(path, kSize, &read);
  if (!r.ok() || !read) return r;
  const std::string& bytes = *read;
  std::uint64_t sum = 0;
  if (bytes.size() != kSize || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 ||
      (std::memcpy(&sum, bytes.data() + kBody, sizeof sum), sum != checksum(bytes.data(), kBody)))
    return IoResult::failure(IoResult::Op::Open, path, kNotOurFormat);
  RoutineRecovery rec;
  std::int32_t when[6];
  std::memcpy(when, bytes.data() + sizeof kMagic, kWhen);
  rec.written = {{when[0], when[1], when[2]}, when[3], when[4], when[5]};
  std::memcpy(rec.table, bytes.data() + sizeof kMagic + kWhen, sizeof(RoutineSet));
  *out = rec;
  return r;
}

}  // namespace plandor
