// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace tivolen::testing {

// An Xvfb of a test's own, on a display the server picks itself. It ends
// with the test process however that ends: a test that crashes or aborts
// must not leave a server behind holding the test runner's output open,
// which made the runner wait out its whole timeout.
class PrivateXServer {
 public:
  explicit PrivateXServer(const char* screen = "640x480x24") {
    int ends[2];
    if (pipe(ends) != 0) return;
    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
      close(ends[0]);
      close(ends[1]);
      return;
    }
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(1);  // the test ended before the line above
      close(ends[0]);                     // before dup2: the read end may itself be fd 3
      dup2(ends[1], 3);
      execlp("Xvfb", "Xvfb", "-noreset", "-nolisten", "tcp", "-displayfd", "3", "-screen", "0",
             screen, static_cast<char*>(nullptr));
      _exit(127);
    }
    close(ends[1]);
    std::string number;
    char c = 0;
    while (read(ends[0], &c, 1) == 1 && c != '\n') number += c;
    close(ends[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~PrivateXServer() { stop(); }
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  // ":N", or empty when the server did not start.
  [[nodiscard]] const std::string& display() const { return display_; }

  void stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

}  // namespace tivolen::testing
