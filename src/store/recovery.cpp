#include "recovery.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "fnv1a.h"

namespace plandor {
namespace {

constexpr char kMagicFirst[8] = {'P', 'L', 'D', 'R', 'C', 'V', '0', '1'};
constexpr char kMagic[8] = {'P', 'L', 'D', 'R', 'C', 'V', '0', '2'};
constexpr std::size_t kMaxPath = 4096;
constexpr std::size_t kMaxText = 1024;  // a typed box's text, in bytes
// Whole file, at most: header, path, image, 24 typed pads with four texts.
constexpr std::size_t kMaxFile = 64 + 80 + kMaxPath + sizeof(DayFile) + 4 + kPadSlots * (64 + 4 * kMaxText) + 8;

// A torn or foreign file must not pass for unsaved work.
std::uint64_t checksum(const unsigned char* p, std::size_t n) {
  return fnv1a(std::string_view(reinterpret_cast<const char*>(p), n), kFnv1aShortBasis);
}

struct Writer {
  std::vector<unsigned char> out;
  void u8(unsigned v) { out.push_back(static_cast<unsigned char>(v)); }
  void u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) u8(v >> (8 * i) & 0xff);
  }
  void u64(std::uint64_t v) {
    u32(std::uint32_t(v));
    u32(std::uint32_t(v >> 32));
  }
  void bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const unsigned char*>(p);
    out.insert(out.end(), b, b + n);
  }
  void text(const std::string& s) {
    u32(std::uint32_t(s.size()));
    bytes(s.data(), s.size());
  }
};

// Every read is bounded: a short or hostile file fails, never reads past.
struct Reader {
  const unsigned char* p;
  std::size_t left;
  bool ok = true;
  const unsigned char* take(std::size_t n) {
    if (!ok || n > left) {
      ok = false;
      return nullptr;
    }
    const unsigned char* at = p;
    p += n;
    left -= n;
    return at;
  }
  std::uint32_t u32() {
    const unsigned char* b = take(4);
    return b ? std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24
             : 0;
  }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
  std::uint64_t u64() {
    const std::uint64_t lo = u32();
    return lo | std::uint64_t(u32()) << 32;
  }
  bool flag() {
    const unsigned char* b = take(1);
    if (b && *b > 1) ok = false;
    return b && *b == 1;
  }
  std::string text(std::size_t most) {
    const std::size_t n = u32();
    if (n > most) ok = false;
    const unsigned char* b = take(n);
    return b ? std::string(reinterpret_cast<const char*>(b), n) : std::string();
  }
};

void writeWhen(Writer& w, const LocalDateTime& t) {
  for (int v : {t.date.year, t.date.month, t.date.day, t.hour, t.minute, t.second}) w.u32(std::uint32_t(v));
}

LocalDateTime readWhen(Reader& r) {
  int v[6];
  for (int& x : v) x = r.i32();
  return {{v[0], v[1], v[2]}, v[3], v[4], v[5]};
}

}  // namespace

PadTable recoveredTable(const Recovery& r) {
  PadTable table;
  std::memcpy(table.Bars, r.image.Bars, sizeof table.Bars);
  std::memcpy(table.Pads, r.image.Pads, sizeof table.Pads);
  table.Diary = r.image.Diary;
  return table;
}

std::string recoveryPath(const std::string& dataFolder, const LocalDate& day, bool second) {
  char name[48];
  std::snprintf(name, sizeof name, "/Recovery-%04d-%02d-%02d%s.pdr", day.year, day.month, day.day, second ? "-2" : "");
  return dataFolder + name;
}

std::vector<std::string> legacyRecoveryPaths(const std::string& dataFolder) {
  return {dataFolder + "/Recovery.pdr", dataFolder + "/Recovery-2.pdr"};
}

bool isRecoveryFileName(const std::string& name) {
  return name.size() >= 12 && name.compare(0, 8, "Recovery") == 0 && name.compare(name.size() - 4, 4, ".pdr") == 0;
}

