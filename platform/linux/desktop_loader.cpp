// SPDX-License-Identifier: GPL-3.0-or-later
#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/linux/back_ends.h"
#include "platform/linux/desktop_detect.h"
#include "platform/linux/desktop_texts.h"
#include "platform/linux/gsettings_desktop.h"
#include "platform/linux/pcmanfm_desktop.h"
#include "platform/linux/plasma_desktop.h"
#include "platform/linux/sway_desktop.h"
#include "platform/linux/x11_root_desktop.h"
#include "platform/linux/xfce_desktop.h"

namespace tivolen {
namespace {

using namespace std::chrono_literals;

// Stands in when there is no graphical session, so the changer reports why
// instead of failing somewhere deep in a back-end.
class UnavailableDesktop final : public Desktop {
 public:
  void setLayout(WallpaperLayout) override {}
  Status setWallpaper(const std::string&) override {
    return Status::unavailable(std::string(text::kNoDesktopSession));
  }
};

}  // namespace

std::unique_ptr<Desktop> makeDesktop(const std::string& applicationDirectory,
                                     const DesktopServices& services) {
  const auto wait = [&](std::chrono::milliseconds atLogOn) {
    return services.wait == DesktopWait::WhileStarting ? atLogOn : 0ms;
  };
  switch (detectDesktop(processEnvironment)) {
    case DesktopKind::Gnome:
      return std::make_unique<GSettingsDesktop>(GSettingsFamily::Gnome, applicationDirectory);
    case DesktopKind::Cinnamon:
      return std::make_unique<GSettingsDesktop>(GSettingsFamily::Cinnamon, applicationDirectory);
    case DesktopKind::Mate:
      return std::make_unique<GSettingsDesktop>(GSettingsFamily::Mate, applicationDirectory);
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
    case DesktopKind::X11Root:
      return std::make_unique<X11RootDesktop>(applicationDirectory, services.pictures);
    case DesktopKind::None:
      break;
  }
  return std::make_unique<UnavailableDesktop>();
}

}  // namespace tivolen
