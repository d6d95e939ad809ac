// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include "platform/pictures.h"

namespace tivolen {

class QtPictureCodec;

// Our own decoders for JPEG, PNG, HEIF and plain bitmaps; `qt` for the rest
// (gif, ico, webp, unusual bitmaps, CMYK JPEG) and for smooth scaling where
// our scalers do not serve. None of them needs a Qt application object.
class LinuxPictures final : public Pictures {
 public:
  explicit LinuxPictures(std::shared_ptr<QtPictureCodec> qt) : qt_(std::move(qt)) {}
  // With Qt linked (the manager, the tests): defined with the Qt part.
  LinuxPictures();
  LoadedPicture load(const std::string& path, const NeededSize& needed = {}) override;
  LoadedPicture loadScaled(const std::string& path, const ScalePlan& plan) override;
  Picture drawScaled(const Picture& picture, const SourceRect& source, PictureSize target) override;
  Status saveBitmap(const Picture& picture, const std::string& path) override;

 private:
  std::shared_ptr<QtPictureCodec> qt_;
};

}  // namespace tivolen
