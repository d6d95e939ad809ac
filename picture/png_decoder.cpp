// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/png_decoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "picture/area_scaler.h"
#include "picture/banded_rows.h"
#include "picture/bilinear_scaler.h"
#include "picture/container_exif.h"
#include "picture/exif_orientation.h"
#include "picture/large_buffer.h"
#include "picture/png_inflated.h"

namespace tivolen {
namespace {

// libpng reports errors by calling the error function, which must not
// return: it jumps back to the setjmp of the method that called libpng,
// past libpng's own C frames only.
class PngReader {
 public:
  explicit PngReader(std::string_view bytes) : bytes_(bytes) {
    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, onError, onWarning);
    if (png_ != nullptr) info_ = png_create_info_struct(png_);
  }
  ~PngReader() {
    if (png_ != nullptr)
      png_destroy_read_struct(&png_, info_ != nullptr ? &info_ : nullptr, nullptr);
  }
  PngReader(const PngReader&) = delete;
  PngReader& operator=(const PngReader&) = delete;

  [[nodiscard]] bool started() const { return png_ != nullptr && info_ != nullptr; }
  [[nodiscard]] std::string error() const { return error_; }
  [[nodiscard]] std::uint32_t width() const { return width_; }
  [[nodiscard]] std::uint32_t height() const { return height_; }
  [[nodiscard]] bool deep() const { return depth_ == 16; }
  [[nodiscard]] bool interlaced() const { return interlaced_; }

  // Header and the transforms that turn every kind of PNG into 0xAARRGGBB
  // words, one a pixel.
  bool readHeader() {
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    png_set_read_fn(png_, this, onRead);
    // Our own budget decides the size; libpng's default limits would
    // refuse wide pictures before it.
    png_set_user_limits(png_, 0x7fffffffU, 0x7fffffffU);
    // libpng allocates what a text or profile chunk claims before reading
    // its bytes: a file of 150 bytes claiming an 800 MB text chunk took
    // that much (found by fuzzing). None of the extras matters for the
    // pixels (the orientation is read separately), so they are skipped
    // unread; transparency is no extra.
    static constexpr png_byte kSkipped[] =
        "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0"
        "sRGB\0tEXt\0tIME\0zTXt";
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png_, PNG_HANDLE_CHUNK_NEVER, kSkipped, sizeof kSkipped / 5);
    png_set_chunk_malloc_max(png_, std::size_t{8} << 20);
    // Each chunk's CRC already covers every compressed byte, so damage is
    // found without zlib's second checksum over the decompressed rows.
    png_set_option(png_, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
    png_read_info(png_, info_);
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(png_, info_, &width_, &height_, &depth_, &colourType, &interlace, nullptr,
                 nullptr);
    interlaced_ = interlace != PNG_INTERLACE_NONE;
    png_set_expand(png_);
    png_set_scale_16(png_);
    png_set_gray_to_rgb(png_);
    png_set_bgr(png_);
    png_set_filler(png_, 0xff, PNG_FILLER_AFTER);  // only where there is no alpha
    if (interlaced_) png_set_interlace_handling(png_);
    png_read_update_info(png_, info_);
    alpha_ = (png_get_color_type(png_, info_) & PNG_COLOR_MASK_ALPHA) != 0;
    if (png_get_rowbytes(png_, info_) != std::size_t{width_} * 4)
      png_error(png_, "unexpected row layout");
    return true;
  }
  bool readRow(std::uint32_t* row) {
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    png_read_row(png_, reinterpret_cast<png_bytep>(row), nullptr);
    if (alpha_) premultiply(row);
    return true;
  }
  bool readWhole(Picture& picture) {
    std::vector<png_bytep> rows(height_);
    for (std::uint32_t y = 0; y < height_; ++y) {
      rows[y] = reinterpret_cast<png_bytep>(picture.row(static_cast<std::int32_t>(y)));
    }
    if (setjmp(png_jmpbuf(png_)) != 0) return false;
    png_read_image(png_, rows.data());
    if (alpha_) {
      for (std::uint32_t y = 0; y < height_; ++y) {
        premultiply(picture.row(static_cast<std::int32_t>(y)));
      }
    }
    return true;
  }

