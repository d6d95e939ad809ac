// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/environment.h"

namespace tivolen {

// The wallpaper back-ends the loader can choose between.
enum class DesktopKind {
  Gnome,  // GNOME, Unity, Budgie, Pantheon, Ubuntu's sessions
  Cinnamon,
  Mate,
  Xfce,
  Plasma,   // KDE Plasma 5 and 6
  Lxqt,     // pcmanfm-qt draws the desktop
  Lxde,     // pcmanfm draws the desktop
  Sway,     // swaymsg sets the background
  Swaybg,   // other wlroots compositors and unknown Wayland sessions
  X11Root,  // an X server with no desktop of its own
  None,     // no graphical session at all
};

// The back-end for a session: the first recognised entry of the
// colon-separated XDG_CURRENT_DESKTOP, then DESKTOP_SESSION, then a Wayland
// display, then an X11 display. Names are compared without regard to case.
DesktopKind detectDesktop(const EnvironmentLookup& environment);

// The desktop one session name stands for ("X-Cinnamon", "plasmawayland").
std::optional<DesktopKind> desktopFromName(std::string_view name);

std::string_view desktopKindName(DesktopKind kind);

}  // namespace tivolen
