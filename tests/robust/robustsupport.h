#pragma once
// Shared by the robustness tests: checks that report and count, a scratch
// folder, whole-file helpers and two distinct versions of every file the
// program writes, each built on zeroed records so that its bytes are exact.
#include <cctype>
#include <cstddef>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <initializer_list>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "daymodel.h"
#include "listfile.h"
#include "routinefile.h"
#include "timeaxis.h"

namespace robust {

// ctest's SKIP_RETURN_CODE.
constexpr int kSkip = 77;

inline int& failures() {
  static int n = 0;
  return n;
}

#define CHECK(cond)                                                                      \
  do {                                                                                   \
    if (!(cond)) {                                                                       \
      std::fprintf(stderr, "%s:%d: FAIL: %s\n", __FILE__, __LINE__, #cond);              \
      ++robust::failures();                                                              \
    }                                                                                    \
  } while (0)

#define CHECK_MSG(cond, ...)                                                             \
  do {                                                                                   \
    if (!(cond)) {                                                                       \
      std::fprintf(stderr, "%s:%d: FAIL: %s: ", __FILE__, __LINE__, #cond);              \
      std::fprintf(stderr, __VA_ARGS__);                                                 \
      std::fputc('\n', stderr);                                                          \
      ++robust::failures();                                                              \
    }                                                                                    \
  } while (0)

// A fresh folder under $TMPDIR (or /tmp); the real disk, so that syncs and
// renames behave as they do for the user.
inline std::string makeScratch(const char* what) {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/plandor-" + what + ".XXXXXX";
  if (!::mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return tmpl;
}

inline void removeTree(const std::string& path) {
  const std::string cmd = "rm -rf '" + path + "'";
  if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path.c_str());
}

// Runs the case named on the command line; anything else gets a usage line.
struct NamedCase {
  const char* name;
  int (*run)();
};
inline int runNamedCase(int argc, char** argv, const char* program, std::initializer_list<NamedCase> cases) {
  const std::string name = argc == 2 ? argv[1] : "";
  std::string names;
  for (const NamedCase& c : cases) {
    if (name == c.name) return c.run();
    names += (names.empty() ? "" : "|") + std::string(c.name);
  }
  std::fprintf(stderr, "usage: %s %s\n", program, names.c_str());
  return 2;
}

// A test's exit status: on success the scratch folder goes, on failure it
// stays for a look.
inline int finish(const std::string& scratch) {
  if (failures()) {
    std::fprintf(stderr, "%d failure(s); files kept in %s\n", failures(), scratch.c_str());
    return 1;
  }
  removeTree(scratch);
  std::printf("PASS\n");
  return 0;
}

inline std::string readFile(const std::string& path) {
  std::string out;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return out;
  char buf[8192];
  ssize_t r;
  while ((r = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(r));
  ::close(fd);
  return out;
}

inline bool exists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// Plain replacement, for setting up a state; not what the program does.
inline void putFile(const std::string& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
    std::perror(path.c_str());
    std::exit(1);
  }
  ::close(fd);
}

inline std::vector<std::string> listFolder(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(path.c_str())) {
    while (dirent* e = ::readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
  }
  return names;
}

inline bool endsWithNoCase(const std::string& s, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  if (s.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != suffix[i]) return false;
  return true;
}

// What the save leaves while it runs: ".<name>.plandor-save-" and twelve hex digits beside the file.
inline bool isTempOf(const std::string& entry, const std::string& fileName) {
  const std::string prefix = "." + fileName + ".plandor-save-";
  return entry.size() == prefix.size() + 12 && entry.compare(0, prefix.size(), prefix) == 0;
}

// Two versions of a full day: 24 pads with memos and a diary, every byte set.
inline plandor::PadTable dayVersion(char v) {
  using namespace plandor;
  PadTable t;
  std::memset(&t, 0, sizeof t);
  for (int i = 0; i < kPadSlots; ++i) {
    PadRecord& p = t.Pads[i];
    BarRecord& b = t.Bars[i];
    const int startY = i * 110 + (v == 'A' ? 0 : 20);
    const PadTime s = YToTime(startY), e = YToTime(startY + 90);
    p.PadNo = i + 1;
    p.Left = i % 2 ? 351 : 4;
    p.Top = startY + 1;
    p.Keyword.setText(std::string(v == 'A' ? "予定" : "会議") + std::to_string(i + 1));
    p.Content.setText(std::string(60, v) + "表");
    p.Completed = v == 'B';
    p.Color = v == 'A' ? 0x0000FF : 0xFF0000;
    p.StartHour = s.hour, p.StartMinute = s.minute, p.StartPM = s.pm;
    p.EndHour = e.hour, p.EndMinute = e.minute, p.EndPM = e.pm;
    p.Memo.setText(std::string(250, v) + "メモ");
    b.Side.setText(p.Left > 300 ? "R" : "L");
    b.TopY = TimeToY(p.StartHour, p.StartMinute, p.StartPM);
    b.BottomY = TimeToY(p.EndHour, p.EndMinute, p.EndPM);
    b.Color = p.Color;
  }
  t.Diary.Title1.setText(v == 'A' ? "今日の反省" : "日記");
  t.Diary.Content1.setText(std::string(255, v));
  t.Diary.Title2.setText("明日に向けて一言");
  t.Diary.Content2.setText(std::string(200, v));
  return t;
}

inline void routineVersion(char v, plandor::RoutineSet& set) {
  using namespace plandor;
  std::memset(set, 0, sizeof(RoutineSet));
  for (auto& r : set) ClearRoutine(r);
  const int n = v == 'A' ? 3 : 8;
  for (int i = 0; i < n; ++i) {
    RoutineRecord& r = set[i];
    r.RoutineNo = i + 1;
    r.Left = 4;
    r.Top = 241 + i * 60;
    r.Keyword.setText(std::string("散歩") + v);
    r.Content.setText(std::string(63, v));
    r.Color = 0x00FF00;
    r.StartHour = 8, r.StartMinute = i, r.EndHour = 9, r.EndMinute = i;
    r.Memo.setText(std::string(255, v));
    r.Show = 1;
    r.DOW[i % 7] = 1;
  }
}

inline plandor::ListEntries listVersion(char v) {
  using namespace plandor;
  ListEntries e;
  std::memset(&e, 0, sizeof e);
  const int n = v == 'A' ? 5 : 24;
  for (int i = 0; i < n; ++i) {
    e.KeywordEntries[i].setText(std::string(30, v));
    e.ContentEntries[i].setText(std::string(62, v) + std::to_string(i % 10));
  }
  for (int i = 0; i < 12; ++i) {
    e.Title1Entries[i].setText(std::string("タイトル") + v);
    e.Title2Entries[i].setText(std::string(31, v));
  }
  return e;
}


// The three stores of a program folder, each saving a version of the test
// data (dayVersion, routineVersion, listVersion).
struct FolderStores {
  std::string folder;
  plandor::DayModel day;
  plandor::RoutineStore routines;
  plandor::ListStore lists;

  explicit FolderStores(std::string f) : folder(std::move(f)) { day.openEmpty(dayPath()); }
  std::string dayPath() const { return folder + "/Y200601/Y2006011.sdf"; }
  plandor::IoResult saveDay(char v) {
    day.restore(dayVersion(v));
    bool headerSet;
    return day.save({2006, 1, 1}, &headerSet);
  }
  plandor::IoResult saveRoutines(char v) {
    routineVersion(v, routines.RoutineTable);
    return routines.WriteRoutineFile();
  }
  plandor::IoResult saveList(char v) {
    lists.entries = listVersion(v);
    return lists.WriteListFile();
  }
};
template <typename T>
std::string bytesOf(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A day file without its header: the pad table and diary it holds.
inline std::string dayDataPart(const std::string& dayFile) {
  constexpr std::size_t kHeader = offsetof(plandor::DayFile, Bars);
  return dayFile.size() > kHeader ? dayFile.substr(kHeader) : std::string();
}

}  // namespace robust
