// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/services.h"

namespace tivolen {

// Programs through CreateProcessW: an argument-free command line made of
// the quoted path, and the window state as the launcher record asks.
class Win32Processes final : public Processes {
 public:
  Status start(const std::string& program, WindowState state) override;
};

class Win32Keyboard final : public Keyboard {
 public:
  [[nodiscard]] bool shiftHeld() const override;
};

// MessageBoxW with the program's caption, modal to its open window. The line for standard error
// goes to the debugger output as well: a program started at log-on has no console, and a debug
// viewer (or Wine's trace) still shows it there.
class Win32Messages final : public Messages {
 public:
  explicit Win32Messages(std::wstring caption) : caption_(std::move(caption)) {}
  Answer show(std::string_view text, Buttons buttons) override;
  void detail(std::string_view text) override;

 private:
  std::wstring caption_;
};

class Win32SpecialFolders final : public SpecialFolders {
 public:
  [[nodiscard]] std::optional<std::string> path(SpecialFolder folder) const override;
};

// Real shell links through IShellLinkW, so Explorer and the Startup folder
// treat them as their own. A shell link has no actions of its own: the
// navigator is reached with Shift there.
class Win32Shortcuts final : public Shortcuts {
 public:
  [[nodiscard]] std::string fileName(std::string_view name) const override;
  Status write(const std::string& shortcutPath, const std::string& target,
               const std::string& workingDirectory,
               const std::vector<ShortcutAction>& actions) override;
};

// The primary screen in physical pixels: the manifest declares per-monitor
// DPI awareness, so the metrics are not scaled.
class Win32Screen final : public Screen {
 public:
  [[nodiscard]] std::optional<ScreenSize> size() const override;
};

// The registry's layout values under HKCU\Control Panel\Desktop, then
// SPI_SETDESKWALLPAPER, stored and broadcast as the control panel does.
class Win32Desktop final : public Desktop {
 public:
  void setLayout(WallpaperLayout layout) override { layout_ = layout; }
  Status setWallpaper(const std::string& path) override;

 private:
  WallpaperLayout layout_ = WallpaperLayout::Stretched;
};

// ShellExecuteW's "open", as Explorer opens a double-clicked file.
class Win32Documents final : public Documents {
 public:
  Status open(const std::string& path) override;
};

// The system's file dialog (IFileOpenDialog), modal to the program's window.
class Win32FileChooser final : public FileChooser {
 public:
  std::vector<std::string> choose(ChooseWhat what, std::string_view title,
                                  const std::vector<std::string>& patterns) override;
};

}  // namespace tivolen
