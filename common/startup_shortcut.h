// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/status.h"

namespace tivolen {

inline constexpr std::string_view kStartupShortcutName = "壁紙変更";
inline constexpr std::string_view kDesktopShortcutName = "壁紙管理";
inline constexpr std::string_view kChangerProgram = "Tivolen";
inline constexpr std::string_view kManagerProgram = "管理";
// The changer's one option: open the navigator without holding Shift, which
// no program can read at log-on on Wayland. Menu entries offer it as an action.
inline constexpr std::string_view kNavigatorOption = "--navigator";
inline constexpr std::string_view kNavigatorActionName = "ナビゲーター";
// How the system's scheduler starts the changer during a session: no box may
// wait for an answer, Shift held while typing elsewhere must not open the
// navigator, and no other program comes up.
inline constexpr std::string_view kScheduledOption = "--scheduled";
// The changer's exit status when no desktop could be reached (no display,
// as under a timer before log-on): the change stays due. Schedulers count it
// as success.
inline constexpr int kExitNoDesktop = 3;

// The full path of a special folder. Unavailable when the system cannot
// locate the folder at all; Failed when it names no absolute path.
Result<std::string> GetSpecialFolder(const Platform& platform, SpecialFolder folder);

// The full path of the shortcut `name` in a special folder ("<folder>/name
// .desktop" here); empty when the folder cannot be found.
std::string ShortcutPath(const Platform& platform, SpecialFolder folder, std::string_view name);

// The startup shortcut's full path ("<Startup>/壁紙変更.desktop" here), or
// empty when the autostart folder cannot be found.
std::string StartupShortcutPath(const Platform& platform);

// Writes the startup shortcut to the changer and shows its two-line message.
// When it cannot be written, shows why not instead and answers false.
bool CreateStartupShortcut(Platform& platform);

}  // namespace tivolen
