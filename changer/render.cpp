// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/render.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "changer/apply.h"
#include "common/fit_rule.h"
#include "common/list_file.h"
#include "common/texts.h"
#include "platform/pictures.h"

namespace tivolen {
namespace {

// The back-ends say "path: why"; the box names the path on a line of its own.
std::string_view reasonOf(std::string_view status, std::string_view path) {
  while (!path.empty() && status.starts_with(path) &&
         status.substr(path.size()).starts_with(": ")) {
    status.remove_prefix(path.size() + 2);
  }
  return status;
}

RenderFailure loadFailure(const LoadedPicture& loaded, const std::string& path) {
  std::string_view message = text::kCannotLoadPicture;
  if (loaded.status.code == Status::Code::Unavailable) {
    message = text::kCannotShowFormat;
  } else if (loaded.tooLarge) {
    message = text::kPictureTooLarge;
  }
  return {MessageNamingFile(message, path, reasonOf(loaded.status.message, path)),
          loaded.status.message};
}

// The bitmap never holds more than the screen shows: what lies outside it
// when centred (cut equally on both sides) or tiled (tiles start at the top
// left) is dropped, and a stretched picture larger than the screen is
// stretched to it here rather than by the desktop. A header claiming a huge
// picture thus never turns into a huge wallpaper file.
Picture fitToScreen(Platform& platform, Picture picture, int style, ScreenSize screen) {
  const std::int32_t width = picture.width();
  const std::int32_t height = picture.height();
  if (screen.width <= 0 || screen.height <= 0 ||
      (width <= screen.width && height <= screen.height)) {
    return picture;
  }
  if (style == kStyleStretched) {
    return platform.pictures.drawScaled(picture, {0, 0, double(width), double(height)},
                                        {screen.width, screen.height});
  }
  if (style != kStyleCentred && style != kStyleTiled) return picture;
  const std::int32_t keptWidth = std::min(width, screen.width);
  const std::int32_t keptHeight = std::min(height, screen.height);
  const bool centred = style == kStyleCentred;
  const std::int32_t left = centred ? (width - keptWidth) / 2 : 0;
  const std::int32_t top = centred ? (height - keptHeight) / 2 : 0;
  return platform.pictures.drawScaled(
      picture, {double(left), double(top), double(keptWidth), double(keptHeight)},
      {keptWidth, keptHeight});
}

}  // namespace

std::string MessageNamingFile(std::string_view message, std::string_view path,
                              std::string_view reason) {
  std::string shown(message);
  shown.append("\r\n").append(path);
  if (!reason.empty()) shown.append("\r\n（").append(reason).append("）");
  return shown;
}

void ShowRenderFailure(Platform& platform, const RenderFailure& failure) {
  platform.messages.detail(failure.detail);
  platform.messages.show(failure.message);
}

Result<RenderedWallpaper, RenderFailure> RenderWallpaper(Platform& platform, RunState& state,
                                                         const std::string& picturePath) {
  const int style = state.currentStyle;
  const bool automatic = style == kStyleFit || style == kStyleCover;
  const std::optional<ScreenSize> screen = platform.screen.size();

  // A picture the fit shrinks or enlarges is loaded straight at its fitted
  // size, of which a covering fit keeps only what the screen shows (centred,
  // as fitToScreen cuts it); large JPEGs are then never held at full size.
  // A centred or tiled picture larger than the screen is loaded as the part
  // fitToScreen would cut from it, at its own size: the rows below it are
  // never decoded. Everything else saved unscaled needs the whole picture.
  const ScalePlan plan = [&](PictureSize natural) -> std::optional<ScaledPart> {
    if (!screen) return std::nullopt;
    if (style == kStyleCentred || style == kStyleTiled) {
      if (natural.width <= screen->width && natural.height <= screen->height) return std::nullopt;
      const PictureSize kept{std::min(natural.width, screen->width),
                             std::min(natural.height, screen->height)};
      if (style == kStyleTiled) return ScaledPart{natural, 0, 0, kept};
      return ScaledPart{natural, (natural.width - kept.width) / 2,
                        (natural.height - kept.height) / 2, kept};
    }
    if (!automatic) return std::nullopt;
    const Fit fit = FitPicture(natural.width, natural.height, screen->width, screen->height, style);
    if (fit.kind != FitKind::Scale) return std::nullopt;
    const PictureSize kept{std::min(fit.width, screen->width),
                           std::min(fit.height, screen->height)};
    return ScaledPart{{fit.width, fit.height},
                      (fit.width - kept.width) / 2,
                      (fit.height - kept.height) / 2,
                      kept};
  };
  LoadedPicture loaded = platform.pictures.loadScaled(picturePath, plan);
  if (!loaded.status.isOk()) {
    return loadFailure(loaded, picturePath);
  }

  Picture result = std::move(loaded.pixels);
  if (automatic && !screen) {
    // Without a screen size there is nothing to fit to: centre it unscaled.
    platform.messages.detail("screen size unknown; " + picturePath + " is centred unscaled");
    state.currentStyle = 0;
  } else if (automatic) {
    const PictureSize natural = loaded.natural;
    state.currentStyle =
        FitPicture(natural.width, natural.height, screen->width, screen->height, style).style;
  }
  if (screen) result = fitToScreen(platform, std::move(result), state.currentStyle, *screen);

  // The desktop may send the pixels on their way while the file is written;
  // a file that cannot be written drops what it prepared, unseen.
  std::unique_ptr<PreparedWallpaper> prepared =
      platform.desktop.prepareRenderedWallpaper(result, LayoutOfStyle(state.currentStyle));
  const std::string target = platform.inDataDir(kWallpaperFileName);
  if (const Status saved = platform.pictures.saveBitmap(result, target); !saved.isOk()) {
    return RenderFailure{
        MessageNamingFile(text::kCannotWriteWallpaper, target, reasonOf(saved.message, target)),
        saved.message};
  }
  return RenderedWallpaper{target, std::move(result), std::move(prepared), screen};
}

}  // namespace tivolen
