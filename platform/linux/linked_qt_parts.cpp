// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/linked_qt_parts.h"

#include <QGuiApplication>
#include <QScreen>
#include <chrono>
#include <cmath>
#include <iostream>

#include "platform/linux/gui_application.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/pcmanfm_desktop.h"
#include "platform/linux/plasma_desktop.h"
#include "platform/linux/qt_file_chooser.h"
#include "platform/linux/qt_messages.h"
#include "platform/linux/qt_pictures.h"
#include "platform/linux/sway_desktop.h"
#include "platform/linux/xfce_desktop.h"

namespace tivolen {

using namespace std::chrono_literals;

std::unique_ptr<Desktop> MakeQtDesktop(DesktopKind kind, const std::string& applicationDirectory,
                                       const DesktopServices& services) {
  const auto wait = [&](std::chrono::milliseconds atLogOn) {
    return services.wait == DesktopWait::WhileStarting ? atLogOn : 0ms;
  };
  switch (kind) {
    case DesktopKind::Xfce:
      return std::make_unique<XfceDesktop>(applicationDirectory);
    case DesktopKind::Plasma:
      return std::make_unique<PlasmaDesktop>(applicationDirectory, wait(kPlasmaStartupWait));
    case DesktopKind::Lxqt:
      return std::make_unique<PcmanfmDesktop>(PcmanfmFlavour::Qt, applicationDirectory,
                                              services.screen, wait(kPcmanfmStartupWait));
    case DesktopKind::Lxde:
      return std::make_unique<PcmanfmDesktop>(PcmanfmFlavour::Gtk, applicationDirectory,
                                              services.screen, wait(kPcmanfmStartupWait));
    case DesktopKind::Sway:
      return std::make_unique<SwayDesktop>(applicationDirectory);
    case DesktopKind::Swaybg:
      return std::make_unique<SwaybgDesktop>(applicationDirectory, services.files);
    default:
      return nullptr;
  }
}

bool LinkedQtParts::recognisesPicture(std::string_view head) {
  return QtRecognisesPicture(head);
}

LoadedPicture LinkedQtParts::decodePicture(std::string_view bytes) {
  return QtDecodePicture(bytes);
}

Picture LinkedQtParts::drawScaled(const Picture& picture, int left, int top, int width, int height,
                                  PictureSize target) {
  return QtDrawScaled(picture, left, top, width, height, target);
}

std::optional<Answer> LinkedQtParts::showBox(std::string_view caption, std::string_view text,
                                             Buttons buttons) {
  return ShowQtBox(caption, text, buttons);
}

int LinkedQtParts::showNavigator(Platform& platform) {
  if (!navigator_) {
    std::cerr << "Tivolen: this program has no navigator\n";
    return 1;
  }
  return navigator_(platform);
}

std::optional<ScreenSize> LinkedQtParts::waylandScreenSize() {
  if (!EnsureGuiApplication()) return std::nullopt;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return std::nullopt;
  // Logical size times the scale: the pixels the wallpaper is drawn on.
  const double ratio = screen->devicePixelRatio();
  const QSize logical = screen->geometry().size();
  return ScreenSize{static_cast<std::int32_t>(std::lround(logical.width() * ratio)),
                    static_cast<std::int32_t>(std::lround(logical.height() * ratio))};
}

std::unique_ptr<Desktop> LinkedQtParts::makeDesktop(DesktopKind kind,
                                                    const std::string& applicationDirectory,
                                                    const DesktopServices& services) {
  return MakeQtDesktop(kind, applicationDirectory, services);
}

std::unique_ptr<Desktop> makeDesktop(const std::string& applicationDirectory,
                                     const DesktopServices& services) {
  // The desktops made hold nothing of the parts that made them.
  LinkedQtParts qt;
  return makeDesktop(applicationDirectory, services, qt);
}

std::unique_ptr<Pictures> makePictures() {
  return makePictures(std::make_shared<LinkedQtPictureCodec>());
}

std::unique_ptr<Screen> makeScreen() {
  return makeScreen(std::make_shared<LinkedQtParts>());
}

LinuxPlatform::LinuxPlatform(std::string_view caption, DesktopWait desktopWait)
    : LinuxPlatform(caption, std::make_shared<LinkedQtParts>(), desktopWait) {
  fileChooser_ = std::make_unique<QtFileChooser>();
  platform_.fileChooser = fileChooser_.get();
}

}  // namespace tivolen
