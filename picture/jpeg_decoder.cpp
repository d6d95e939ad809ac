// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/jpeg_decoder.h"

// jpeglib.h needs the standard types declared first.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "picture/area_scaler.h"
#include "picture/banded_rows.h"
#include "picture/bilinear_scaler.h"
#include "picture/exif_orientation.h"
#include "picture/jpeg_structure.h"
#include "picture/large_buffer.h"

namespace tivolen {
namespace {

struct TjCloser {
  void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjCloser>;

// libjpeg keeps the text of the first warning only. Stray bytes before the
// end-of-image marker come after every row has been decoded, so no later
// damage can hide behind them; every other warning (data cut short, broken
// Huffman codes, bad scan parameters) means rows that show grey or garbage.
bool harmlessWarning(std::string_view why) {
  return why.find("extraneous bytes before marker 0xd9") != std::string_view::npos;
}

LoadedPicture tooLarge(int width, int height) {
  LoadedPicture refused = LoadedPicture::failed("picture too large: " + std::to_string(width) +
                                                " x " + std::to_string(height));
  refused.tooLarge = true;
  return refused;
}

int scaled(int side, int denominator) {
  return (side + denominator - 1) / denominator;
}

}  // namespace

std::optional<LoadedPicture> refuseJpegByStructure(std::string_view bytes, std::int64_t outputBytes,
                                                   bool strict) {
  const std::optional<JpegStructure> structure = readJpegStructure(bytes);
  if (!structure) return std::nullopt;  // the decoder says what is wrong
  const std::string size =
      std::to_string(structure->width) + " x " + std::to_string(structure->height);
  if (jpegScansExceedBudget(*structure, kMaxPicturePixels)) {
    return LoadedPicture::failed("damaged JPEG: " + std::to_string(structure->scans) +
                                 " scans over " + size + " pixels, far more than any photo has");
  }
  if (strict && !structure->complete)
    return LoadedPicture::failed("damaged JPEG: the file is cut short");
  if (strict && structure->emptyScan)
    return LoadedPicture::failed("damaged JPEG: a scan holds no data");
  const std::int64_t needed = static_cast<std::int64_t>(bytes.size()) + outputBytes +
                              (structure->multiScan ? structure->coefficientBytes : 0);
  if (needed > kMaxDecodeBytes) {
    LoadedPicture refused = LoadedPicture::failed("picture too large: " + size + " would need " +
                                                  std::to_string(needed >> 20) + " MiB to decode");
    refused.tooLarge = true;
    return refused;
  }
  return std::nullopt;
}

JpegResult decodeJpeg(std::string_view bytes, const NeededSize& needed) {
  TjHandle handle(tjInitDecompress());
  if (!handle) return {true, LoadedPicture::failed("TurboJPEG could not start")};
  auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<unsigned long>(bytes.size());

  int width = 0;
  int height = 0;
  int subsampling = 0;
  int colourSpace = 0;
  if (tjDecompressHeader3(handle.get(), data, size, &width, &height, &subsampling, &colourSpace) !=
      0) {
    return {true, LoadedPicture::failed(std::string("not a readable JPEG: ") +
                                        tjGetErrorStr2(handle.get()))};
  }
  if (colourSpace == TJCS_CMYK || colourSpace == TJCS_YCCK) return {false, {}};
  if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxPicturePixels) {
    return {true, tooLarge(width, height)};
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
  if (std::optional<LoadedPicture> refused =
          refuseJpegByStructure(bytes, std::int64_t{outWidth} * outHeight * 4, false)) {
    return {true, std::move(*refused)};
  }

  // BGRA rather than BGRX: libjpeg-turbo fills alpha with 0xff, which is
  // exactly the padding byte the picture format promises.
  Picture pixels(outWidth, outHeight,
                 allocateLarge<std::uint32_t>(static_cast<std::size_t>(outWidth) * outHeight));
  // Any warning but the harmless one refuses the picture, so decoding
  // stops there: a small file claiming a large picture is not decoded
  // whole into grey first. The harmless warning comes after the last row.
  if (tjDecompress2(handle.get(), data, size, reinterpret_cast<unsigned char*>(pixels.row(0)),
                    outWidth, outWidth * 4, outHeight, TJPF_BGRA, TJFLAG_STOPONWARNING) != 0) {
    const bool warning = tjGetErrorCode(handle.get()) == TJERR_WARNING;
    const std::string why = tjGetErrorStr2(handle.get());
    if (!warning || !harmlessWarning(why))
      return {true, LoadedPicture::failed("damaged JPEG: " + why)};
  }
  return {true, {Status::ok(), natural, applyOrientation(std::move(pixels), orientation)}};
}

namespace {

// libjpeg reports fatal errors by calling error_exit, which must not
// return: it jumps back to the one place that set `jump`, past libjpeg's
// own C frames only.
struct JpegErrors {
  jpeg_error_mgr manager{};
  std::jmp_buf jump{};
  // The first warning that means grey or garbage rows (see harmlessWarning).
  std::array<char, JMSG_LENGTH_MAX> damage{};
  bool damaged = false;
  std::array<char, JMSG_LENGTH_MAX> fatal{};
};

[[noreturn]] void jpegErrorExit(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  (*info->err->format_message)(info, errors->fatal.data());
  std::longjmp(errors->jump, 1);
}

void jpegMessage(j_common_ptr info, int level) {
  if (level >= 0) return;  // traces
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  ++errors->manager.num_warnings;
  if (errors->manager.msg_code == JWRN_EXTRANEOUS_DATA && errors->manager.msg_parm.i[1] == 0xd9) {
    return;
  }
  if (!errors->damaged) (*info->err->format_message)(info, errors->damage.data());
  errors->damaged = true;
  // The picture is refused whatever follows: stop decoding it now.
  std::longjmp(errors->jump, 1);
}

// A progressive JPEG (or one with several sequential scans) is held whole as
// DCT coefficients until its last scan: 144 MB for a 24 MP 4:4:4 photo.
// libjpeg takes that memory in 4 KiB pages and zero-fills it first, and on a
// virtual machine those page faults and the fill cost as much as the entropy
// decoding. Its memory manager's methods are public and meant to be
// replaceable: here the whole-picture coefficient arrays come from one
// large block, already zero from the kernel. Once every scan is in, the
// output pass reads them top to bottom, and the rows it has passed go back
// to the system as the result grows: the two are never held whole at once.
class CoefficientStore {
 public:
  void install(jpeg_decompress_struct& info) {
    info.client_data = this;
    realizeOthers_ = info.mem->realize_virt_arrays;
    info.mem->request_virt_barray = request;
    info.mem->realize_virt_arrays = realize;
    info.mem->access_virt_barray = access;
  }

