#include "ui/signal_close.hpp"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tessary::ui {

namespace {

int gSignalFds[2] = {-1, -1};
volatile std::sig_atomic_t gTerminationRequested = 0;
struct sigaction gOldInt {};
struct sigaction gOldTerm {};

extern "C" void OnTerminatingSignal(int) {
  const int saved = errno;
  gTerminationRequested = 1;
  const char byte = 1;
  [[maybe_unused]] const auto written = ::write(gSignalFds[0], &byte, 1);
  errno = saved;
}

} // namespace

bool TerminationRequested() { return gTerminationRequested != 0; }

SignalCloser::SignalCloser(QWidget *window) : window_(window) {
  if (gSignalFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalFds) != 0)
    return;
  for (const int fd : gSignalFds)
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
  notifier_ = std::make_unique<QSocketNotifier>(gSignalFds[1], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, this,
                   &SignalCloser::drainAndClose);
  struct sigaction action {};
  action.sa_handler = OnTerminatingSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, &gOldInt);
  ::sigaction(SIGTERM, &action, &gOldTerm);
}

SignalCloser::~SignalCloser() {
  if (!notifier_)
    return;
  ::sigaction(SIGINT, &gOldInt, nullptr);
  ::sigaction(SIGTERM, &gOldTerm, nullptr);
  notifier_.reset();
  gTerminationRequested = 0;
  for (int &fd : gSignalFds) {
    ::close(fd);
    fd = -1;
  }
}

void SignalCloser::drainAndClose() {
  char buffer[16];
  while (::read(gSignalFds[1], buffer, sizeof buffer) > 0) {
  }
  if (window_)
    window_->close();
}

} // namespace tessary::ui
