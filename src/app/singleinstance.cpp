#include "singleinstance.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>
#include <thread>

namespace plandor {
namespace {

using Clock = std::chrono::steady_clock;

// "raise\n", or "raise <reminder argument>\n".
constexpr char kRequest[] = "raise";
constexpr std::size_t kMaxRequest = 256;
constexpr char kAnswer[] = "ok\n";

struct Address {
  sockaddr_un un{};
  socklen_t length = 0;
};

// Abstract names start with a NUL and are as long as given, no terminator.
bool makeAddress(const std::string& name, Address* a) {
  a->un.sun_family = AF_UNIX;
  if (name.size() + 1 > sizeof a->un.sun_path) return false;
  std::memcpy(a->un.sun_path + 1, name.data(), name.size());
  a->length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return true;
}

int newSocket() { return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); }

// Abstract names are open to every user of the machine: deal with our own.
bool sameUser(int fd) {
  ucred c{};
  socklen_t n = sizeof c;
  return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &c, &n) == 0 && c.uid == getuid();
}

int msLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// A socket bound to the name, or -1 with errno set (EADDRINUSE: taken).
int boundSocket(const Address& a) {
  const int fd = newSocket();
  if (fd < 0) return -1;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&a.un), a.length) == 0) return fd;
  const int error = errno;
  close(fd);
  errno = error;
  return -1;
}

enum class Asked { Answered, TryAgain, Silent };

// Asks the holder of the name to come forward and waits for its answer.
Asked ask(const Address& a, const std::string& request, Clock::time_point deadline) {
  const int fd = newSocket();
  if (fd < 0) return Asked::TryAgain;
  // Refused: the holder has not started listening yet, or has just ended.
  if (connect(fd, reinterpret_cast<const sockaddr*>(&a.un), a.length) != 0) {
    close(fd);
    return Asked::TryAgain;
  }
  Asked result = Asked::Silent;
  // A request too long to be a reminder's is dropped: the copy still comes forward.
  std::string message = std::string(kRequest) + (request.empty() ? "" : " " + request) + "\n";
  if (message.size() > kMaxRequest) message = std::string(kRequest) + "\n";
  if (sameUser(fd) && send(fd, message.data(), message.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(message.size())) {
    pollfd p{fd, POLLIN, 0};
    while (poll(&p, 1, msLeft(deadline)) == 1) {
      char buf[8];
      const ssize_t n = recv(fd, buf, sizeof buf, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n >= 2 && std::memcmp(buf, kAnswer, 2) == 0) result = Asked::Answered;
      // Closed without an answer: the holder is ending; try for the name again.
      if (n == 0) result = Asked::TryAgain;
      break;
    }
  }
  close(fd);
  return result;
}

// A running copy's answer decides this copy's start; none yet decides nothing.
std::optional<SingleInstance::Claim> claimOf(Asked asked) {
  if (asked == Asked::Answered) return SingleInstance::Claim::Raised;
  if (asked == Asked::Silent) return SingleInstance::Claim::NoAnswer;
  return std::nullopt;
}

}  // namespace

SingleInstance::SingleInstance(const std::string& programFolder, QObject* parent)
    : QObject(parent), name_(socketName(programFolder)) {}

SingleInstance::~SingleInstance() {
  delete notifier_;
  if (fd_ >= 0) close(fd_);
}

std::string SingleInstance::socketName(const std::string& programFolder) {
  struct stat st {};
  if (stat(programFolder.empty() ? "/" : programFolder.c_str(), &st) != 0) return {};
  char name[64];
  std::snprintf(name, sizeof name, "plandor/%llx/%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return name;
}

SingleInstance::Claim SingleInstance::claim(bool ownsFolder, int waitMs) {
  Address a;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  if (ownsFolder) {
    // A folder that cannot be examined has no name to answer on.
    if (name_.empty() || !makeAddress(name_, &a)) return Claim::First;
    for (;;) {
      const int fd = boundSocket(a);
      if (fd >= 0) {
        answerOn(fd);
        return Claim::First;
      }
      // The lock is the rule: a name this copy cannot take costs only the
      // answer to later copies.
      if (errno != EADDRINUSE || msLeft(deadline) == 0) return Claim::First;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  if (name_.empty() || !makeAddress(name_, &a)) return Claim::NoAnswer;
  for (;;) {
    // Asked to try again: the holder is not listening yet, or is in another namespace.
    if (const auto c = claimOf(ask(a, request_, deadline))) return *c;
    if (msLeft(deadline) == 0) return Claim::NoAnswer;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

SingleInstance::Claim SingleInstance::claimWithoutLock(int waitMs) {
  Address a;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  if (name_.empty() || !makeAddress(name_, &a)) return Claim::First;
  for (;;) {
    const int fd = boundSocket(a);
    if (fd >= 0) answerOn(fd);
    if (fd >= 0 || errno != EADDRINUSE) return Claim::First;
    // Asked to try again: the holder is ending, and the name about to be free.
    if (const auto c = claimOf(ask(a, request_, deadline))) return *c;
    if (msLeft(deadline) == 0) return Claim::First;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

void SingleInstance::answerOn(int fd) {
  fd_ = fd;
  if (listen(fd, 16) == 0) {
    notifier_ = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read);
    connect(notifier_, &QSocketNotifier::activated, this, &SingleInstance::answerRequests);
  }
}

void SingleInstance::answerRequests() {
  for (;;) {
    const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) {
      if (errno == EINTR) continue;
      return;  // none left
    }
    bool raise = false;
    std::string got;
    if (sameUser(c)) {
      // The asking copy writes at once; never wait on it for long.
      const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(500);
      pollfd p{c, POLLIN, 0};
      while (got.find('\n') == std::string::npos && got.size() <= kMaxRequest && poll(&p, 1, msLeft(deadline)) == 1) {
        char buf[kMaxRequest + 1];
        const ssize_t n = recv(c, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
      }
      raise = got.compare(0, sizeof kRequest - 1, kRequest) == 0;
    }
    if (raise) {
      // What follows "raise " up to the line's end; an older copy sends nothing.
      const std::size_t end = got.find('\n');
      const std::string reminder =
          got.size() > sizeof kRequest && got[sizeof kRequest - 1] == ' ' && end != std::string::npos
              ? got.substr(sizeof kRequest, end - sizeof kRequest)
              : std::string();
      emit raiseRequested(QString::fromStdString(reminder));
      send(c, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL);
    }
    close(c);
  }
}

}  // namespace plandor
