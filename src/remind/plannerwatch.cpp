#include "plannerwatch.h"

#include <QSocketNotifier>
#include <QTimer>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <sstream>

namespace plandor {

PlannerWatch::PlannerWatch(std::string folder, QObject* parent) : QObject(parent), folder_(std::move(folder)) {
  poll_ = new QTimer(this);
  connect(poll_, &QTimer::timeout, this, [this] {
    if (!running()) emit ended();
  });
}

PlannerWatch::~PlannerWatch() { stopWatching(); }

long PlannerWatch::holder(const std::string& locks, unsigned major, unsigned minor, unsigned long long inode) {
  std::istringstream in(locks);
  std::string line;
  while (std::getline(in, line)) {
    // "1: FLOCK  ADVISORY  WRITE 4711 08:01:1234 0 EOF"; "1: -> FLOCK …" waits.
    char kind[16], mode[16], access[16];
    long pid = 0;
    unsigned maj = 0, min = 0;
    unsigned long long ino = 0;
    const char* text = line.c_str();
    const char* colon = std::strchr(text, ':');
    if (!colon || line.find("->") != std::string::npos) continue;
    if (std::sscanf(colon + 1, " %15s %15s %15s %ld %x:%x:%llu", kind, mode, access, &pid, &maj, &min, &ino) != 7)
      continue;
    if (std::string(kind) == "FLOCK" && maj == major && min == minor && ino == inode) return pid > 0 ? pid : 0;
  }
  return -1;
}

bool PlannerWatch::running() {
  struct stat st {};
  if (::stat(folder_.c_str(), &st) != 0) return false;
  std::string locks;
  if (FILE* f = std::fopen("/proc/locks", "re")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) locks.append(buf, n);
    std::fclose(f);
  }
  const long pid = holder(locks, ::major(st.st_dev), ::minor(st.st_dev), st.st_ino);
  if (pid < 0) {
    stopWatching();
    return false;
  }
  if (pid == watched_ && (exit_ || poll_->isActive())) return true;
  stopWatching();
  watched_ = pid;
  if (pid > 0) pidfd_ = int(::syscall(SYS_pidfd_open, pid, 0));
  if (pidfd_ >= 0) {
    exit_ = new QSocketNotifier(pidfd_, QSocketNotifier::Read, this);
    connect(exit_, &QSocketNotifier::activated, this, [this] {
      stopWatching();
      emit ended();
    });
  } else {
    // A holder in another pid namespace: asked again now and then while it holds.
    poll_->start(kPollMs);
  }
  return true;
}

void PlannerWatch::stopWatching() {
  delete exit_;
  exit_ = nullptr;
  if (pidfd_ >= 0) ::close(pidfd_);
  pidfd_ = -1;
  watched_ = -1;
  poll_->stop();
}

}  // namespace plandor
