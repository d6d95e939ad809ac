// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/local_instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace tivolen {
namespace {

constexpr int kConnectMs = 2000;
// The holder answers from its event loop; a start that finds it busy longer
// than this tells the user instead of waiting on.
constexpr int kAnswerMs = 5000;
constexpr char kShown[] = "shown\n";

// FNV-1a: the same name for the same folder in every build.
std::string folderHash(const std::string& folder) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const char c : folder) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ULL;
  }
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// The folder as the system names it, so two ways of writing it claim one lock.
std::string canonical(const std::string& folder) {
  char* resolved = ::realpath(folder.c_str(), nullptr);
  if (resolved == nullptr) return folder;
  std::string result(resolved);
  std::free(resolved);
  return result;
}

// A folder only this user can enter: the session's runtime folder, or one
// of our own in /tmp when the session has none.
std::string privateFolder(const EnvironmentLookup& environment) {
  if (const auto runtime = environment("XDG_RUNTIME_DIR");
      runtime && !runtime->empty() && runtime->front() == '/') {
    struct stat info {};
    if (::stat(runtime->c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return *runtime;
  }
  const std::string own = "/tmp/tivolen-" + std::to_string(::getuid());
  if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return {};
  struct stat info {};
  if (::lstat(own.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
      (info.st_mode & 077) != 0) {
    return {};
  }
  return own;
}

}  // namespace

LocalInstanceLock::LocalInstanceLock(EnvironmentLookup environment)
    : environment_(std::move(environment)) {}

LocalInstanceLock::~LocalInstanceLock() = default;

std::string LocalInstanceLock::baseNameFor(const std::string& dataFolder) const {
  const std::string folder = privateFolder(environment_);
  if (folder.empty()) return {};
  return folder + "/tivolen-manager-" + folderHash(canonical(dataFolder));
}

InstanceLock::Claim LocalInstanceLock::claim(const std::string& dataFolder) {
  if (lock_.get() >= 0) return Claim::Held;
  const std::string base = baseNameFor(dataFolder);
  if (base.empty()) return Claim::Unavailable;
  // Close-on-exec: a program started from the manager must not inherit the
  // claim and hold it after the manager has ended.
  lock_.reset(::open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (lock_.get() < 0) return Claim::Unavailable;
  if (::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0) {
    const bool taken = errno == EWOULDBLOCK;
    lock_.reset();
    return taken ? Claim::Taken : Claim::Unavailable;
  }
  listen(base + ".socket");
  return Claim::Held;
}

void LocalInstanceLock::listen(const std::string& socketPath) {
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // A socket left by a holder that crashed; the lock says none is running.
  QLocalServer::removeServer(QString::fromStdString(socketPath));
  if (!server_->listen(QString::fromStdString(socketPath))) {
    // Later starts find no one to ask and tell the user; this one works on.
    server_.reset();
    return;
  }
  QObject::connect(server_.get(), &QLocalServer::newConnection, server_.get(), [this] {
    while (QLocalSocket* asking = server_->nextPendingConnection()) {
      QObject::connect(asking, &QLocalSocket::disconnected, asking, &QObject::deleteLater);
      asking->write(kShown, static_cast<qint64>(std::strlen(kShown)));
      asking->flush();
      asking->disconnectFromServer();
      if (show_) {
        show_();
      } else {
        showPending_ = true;
      }
    }
  });
}

bool LocalInstanceLock::askHolderToShow(const std::string& dataFolder) {
  const std::string base = baseNameFor(dataFolder);
  if (base.empty()) return false;
  QLocalSocket socket;
  socket.connectToServer(QString::fromStdString(base + ".socket"));
  if (!socket.waitForConnected(kConnectMs)) return false;
  QByteArray answer;
  while (!answer.contains('\n') && socket.waitForReadyRead(kAnswerMs)) answer += socket.readAll();
  answer += socket.readAll();
  return answer.startsWith(kShown);
}

void LocalInstanceLock::serve(std::function<void()> show, std::uintptr_t /*nativeWindow*/) {
  show_ = std::move(show);
  if (showPending_ && show_) {
    showPending_ = false;
    show_();
  }
}

}  // namespace tivolen
