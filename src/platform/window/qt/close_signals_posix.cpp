// SPDX-License-Identifier: Apache-2.0
// The signal handler only writes a byte into a pipe (write is safe in a
// signal handler); the pipe's reading end wakes the event loop, which then
// closes the window like any other event.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <csignal>

#include "platform/window/close_signals.h"

namespace platform {
namespace {

int signal_pipe[2] = {-1, -1};

extern "C" void OnCloseSignal(int) {
  const int saved_errno = errno;
  const char byte = 1;
  // A full pipe already holds a request; this one may go.
  [[maybe_unused]] const auto written = write(signal_pipe[1], &byte, 1);
  errno = saved_errno;
}

}  // namespace

void CloseOnSignals(std::function<void()> close) {
  if (pipe(signal_pipe) != 0) return;
  for (const int fd : signal_pipe) {
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }
  auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, qApp);
  QObject::connect(notifier, &QSocketNotifier::activated, [close = std::move(close)] {
    char bytes[64];
    while (read(signal_pipe[0], bytes, sizeof bytes) > 0) {
    }
    // A message box waits for its answer in an event loop of its own; it
    // goes first, so that the close is not held up behind it.
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    close();
  });
  struct sigaction action = {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int number : {SIGTERM, SIGHUP, SIGINT}) sigaction(number, &action, nullptr);
}

}  // namespace platform