 private:
  // Transparent parts show black, as on a desktop without a colour set.
  void premultiply(std::uint32_t* row) const {
    for (std::uint32_t x = 0; x < width_; ++x) {
      const std::uint32_t pixel = row[x];
      const std::uint32_t alpha = pixel >> 24;
      if (alpha == 0xff) continue;
      const auto times = [alpha](std::uint32_t channel) { return (channel * alpha + 127) / 255; };
      row[x] = 0xff000000U | times((pixel >> 16) & 0xff) << 16 | times((pixel >> 8) & 0xff) << 8 |
               times(pixel & 0xff);
    }
  }

  static PngReader& of(png_structp png) { return *static_cast<PngReader*>(png_get_io_ptr(png)); }
  [[noreturn]] static void onError(png_structp png, png_const_charp message) {
    auto& reader = *static_cast<PngReader*>(png_get_error_ptr(png));
    reader.error_ = message;
    png_longjmp(png, 1);
  }
  static void onWarning(png_structp /*png*/, png_const_charp /*message*/) {}
  static void onRead(png_structp png, png_bytep out, png_size_t count) {
    PngReader& reader = of(png);
    if (count > reader.bytes_.size() - reader.offset_) png_error(png, "the file is cut short");
    std::memcpy(out, reader.bytes_.data() + reader.offset_, count);
    reader.offset_ += count;
  }

  std::string_view bytes_;
  std::size_t offset_ = 0;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::string error_;
  png_uint_32 width_ = 0;
  png_uint_32 height_ = 0;
  int depth_ = 0;
  bool interlaced_ = false;
  bool alpha_ = false;
};

bool looksLikePng(std::string_view bytes) {
  return bytes.size() >= 8 &&
         png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) == 0;
}

}  // namespace

