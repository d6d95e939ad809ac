// SPDX-License-Identifier: GPL-3.0-or-later
// Making the focused picture the wallpaper at once, with the changer's own
// renderer and desktop back-ends: no change log, no counters, no save.
#include <cstdlib>
#include <utility>

#include "changer/apply.h"
#include "changer/render.h"
#include "changer/run_state.h"
#include "common/folder_walk.h"
#include "manager/edit_form.h"

namespace tivolen::manager {

bool EditForm::SetWallpaperFromSelection() {
  const WallpaperAttempt attempt = setWallpaper(Report::Boxes);
  return !attempt.desktopTookNothing;
}

EditForm::WallpaperAttempt EditForm::setWallpaper(Report report) {
  const int focus = list1_.listIndex;
  if (focus < 0) return {};
  const ListRow& row = document_.row(focus);
  if (row.path.empty() || std::abs(row.kind) > kKindFolderImage) return {};

  RunState state;  // no launcher: only the changer starts it
  // A style beyond the list's five, from a list edited by hand, fits the
  // whole picture as style 3 does.
  state.currentStyle = row.style >= 0 && row.style <= kStyleCover ? row.style : kStyleFit;
  RenderedWallpaper wallpaper{row.path, {}, nullptr, std::nullopt};
  // A bitmap shown as it is needs no copy; every other picture, and every
  // automatic style, goes through wallpaper.bmp.
  if (state.currentStyle >= kStyleFit || PictureTypeOf(row.path) != "bmp") {
    auto rendered = RenderWallpaper(platform_, state, row.path);
    if (!rendered) {
      // The next picture may do.
      const RenderFailure& failure = rendered.failure();
      platform_.messages.detail(failure.detail);
      if (report == Report::Boxes) platform_.messages.show(failure.message);
      return {false, failure.message};
    }
    wallpaper = std::move(rendered).value();
  }
  const bool applied = ApplyWallpaper(platform_, state, std::move(wallpaper)).isOk();
  return {!applied, {}};
}

}  // namespace tivolen::manager
