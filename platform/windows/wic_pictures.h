// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/file_system.h"
#include "platform/pictures.h"

namespace tivolen {

// Pictures through the Windows Imaging Component (JPEG, GIF, ICO, BMP, PNG
// and whatever codecs the system has) and GDI for EMF and WMF, which WIC
// cannot read but Windows draws natively. Writing goes through the shared
// bitmap encoder and the given file system's atomic writer.
class WicPictures final : public Pictures {
 public:
  explicit WicPictures(FileSystem& files) : files_(files) {}
  LoadedPicture load(const std::string& path, const NeededSize& needed) override;
  Picture drawScaled(const Picture& picture, const SourceRect& source, PictureSize target) override;
  Status saveBitmap(const Picture& picture, const std::string& path) override;

 private:
  FileSystem& files_;
};

}  // namespace tivolen
