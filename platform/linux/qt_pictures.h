// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

#include "platform/linux/linux_pictures.h"
#include "platform/linux/qt_parts.h"

namespace tivolen {

// QImageReader for what our own decoders leave (gif, ico, webp, unusual
// bitmaps, CMYK JPEG) and QImage's smooth scaling; no application object.
bool QtRecognisesPicture(std::string_view head);
LoadedPicture QtDecodePicture(std::string_view bytes);
Picture QtDrawScaled(const Picture& picture, int left, int top, int width, int height,
                     PictureSize target);

// The above, linked: for the manager and the tests.
class LinkedQtPictureCodec final : public QtPictureCodec {
 public:
  bool recognisesPicture(std::string_view head) override { return QtRecognisesPicture(head); }
  LoadedPicture decodePicture(std::string_view bytes) override { return QtDecodePicture(bytes); }
  Picture drawScaled(const Picture& picture, int left, int top, int width, int height,
                     PictureSize target) override {
    return QtDrawScaled(picture, left, top, width, height, target);
  }
};

}  // namespace tivolen
