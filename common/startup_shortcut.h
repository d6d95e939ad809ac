#pragma once

#include <string>

#include "platform/platform.h"

namespace tivolen {

inline constexpr std::string_view kStartupShortcutName = "壁紙変更";
inline constexpr std::string_view kDesktopShortcutName = "壁紙管理";
inline constexpr std::string_view kChangerProgram = "Tivolen";
inline constexpr std::string_view kManagerProgram = "管理";

// Status 0 success (path set), 1 the path could not be obtained, 2 the
// folder could not be located; path unchanged on failure.
int GetSpecialFolder(const Platform& platform, SpecialFolder folder, std::string& path);

// The startup shortcut's full path ("<Startup>/壁紙変更.desktop" here).
std::string StartupShortcutPath(const Platform& platform);

// Writes the startup shortcut to the changer and shows its two-line message.
void CreateStartupShortcut(Platform& platform);

}  // namespace tivolen