 private:
  struct Array {
    JDIMENSION blocksPerRow = 0;
    JDIMENSION rows = 0;
    JDIMENSION maxAccess = 0;
    std::vector<JBLOCKROW> rowStarts;
    bool releasable = false;   // in a block of the system's own
    JDIMENSION populated = 0;  // rows faulted in from the top
    JDIMENSION released = 0;   // rows given back from the top
  };
  // Faulted in and given back in steps of at least this much: a call per
  // block row would cost more than it saves.
  static constexpr std::size_t kPageStep = std::size_t{1} << 20;

  static CoefficientStore& of(j_common_ptr info) {
    return *static_cast<CoefficientStore*>(info->client_data);
  }

  // libjpeg's callbacks run inside its C frames: no exception may leave
  // them, and error_exit's jump must not skip a live C++ object here.
  static jvirt_barray_ptr request(j_common_ptr info, int pool, boolean /*preZero*/,
                                  JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION maxAccess) {
    if (pool != JPOOL_IMAGE) ERREXIT1(info, JERR_BAD_POOL_ID, pool);
    Array* array = of(info).add(blocksPerRow, rows, maxAccess);
    if (array == nullptr) ERREXIT1(info, JERR_OUT_OF_MEMORY, 10);
    return reinterpret_cast<jvirt_barray_ptr>(array);
  }
  Array* add(JDIMENSION blocksPerRow, JDIMENSION rows, JDIMENSION maxAccess) noexcept {
    try {
      arrays_.push_back(std::make_unique<Array>(Array{blocksPerRow, rows, maxAccess, {}}));
      return arrays_.back().get();
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
  }

  static void realize(j_common_ptr info) {
    if (!of(info).allocate()) ERREXIT1(info, JERR_OUT_OF_MEMORY, 11);
    of(info).realizeOthers_(info);
  }
  bool allocate() noexcept {
    std::size_t blocks = 0;
    for (const auto& array : arrays_) {
      if (array->rowStarts.empty()) {
        blocks += static_cast<std::size_t>(array->blocksPerRow) * array->rows;
      }
    }
    if (blocks == 0) return true;
    try {
      std::shared_ptr<JCOEF[]> memory = allocateLarge<JCOEF>(blocks * DCTSIZE2, true);
      auto* next = reinterpret_cast<JBLOCKROW>(memory.get());
      const bool releasable = blocks * sizeof(JBLOCK) >= kLargeBlockBytes;
      for (const auto& array : arrays_) {
        if (!array->rowStarts.empty()) continue;
        array->releasable = releasable;
        array->rowStarts.resize(array->rows);
        for (JBLOCKROW& start : array->rowStarts) {
          start = next;
          next += array->blocksPerRow;
        }
      }
      memory_.push_back(std::move(memory));
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }

  static JBLOCKARRAY access(j_common_ptr info, jvirt_barray_ptr handle, JDIMENSION firstRow,
                            JDIMENSION rows, boolean writable) {
    auto* array = reinterpret_cast<Array*>(handle);
    if (array->rowStarts.empty() || rows > array->maxAccess || firstRow > array->rows ||
        rows > array->rows - firstRow) {
      ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
    }
    const std::size_t rowBytes = std::size_t{array->blocksPerRow} * sizeof(JBLOCK);
    const JDIMENSION stepRows = static_cast<JDIMENSION>(kPageStep / rowBytes) + 1;
    // Every scan writes top to bottom, the first one every block: the pages
    // come in a step ahead of it, with a call each instead of a trap per
    // page, and a file cut short pays for no more than a step past its end.
    if (writable && array->releasable && firstRow + rows > array->populated) {
      const JDIMENSION to = std::min(array->rows, firstRow + rows + stepRows);
      populateLargeBlockPages(array->rowStarts[array->populated],
                              (to - array->populated) * rowBytes);
      array->populated = to;
    }
    // Reading only: every scan is in (without buffered-image mode libjpeg
    // takes all input before the output pass), and the pass moves down.
    // Rows a whole access above this one are done with, even for block
    // smoothing, which also reads the row before.
    if (!writable && array->releasable && firstRow >= array->released + array->maxAccess) {
      const JDIMENSION done = firstRow - array->maxAccess;
      if ((done - array->released) * rowBytes >= kPageStep) {
        releaseLargeBlockPages(array->rowStarts[array->released],
                               (done - array->released) * rowBytes);
        array->released = done;
      }
    }
    // A row given back reads as zeros: the pass never goes back up, and a
    // caller that did would get grey, not stray memory.
    return array->rowStarts.data() + firstRow;
  }

  void (*realizeOthers_)(j_common_ptr) = nullptr;
  std::vector<std::unique_ptr<Array>> arrays_;
  std::vector<std::shared_ptr<JCOEF[]>> memory_;
};

class BandDecoder {
 public:
  BandDecoder() {
    info_.err = jpeg_std_error(&errors_.manager);
    errors_.manager.error_exit = jpegErrorExit;
    errors_.manager.emit_message = jpegMessage;
    jpeg_create_decompress(&info_);
    coefficients_.install(info_);
  }
  ~BandDecoder() { jpeg_destroy_decompress(&info_); }
  BandDecoder(const BandDecoder&) = delete;
  BandDecoder& operator=(const BandDecoder&) = delete;

  jpeg_decompress_struct& info() { return info_; }
  [[nodiscard]] std::string fatal() const { return errors_.fatal.data(); }
  [[nodiscard]] bool damaged() const { return errors_.damaged; }
  [[nodiscard]] std::string damage() const { return errors_.damage.data(); }

  // Each call returns false when libjpeg gave up; fatal() says why.
  // jpeg_mem_src refuses empty input through error_exit too.
  bool readHeader(std::string_view bytes) {
    if (setjmp(errors_.jump) != 0) return false;
    jpeg_mem_src(&info_, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info_, TRUE);
    return true;
  }
  bool start(int denominator) {
    if (setjmp(errors_.jump) != 0) return false;
    info_.out_color_space = JCS_EXT_BGRA;  // alpha 0xff: the picture's padding byte
    info_.scale_num = 1;
    info_.scale_denom = static_cast<unsigned>(denominator);
    // Smoothing makes up the detail of scans that never came, and moves the
    // DC values with it; a file decoded from its DC scans alone must give
    // the pixels all of them give. With every scan there is nothing to make up.
    info_.do_block_smoothing = FALSE;
    jpeg_start_decompress(&info_);
    return true;
  }
  bool skip(std::int32_t rows) {
    if (setjmp(errors_.jump) != 0) return false;
    if (rows > 0) jpeg_skip_scanlines(&info_, static_cast<JDIMENSION>(rows));
    return true;
  }
  // Fills `rows` rows from `out` on; libjpeg hands out a few at a time.
  bool read(std::uint32_t* out, std::int32_t rows) {
    if (setjmp(errors_.jump) != 0) return false;
    const std::size_t width = info_.output_width;
    for (std::int32_t done = 0; done < rows;) {
      auto* row = reinterpret_cast<JSAMPROW>(out + width * static_cast<std::size_t>(done));
      std::array<JSAMPROW, 4> pointers{};
      const std::int32_t want = std::min<std::int32_t>(4, rows - done);
      for (std::int32_t i = 0; i < want; ++i) pointers[i] = row + width * 4 * i;
      const JDIMENSION got =
          jpeg_read_scanlines(&info_, pointers.data(), static_cast<JDIMENSION>(want));
      if (got == 0) {
        std::snprintf(errors_.fatal.data(), errors_.fatal.size(), "no rows after row %u",
                      info_.output_scanline);
        return false;
      }
      done += static_cast<std::int32_t>(got);
    }
    return true;
  }
  // Rows below the part are never decoded: their damage cannot show.
  bool finish() {
    if (setjmp(errors_.jump) != 0) return false;
    if (info_.output_scanline < info_.output_height) {
      jpeg_abort_decompress(&info_);
    } else {
      jpeg_finish_decompress(&info_);
    }
    return true;
  }

 private:
  // Declared first: libjpeg's arrays point into it until it is destroyed.
  CoefficientStore coefficients_;
  jpeg_decompress_struct info_{};
  JpegErrors errors_;
};

}  // namespace

JpegResult decodeJpegScaled(std::string_view bytes, const ScalePlan& plan) {
  if (!plan) return {false, {}};
  // A turned photo (a phone held upright) is scaled in its stored
  // orientation and only the screen-sized result is turned.
  const int orientation = jpegOrientation(bytes);
  BandDecoder decoder;
  jpeg_decompress_struct& info = decoder.info();
  if (!decoder.readHeader(bytes)) {
    return {true,
            LoadedPicture::failed(decoder.damaged() ? "damaged JPEG: " + decoder.damage()
                                                    : "not a readable JPEG: " + decoder.fatal())};
  }
  if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) return {false, {}};
  const auto width = static_cast<int>(info.image_width);
  const auto height = static_cast<int>(info.image_height);
  if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxPicturePixels) {
    return {true, tooLarge(width, height)};
  }
  const PictureSize natural =
      swapsSides(orientation) ? PictureSize{height, width} : PictureSize{width, height};
  std::optional<ScaledPart> part = plan(natural);
  if (part) part = storedPart(*part, orientation);
  if (!part || part->kept.width <= 0 || part->kept.height <= 0) return {false, {}};
  // Enlarged on either side: decoded at full size, a band at a time, and
  // sampled bilinear straight into the kept part, the scaling beside the
  // decoding. A picture sent in several scans is held as coefficients
  // meanwhile, beside the result. Decoded whole first, it holds them beside
  // its pixels, then its pixels beside the result: less where the
  // coefficients outweigh the pixels (no colour subsampling), but one step
  // after the other. Banded is kept unless it holds a quarter more.
  const bool enlarged = part->scaled.width > width || part->scaled.height > height;
  if (enlarged) {
    const std::optional<JpegStructure> structure = readJpegStructure(bytes);
    if (!structure) return {false, {}};
    if (structure->multiScan) {
      const std::int64_t pixelBytes = std::int64_t{width} * height * 4;
      const std::int64_t resultBytes = std::int64_t{part->kept.width} * part->kept.height * 4;
      const std::int64_t banded = structure->coefficientBytes + resultBytes;
      const std::int64_t whole =
          std::max(structure->coefficientBytes + pixelBytes, pixelBytes + resultBytes);
      if (banded * 4 > whole * 5) return {false, {}};
    }
  }
  int denominator = 1;
  for (const int candidate : {8, 4, 2}) {
    if (!enlarged && scaled(width, candidate) >= part->scaled.width &&
        scaled(height, candidate) >= part->scaled.height) {
      denominator = candidate;
      break;
    }
  }
  if (std::optional<LoadedPicture> refused = refuseJpegByStructure(
          bytes, std::int64_t{part->kept.width} * part->kept.height * 4, false)) {
    return {true, std::move(*refused)};
  }
  // At an eighth only each block's DC coefficient is used: a progressive
  // photo (a preview, a huge photo on a small screen) is decoded from its
  // DC scans alone, the same pixels for a fraction of the work.
  if (denominator == 8) {
    if (const std::optional<std::string> dcOnly = jpegWithDcScansOnly(bytes)) {
      return decodeJpegScaled(*dcOnly, plan);
    }
  }
  if (!decoder.start(denominator)) {
    return {true, LoadedPicture::failed("damaged JPEG: " +
                                        (decoder.damaged() ? decoder.damage() : decoder.fatal()))};
  }
  const PictureSize decoded{static_cast<std::int32_t>(info.output_width),
                            static_cast<std::int32_t>(info.output_height)};

