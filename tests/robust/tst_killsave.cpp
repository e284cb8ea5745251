// A save killed at any moment leaves the day file, the routine file and the
// list file each either as it was or as the save meant it to be, byte for
// byte: never shorter, never mixed. A child process loads the three files
// as the program does at start-up and saves new versions of all of them;
// it is killed with SIGKILL first at each named step of each save, then at
// random moments while it saves over and over.
//   tst_killsave [RANDOM_KILLS]
#include <chrono>
#include <csignal>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <thread>

#include "robustsupport.h"

using namespace plandor;
using namespace robust;

namespace {

struct Paths {
  std::string folder, month, day, routines, list;
};

// The bytes of each file in its two versions.
struct Expected {
  std::string day[2], routines[2], list[2];
};

// Built once before any fork; a child only copies them.
PadTable g_day[2];
RoutineSet g_routines[2];
ListEntries g_list[2];

int g_notifyFd = -1;
int g_stopAt = -1;
int g_steps = 0;

// In the child: tell the parent each step reached; at the chosen one, wait
// there to be killed.
void onStep(const char* step) {
  const char c = step[0];
  if (::write(g_notifyFd, &c, 1) != 1) {}
  if (g_steps++ == g_stopAt)
    for (;;) ::pause();
}

[[noreturn]] void childSaves(const Paths& p, int notifyFd, int stopAt, bool forever) {
  g_notifyFd = notifyFd;
  g_stopAt = stopAt;
  setSaveStepHook(onStep);
  DayModel day;
  RoutineStore routines;
  ListStore lists;
  if (!day.open(p.day).ok() || !routines.LoadRoutineFile(p.folder).ok() || !lists.LoadListEntries(p.folder).ok())
    ::_exit(3);
  int v = 1;
  do {
    bool headerSet = false;
    day.restore(g_day[v]);
    if (!day.save({2006, 1, 1}, &headerSet).ok() || headerSet) ::_exit(4);
    std::memcpy(routines.RoutineTable, g_routines[v], sizeof(RoutineSet));
    if (!routines.WriteRoutineFile().ok()) ::_exit(5);
    lists.entries = g_list[v];
    if (!lists.WriteListFile().ok()) ::_exit(6);
    v = 1 - v;
  } while (forever);
  ::_exit(0);
}

pid_t startChild(const Paths& p, int stopAt, bool forever, int* readFd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("pipe");
    std::exit(1);
  }
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    std::perror("fork");
    std::exit(1);
  }
  if (pid == 0) {
    ::close(fds[0]);
    childSaves(p, fds[1], stopAt, forever);
  }
  ::close(fds[1]);
  *readFd = fds[0];
  return pid;
}

// Kills and reaps the child; true when SIGKILL is what ended it.
bool killChild(pid_t pid) {
  ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
  if (WIFEXITED(status)) std::fprintf(stderr, "child ended by itself with status %d\n", WEXITSTATUS(status));
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Reads up to `want` step bytes, waiting at most `ms` for each.
std::string readSteps(int fd, std::size_t want, int ms) {
  std::string got;
  while (got.size() < want) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, ms) <= 0) break;
    char buf[64];
    const ssize_t n = ::read(fd, buf, std::min(sizeof buf, want - got.size()));
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

std::string drain(int fd) {
  std::string got;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) got.append(buf, static_cast<std::size_t>(n));
  return got;
}

// 0 or 1 for a file equal to one of its versions, -1 otherwise.
int versionOf(const std::string& bytes, const std::string (&versions)[2]) {
  if (bytes == versions[0]) return 0;
  if (bytes == versions[1]) return 1;
  return -1;
}

struct Temps {
  int count = 0;
  std::vector<std::string> strays;  // anything that is neither a data file nor a save's temporary file
};

// The temporaries a save may leave, and anything else that must not be there.
Temps scanTemps(const Paths& p) {
  Temps t;
  for (const std::string& n : listFolder(p.month)) {
    if (n == "Y2006011.sdf") continue;
    if (isTempOf(n, "Y2006011.sdf") && !endsWithNoCase(n, ".sdf")) ++t.count;
    else t.strays.push_back("Y200601/" + n);
  }
  for (const std::string& n : listFolder(p.folder)) {
    if (n == "Y200601" || n == "Routines.rdf" || n == "LEntries.lef") continue;
    if (isTempOf(n, "Routines.rdf") || isTempOf(n, "LEntries.lef")) ++t.count;
    else t.strays.push_back(n);
  }
  return t;
}

