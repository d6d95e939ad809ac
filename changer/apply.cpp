// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/apply.h"

#include <utility>

#include "changer/shown_wallpaper.h"
#include "common/list_file.h"
#include "common/texts.h"

namespace tivolen {
namespace {

// The desktop's own answer, which tells a desktop out of reach from one that
// refused; the message has been shown.
Status showWallpaper(Platform& platform, int style, RenderedWallpaper wallpaper) {
  const std::string& path = wallpaper.path;
  platform.desktop.setLayout(LayoutOfStyle(style));
  Status set = wallpaper.pixels.empty()
                   ? platform.desktop.setWallpaper(path)
                   : platform.desktop.setRenderedWallpaper(path, wallpaper.pixels,
                                                           std::move(wallpaper.prepared));
  if (!set.isOk()) {
    platform.messages.detail(set.message);
    platform.messages.show(set.code == Status::Code::Unavailable ? text::kDesktopUnreachable
                                                                 : text::kDesktopRefused);
    return set;
  }
  // Kept on every desktop, so that a session on one that forgets its
  // wallpaper finds the latest change even when others were made elsewhere.
  const std::optional<ScreenSize> screen =
      wallpaper.screen ? wallpaper.screen : platform.screen.size();
  const ShownWallpaper shown{style, screen.value_or(ScreenSize{}), path};
  if (const Status kept = platform.files.writeFileAtomically(
          platform.inDataDir(kShownWallpaperFileName), writeShownWallpaper(shown));
      !kept.isOk()) {
    // The change itself stands; the next log-on renders the picture again.
    platform.messages.detail(kept.message);
  }
  return Status::ok();
}

}  // namespace

// Style 3 never gets here (the renderer turns it into 0 or 1); a "bmp" left
// in style 4 is applied unrendered and means "cover the screen".
WallpaperLayout LayoutOfStyle(int style) {
  switch (style) {
    case kStyleTiled:
      return WallpaperLayout::Tiled;
    case kStyleStretched:
      return WallpaperLayout::Stretched;
    case kStyleCover:
      return WallpaperLayout::Zoom;
    default:
      return WallpaperLayout::Centred;
  }
}

bool ShowWallpaper(Platform& platform, int style, RenderedWallpaper wallpaper) {
  return showWallpaper(platform, style, std::move(wallpaper)).isOk();
}

Status ApplyWallpaper(Platform& platform, const RunState& state, RenderedWallpaper wallpaper) {
  // On a refusal the desktop is left as it was; the launcher belongs to a
  // change that happened, so it does not start either.
  if (Status shown = showWallpaper(platform, state.currentStyle, std::move(wallpaper));
      !shown.isOk()) {
    return shown;
  }
  if (state.launcherPresent && platform.files.fileExists(state.launcherPath)) {
    // Not awaited, and a launcher that will not start is passed over.
    (void)platform.processes.start(state.launcherPath, WindowState::Minimized);
  }
  return Status::ok();
}

}  // namespace tivolen
