// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "platform/pictures.h"

namespace tivolen {

// TurboJPEG for JPEG, a direct reader for plain bitmaps, QImageReader for the
// rest (gif, ico, unusual bitmaps, CMYK JPEG) and QImage's smooth scaling.
// None of them needs a Qt application object.
class LinuxPictures final : public Pictures {
 public:
  LoadedPicture load(const std::string& path, const NeededSize& needed = {}) override;
  LoadedPicture loadScaled(const std::string& path, const ScalePlan& plan) override;
  Picture drawScaled(const Picture& picture, const SourceRect& source, PictureSize target) override;
  Status saveBitmap(const Picture& picture, const std::string& path) override;
};

}  // namespace tivolen
