// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/restore.h"

#include <optional>
#include <string>
#include <utility>

#include "changer/apply.h"
#include "changer/render.h"
#include "changer/run_state.h"
#include "changer/selection.h"
#include "changer/shown_wallpaper.h"
#include "common/change_log.h"
#include "common/list_file.h"
#include "common/picture_types.h"
#include "common/text_encoding.h"

namespace tivolen {
namespace {

bool sameSize(const ScreenSize& a, const ScreenSize& b) {
  return a.width == b.width && a.height == b.height;
}

// Whether a list entry stands for the picture: the file itself, or a
// registered folder it was found in.
bool entryHolds(const Platform& platform, const ListEntry& entry, const std::string& picture) {
  if (entry.path.empty()) return false;
  if (entry.kind == kKindImage) return entry.path == picture;
  if (entry.kind <= kKindFolderBase) return false;
  std::string folder = entry.path;
  platform.files.pathRules().endWithSeparator(folder);
  return picture.starts_with(folder);
}

// The style of the logged picture: that of the entry at the logged position
// while it still holds the picture, else of the first entry that does (the
// list was reordered since). Nothing when the list no longer holds it.
std::optional<int> listedStyle(Platform& platform, const std::string& picture, int position) {
  const std::string listPath = platform.inDataDir(kListFileName);
  if (ListFileTooLarge(platform.files, listPath)) return std::nullopt;
  const auto contents = ReadTextFile(platform.files, listPath);
  if (!contents) return std::nullopt;
  ListReadResult read = readImageList(*contents);
  if (!read.list) return std::nullopt;
  const SlotTable slots(read.list->entries, read.list->launcherPath.has_value());
  if (const int slot = slots.owner(position);
      slot >= 0 && entryHolds(platform, slots.slot(slot), picture)) {
    return slots.slot(slot).style;
  }
  for (const ListEntry& entry : read.list->entries) {
    if (entryHolds(platform, entry, picture)) return entry.style;
  }
  return std::nullopt;
}

// The logged picture, rendered for this screen as the change rendered it.
// Whatever stands in the way is only noted: the run changes nothing, so a
// box at every log-on until the next change would say nothing new.
void renderLoggedPictureAgain(Platform& platform) {
  const auto contents = ReadTextFile(platform.files, platform.inDataDir(kChangeLogFileName));
  const auto log = contents ? readChangeLog(*contents, ChangeLogPart::All) : std::nullopt;
  if (!log || !log->changeLabel.starts_with(kChangeLabelPrefix)) return;
  const std::string picture = log->changeLabel.substr(kChangeLabelPrefix.size());
  if (picture.empty()) return;
  if (!platform.files.fileExists(picture)) {
    platform.messages.detail("the current wallpaper cannot be shown again: " + picture +
                             " is gone");
    return;
  }
  const std::optional<int> style = listedStyle(platform, picture, log->changePosition);
  if (!style) {
    platform.messages.detail(
        "the current wallpaper cannot be shown again: the list no longer "
        "holds " +
        picture);
    return;
  }
  RunState state;
  state.currentStyle = *style;
  RenderedWallpaper shown{picture, {}, nullptr, std::nullopt};
  // As the selection decides: a bitmap is shown as it is unless the
  // whole-picture fit must redraw it.
  if (PictureTypeOf(picture) != "bmp" || *style == kStyleFit) {
    auto rendered = RenderWallpaper(platform, state, picture);
    if (!rendered) {
      ShowRenderFailure(platform, rendered.failure());
      return;
    }
    shown = std::move(rendered).value();
  }
  ShowWallpaper(platform, state.currentStyle, std::move(shown));
}

}  // namespace

void RestoreWallpaper(Platform& platform) {
  const std::string rendered = platform.inDataDir(kWallpaperFileName);
  const auto record = platform.files.readFile(platform.inDataDir(kShownWallpaperFileName));
  const auto shown = record ? readShownWallpaper(*record) : std::nullopt;
  if (shown && platform.files.fileExists(shown->file)) {
    // A rendered wallpaper is cut and scaled for one screen size; a bitmap
    // of the list shown as it is fits any.
    const std::optional<ScreenSize> screen = platform.screen.size();
    if (shown->file != rendered || !screen || sameSize(shown->screen, *screen)) {
      // Still for the screen it was made for.
      ShowWallpaper(platform, shown->style,
                    RenderedWallpaper{shown->file, {}, nullptr, shown->screen});
      return;
    }
  }
  renderLoggedPictureAgain(platform);
}

}  // namespace tivolen
