// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop_detect.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tivolen {
namespace {

using Environment = std::map<std::string, std::string, std::less<>>;

DesktopKind detectIn(const Environment& environment) {
  return detectDesktop([&](std::string_view name) -> std::optional<std::string> {
    if (auto found = environment.find(name); found != environment.end()) return found->second;
    return std::nullopt;
  });
}

struct Case {
  const char* name;
  Environment environment;
  DesktopKind expected;
};

TEST(DesktopDetect, ChoosesTheBackEndFromTheSessionEnvironment) {
  const Case cases[] = {
      {"ubuntu_gnome",
       {{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"DISPLAY", ":0"}},
       DesktopKind::Gnome},
      {"budgie_gnome", {{"XDG_CURRENT_DESKTOP", "Budgie:GNOME"}}, DesktopKind::Gnome},
      {"pantheon", {{"XDG_CURRENT_DESKTOP", "Pantheon"}}, DesktopKind::Gnome},
      {"unity", {{"XDG_CURRENT_DESKTOP", "Unity"}}, DesktopKind::Gnome},
      {"gnome_flashback", {{"XDG_CURRENT_DESKTOP", "GNOME-Flashback:GNOME"}}, DesktopKind::Gnome},
      {"x_cinnamon", {{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}}, DesktopKind::Cinnamon},
      {"mate", {{"XDG_CURRENT_DESKTOP", "MATE"}}, DesktopKind::Mate},
      {"xfce", {{"XDG_CURRENT_DESKTOP", "XFCE"}, {"DISPLAY", ":0"}}, DesktopKind::Xfce},
      {"kde",
       {{"XDG_CURRENT_DESKTOP", "KDE"}, {"WAYLAND_DISPLAY", "wayland-0"}},
       DesktopKind::Plasma},
      {"lxqt", {{"XDG_CURRENT_DESKTOP", "LXQt"}}, DesktopKind::Lxqt},
      {"lxde", {{"XDG_CURRENT_DESKTOP", "LXDE"}}, DesktopKind::Lxde},
      {"sway",
       {{"XDG_CURRENT_DESKTOP", "sway"}, {"WAYLAND_DISPLAY", "wayland-1"}},
       DesktopKind::Sway},
      {"hyprland", {{"XDG_CURRENT_DESKTOP", "Hyprland"}}, DesktopKind::Swaybg},
      {"river", {{"XDG_CURRENT_DESKTOP", "river"}}, DesktopKind::Swaybg},
      {"plain_wayland", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":1"}}, DesktopKind::Swaybg},
      {"plain_x11", {{"DISPLAY", ":0"}}, DesktopKind::X11Root},
      {"nothing", {}, DesktopKind::None},
      // The first entry the loader knows wins, not the first entry.
      {"unknown_then_known", {{"XDG_CURRENT_DESKTOP", "Foo:XFCE:KDE"}}, DesktopKind::Xfce},
      {"lower_case", {{"XDG_CURRENT_DESKTOP", "kde"}}, DesktopKind::Plasma},
      {"unknown_desktop_on_x11",
       {{"XDG_CURRENT_DESKTOP", "i3"}, {"DISPLAY", ":0"}},
       DesktopKind::X11Root},
      {"unknown_desktop_on_wayland",
       {{"XDG_CURRENT_DESKTOP", "Foo"}, {"WAYLAND_DISPLAY", "w"}},
       DesktopKind::Swaybg},
      {"session_only", {{"DESKTOP_SESSION", "plasmawayland"}}, DesktopKind::Plasma},
      {"session_path", {{"DESKTOP_SESSION", "/usr/share/xsessions/xfce"}}, DesktopKind::Xfce},
      {"session_lxqt", {{"DESKTOP_SESSION", "lxqt"}, {"DISPLAY", ":0"}}, DesktopKind::Lxqt},
      {"current_desktop_beats_session",
       {{"XDG_CURRENT_DESKTOP", "MATE"}, {"DESKTOP_SESSION", "gnome"}},
       DesktopKind::Mate},
      {"unknown_session_falls_to_display",
       {{"DESKTOP_SESSION", "openbox"}, {"DISPLAY", ":0"}},
       DesktopKind::X11Root},
      {"empty_values_are_unset",
       {{"XDG_CURRENT_DESKTOP", ""},
        {"DESKTOP_SESSION", " "},
        {"WAYLAND_DISPLAY", ""},
        {"DISPLAY", ""}},
       DesktopKind::None},
      {"empty_entries_skipped", {{"XDG_CURRENT_DESKTOP", "::LXDE"}}, DesktopKind::Lxde},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(desktopKindName(detectIn(c.environment)), desktopKindName(c.expected)) << c.name;
  }
}

}  // namespace
}  // namespace tivolen
