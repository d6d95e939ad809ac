#include "changer/render.h"

#include "common/fit_rule.h"
#include "common/texts.h"
#include "platform/pictures.h"

namespace tivolen {
namespace {

// One line for standard error, naming the file: the message box alone does
// not say which picture of a long list is broken.
void reportFailure(Platform& platform, const Status& status) {
  platform.messages.detail(status.message);
  platform.messages.show(status.code == Status::Code::Unavailable ? text::kCannotShowFormat
                                                                  : text::kCannotLoadPicture);
}

}  // namespace

std::optional<std::string> RenderWallpaper(Platform& platform, RunState& state,
                                           const std::string& picturePath) {
  const int style = state.currentStyle;
  const bool automatic = style == 3 || style == 4;
  const std::optional<ScreenSize> screen = automatic ? platform.screen.size() : std::nullopt;

  // Large JPEGs decode at a reduced scale when the fit shrinks them anyway;
  // everything saved unscaled needs the whole picture.
  const NeededSize needed = [&](PictureSize natural) -> PictureSize {
    if (!screen) return natural;
    const Fit fit = FitPicture(natural.width, natural.height, screen->width, screen->height, style);
    return fit.kind == FitKind::Scale ? PictureSize{fit.width, fit.height} : natural;
  };
  LoadedPicture loaded = platform.pictures.load(picturePath, needed);
  if (!loaded.status.isOk()) {
    reportFailure(platform, loaded.status);
    return std::nullopt;
  }

  Picture result = std::move(loaded.pixels);
  if (automatic && !screen) {
    // Without a screen size there is nothing to fit to: centre it unscaled.
    platform.messages.detail("screen size unknown; " + picturePath + " is centred unscaled");
    state.currentStyle = 0;
  } else if (automatic) {
    const PictureSize natural = loaded.natural;
    const Fit fit = FitPicture(natural.width, natural.height, screen->width, screen->height, style);
    if (fit.kind == FitKind::Scale) {
      result = platform.pictures.drawScaled(
          result, {0, 0, double(result.width()), double(result.height())}, {fit.width, fit.height});
    }
    state.currentStyle = fit.style;
  }

  const std::string target = platform.inDataDir(kWallpaperFileName);
  if (const Status saved = platform.pictures.saveBitmap(result, target); !saved.isOk()) {
    platform.messages.detail(saved.message);
    platform.messages.show(text::kCannotWriteWallpaper);
    return std::nullopt;
  }
  return target;
}

}  // namespace tivolen
