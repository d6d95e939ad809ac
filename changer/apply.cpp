#include "changer/apply.h"

#include "common/texts.h"

namespace tivolen {
namespace {

// Style 3 never gets here (the renderer turns it into 0 or 1); a "bmp" left
// in style 4 is applied unrendered and means "cover the screen".
WallpaperLayout layoutOf(int style) {
  switch (style) {
    case 1:
      return WallpaperLayout::Tiled;
    case 2:
      return WallpaperLayout::Stretched;
    case 4:
      return WallpaperLayout::Zoom;
    default:
      return WallpaperLayout::Centred;
  }
}

}  // namespace

void ApplyWallpaper(Platform& platform, const RunState& state, const std::string& path) {
  platform.desktop.setLayout(layoutOf(state.currentStyle));
  const Status set = platform.desktop.setWallpaper(path);
  if (!set.isOk()) {
    // The desktop is left as it was; the launcher belongs to a change that
    // happened, so it does not start either.
    platform.messages.detail(set.message);
    platform.messages.show(set.code == Status::Code::Unavailable ? text::kDesktopUnreachable
                                                                 : text::kDesktopRefused);
    return;
  }
  if (state.launcherPresent && platform.files.fileExists(state.launcherPath)) {
    // Not awaited, and a launcher that will not start is passed over.
    (void)platform.processes.start(state.launcherPath, WindowState::Minimized);
  }
}

}  // namespace tivolen
