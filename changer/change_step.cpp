#include "changer/change_step.h"

#include "changer/apply.h"
#include "changer/render.h"
#include "changer/selection.h"
#include "common/texts.h"

namespace tivolen {

StepResult ChangeWallpaper(Platform& platform, RunState& state, int direction,
                           NavigatorLabels* labels) {
  const Choice choice = SelectWallpaper(platform, state, direction, labels);
  if (choice.endProgram) return StepResult::EndProgram;

  // A vanished picture is reported before any decoding is tried.
  if (!platform.files.fileExists(choice.path)) {
    platform.messages.show(text::kFileNotFound);
    return StepResult::NotApplied;
  }
  RenderedWallpaper wallpaper{choice.path, {}};
  if (choice.needsRendering) {
    auto rendered = RenderWallpaper(platform, state, choice.path);
    // The message has been shown; a navigator stays open for the next press.
    if (!rendered) return StepResult::NotApplied;
    wallpaper = std::move(*rendered);
  }
  const std::string& path = wallpaper.path;
  if (!platform.files.fileExists(path)) {
    platform.messages.show(text::kFileNotFound);
    return StepResult::NotApplied;
  }
  ApplyWallpaper(platform, state, path, wallpaper.pixels);
  return StepResult::Applied;
}

}  // namespace tivolen
