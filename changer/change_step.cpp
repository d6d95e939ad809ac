// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/change_step.h"

#include <utility>

#include "changer/apply.h"
#include "changer/render.h"
#include "changer/selection.h"
#include "common/change_log.h"
#include "common/texts.h"

namespace tivolen {

StepResult ChangeWallpaper(Platform& platform, RunState& state, int direction,
                           NavigatorLabels* labels) {
  const ChangeLogSnapshot logBefore =
      ChangeLogSnapshot::take(platform.files, platform.inDataDir(kChangeLogFileName));
  const int positionBefore = state.currentPosition;
  const Choice choice = SelectWallpaper(platform, state, direction, labels);
  if (choice.endProgram) return StepResult::EndProgram;

  // A vanished picture is reported before any decoding is tried.
  if (!platform.files.fileExists(choice.path)) {
    platform.messages.show(MessageNamingFile(text::kFileNotFound, choice.path));
    return StepResult::NotApplied;
  }
  RenderedWallpaper wallpaper{choice.path, {}, nullptr, std::nullopt};
  if (choice.needsRendering) {
    auto rendered = RenderWallpaper(platform, state, choice.path);
    if (!rendered) {
      // A navigator stays open for the next press.
      ShowRenderFailure(platform, rendered.failure());
      return StepResult::NotApplied;
    }
    wallpaper = std::move(rendered).value();
  }
  if (!platform.files.fileExists(wallpaper.path)) {
    // A message box may talk to the display, which a painting under way
    // must have to itself.
    wallpaper.prepared.reset();
    platform.messages.show(MessageNamingFile(text::kFileNotFound, wallpaper.path));
    return StepResult::NotApplied;
  }
  if (const Status applied = ApplyWallpaper(platform, state, std::move(wallpaper));
      !applied.isOk()) {
    // Logged as done, the day's change would be lost for good.
    if (const Status restored = logBefore.restore(platform.files); !restored.isOk()) {
      platform.messages.detail(std::string(text::kChangeLogNotWritten) + restored.message);
    }
    state.currentPosition = positionBefore;
    return applied.code == Status::Code::Unavailable ? StepResult::DesktopUnavailable
                                                     : StepResult::DesktopRefused;
  }
  return StepResult::Applied;
}

}  // namespace tivolen
