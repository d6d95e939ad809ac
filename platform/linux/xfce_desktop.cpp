// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/xfce_desktop.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QScreen>
#include <QVariantMap>
#include <map>
#include <regex>
#include <utility>

#include "platform/linux/desktop_texts.h"
#include "platform/linux/fresh_copy.h"
#include "platform/linux/gui_application.h"

namespace tivolen {
namespace {

const QString kService = QStringLiteral("org.xfce.Xfconf");
const QString kPath = QStringLiteral("/org/xfce/Xfconf");
const QString kInterface = QStringLiteral("org.xfce.Xfconf");
const QString kChannel = QStringLiteral("xfce4-desktop");
constexpr int kTimeoutMs = 10000;
const std::string kScreenFolder = "/backdrop/screen0/";

QDBusMessage call(const QString& method, const QVariantList& arguments) {
  QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
  message.setArguments(arguments);
  return QDBusConnection::sessionBus().call(message, QDBus::Block, kTimeoutMs);
}

bool serviceMissing(const QDBusMessage& reply) {
  const QString name = reply.errorName();
  return name == "org.freedesktop.DBus.Error.ServiceUnknown" ||
         name == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
         name == "org.freedesktop.DBus.Error.Spawn.ExecFailed" ||
         name == "org.freedesktop.DBus.Error.Spawn.ChildExited" ||
         name == "org.freedesktop.DBus.Error.NoReply" ||
         name == "org.freedesktop.DBus.Error.Disconnected";
}

Status errorStatus(const QDBusMessage& reply) {
  const std::string detail = (reply.errorName() + ": " + reply.errorMessage()).toStdString();
  if (serviceMissing(reply)) {
    return Status::unavailable(std::string(text::kXfceUnreachable) + "\n" + detail);
  }
  return Status::failed(std::string(text::kDesktopToolFailed) + "\n" + detail);
}

// The names Qt gives the monitors are the RandR output names that
// xfdesktop 4.18 uses in its keys ("monitorHDMI-1").
std::vector<std::string> qtMonitorNames() {
  std::vector<std::string> names;
  if (!EnsureGuiApplication()) return names;
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (!screen->name().isEmpty()) names.push_back(screen->name().toStdString());
  }
  return names;
}

Status setProperty(const std::string& key, const QVariant& value) {
  const QDBusMessage reply =
      call(QStringLiteral("SetProperty"),
           {kChannel, QString::fromStdString(key), QVariant::fromValue(QDBusVariant(value))});
  return reply.type() == QDBusMessage::ErrorMessage ? errorStatus(reply) : Status::ok();
}

}  // namespace

int xfceImageStyle(WallpaperLayout layout) {
  switch (layout) {
    case WallpaperLayout::Centred:
      return 1;
    case WallpaperLayout::Tiled:
      return 2;
    case WallpaperLayout::Stretched:
      return 3;
    case WallpaperLayout::Zoom:
      return 5;
  }
  return 1;
}

std::vector<std::string> xfceBackdropFolders(const std::vector<std::string>& existingKeys,
                                             const std::vector<std::string>& monitors) {
  static const std::regex kKey(R"(/backdrop/screen0/monitor([^/]+)/workspace([0-9]+)/[^/]+)");
  std::map<std::string, std::set<int>> workspacesByMonitor;
  std::set<int> allWorkspaces;
  for (const auto& key : existingKeys) {
    std::smatch match;
    if (!std::regex_match(key, match, kKey)) continue;
    const std::string digits = match[2].str();
    if (digits.size() > 4) continue;
    const int workspace = std::stoi(digits);
    workspacesByMonitor[match[1].str()].insert(workspace);
    allWorkspaces.insert(workspace);
  }
  if (allWorkspaces.empty()) allWorkspaces.insert(0);
  for (const auto& monitor : monitors) {
    if (monitor.empty() || monitor.find('/') != std::string::npos) continue;
    if (!workspacesByMonitor.contains(monitor)) workspacesByMonitor[monitor] = allWorkspaces;
  }
  std::vector<std::string> folders;
  for (const auto& [monitor, workspaces] : workspacesByMonitor) {
    for (const int workspace : workspaces) {
      std::string folder = kScreenFolder;
      folder += "monitor" + monitor;
      folder += "/workspace" + std::to_string(workspace);
      folders.push_back(std::move(folder));
    }
  }
  return folders;
}

XfceDesktop::XfceDesktop(std::string applicationDirectory)
    : applicationDirectory_(std::move(applicationDirectory)) {}

void XfceDesktop::setLayout(WallpaperLayout layout) {
  layout_ = layout;
}

Status XfceDesktop::setWallpaper(const std::string& path) {
  if (!QDBusConnection::sessionBus().isConnected()) {
    return Status::unavailable(std::string(text::kNoSessionBus));
  }
  const QDBusMessage all =
      call(QStringLiteral("GetAllProperties"), {kChannel, QStringLiteral("/backdrop")});
  std::vector<std::string> keys;
  if (all.type() == QDBusMessage::ErrorMessage) {
    // A channel that holds nothing yet is an error to xfconfd, not an
    // empty answer; only a missing service stops us.
    if (serviceMissing(all)) return errorStatus(all);
  } else if (!all.arguments().isEmpty()) {
    const QVariantMap properties = qdbus_cast<QVariantMap>(all.arguments().first());
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
      keys.push_back(it.key().toStdString());
    }
  }
  const std::vector<std::string> folders = xfceBackdropFolders(keys, qtMonitorNames());
  if (folders.empty()) {
    return Status::failed(std::string(text::kDesktopToolFailed) +
                          "\nxfconf: no monitor to set the wallpaper on");
  }

  // xfdesktop reloads only when last-image changes.
  const FreshCopy copy = makeFreshWallpaperCopy(path, applicationDirectory_);
  if (!copy.status.isOk()) {
    return Status::failed(std::string(text::kWallpaperCopyFailed) + "\n" + copy.status.message);
  }
  const QString image = QString::fromStdString(copy.path);
  bool anyShown = false;
  for (const auto& folder : folders) {
    // The style first, so the new picture is drawn once, in its layout.
    Status set = setProperty(folder + "/image-style", QVariant(xfceImageStyle(layout_)));
    if (set.isOk()) set = setProperty(folder + "/last-image", QVariant(image));
    if (!set.isOk()) {
      // Monitors already showing the new copy keep it; the older copies may
      // still be shown on the others, so nothing is removed.
      if (!anyShown) unlink(copy.path.c_str());
      return set;
    }
    anyShown = true;
  }
  removeOtherWallpaperCopies(applicationDirectory_, copy.path);
  return Status::ok();
}

}  // namespace tivolen
