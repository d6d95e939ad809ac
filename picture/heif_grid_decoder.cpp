// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/heif_grid_decoder.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <numeric>
#include <thread>
#include <vector>

#include "picture/heif_boxes.h"
#include "picture/large_buffer.h"
#include "picture/side_thread.h"
#include "picture/ycbcr_reduction.h"
#include "platform/linux/heif_libraries.h"

namespace tivolen {
namespace {

struct DecoderFree {
  const Libde265* de265;
  void operator()(de265_decoder_context* context) const { de265->de265_free_decoder(context); }
};
using Decoder = std::unique_ptr<de265_decoder_context, DecoderFree>;

// Releases the picture the decoder handed out, whatever happens to it.
class NextPicture {
 public:
  NextPicture(const Libde265& de265, de265_decoder_context* decoder)
      : de265_(de265), decoder_(decoder), image_(de265.de265_peek_next_picture(decoder)) {}
  ~NextPicture() {
    if (image_ != nullptr) de265_.de265_release_next_picture(decoder_);
  }
  NextPicture(const NextPicture&) = delete;
  NextPicture& operator=(const NextPicture&) = delete;
  [[nodiscard]] const de265_image* get() const { return image_; }

 private:
  const Libde265& de265_;
  de265_decoder_context* decoder_;
  const de265_image* image_;
};

int largestPowerOfTwoDividing(int value, int limit) {
  int power = 1;
  while (power < limit && value % (power * 2) == 0) power *= 2;
  return power;
}

// How the grid's picture lands in the result at one reduction.
struct Placement {
  const HeifGridLayout& layout;
  int denominator;
  int firstX;  // the window's first reduced column and row in the grid
  int firstY;
  int width;  // the window in reduced pixels
  int height;
  std::uint32_t* origin;  // where the window's first reduced pixel goes
  std::ptrdiff_t stepX;
  std::ptrdiff_t stepY;