void removeTemps(const Paths& p) {
  for (const std::string& n : listFolder(p.month))
    if (n[0] == '.') ::unlink((p.month + "/" + n).c_str());
  for (const std::string& n : listFolder(p.folder))
    if (n[0] == '.') ::unlink((p.folder + "/" + n).c_str());
}

void putVersion(const Paths& p, const Expected& e, int v) {
  putFile(p.day, e.day[v]);
  putFile(p.routines, e.routines[v]);
  putFile(p.list, e.list[v]);
}

// Kill at each named step of each of the three saves. The saves run in the
// order day, routines, list, each through "written", "synced", "renamed".
void killAtEachStep(const Paths& p, const Expected& e) {
  const std::string* files[3] = {&p.day, &p.routines, &p.list};
  const std::string(*versions[3])[2] = {&e.day, &e.routines, &e.list};
  const char* names[3] = {"Y2006011.sdf", "Routines.rdf", "LEntries.lef"};
  const char steps[3] = {'w', 's', 'r'};
  for (int k = 0; k < 9; ++k) {
    const int file = k / 3, step = k % 3;
    putVersion(p, e, 0);
    removeTemps(p);
    int fd;
    const pid_t pid = startChild(p, k, false, &fd);
    const std::string got = readSteps(fd, static_cast<std::size_t>(k + 1), 10000);
    CHECK_MSG(got.size() == static_cast<std::size_t>(k + 1) && got.back() == steps[step],
              "stop %d: steps seen \"%s\"", k, got.c_str());
    // Checked twice: while the save waits at the step, and after the kill.
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1) CHECK_MSG(killChild(pid), "stop %d", k);
      for (int j = 0; j < 3; ++j) {
        const int want = j < file ? 1 : j > file ? 0 : step == 2 ? 1 : 0;
        const int have = versionOf(readFile(*files[j]), *versions[j]);
        CHECK_MSG(have == want, "%s after a kill at step %c of save %d: version %d, expected %d", names[j],
                  steps[step], file, have, want);
      }
      // Before the rename the new bytes are complete in the temporary file.
      const std::string folder = file == 0 ? p.month : p.folder;
      int temps = 0;
      for (const std::string& n : listFolder(folder))
        if (isTempOf(n, names[file])) {
          ++temps;
          CHECK_MSG(readFile(folder + "/" + n) == (*versions[file])[1], "temporary %s incomplete", n.c_str());
        }
      CHECK_MSG(temps == (step == 2 ? 0 : 1), "%d temporary files at step %c of save %d", temps, steps[step], file);
      CHECK(scanTemps(p).strays.empty());
    }
    ::close(fd);
  }
  removeTemps(p);
}

