#pragma once

#include <cstdint>
#include <string>
#include <utility>

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
  void setWhileSaving(const WhileSaving& whileSaving) override { whileSaving_ = whileSaving; }

 private:
  // The bitmap written last, with the identity of the file it went to. A
  // desktop back-end handed this service reads wallpaper.bmp right after
  // the renderer wrote it; while the file is unchanged the pixels are taken
  // from here instead.
  struct WrittenBitmap {
    std::string path;
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    Picture pixels;
  };
  WrittenBitmap lastWritten_;
  WhileSaving whileSaving_;
};

}  // namespace tivolen