  [[nodiscard]] bool needs(int column, int row) const {
    const int tileWidth = layout.tileWidth / denominator;
    const int tileHeight = layout.tileHeight / denominator;
    return column * tileWidth < firstX + width && (column + 1) * tileWidth > firstX &&
           row * tileHeight < firstY + height && (row + 1) * tileHeight > firstY;
  }
};

Placement placement(const HeifGridLayout& layout, int denominator, Picture& out) {
  const auto& window = layout.window;
  Placement place{layout,
                  denominator,
                  window.x / denominator,
                  window.y / denominator,
                  divideUp(window.width, denominator),
                  divideUp(window.height, denominator),
                  nullptr,
                  0,
                  0};
  const std::ptrdiff_t stride = out.width();
  const int offsetU =
      (layout.xx < 0 ? place.width - 1 : 0) + (layout.xy < 0 ? place.height - 1 : 0);
  const int offsetV =
      (layout.yx < 0 ? place.width - 1 : 0) + (layout.yy < 0 ? place.height - 1 : 0);
  place.origin = out.row(0) + offsetV * stride + offsetU;
  place.stepX = layout.xx + layout.yx * stride;
  place.stepY = layout.xy + layout.yy * stride;
  return place;
}

// Decodes one tile and reduces the part of it the window shows into the
// result; false when it does not decode as its configuration promised.
bool decodeTile(const Libde265& de265, de265_decoder_context* decoder, const HeifFile& file,
                const HeifStructure& structure, const HeifGridLayout::Tile& tile, int column,
                int row, const ColourMatrix& matrix, const Placement& place, std::string& bytes) {
  de265.de265_reset(decoder);
  const auto data = heifItemData(structure, file, *tile.item, bytes);
  if (!data) return false;
  const auto units = splitNalUnits(*data, tile.config.lengthSize);
  if (!units) return false;
  for (const std::string_view unit : tile.config.parameterSets) {
    if (de265.de265_push_NAL(decoder, unit.data(), static_cast<int>(unit.size()), 0, nullptr) !=
        DE265_OK) {
      return false;
    }
  }
  for (const std::string_view unit : *units) {
    // A parameter set among the tile's own units replaces the checked one.
    if (const auto size = readHevcCodedSize(unit);
        size && !heifCodedSizeFits(*size, place.layout.tileWidth, place.layout.tileHeight,
                                   kMaxPicturePixels)) {
      return false;
    }
    if (de265.de265_push_NAL(decoder, unit.data(), static_cast<int>(unit.size()), 0, nullptr) !=
        DE265_OK) {
      return false;
    }
  }
  if (de265.de265_flush_data(decoder) != DE265_OK) return false;
  int more = 1;
  while (more != 0) {
    more = 0;
    if (de265.de265_decode(decoder, &more) != DE265_OK) break;
    if (de265.de265_peek_next_picture(decoder) != nullptr) break;
  }
  const NextPicture picture(de265, decoder);
  const de265_image* image = picture.get();
  if (image == nullptr) return false;
  const de265_chroma chroma = de265.de265_get_chroma_format(image);
  if (chroma == de265_chroma_mono ||
      de265.de265_get_image_width(image, 0) != place.layout.tileWidth ||
      de265.de265_get_image_height(image, 0) != place.layout.tileHeight) {
    return false;
  }
  YCbCrPlanes planes;
  planes.subsampleX = chroma == de265_chroma_444 ? 1 : 2;
  planes.subsampleY = chroma == de265_chroma_420 ? 2 : 1;
  Plane* targets[3] = {&planes.luma, &planes.cb, &planes.cr};
  // Only the part inside the grid's picture counts: the last row and
  // column of tiles usually reach past it.
  const HeifGridLayout& layout = place.layout;
  const int validWidth = std::min(layout.tileWidth, layout.width - column * layout.tileWidth);
  const int validHeight = std::min(layout.tileHeight, layout.height - row * layout.tileHeight);
  for (int channel = 0; channel < 3; ++channel) {
    if (de265.de265_get_bits_per_pixel(image, channel) != 8) return false;
    Plane& plane = *targets[channel];
    plane.data = de265.de265_get_image_plane(image, channel, &plane.stride);
    const int subX = channel == 0 ? 1 : planes.subsampleX;
    const int subY = channel == 0 ? 1 : planes.subsampleY;
    if (plane.data == nullptr ||
        de265.de265_get_image_width(image, channel) != divideUp(layout.tileWidth, subX) ||
        de265.de265_get_image_height(image, channel) != divideUp(layout.tileHeight, subY)) {
      return false;
    }
    plane.width = divideUp(validWidth, subX);
    plane.height = divideUp(validHeight, subY);
  }

  const int d = place.denominator;
  const int tileX = column * layout.tileWidth / d;  // the tile's first reduced pixel
  const int tileY = row * layout.tileHeight / d;
  const ReducedRange range{std::max(0, place.firstX - tileX),
                           std::min(divideUp(validWidth, d), place.firstX + place.width - tileX),
                           std::max(0, place.firstY - tileY),
                           std::min(divideUp(validHeight, d), place.firstY + place.height - tileY)};
  if (range.firstX >= range.lastX || range.firstY >= range.lastY) return true;
  const std::ptrdiff_t x = tileX + range.firstX - place.firstX;
  const std::ptrdiff_t y = tileY + range.firstY - place.firstY;
  reduceYCbCr(planes, matrix, d, range,
              {place.origin + x * place.stepX + y * place.stepY, place.stepX, place.stepY});
  return true;
}

}  // namespace

std::optional<LoadedPicture> decodeHeifGrid(std::string_view bytes, const NeededSize& needed) {
  return decodeHeifGrid(HeifFile(bytes), needed);
}

std::optional<LoadedPicture> decodeHeifGrid(const HeifFile& file, const NeededSize& needed) {
  const auto structure = readHeifStructure(file.head);
  if (!structure) return std::nullopt;
  // Decoders allocate the size the coded stream claims, before anything
  // tells it from the file's: the two are compared first.
  if (auto problem = heifSizeProblem(*structure, file, kMaxPicturePixels, false)) {
    return LoadedPicture{Status::failed("damaged HEIF picture: " + *problem), {}, {}};
  }
  const auto layout = readHeifGridLayout(*structure, file);
  if (!layout) return std::nullopt;
  const auto matrix = colourMatrix(layout->matrixCoefficients, layout->fullRange);
  if (!matrix) return std::nullopt;
  const PictureSize natural{layout->uprightWidth(), layout->uprightHeight()};
  if (std::int64_t{layout->width} * layout->height > kMaxPicturePixels) return std::nullopt;

  const Libde265 de265;
  if (!de265.loaded()) return std::nullopt;  // libheif's path says why

  // Reduced blocks never straddle two tiles, so each tile is reduced alone.
  const int denominator =
      reduction(natural, needed,
                largestPowerOfTwoDividing(std::gcd(layout->tileWidth, layout->tileHeight), 8));
  const int width = divideUp(natural.width, denominator);
  const int height = divideUp(natural.height, denominator);
  Picture out(width, height,
              allocateLarge<std::uint32_t>(static_cast<std::size_t>(width) * height));
  const Placement place = placement(*layout, denominator, out);

  std::vector<int> wanted;  // the tiles the window shows, row by row
  for (int row = 0; row < layout->rows; ++row) {
    for (int column = 0; column < layout->columns; ++column) {
      if (place.needs(column, row)) wanted.push_back(row * layout->columns + column);
    }
  }
  // The tiles are pictures of their own: two decoders, one a thread, decode
  // two at once. Both are made here, before any thread starts.
  const unsigned threads =
      std::min<unsigned>({2U, std::max(1U, std::thread::hardware_concurrency()),
                          static_cast<unsigned>(std::max<std::size_t>(wanted.size(), 1))});
  std::vector<Decoder> decoders;
  for (unsigned t = 0; t < threads; ++t) {
    decoders.emplace_back(de265.de265_new_decoder(), DecoderFree{&de265});
    if (!decoders.back()) return std::nullopt;
    // Intra pictures predict from samples before the in-loop filters, so
    // leaving the filters out changes nothing but the block edges they
    // smooth, and averaging two pixels or more into one hides those. It
    // saves about a tenth of the decoding; at full size they stay.
    if (denominator >= 2) {
      de265.de265_set_parameter_bool(decoders.back().get(), DE265_DECODER_PARAM_DISABLE_DEBLOCKING,
                                     1);
      de265.de265_set_parameter_bool(decoders.back().get(), DE265_DECODER_PARAM_DISABLE_SAO, 1);
    }
  }
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  const auto work = [&](de265_decoder_context* decoder) noexcept {
    try {
      std::string tileBytes;  // each tile's, read from the file in its turn
      for (std::size_t i = next++; i < wanted.size() && !failed; i = next++) {
        const int index = wanted[i];
        if (!decodeTile(de265, decoder, file, *structure, layout->tiles[index],
                        index % layout->columns, index / layout->columns, *matrix, place,
                        tileBytes)) {
          failed = true;
        }
      }
    } catch (const std::bad_alloc&) {
      failed = true;
    }
  };
  {
    std::optional<SideThread> helper;
    if (threads > 1) helper.emplace([&] { work(decoders[1].get()); });
    work(decoders[0].get());
  }
  if (failed) return std::nullopt;
  return LoadedPicture{Status::ok(), natural, std::move(out)};
}

}  // namespace tivolen
