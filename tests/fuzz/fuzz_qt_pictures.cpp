// SPDX-License-Identifier: GPL-3.0-or-later
// The whole load of a picture file as the changer does it, for what goes
// through Qt's readers (PNG, WebP, GIF, ICO, unusual bitmaps, CMYK JPEG)
// and our checks before them: the pixel and memory budget, the GIF and JPEG
// structure walks, the orientation read from PNG and WebP. A picture that
// loads must have the pixels it claims.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/linux/linux_pictures.h"

namespace {

bool looksLikeHeif(std::string_view bytes) {
  return bytes.size() >= 12 && bytes.substr(4, 4) == "ftyp";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // HEIF has targets of its own; its decoders would only slow this one.
  if (looksLikeHeif(bytes)) return 0;
  static const std::string path =
      std::string(std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "/tmp") +
      "/fuzz_qt_pictures." + std::to_string(getpid()) + ".png";
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), static_cast<std::streamsize>(size));
  tivolen::LinuxPictures pictures;
  const tivolen::LoadedPicture loaded = pictures.load(path);
  if (loaded.status.isOk()) {
    if (loaded.pixels.empty() || loaded.pixels.size() != loaded.natural) std::abort();
    if ((loaded.pixels.at(loaded.pixels.width() - 1, loaded.pixels.height() - 1) >> 24) != 0xff) {
      std::abort();  // every pixel opaque: transparency shows black
    }
  } else if (loaded.tooLarge && loaded.status.message.find("too large") == std::string::npos) {
    std::abort();
  }
  return 0;
}
