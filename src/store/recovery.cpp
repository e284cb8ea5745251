#include "recovery.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plandor {
namespace {

constexpr char kMagic[8] = {'P', 'L', 'D', 'R', 'C', 'V', '0', '1'};
constexpr std::size_t kMaxPath = 4096;

// FNV-1a: a torn or foreign file must not pass for unsaved work.
std::uint64_t checksum(const unsigned char* p, std::size_t n) {
  std::uint64_t h = 1469598103934665603ull;
  for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
  return h;
}

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

std::uint32_t get32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

}  // namespace

std::string recoveryPath(const std::string& dataFolder, int which) {
  return dataFolder + (which == 0 ? "/Recovery.pdr" : "/Recovery-2.pdr");
}

IoResult writeRecovery(const std::string& path, const Recovery& r) {
  std::vector<unsigned char> out(kMagic, kMagic + sizeof kMagic);
  const LocalDateTime& w = r.written;
  for (int v : {w.date.year, w.date.month, w.date.day, w.hour, w.minute, w.second}) put32(out, std::uint32_t(v));
  put32(out, std::uint32_t(r.dayPath.size()));
  out.insert(out.end(), r.dayPath.begin(), r.dayPath.end());
  const auto* image = reinterpret_cast<const unsigned char*>(&r.image);
  out.insert(out.end(), image, image + sizeof r.image);
  const std::uint64_t sum = checksum(out.data(), out.size());
  put32(out, std::uint32_t(sum));
  put32(out, std::uint32_t(sum >> 32));
  return writeOwnFile(path, out.data(), out.size());
}

IoResult readRecovery(const std::string& path, std::optional<Recovery>* out) {
  out->reset();
  if (fileMissing(path)) return IoResult::success();
  const std::size_t fixed = sizeof kMagic + 7 * 4 + sizeof(DayFile) + 8;
  std::vector<unsigned char> buf(fixed + kMaxPath + 1);
  std::size_t got = 0;
  IoResult r = readFileStart(path, buf.data(), buf.size(), &got, false);
  if (!r.ok()) return r;
  const auto bad = [&] { return IoResult::failure(IoResult::Op::Open, path, kNotOurFormat); };
  if (got < fixed || std::memcmp(buf.data(), kMagic, sizeof kMagic) != 0) return bad();
  const unsigned char* p = buf.data() + sizeof kMagic;
  Recovery rec;
  int v[6];
  for (int& x : v) x = static_cast<std::int32_t>(get32(p)), p += 4;
  rec.written = {{v[0], v[1], v[2]}, v[3], v[4], v[5]};
  const std::size_t pathLength = get32(p);
  p += 4;
  if (pathLength == 0 || pathLength > kMaxPath || got != fixed + pathLength) return bad();
  const std::size_t body = got - 8;
  const std::uint64_t sum = std::uint64_t(get32(buf.data() + body)) | std::uint64_t(get32(buf.data() + body + 4)) << 32;
  if (sum != checksum(buf.data(), body)) return bad();
  rec.dayPath.assign(reinterpret_cast<const char*>(p), pathLength);
  p += pathLength;
  std::memcpy(&rec.image, p, sizeof rec.image);
  *out = std::move(rec);
  return r;
}

IoResult removeRecovery(const std::string& path) {
  // Only a file the program wrote: a link or FIFO put there is left alone.
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return IoResult::success();
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return IoResult::success();
  return IoResult::failure(IoResult::Op::Write, path, errno);
}

}  // namespace plandor
