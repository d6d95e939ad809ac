// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/services.h"

namespace tivolen {

// sway draws no wallpaper itself: its "output * bg" command starts swaybg
// for every output and keeps it in step with outputs that come and go.
class SwayDesktop final : public Desktop {
 public:
  explicit SwayDesktop(std::string applicationDirectory);

  void setLayout(WallpaperLayout layout) override;
  Status setWallpaper(const std::string& path) override;
  // A background set over IPC lasts until sway ends; the next session
  // starts with the bg of its config file.
  [[nodiscard]] bool remembersWallpaper() const override { return false; }

 private:
  std::string applicationDirectory_;
  WallpaperLayout layout_ = WallpaperLayout::Centred;
};

// Other wlroots compositors (and any Wayland session we do not know) show
// the background of a swaybg client that we start and keep running. Its
// process id is kept in "swaybg.pid" in the application directory, so that
// the next change can end it once the new one runs.
class SwaybgDesktop final : public Desktop {
 public:
  // `files` keeps the process id file.
  SwaybgDesktop(std::string applicationDirectory, FileSystem& files);

  void setLayout(WallpaperLayout layout) override;
  Status setWallpaper(const std::string& path) override;
  // Our swaybg ends with the compositor.
  [[nodiscard]] bool remembersWallpaper() const override { return false; }

 private:
  std::string applicationDirectory_;
  FileSystem& files_;
  WallpaperLayout layout_ = WallpaperLayout::Centred;
};

// The mode word sway's bg command and swaybg's -m share.
std::string swaybgMode(WallpaperLayout layout);

// A file name as one argument of sway's bg command, which sway splits at
// spaces, unquotes and then expands as a shell word; nothing for a name
// with control characters, which cannot pass that way.
std::optional<std::string> swayQuoted(const std::string& path);

}  // namespace tivolen
