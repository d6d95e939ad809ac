// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "platform/pictures.h"
#include "platform/services.h"

namespace tivolen {

// The wallpaper of a bare X server (no desktop that draws its own): the root
// window's background, set the way root-window setters agree on so that
// compositors and terminals with pseudo-transparency find it, and kept alive
// after the program ends.
class X11RootDesktop final : public Desktop {
 public:
  // `pictures` reads a wallpaper file that comes without its pixels and
  // scales for the stretched and zoomed layouts.
  X11RootDesktop(std::string applicationDirectory, Pictures& pictures);

  void setLayout(WallpaperLayout layout) override;
  // Unavailable without a display; Failed when the picture cannot be read.
  Status setWallpaper(const std::string& path) override;
  // The root window's background lives only as long as the X server.
  [[nodiscard]] bool remembersWallpaper() const override { return false; }
  // The rendered pixels go to the server as they are; the file is not read.
  Status setRenderedWallpaper(const std::string& path, const Picture& rendered,
                              std::unique_ptr<PreparedWallpaper> prepared) override;
  // Centred and tiled pixels are painted into a pixmap of their own on a
  // second thread and connection while the file is written.
  std::unique_ptr<PreparedWallpaper> prepareRenderedWallpaper(const Picture& rendered,
                                                              WallpaperLayout layout) override;

 private:
  std::string applicationDirectory_;
  Pictures& pictures_;
  WallpaperLayout layout_ = WallpaperLayout::Centred;
};

}  // namespace tivolen
