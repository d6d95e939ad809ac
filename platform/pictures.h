// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "picture/picture.h"
#include "platform/status.h"

namespace tivolen {

// Decoding, scaling and writing of pictures; no application object needed,
// so a normal run of the changer never starts a GUI.
class Pictures {
 public:
  virtual ~Pictures() = default;

  // bmp, jpg/jpeg, gif (first frame), ico, emf and wmf by name; the content
  // decides the decoder. EXIF orientation is applied, so sizes are upright.
  // Decoding is refused above a pixel limit that keeps memory bounded.
  virtual LoadedPicture load(const std::string& path, const NeededSize& needed = {}) = 0;

  // The part `source` of `picture` resampled smoothly to `target`.
  virtual Picture drawScaled(const Picture& picture, const SourceRect& source,
                             PictureSize target) = 0;

  // load() and drawScaled() in one: the part `plan` names, at its kept size,
  // or the picture as it is when the plan names none. A back-end may scale
  // while it decodes, so that the full-size picture is never held; this
  // one decodes first and scales then.
  virtual LoadedPicture loadScaled(const std::string& path, const ScalePlan& plan) {
    LoadedPicture loaded = load(path, [&](PictureSize natural) {
      const std::optional<ScaledPart> wanted = plan(natural);
      return wanted ? wanted->scaled : natural;
    });
    if (!loaded.status.isOk()) return loaded;
    const std::optional<ScaledPart> part = plan(loaded.natural);
    if (!part) return loaded;
    const Picture& pixels = loaded.pixels;
    if (pixels.size() != part->scaled) {
      loaded.pixels =
          drawScaled(pixels, {0, 0, double(pixels.width()), double(pixels.height())}, part->scaled);
    }
    if (part->kept != part->scaled) {
      loaded.pixels = drawScaled(loaded.pixels,
                                 {double(part->keptX), double(part->keptY),
                                  double(part->kept.width), double(part->kept.height)},
                                 part->kept);
    }
    return loaded;
  }

  // A 24-bit Windows bitmap replacing `path` atomically: written beside it
  // (in slices where the back-end can), then renamed over the old file.
  virtual Status saveBitmap(const Picture& picture, const std::string& path) = 0;
};

}  // namespace tivolen