std::vector<std::string> recoveryFiles(const std::string& dataFolder) {
  std::vector<std::string> found;
  DIR* dir = ::opendir(dataFolder.c_str());
  if (!dir) return found;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (isRecoveryFileName(name)) found.push_back(dataFolder + "/" + name);
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

IoResult writeRecovery(const std::string& path, const Recovery& r) {
  Writer w;
  w.bytes(kMagic, sizeof kMagic);
  writeWhen(w, r.written);
  const FileStamp& s = r.began;
  w.u8(s.known);
  w.u8(s.present);
  for (std::uint64_t v : {s.device, s.inode, std::uint64_t(s.size), std::uint64_t(s.mtimeSec),
                          std::uint64_t(s.mtimeNsec), s.digest, std::uint64_t(s.length)})
    w.u64(v);
  w.text(r.dayName.substr(0, kMaxPath));
  w.bytes(&r.image, sizeof r.image);
  w.u32(std::uint32_t(std::min<std::size_t>(r.typed.size(), kPadSlots)));
  for (std::size_t i = 0; i < r.typed.size() && i < kPadSlots; ++i) {
    const TypedPad& t = r.typed[i];
    for (int v : {t.slot, t.left, t.top, int(t.color), t.startMinute, t.endMinute}) w.u32(std::uint32_t(v));
    for (bool b : {t.fresh, t.completed, t.startPM, t.endPM}) w.u8(b);
    for (const std::string* text : {&t.keyword, &t.content, &t.startHour, &t.endHour})
      w.text(text->substr(0, kMaxText));
  }
  w.u64(checksum(w.out.data(), w.out.size()));
  std::vector<unsigned char>& out = w.out;
  return writeOwnFile(path, out.data(), out.size());
}

bool parseRecovery(const unsigned char* data, std::size_t size, Recovery* out) {
  if (size < sizeof kMagic + 8) return false;
  const std::size_t body = size - 8;
  Reader sum{data + body, 8};
  if (sum.u64() != checksum(data, body)) return false;
  Reader r{data, body};
  const unsigned char* magic = r.take(sizeof kMagic);
  const bool first = std::memcmp(magic, kMagicFirst, sizeof kMagic) == 0;
  if (!first && std::memcmp(magic, kMagic, sizeof kMagic) != 0) return false;
  Recovery rec;
  rec.written = readWhen(r);
  if (!first) {
    FileStamp& s = rec.began;
    s.known = r.flag();
    s.present = r.flag();
    s.device = r.u64();
    s.inode = r.u64();
    s.size = std::int64_t(r.u64());
    s.mtimeSec = std::int64_t(r.u64());
    s.mtimeNsec = std::int64_t(r.u64());
    s.digest = r.u64();
    s.length = std::size_t(r.u64());
  }
  rec.dayName = r.text(kMaxPath);
  if (rec.dayName.empty()) return false;
  if (const unsigned char* image = r.take(sizeof rec.image)) std::memcpy(&rec.image, image, sizeof rec.image);
  if (!first) {
    const std::uint32_t count = r.u32();
    if (count > kPadSlots) return false;
    for (std::uint32_t i = 0; i < count && r.ok; ++i) {
      TypedPad t;
      int color = 0;
      for (int* v : {&t.slot, &t.left, &t.top, &color, &t.startMinute, &t.endMinute}) *v = r.i32();
      t.color = color;
      for (bool* b : {&t.fresh, &t.completed, &t.startPM, &t.endPM}) *b = r.flag();
      for (std::string* text : {&t.keyword, &t.content, &t.startHour, &t.endHour}) *text = r.text(kMaxText);
      if (t.slot < 0 || t.slot >= kPadSlots) return false;
      rec.typed.push_back(std::move(t));
    }
  }
  // Nothing may follow: a file with more is not one we wrote.
  if (!r.ok || r.left != 0) return false;
  *out = std::move(rec);
  return true;
}

IoResult readRecoveryBytes(const std::string& path, std::size_t limit, std::optional<std::string>* bytes) {
  bytes->reset();
  // Nothing at the name itself: a dangling link there is told, not taken
  // for no recovery.
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) return IoResult::success();
  std::string read;
  IoResult r = readOwnFile(path, &read, limit);
  if (r.error == EFBIG) return IoResult::failure(IoResult::Op::Open, path, kNotOurFormat);
  if (r.ok()) *bytes = std::move(read);
  return r;
}

IoResult readRecovery(const std::string& path, std::optional<Recovery>* out) {
  out->reset();
  std::optional<std::string> bytes;
  IoResult r = readRecoveryBytes(path, kMaxFile, &bytes);
  if (!r.ok() || !bytes) return r;
  Recovery rec;
  if (!parseRecovery(reinterpret_cast<const unsigned char*>(bytes->data()), bytes->size(), &rec))
    return IoResult::failure(IoResult::Op::Open, path, kNotOurFormat);
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
