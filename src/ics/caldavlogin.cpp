#include "caldavlogin.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <vector>

#include "caldav.h"

namespace plandor::ics {

std::optional<std::string> netrcPassword(std::string_view netrc, std::string_view host, std::string_view login,
                                         bool encrypted) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < netrc.size()) {
    while (i < netrc.size() && std::isspace(static_cast<unsigned char>(netrc[i]))) ++i;
    if (i >= netrc.size()) break;
    std::string token;
    if (netrc[i] == '"') {  // a quoted token, with \" and \\ inside
      for (++i; i < netrc.size() && netrc[i] != '"'; ++i) {
        if (netrc[i] == '\\' && i + 1 < netrc.size()) ++i;
        token += netrc[i];
      }
      ++i;
    } else {
      while (i < netrc.size() && !std::isspace(static_cast<unsigned char>(netrc[i]))) token += netrc[i++];
    }
    if (token == "macdef") {
      // A macro runs to the next empty line.
      const std::size_t end = netrc.find("\n\n", i);
      i = end == std::string_view::npos ? netrc.size() : end + 2;
      continue;
    }
    tokens.push_back(std::move(token));
  }
  // Entries: "machine NAME" or "default", then key/value pairs.
  std::optional<std::string> fromDefault;
  for (std::size_t t = 0; t < tokens.size();) {
    bool isDefault = tokens[t] == "default", matches = false;
    if (tokens[t] == "machine" && t + 1 < tokens.size()) {
      matches = tokens[t + 1] == host;
      t += 2;
    } else if (isDefault) {
      ++t;
    } else {
      ++t;  // a stray token
      continue;
    }
    std::optional<std::string> entryLogin, entryPassword;
    while (t < tokens.size() && tokens[t] != "machine" && tokens[t] != "default") {
      const std::string& key = tokens[t];
      const bool hasValue = t + 1 < tokens.size();
      if (key == "login" && hasValue) entryLogin = tokens[t + 1];
      else if (key == "password" && hasValue) entryPassword = tokens[t + 1];
      t += hasValue ? 2 : 1;
    }
    if (!entryPassword || entryLogin != login) continue;
    if (matches) return entryPassword;
    if (isDefault && encrypted && !fromDefault) fromDefault = entryPassword;
  }
  return fromDefault;
}

namespace {

// The terminal as it was before the prompt, put back if a signal ends the
// program while echo is off.
int promptFd = -1;
termios promptSaved{};

void restoreTerminalAndDie(int sig) {
  if (promptFd >= 0) ::tcsetattr(promptFd, TCSAFLUSH, &promptSaved);
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace

std::optional<std::string> askPassword(const std::string& prompt) {
  const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  if (::tcgetattr(fd, &promptSaved) != 0) {
    ::close(fd);
    return std::nullopt;
  }
  termios quiet = promptSaved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;
  promptFd = fd;
  const auto oldInt = ::signal(SIGINT, restoreTerminalAndDie);
  const auto oldTerm = ::signal(SIGTERM, restoreTerminalAndDie);
  const auto oldHup = ::signal(SIGHUP, restoreTerminalAndDie);
  ::tcsetattr(fd, TCSAFLUSH, &quiet);
  [[maybe_unused]] ssize_t w = ::write(fd, prompt.data(), prompt.size());
  std::string line;
  bool ended = false;
  char c;
  while (true) {
    if (::read(fd, &c, 1) != 1) break;
    if (c == '\n') {
      ended = true;
      break;
    }
    line += c;
  }
  ::tcsetattr(fd, TCSAFLUSH, &promptSaved);
  ::signal(SIGINT, oldInt);
  ::signal(SIGTERM, oldTerm);
  ::signal(SIGHUP, oldHup);
  promptFd = -1;
  ::close(fd);
  if (!ended && line.empty()) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

NetrcLookup readNetrc(const std::string& host, const std::string& login, bool encrypted) {
  NetrcLookup out;
  const char* home = std::getenv("HOME");
  if (!home || !*home) return out;
  const std::string path = std::string(home) + "/.netrc";
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return out;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return out;
  }
  if (st.st_mode & (S_IRGRP | S_IROTH | S_IWGRP | S_IWOTH)) {
    ::close(fd);
    out.refusal = path + " は他のユーザーも読めるので、パスワードを使いません。chmod 600 " + path +
                  " で自分だけが読めるようにしてください。何も送っていません。";
    return out;
  }
  std::string text;
  char buf[4096];
  for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0 && text.size() < (1u << 20);)
    text.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  out.password = netrcPassword(text, host, login, encrypted);
  volatile char* p = text.data();
  for (std::size_t i = 0; i < text.size(); ++i) p[i] = 0;
  return out;
}

}  // namespace plandor::ics
