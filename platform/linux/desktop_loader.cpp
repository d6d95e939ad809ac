// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdlib>
#include <string>

#include "platform/linux/back_ends.h"
#include "platform/linux/desktop_detect.h"
#include "platform/linux/desktop_texts.h"
#include "platform/linux/gsettings_desktop.h"
#include "platform/linux/qt_parts.h"
#include "platform/linux/x11_root_desktop.h"

namespace tivolen {
namespace {

// Stands in when there is no graphical session, so the changer reports why
// instead of failing somewhere deep in a back-end.
class UnavailableDesktop final : public Desktop {
 public:
  explicit UnavailableDesktop(std::string why) : why_(std::move(why)) {}
  void setLayout(WallpaperLayout) override {}
  Status setWallpaper(const std::string&) override { return Status::unavailable(why_); }

 private:
  std::string why_;
};

}  // namespace

std::unique_ptr<Desktop> makeDesktop(const std::string& applicationDirectory,
                                     const DesktopServices& services, QtParts& qt) {
  switch (const DesktopKind kind = detectDesktop(processEnvironment)) {
    case DesktopKind::Gnome:
      return std::make_unique<GSettingsDesktop>(GSettingsFamily::Gnome, applicationDirectory);
    case DesktopKind::Cinnamon:
      return std::make_unique<GSettingsDesktop>(GSettingsFamily::Cinnamon, applicationDirectory);
    case DesktopKind::Mate:
      return std::make_unique<GSettingsDesktop>(GSettingsFamily::Mate, applicationDirectory);
    case DesktopKind::X11Root:
      return std::make_unique<X11RootDesktop>(applicationDirectory, services.pictures);
    case DesktopKind::Xfce:
    case DesktopKind::Plasma:
    case DesktopKind::Lxqt:
    case DesktopKind::Lxde:
    case DesktopKind::Sway:
    case DesktopKind::Swaybg:
      if (std::unique_ptr<Desktop> desktop = qt.makeDesktop(kind, applicationDirectory, services)) {
        return desktop;
      }
      return std::make_unique<UnavailableDesktop>(std::string(desktopKindName(kind)) +
                                                  ": its back-end lives in the Qt module, which "
                                                  "cannot be loaded");
    case DesktopKind::None:
      break;
  }
  return std::make_unique<UnavailableDesktop>(std::string(text::kNoDesktopSession));
}

}  // namespace tivolen
