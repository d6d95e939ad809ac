// TurboJPEG with our header checks, EXIF orientation and warning rules, at
// full size and reduced.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/jpeg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const tivolen::NeededSize& needed :
       {tivolen::NeededSize{}, tivolen::NeededSize([](tivolen::PictureSize) {
          return tivolen::PictureSize{16, 16};
        })}) {
    const tivolen::JpegResult result = tivolen::decodeJpeg(bytes, needed);
    if (result.handled && result.loaded.status.isOk() && result.loaded.pixels.empty()) std::abort();
  }
  return 0;
}
