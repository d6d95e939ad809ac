// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/gui_application.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <cstdlib>
#include <string>

#include "platform/linux/x11_keyboard.h"

namespace tivolen {
namespace {

bool environmentSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool waylandPluginInstalled() {
  const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
  return !platforms.entryList({"libqwayland*.so"}, QDir::Files).isEmpty();
}

// The platform plugin to ask for, or empty when none can work.
std::string choosePlatform() {
  if (environmentSet("QT_QPA_PLATFORM")) {
    const std::string chosen = std::getenv("QT_QPA_PLATFORM");
    if (chosen.starts_with("xcb") && !X11DisplayReachable()) return {};
    return "from-environment";
  }
  if (environmentSet("WAYLAND_DISPLAY") && waylandPluginInstalled()) return "wayland";
  if (X11DisplayReachable()) return "xcb";
  return {};
}

}  // namespace

bool EnsureGuiApplication() {
  if (QApplication::instance() != nullptr) return true;
  const std::string platform = choosePlatform();
  if (platform.empty()) return false;

  // QApplication keeps references to argc and argv for its whole life.
  static std::string programName = "tivolen";
  static std::string platformOption = "-platform";
  static std::string platformName = platform;
  static char* argv[] = {programName.data(), platformOption.data(), platformName.data(), nullptr};
  static int argc = platform == "from-environment" ? 1 : 3;
  // Deliberately never destroyed: tearing Qt down from a static destructor,
  // after main() has returned, crashes in the platform plugin.
  new QApplication(argc, argv);
  return true;
}

}  // namespace tivolen
