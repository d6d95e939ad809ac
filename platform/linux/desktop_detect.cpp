// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/desktop_detect.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace tivolen {
namespace {

std::string lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// Matched as prefixes, so session variants ("gnome-xorg", "GNOME-Flashback",
// "plasmawayland", "ubuntu-wayland", "budgie-desktop", "xfce4") fall under the
// desktop they belong to. Longer names come first where one starts another.
constexpr std::array<std::pair<std::string_view, DesktopKind>, 20> kNames{{
    {"gnome", DesktopKind::Gnome},  {"unity", DesktopKind::Gnome},
    {"budgie", DesktopKind::Gnome}, {"pantheon", DesktopKind::Gnome},
    {"ubuntu", DesktopKind::Gnome}, {"cinnamon", DesktopKind::Cinnamon},
    {"mate", DesktopKind::Mate},    {"xfce", DesktopKind::Xfce},
    {"kde", DesktopKind::Plasma},   {"plasma", DesktopKind::Plasma},
    {"lxqt", DesktopKind::Lxqt},    {"lxde", DesktopKind::Lxde},
    {"sway", DesktopKind::Sway},    {"hyprland", DesktopKind::Swaybg},
    {"river", DesktopKind::Swaybg}, {"labwc", DesktopKind::Swaybg},
    {"niri", DesktopKind::Swaybg},  {"wayfire", DesktopKind::Swaybg},
    {"dwl", DesktopKind::Swaybg},   {"cage", DesktopKind::Swaybg},
}};

bool isSet(const std::optional<std::string>& value) {
  return value && !trimmed(*value).empty();
}

}  // namespace

std::optional<DesktopKind> desktopFromName(std::string_view name) {
  std::string key = lowered(trimmed(name));
  // Freedesktop's registry reserves "X-" for names outside it ("X-Cinnamon").
  if (key.rfind("x-", 0) == 0) key.erase(0, 2);
  if (key.empty()) return std::nullopt;
  for (const auto& [prefix, kind] : kNames) {
    if (key.rfind(prefix, 0) == 0) return kind;
  }
  return std::nullopt;
}

DesktopKind detectDesktop(const EnvironmentLookup& environment) {
  if (const auto current = environment("XDG_CURRENT_DESKTOP"); isSet(current)) {
    std::string_view rest = *current;
    while (true) {
      const auto colon = rest.find(':');
      if (auto kind = desktopFromName(rest.substr(0, colon))) return *kind;
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  if (const auto session = environment("DESKTOP_SESSION"); isSet(session)) {
    // A path here names the session file ("/usr/share/xsessions/plasma").
    std::string_view name = *session;
    if (const auto slash = name.rfind('/'); slash != std::string_view::npos) {
      name.remove_prefix(slash + 1);
    }
    if (auto kind = desktopFromName(name)) return *kind;
  }
  if (isSet(environment("WAYLAND_DISPLAY"))) return DesktopKind::Swaybg;
  if (isSet(environment("DISPLAY"))) return DesktopKind::X11Root;
  return DesktopKind::None;
}

std::string_view desktopKindName(DesktopKind kind) {
  switch (kind) {
    case DesktopKind::Gnome:
      return "GNOME";
    case DesktopKind::Cinnamon:
      return "Cinnamon";
    case DesktopKind::Mate:
      return "MATE";
    case DesktopKind::Xfce:
      return "XFCE";
    case DesktopKind::Plasma:
      return "KDE Plasma";
    case DesktopKind::Lxqt:
      return "LXQt";
    case DesktopKind::Lxde:
      return "LXDE";
    case DesktopKind::Sway:
      return "sway";
    case DesktopKind::Swaybg:
      return "swaybg";
    case DesktopKind::X11Root:
      return "X11";
    case DesktopKind::None:
      return "none";
  }
  return "none";
}

}  // namespace tivolen
