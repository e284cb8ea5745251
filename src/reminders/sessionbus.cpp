#include "sessionbus.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace plandor {
namespace {

// An address no transport takes: libdbus fails it at once and never autolaunches.
constexpr char kNoBus[] = "disabled:";

long long msNow() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1000LL + ts.tv_nsec / 1000000;
}

std::string unescaped(const std::string& v) {
  std::string out;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '%' && i + 2 < v.size()) {
      char hex[3] = {v[i + 1], v[i + 2], 0};
      out += char(std::strtol(hex, nullptr, 16));
      i += 2;
    } else {
      out += v[i];
    }
  }
  return out;
}

// -1: not a transport probed here; 0: no answer; 1: answered.
int probe(const std::string& address, int timeoutMs) {
  if (address.rfind("unix:", 0) != 0) return -1;
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  socklen_t len = 0;
  std::size_t at = 5;
  bool found = false;
  while (at < address.size() && !found) {
    std::size_t end = address.find(',', at);
    if (end == std::string::npos) end = address.size();
    const std::string kv = address.substr(at, end - at);
    at = end + 1;
    const bool path = kv.rfind("path=", 0) == 0, abstract = kv.rfind("abstract=", 0) == 0;
    if (!path && !abstract) continue;
    const std::string name = unescaped(kv.substr(path ? 5 : 9));
    if (name.size() + 1 >= sizeof sa.sun_path) return 0;
    if (path) {
      std::memcpy(sa.sun_path, name.data(), name.size());
      len = socklen_t(offsetof(sockaddr_un, sun_path) + name.size() + 1);
    } else {
      std::memcpy(sa.sun_path + 1, name.data(), name.size());
      len = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + name.size());
    }
    found = true;
  }
  if (!found) return -1;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return 0;
  const long long deadline = msNow() + timeoutMs;
  int answered = 0;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&sa), len) == 0 || errno == EINPROGRESS || errno == EAGAIN) {
    char hello[64];
    const int n = std::snprintf(hello, sizeof hello, "%cAUTH EXTERNAL ", '\0');
    std::string msg(hello, std::size_t(n));
    char uid[16];
    std::snprintf(uid, sizeof uid, "%u", unsigned(::getuid()));
    for (const char* c = uid; *c; ++c) {
      char h[3];
      std::snprintf(h, sizeof h, "%02x", unsigned(static_cast<unsigned char>(*c)));
      msg += h;
    }
    msg += "\r\n";
    std::size_t sent = 0;
    std::string got;
    while (answered == 0) {
      const long long left = deadline - msNow();
      if (left <= 0) break;
      pollfd p{fd, short(sent < msg.size() ? POLLOUT : POLLIN), 0};
      if (::poll(&p, 1, int(left)) <= 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (p.revents & (POLLERR | POLLHUP | POLLNVAL) && !(p.revents & POLLIN)) break;
      if (sent < msg.size()) {
        const ssize_t w = ::send(fd, msg.data() + sent, msg.size() - sent, MSG_NOSIGNAL);
        if (w < 0 && errno != EAGAIN && errno != EINTR) break;
        if (w > 0) sent += std::size_t(w);
        continue;
      }
      char buf[256];
      const ssize_t r = ::recv(fd, buf, sizeof buf, 0);
      if (r <= 0) {
        if (r < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        break;
      }
      got.append(buf, std::size_t(r));
      // Any line back (OK or REJECTED) is a bus that answers.
      if (got.find("\r\n") != std::string::npos) answered = 1;
    }
  }
  ::close(fd);
  return answered;
}

}  // namespace

SessionBus settleSessionBus(int timeoutMs) {
  const char* env = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!env || !*env) {
    ::setenv("DBUS_SESSION_BUS_ADDRESS", kNoBus, 1);
    return SessionBus::Absent;
  }
  const std::string all = env;
  bool unknown = false;
  std::size_t at = 0;
  while (at <= all.size()) {
    std::size_t end = all.find(';', at);
    if (end == std::string::npos) end = all.size();
    const int r = probe(all.substr(at, end - at), timeoutMs);
    if (r == 1) return SessionBus::Usable;
    if (r < 0 && end > at) unknown = true;
    at = end + 1;
  }
  // A transport not probed here (tcp, launchd…) is left to libdbus.
  if (unknown) return SessionBus::Usable;
  ::setenv("DBUS_SESSION_BUS_ADDRESS", kNoBus, 1);
  return SessionBus::Unanswered;
}

}  // namespace plandor