PngResult decodePngScaled(std::string_view bytes, const ScalePlan& plan, PngInflate inflate) {
  if (!looksLikePng(bytes)) return {false, {}};
  PngReader reader(bytes);
  if (!reader.started()) return {true, LoadedPicture::failed("libpng could not start")};
  if (!reader.readHeader())
    return {true, LoadedPicture::failed("damaged picture: " + reader.error())};
  const auto width = static_cast<std::int64_t>(reader.width());
  const auto height = static_cast<std::int64_t>(reader.height());
  // The general decoder's budget, whatever this path holds, so that no
  // screen size or style decides whether a picture is shown.
  if (std::optional<LoadedPicture> refused = refusedAsTooLarge(
          width, height, static_cast<std::int64_t>(bytes.size()), reader.deep() ? 8 : 4)) {
    return {true, std::move(*refused)};
  }
  const int orientation = pngOrientation(bytes);
  const auto storedWidth = static_cast<std::int32_t>(width);
  const auto storedHeight = static_cast<std::int32_t>(height);
  const PictureSize natural = swapsSides(orientation) ? PictureSize{storedHeight, storedWidth}
                                                      : PictureSize{storedWidth, storedHeight};
  std::optional<ScaledPart> part = plan ? plan(natural) : std::nullopt;
  const PictureSize stored{storedWidth, storedHeight};
  // Centred, tiled or already the screen's size: the whole picture as it is.
  part = part ? storedPart(*part, orientation) : ScaledPart{stored, 0, 0, stored};
  if (part->kept.width <= 0 || part->kept.height <= 0) return {false, {}};
  const bool unscaled = part->scaled == stored && part->kept == stored;

  // The inflated rows are held at once. That is worth it up to half as
  // much again as the result, or up to what the picture's pixels take
  // decoded whole (as a program that decodes whole holds them) and an
  // eighth more for its data joined from many chunks, for a wallpaper of
  // up to 5120 x 2880: libdeflate then halves the time. Beyond that (a
  // tiny file claiming a huge picture, data that hardly compressed),
  // libpng's stream, row by row, is the better bargain.
  const std::size_t resultBytes =
      static_cast<std::size_t>(part->kept.width) * static_cast<std::size_t>(part->kept.height) * 4;
  constexpr std::int64_t kLargestWallpaper = std::int64_t{5120} * 2880;
  const auto wholeBytes =
      static_cast<std::size_t>(std::min(width * height, kLargestWallpaper) * 4 * 9 / 8 + height);
  std::optional<InflatedPng> inflated;
  if (inflate == PngInflate::WholeWhenPlain && !reader.interlaced()) {
    inflated =
        InflatedPng::inflate(bytes, std::max({resultBytes * 3 / 2, wholeBytes, kLargeBlockBytes}));
    if (inflated &&
        (!inflated->filtersValid() || inflated->width() != width || inflated->height() != height)) {
      inflated.reset();
    }
  }
  // The result, no larger than the screen, is written whole. Inflated rows
  // go back as it grows: its pages then come in alongside, else at once.
  const bool resultAtOnce = !inflated;
  if (unscaled && !reader.interlaced()) {
    Picture whole(storedWidth, storedHeight,
                  allocateLarge<std::uint32_t>(static_cast<std::size_t>(width * height)));
    PagesAhead pages(whole.row(0), resultBytes, resultAtOnce);
    for (std::int32_t y = 0; y < storedHeight; ++y) {
      pages.reach(y + 1, storedHeight);
      if (inflated) {
        inflated->nextRow(whole.row(y));
      } else if (!reader.readRow(whole.row(y))) {
        return {true, LoadedPicture::failed("damaged picture: " + reader.error())};
      }
    }
    return {true, {Status::ok(), natural, applyOrientation(std::move(whole), orientation)}};
  }

  const bool reduced = part->scaled.width <= width && part->scaled.height <= height;
  Picture result;
  std::unique_ptr<RowScaler> scaler;
  BilinearRows* enlarging = nullptr;
  if (!reader.interlaced()) {
    Picture kept(part->kept.width, part->kept.height,
                 allocateLarge<std::uint32_t>(resultBytes / 4));
    if (reduced) {
      scaler = std::make_unique<AreaScaler>(PictureSize{storedWidth, storedHeight}, 1, *part,
                                            kept.alias());
    } else if (std::unique_ptr<BilinearRows> rows =
                   BilinearRows::make({storedWidth, storedHeight}, *part, kept.alias())) {
      // Enlarged: sampled straight into the kept part from a band of rows.
      enlarging = rows.get();
      scaler = std::move(rows);
    }
    if (scaler) result = std::move(kept);
  }
  if (scaler) {
    // Rows below the part are never decoded: their damage cannot show.
    const auto words = static_cast<std::size_t>(width);
    PagesAhead pages(result.row(0), resultBytes, resultAtOnce);
    const std::int32_t first = scaler->firstRow();
    const std::int32_t end = scaler->endRow();
    const bool decoded = ScaleInBands(
        *scaler, storedWidth, 0, [&](std::uint32_t* out, std::int32_t firstRow, std::int32_t rows) {
          pages.reach(firstRow + rows - first, end - first);
          for (std::int32_t i = 0; i < rows; ++i) {
            std::uint32_t* row = out + words * static_cast<std::size_t>(i);
            if (inflated) {
              inflated->nextRow(row);
            } else if (!reader.readRow(row)) {
              return false;
            }
          }
          return true;
        });
    if (!decoded) return {true, LoadedPicture::failed("damaged picture: " + reader.error())};
    if (enlarging != nullptr && !enlarging->done())
      return {true, LoadedPicture::failed("out of memory")};
  } else {
    Picture whole(storedWidth, storedHeight,
                  allocateLarge<std::uint32_t>(static_cast<std::size_t>(width * height)));
    if (!reader.readWhole(whole))
      return {true, LoadedPicture::failed("damaged picture: " + reader.error())};
    if (unscaled) {
      return {true, {Status::ok(), natural, applyOrientation(std::move(whole), orientation)}};
    }
    result = scaleToPart(whole, *part);
    if (result.empty()) return {false, {}};
  }
  return {true, {Status::ok(), natural, applyOrientation(std::move(result), orientation)}};
}

}  // namespace tivolen
