// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/ui/close_on_signal.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <utility>

namespace tivolen::manager {
namespace {

// Written by the handler, read by the event loop: the only things a signal
// handler may safely do are async-signal-safe calls such as write().
int signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t ignored = write(signalPipe[1], &byte, 1);
}

}  // namespace

void EndSessionOnTerminationSignals(QObject& owner, std::function<void()> endSession,
                                    std::function<void()> end) {
  if (signalPipe[0] >= 0) return;
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) != 0) {
    signalPipe[0] = signalPipe[1] = -1;
    return;  // the default action stays: ended without saving, as before
  }
  if (!end) {
    end = [] {
      std::fflush(nullptr);
      _exit(0);
    };
  }
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &owner);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [endSession = std::move(endSession), end = std::move(end), notifier] {
                     char bytes[16];
                     while (read(signalPipe[0], bytes, sizeof bytes) > 0) {
                     }
                     // A second signal while the list is being written is
                     // one request, not two.
                     notifier->setEnabled(false);
                     endSession();
                     end();
                   });
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
}

}  // namespace tivolen::manager