// Kill at random moments while the child saves both versions in turn.
void killAtRandom(const Paths& p, const Expected& e, int kills) {
  // One round of three saves, timed here, sets the range of the delays.
  auto t0 = std::chrono::steady_clock::now();
  {
    DayModel day;
    RoutineStore routines;
    ListStore lists;
    day.openEmpty(p.day);
    bool headerSet;
    CHECK(day.open(p.day).ok() && routines.LoadRoutineFile(p.folder).ok() && lists.LoadListEntries(p.folder).ok());
    for (int v = 0; v < 2; ++v) {
      day.restore(g_day[v]);
      CHECK(day.save({2006, 1, 1}, &headerSet).ok());
      std::memcpy(routines.RoutineTable, g_routines[v], sizeof(RoutineSet));
      CHECK(routines.WriteRoutineFile().ok());
      lists.entries = g_list[v];
      CHECK(lists.WriteListFile().ok());
    }
  }
  const auto round = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - t0) / 2;
  const long maxDelay = std::max<long>(2000, 4 * static_cast<long>(round.count()));
  const unsigned seed = 20060101;
  std::mt19937 random(seed);
  std::uniform_int_distribution<long> delay(0, maxDelay);
  std::printf("random kills: %d, delays 0..%ld us (one round of three saves: %ld us), seed %u\n", kills, maxDelay,
              static_cast<long>(round.count()), seed);

  int seen[2][3] = {};
  int beforeFirstStep = 0, tempsLeft = 0, killsLeavingTemps = 0;
  for (int i = 0; i < kills && failures() == 0; ++i) {
    int fd;
    const pid_t pid = startChild(p, -1, true, &fd);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    CHECK_MSG(killChild(pid), "kill %d", i);
    const std::string steps = drain(fd);
    ::close(fd);
    if (steps.empty()) ++beforeFirstStep;

    const int d = versionOf(readFile(p.day), e.day);
    const int r = versionOf(readFile(p.routines), e.routines);
    const int l = versionOf(readFile(p.list), e.list);
    CHECK_MSG(d >= 0 && r >= 0 && l >= 0, "kill %d after %zu steps: day %d, routines %d, list %d", i, steps.size(), d,
              r, l);
    if (d >= 0) ++seen[d][0];
    if (r >= 0) ++seen[r][1];
    if (l >= 0) ++seen[l][2];
    const Temps t = scanTemps(p);
    for (const std::string& s : t.strays) CHECK_MSG(false, "unexpected file %s", s.c_str());
    if (t.count > tempsLeft) ++killsLeavingTemps;
    tempsLeft = t.count;
  }
  std::printf("files found as old/new version: day %d/%d, routines %d/%d, list %d/%d\n", seen[0][0], seen[1][0],
              seen[0][1], seen[1][1], seen[0][2], seen[1][2]);
  std::printf("kills before the first save step: %d; kills that left a temporary file: %d\n", beforeFirstStep,
              killsLeavingTemps);
  std::printf("stale temporary files after %d kills: %d (names .<file>.plandor-save-<12 hex digits>, never *.sdf)\n", kills, tempsLeft);

  // Stale temporaries do not disturb a later start and save.
  DayModel day;
  RoutineStore routines;
  ListStore lists;
  day.openEmpty(p.day);
  bool headerSet;
  CHECK(day.open(p.day).ok() && routines.LoadRoutineFile(p.folder).ok() && lists.LoadListEntries(p.folder).ok());
  day.restore(g_day[0]);
  CHECK(day.save({2006, 1, 1}, &headerSet).ok());
  CHECK(readFile(p.day) == e.day[0]);
  CHECK(scanTemps(p).count == tempsLeft);
}

}  // namespace

int main(int argc, char** argv) {
  const int kills = argc > 1 ? std::atoi(argv[1]) : 200;
  ::alarm(240);  // a hung child or parent ends the test instead of the run
  for (int v = 0; v < 2; ++v) {
    g_day[v] = dayVersion(v == 0 ? 'A' : 'B');
    routineVersion(v == 0 ? 'A' : 'B', g_routines[v]);
    g_list[v] = listVersion(v == 0 ? 'A' : 'B');
  }

  Paths p;
  p.folder = makeScratch("killsave");
  p.month = p.folder + "/Y200601";
  p.day = p.month + "/Y2006011.sdf";
  p.routines = p.folder + "/Routines.rdf";
  p.list = p.folder + "/LEntries.lef";
  CHECK(createFolder(p.month).ok());

  // Both versions of each file as the program's own saves write them.
  Expected e;
  {
    DayModel day;
    RoutineStore routines;
    ListStore lists;
    day.openEmpty(p.day);
    CHECK(routines.LoadRoutineFile(p.folder).ok());
    CHECK(lists.LoadListEntries(p.folder).ok());
    bool headerSet;
    for (int v : {0, 1}) {
      day.restore(g_day[v]);
      CHECK(day.save({2006, 1, 1}, &headerSet).ok());
      e.day[v] = readFile(p.day);
      std::memcpy(routines.RoutineTable, g_routines[v], sizeof(RoutineSet));
      CHECK(routines.WriteRoutineFile().ok());
      e.routines[v] = readFile(p.routines);
      lists.entries = g_list[v];
      CHECK(lists.WriteListFile().ok());
      e.list[v] = readFile(p.list);
    }
    CHECK(e.day[0].size() == kDayFileSize && e.day[1].size() == kDayFileSize && e.day[0] != e.day[1]);
    CHECK(e.routines[0].size() == kRoutineFileSize && e.routines[0] != e.routines[1]);
    CHECK(e.list[0].size() == kListFileSize && e.list[0] != e.list[1]);
    CHECK(e.day[0].compare(0, 264, e.day[1], 0, 264) == 0);  // one header for both
  }
  if (failures() == 0) killAtEachStep(p, e);
  if (failures() == 0) killAtRandom(p, e, kills);

  return finish(p.folder);
}
