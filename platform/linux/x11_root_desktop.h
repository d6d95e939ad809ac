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
  // `pictures` is the program's own picture service: the wallpaper it has
  // just written is taken from its memory instead of read back, and sent to
  // the X server while the file is still being written.
  X11RootDesktop(std::string applicationDirectory, Pictures& pictures);
  ~X11RootDesktop() override;
  X11RootDesktop(const X11RootDesktop&) = delete;
  X11RootDesktop& operator=(const X11RootDesktop&) = delete;

  void setLayout(WallpaperLayout layout) override;
  // Unavailable without a display; Failed when the picture cannot be read.
  Status setWallpaper(const std::string& path) override;
  // The root window's background lives only as long as the X server.
  [[nodiscard]] bool remembersWallpaper() const override { return false; }

 private:
  // The connection and what was sent on it ahead of setWallpaper.
  struct Connection;
  void sendAhead(const Picture& picture, const std::string& path);

  std::string applicationDirectory_;
  Pictures& pictures_;
  WallpaperLayout layout_ = WallpaperLayout::Centred;
  std::unique_ptr<Connection> connection_;
};

}  // namespace tivolen
