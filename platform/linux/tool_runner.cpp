// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/tool_runner.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "platform/linux/desktop_texts.h"
#include "platform/linux/unique_fd.h"

namespace tivolen {
namespace {

struct Pipe {
  UniqueFd read;
  UniqueFd write;
};

bool makePipe(Pipe& pipe) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  pipe.read.reset(ends[0]);
  pipe.write.reset(ends[1]);
  return true;
}

// Built before fork, so the child only calls async-signal-safe functions.
struct Argv {
  std::vector<std::string> strings;
  std::vector<char*> pointers;
  Argv(const std::string& program, const std::vector<std::string>& arguments) {
    strings.push_back(program);
    strings.insert(strings.end(), arguments.begin(), arguments.end());
    for (auto& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
  }
};

// The child half: standard streams set up, then exec. Never returns.
[[noreturn]] void execChild(Argv& argv, int outputFd, int errorReportFd) {
  // Close-on-exec: the program keeps only the copies dup2 makes.
  const int devNull = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (devNull >= 0) dup2(devNull, STDIN_FILENO);
  const int out = outputFd >= 0 ? outputFd : devNull;
  if (out >= 0) {
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execvp(argv.pointers[0], argv.pointers.data());
  const int error = errno;
  [[maybe_unused]] const ssize_t written = write(errorReportFd, &error, sizeof error);
  _exit(127);
}

// Reads the errno that a failed exec wrote; 0 when exec succeeded.
int execError(int fd) {
  int error = 0;
  ssize_t got = 0;
  do {
    got = read(fd, &error, sizeof error);
  } while (got < 0 && errno == EINTR);
  return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

Status execFailure(const std::string& program, int error) {
  if (error == ENOENT) {
    return Status::unavailable(std::string(text::kDesktopToolMissing) + program);
  }
  return Status::failed(std::string(text::kDesktopToolFailed) + "\n" + program + ": " +
                        std::strerror(error));
}

void appendAvailable(int fd, std::string& output) {
  constexpr std::size_t kMaxOutput = std::size_t{64} * 1024;
  char buffer[4096];
  while (true) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got <= 0) return;
    if (output.size() < kMaxOutput) output.append(buffer, static_cast<std::size_t>(got));
  }
}

}  // namespace

ToolRun runTool(const std::string& program, const std::vector<std::string>& arguments,
                std::chrono::milliseconds timeout) {
  ToolRun run;
  Pipe output;
  Pipe errorReport;
  if (!makePipe(output) || !makePipe(errorReport)) {
    run.status = Status::failed(std::strerror(errno));
    return run;
  }
  fcntl(output.read.get(), F_SETFL, O_NONBLOCK);
  Argv argv(program, arguments);

  const pid_t child = fork();
  if (child < 0) {
    run.status = Status::failed(std::strerror(errno));
    return run;
  }
  if (child == 0) {
    // A group of its own, so a timeout can end everything it started.
    setpgid(0, 0);
    execChild(argv, output.write.get(), errorReport.write.get());
  }
  setpgid(child, child);
  output.write.reset();
  errorReport.write.reset();
  if (const int error = execError(errorReport.read.get()); error != 0) {
    waitpid(child, nullptr, 0);
    run.status = execFailure(program, error);
    return run;
  }

  // Waits for the process, not for end-of-file: a helper it leaves running
  // may hold the output open for as long as the session lasts.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int waitStatus = 0;
  while (true) {
    appendAvailable(output.read.get(), run.output);
    const pid_t done = waitpid(child, &waitStatus, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) {
      run.status = Status::failed(std::strerror(errno));
      return run;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(-child, SIGKILL);
      waitpid(child, nullptr, 0);
      run.status = Status::failed(std::string(text::kDesktopToolTimedOut) + "\n" + program);
      return run;
    }
    pollfd ready{output.read.get(), POLLIN, 0};
    poll(&ready, 1, 20);
  }
  appendAvailable(output.read.get(), run.output);
  if (WIFEXITED(waitStatus)) {
    run.exitCode = WEXITSTATUS(waitStatus);
    run.status = run.exitCode == 0
                     ? Status::ok()
                     : Status::failed(std::string(text::kDesktopToolFailed) + "\n" + program +
                                      " (" + std::to_string(run.exitCode) + "): " + run.output);
  } else {
    run.status = Status::failed(std::string(text::kDesktopToolFailed) + "\n" + program + ": " +
                                strsignal(WTERMSIG(waitStatus)));
  }
  return run;
}

Spawned spawnDetached(const std::string& program, const std::vector<std::string>& arguments) {
  Spawned spawned;
  Pipe errorReport;
  Pipe pidReport;
  if (!makePipe(errorReport) || !makePipe(pidReport)) {
    spawned.status = Status::failed(std::strerror(errno));
    return spawned;
  }
  Argv argv(program, arguments);

  const pid_t child = fork();
  if (child < 0) {
    spawned.status = Status::failed(std::strerror(errno));
    return spawned;
  }
  if (child == 0) {
    // Double fork: the program is adopted by init and never becomes our
    // zombie; the middle process only passes its id on.
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) execChild(argv, -1, errorReport.write.get());
    [[maybe_unused]] const ssize_t written =
        write(pidReport.write.get(), &grandchild, sizeof grandchild);
    _exit(grandchild < 0 ? 1 : 0);
  }
  errorReport.write.reset();
  pidReport.write.reset();
  int waitStatus = 0;
  while (waitpid(child, &waitStatus, 0) < 0 && errno == EINTR) {
  }
  pid_t grandchild = -1;
  const ssize_t got = read(pidReport.read.get(), &grandchild, sizeof grandchild);
  if (!WIFEXITED(waitStatus) || WEXITSTATUS(waitStatus) != 0 ||
      got != static_cast<ssize_t>(sizeof grandchild) || grandchild <= 0) {
    spawned.status =
        Status::failed(std::string(text::kDesktopToolFailed) + "\n" + program + ": fork failed");
    return spawned;
  }
  if (const int error = execError(errorReport.read.get()); error != 0) {
    spawned.status = execFailure(program, error);
    return spawned;
  }
  spawned.pid = grandchild;
  return spawned;
}

bool userRunsProgram(std::string_view name, std::string_view argument) {
  struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
  };
  std::unique_ptr<DIR, DirCloser> proc(opendir("/proc"));
  if (!proc) return false;
  const uid_t me = getuid();
  while (const dirent* entry = readdir(proc.get())) {
    char* end = nullptr;
    const long pid = std::strtol(entry->d_name, &end, 10);
    if (*end != '\0' || pid <= 0) continue;
    const std::string folder = std::string("/proc/") + entry->d_name;
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || info.st_uid != me) continue;
    if (processName(static_cast<pid_t>(pid)) != name) continue;
    std::ifstream file(folder + "/cmdline", std::ios::binary);
    for (std::string word; std::getline(file, word, '\0');) {
      if (word == argument) return true;
    }
  }
  return false;
}

std::string processName(pid_t pid) {
  if (pid <= 0) return {};
  // "pid (name) state ...": the name may itself hold spaces and parentheses.
  std::ifstream statFile("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  std::getline(statFile, stat);
  const auto open = stat.find('(');
  const auto close = stat.rfind(')');
  if (open == std::string::npos || close == std::string::npos || close < open ||
      close + 2 >= stat.size()) {
    return {};
  }
  // A zombie has ended already; it only waits for its parent to notice.
  if (stat[close + 2] == 'Z' || stat[close + 2] == 'X') return {};
  return stat.substr(open + 1, close - open - 1);
}

}  // namespace tivolen
