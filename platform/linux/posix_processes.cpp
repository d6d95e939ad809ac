// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/posix_processes.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/linux/unique_fd.h"

namespace tivolen {

Status PosixProcesses::start(const std::string& program, WindowState /*state*/) {
  if (program.empty()) return Status::failed("no program given");

  // The grandchild reports a failed exec through this pipe; a successful exec
  // closes it (O_CLOEXEC), so the parent reads end-of-file.
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return Status::failed(std::strerror(errno));
  UniqueFd readEnd(ends[0]);
  UniqueFd writeEnd(ends[1]);

  // Built before fork: only async-signal-safe calls may follow it.
  std::string argument0 = program;
  char* argv[] = {argument0.data(), nullptr};

  const pid_t child = fork();
  if (child < 0) return Status::failed(std::strerror(errno));
  if (child == 0) {
    // Double fork: the intermediate child ends at once and is reaped below,
    // so the started program is adopted by init and never becomes our zombie.
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      execv(argument0.c_str(), argv);
      const int error = errno;
      [[maybe_unused]] const ssize_t written = write(writeEnd.get(), &error, sizeof error);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  writeEnd.reset();

  int waitStatus = 0;
  while (waitpid(child, &waitStatus, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(waitStatus) || WEXITSTATUS(waitStatus) != 0) {
    return Status::failed(program + ": could not fork");
  }

  int execError = 0;
  ssize_t got = 0;
  do {
    got = read(readEnd.get(), &execError, sizeof execError);
  } while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof execError)) {
    return Status::failed(program + ": " + std::strerror(execError));
  }
  return Status::ok();
}

}  // namespace tivolen
