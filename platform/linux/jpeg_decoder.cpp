#include "platform/linux/jpeg_decoder.h"

#include <turbojpeg.h>

#include <array>
#include <cstring>
#include <memory>

#include "platform/linux/exif_orientation.h"
#include "platform/linux/large_buffer.h"

namespace tivolen {
namespace {

struct TjCloser {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjCloser>;

LoadedPicture failure(std::string why) {
  return {Status::failed(std::move(why)), {}, {}};
}

// libjpeg keeps the text of the first warning only. Stray bytes before the
// end-of-image marker come after every row has been decoded, so no later
// damage can hide behind them; every other warning (data cut short, broken
// Huffman codes, bad scan parameters) means rows that show grey or garbage.
bool harmlessWarning(std::string_view why) {
  return why.find("extraneous bytes before marker 0xd9") != std::string_view::npos;
}

int scaled(int side, int denominator) {
  return (side + denominator - 1) / denominator;
}

}  // namespace

JpegResult decodeJpeg(std::string_view bytes, const NeededSize& needed) {
  TjHandle handle(tjInitDecompress());
  if (!handle) return {true, failure("TurboJPEG could not start")};
  auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<unsigned long>(bytes.size());

  int width = 0;
  int height = 0;
  int subsampling = 0;
  int colourSpace = 0;
  if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colourSpace) !=
      0) {
    return {true, failure(std::string("not a readable JPEG: ") + tjGetErrorStr2(handle.get()))};
  }
  if (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK) return {false, {}};
  if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxPicturePixels) {
    return {true, failure("picture too large: " + std::to_string(width) + " x " +
                          std::to_string(height))};
  }

  const int orientation = jpegOrientation(bytes);
  const bool swap = swapsSides(orientation);
  const PictureSize natural = swap ? PictureSize{height, width} : PictureSize{width, height};

  int denominator = 1;
  if (needed) {
    PictureSize want = needed(natural);
    if (swap) want = {want.height, want.width};
    for (const int candidate : {8, 4, 2}) {
      if (scaled(width, candidate) >= want.width && scaled(height, candidate) >= want.height) {
        denominator = candidate;
        break;
      }
    }
  }
  // TurboJPEG picks the scale from the requested size: ask for exactly the
  // 1/denominator size so it cannot choose one of its slower factors.
  const int outWidth = scaled(width, denominator);
  const int outHeight = scaled(height, denominator);

  // BGRA rather than BGRX: libjpeg-turbo fills alpha with 0xff, which is
  // exactly the padding byte the picture format promises.
  Picture pixels(outWidth, outHeight,
                 allocateLarge<std::uint32_t>(static_cast<std::size_t>(outWidth) * outHeight));
  if (tjDecompress2(handle.get(), data, size, reinterpret_cast<unsigned char*>(pixels.row(0)),
                    outWidth, outWidth * 4, outHeight, TJPF_BGRA, 0) != 0) {
    const bool warning = tjGetErrorCode(handle.get()) == TJERR_WARNING;
    const std::string why = tjGetErrorStr2(handle.get());
    if (!warning || !harmlessWarning(why)) return {true, failure("damaged JPEG: " + why)};
  }
  return {true, {Status::ok(), natural, applyOrientation(std::move(pixels), orientation)}};
}

}  // namespace tivolen