  const std::size_t resultWords =
      static_cast<std::size_t>(part->kept.width) * static_cast<std::size_t>(part->kept.height);
  Picture pixels(part->kept.width, part->kept.height, allocateLarge<std::uint32_t>(resultWords));
  // The result is made from the top as a picture sent in several scans
  // gives its coefficients back (see CoefficientStore): its pages come in
  // alongside. Any other's come in straight away.
  PagesAhead resultPages(pixels.row(0), resultWords * 4, jpeg_has_multiple_scans(&info) == 0);
  std::unique_ptr<RowScaler> owned;
  BilinearRows* enlarging = nullptr;
  if (enlarged) {
    std::unique_ptr<BilinearRows> rows = BilinearRows::make(decoded, *part, pixels.alias());
    if (!rows) return {false, {}};
    enlarging = rows.get();
    owned = std::move(rows);
  } else {
    owned = std::make_unique<AreaScaler>(PictureSize{width, height}, denominator, *part,
                                         pixels.alias());
  }
  RowScaler& scaler = *owned;

  const std::int32_t first = scaler.firstRow();
  const std::int32_t end = scaler.endRow();
  bool ok = decoder.skip(first) &&
            ScaleInBands(scaler, decoded.width, first,
                         [&](std::uint32_t* out, std::int32_t firstRow, std::int32_t rows) {
                           resultPages.reach(firstRow + rows - first, end - first);
                           return decoder.read(out, rows);
                         });
  ok = ok && decoder.finish();
  if (decoder.damaged()) return {true, LoadedPicture::failed("damaged JPEG: " + decoder.damage())};
  if (!ok) return {true, LoadedPicture::failed("damaged JPEG: " + decoder.fatal())};
  if (enlarging != nullptr && !enlarging->done()) {
    return {true, LoadedPicture::failed("out of memory")};
  }
  return {true, {Status::ok(), natural, applyOrientation(std::move(pixels), orientation)}};
}

}  // namespace tivolen
