#include "endsignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace plandor {
namespace {

int wakeFds[2] = {-1, -1};
std::function<void()>* keepWork = nullptr;

void onSignal(int sig) {
  const int saved = errno;
  const unsigned char b = static_cast<unsigned char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(wakeFds[1], &b, 1);
  errno = saved;
}

// A lost display ends the program through exit() from inside the event
// loop: the window is still whole then.
void atExit() {
  if (!keepWork) return;
  std::function<void()> keep = std::move(*keepWork);
  delete keepWork;
  keepWork = nullptr;
  keep();
}

}  // namespace

EndSignals::EndSignals(std::function<void()> keep, QObject* parent) : QObject(parent) {
  keepWork = new std::function<void()>(std::move(keep));
  static bool registered = false;
  if (!registered) registered = std::atexit(atExit) == 0;
  if (wakeFds[0] < 0 && ::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(wakeFds[0], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, &EndSignals::signalled);
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &sa, nullptr);
}

EndSignals::~EndSignals() {
  delete keepWork;
  keepWork = nullptr;
  for (int sig : {SIGTERM, SIGHUP, SIGINT}) std::signal(sig, SIG_DFL);
}

void EndSignals::signalled() {
  unsigned char sig = 0;
  if (::read(wakeFds[0], &sig, 1) != 1) return;
  if (keepWork) {
    std::function<void()> keep = std::move(*keepWork);
    delete keepWork;
    keepWork = nullptr;
    keep();
  }
  // Ended as the signal ends a program, so the one who sent it sees that.
  std::signal(sig, SIG_DFL);
  ::raise(sig);
}

}  // namespace plandor
