// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/linux_pictures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/picture_types.h"
#include "picture/bilinear_scaler.h"
#include "picture/bitmap_file.h"
#include "picture/container_exif.h"
#include "picture/exif_orientation.h"
#include "picture/gif_structure.h"
#include "picture/heif_boxes.h"
#include "picture/heif_decoder.h"
#include "picture/heif_grid_decoder.h"
#include "picture/jpeg_decoder.h"
#include "picture/large_buffer.h"
#include "picture/png_decoder.h"
#include "picture/png_structure.h"
#include "picture/webp_decoder.h"
#include "platform/linux/atomic_file.h"
#include "platform/linux/qt_parts.h"
#include "platform/linux/unique_fd.h"

namespace tivolen {
namespace {

bool knownSignature(std::string_view head, QtPictureCodec& qt) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(head[i]); };
  if (head.size() >= 3 && at(0) == 0xff && at(1) == 0xd8 && at(2) == 0xff) return true;
  if (head.starts_with("BM") || head.starts_with("GIF8") || looksLikeHeif(head)) return true;
  // Asking Qt loads every image format plugin it has to probe the bytes.
  if (head.starts_with("\x89PNG\r\n\x1a\n") || looksLikeWebp(head)) return true;
  if (head.size() >= 4 && at(0) == 0 && at(1) == 0 && (at(2) == 1 || at(2) == 2) && at(3) == 0) {
    return true;  // icon or cursor
  }
  // Whatever else Qt recognises gets its own message from the decoder.
  return qt.recognisesPicture(head);
}

// A picture file, read once rather than mapped: a mapped file that another
// program cuts short while we decode would kill the process. The size and
// the first bytes are checked before anything else is read, so a huge file
// or one that is no picture costs nothing; plain bitmaps are then read row
// by row, everything else whole into one buffer.
class PictureFile {
 public:
  PictureFile(const std::string& path, std::string& why, QtPictureCodec& qt)
      : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    struct stat info {};
    if (fd_.get() < 0 || fstat(fd_.get(), &info) != 0) {
      why = std::strerror(errno);
      return;
    }
    if (!S_ISREG(info.st_mode)) {
      why = "not a file";
      return;
    }
    if (info.st_size > kMaxPictureFileBytes) {
      why = "file too large for a picture: " + std::to_string(info.st_size) + " bytes";
      tooLarge_ = true;
      return;
    }
    expected_ = static_cast<std::size_t>(info.st_size);
    // Pages of the large buffer cost nothing until they are written.
    data_ = allocateLarge<char>(std::max<std::size_t>(expected_, 1));
    constexpr std::size_t kHeadBytes = 4096;
    if (!readUpTo(std::min(expected_, kHeadBytes), why)) return;
    if (size_ > 0 && !knownSignature(bytes(), qt)) {
      why = "not a picture of a known kind";
      return;
    }
    ok_ = true;
  }

  [[nodiscard]] bool ok() const { return ok_; }
  [[nodiscard]] bool tooLarge() const { return tooLarge_; }
  // What has been read: the first bytes, or after readAll() the whole file.
  [[nodiscard]] std::string_view bytes() const { return {data_.get(), size_}; }
  [[nodiscard]] std::uint64_t size() const { return expected_; }

  bool readAll(std::string& why) { return readUpTo(expected_, why); }
  // At least the first `count` bytes, or all there are.
  bool readFirst(std::uint64_t count, std::string& why) {
    return readUpTo(static_cast<std::size_t>(std::min<std::uint64_t>(count, expected_)), why);
  }

  bool readAt(std::uint64_t offset, char* out, std::size_t count) const {
    while (count > 0) {
      const ssize_t n = pread(fd_.get(), out, count, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      out += n;
      offset += static_cast<std::uint64_t>(n);
      count -= static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  bool readUpTo(std::size_t end, std::string& why) {
    // The file's own size, read now: its pages come in with one call.
    if (end - std::min(end, size_) >= kLargeBlockBytes)
      populateLargeBlockPages(data_.get() + size_, end - size_);
    while (size_ < end) {
      const ssize_t n = read(fd_.get(), data_.get() + size_, end - size_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        why = std::strerror(errno);
        return false;
      }
      if (n == 0) break;  // cut short meanwhile: the decoder judges what is left
      size_ += static_cast<std::size_t>(n);
    }
    return true;
  }

  UniqueFd fd_;
  std::shared_ptr<char[]> data_;
  std::size_t expected_ = 0;
  std::size_t size_ = 0;
  bool ok_ = false;
  bool tooLarge_ = false;
};

LoadedPicture tooLarge(std::string why) {
  LoadedPicture refused = LoadedPicture::failed(std::move(why));
  refused.tooLarge = true;
  return refused;
}

bool looksLikeJpeg(std::string_view bytes) {
  return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xff &&
         static_cast<unsigned char>(bytes[1]) == 0xd8 &&
         static_cast<unsigned char>(bytes[2]) == 0xff;
}

bool looksLikePng(std::string_view bytes) {
  return bytes.starts_with("\x89PNG\r\n\x1a\n");
}

}  // namespace

LoadedPicture LinuxPictures::load(const std::string& path, const NeededSize& needed) {
  const PictureType* type = FindPictureType(path);
  if (type != nullptr && (type->type == "emf" || type->type == "wmf")) {
    return {Status::unavailable(path + ": vector pictures (emf, wmf) cannot be shown"), {}, {}};
  }
  std::string why;
  PictureFile file(path, why, *qt_);
  if (!file.ok()) {
    LoadedPicture refused = LoadedPicture::failed(path + ": " + why);
    refused.tooLarge = file.tooLarge();
    return refused;
  }
  if (file.size() == 0) return LoadedPicture::failed(path + ": empty file");
  if (bitmapIsCutShort(file.bytes(), file.size())) {
    return LoadedPicture::failed(path + ": damaged bitmap: the file ends before its last row");
  }
  if (std::optional<Picture> bitmap = decodePlainBitmap(
          file.bytes(), file.size(), [&file](std::uint64_t offset, char* out, std::size_t count) {
            return file.readAt(offset, out, count);
          })) {
    const PictureSize natural = bitmap->size();
    return {Status::ok(), natural, std::move(*bitmap)};
  }
  bool tilesTried = false;
  if (looksLikeHeif(file.bytes())) {
    // A phone's photo is a grid of tiles: each is read from the file when
    // it is decoded, so the file is never held whole beside the picture.
    const ReadAt readAt = [&file](std::uint64_t offset, char* out, std::size_t count) {
      return file.readAt(offset, out, count);
    };
    const std::optional<std::uint64_t> metaEnd = heifMetaEnd(file.size(), readAt);
    if (metaEnd && file.readFirst(*metaEnd, why)) {
      if (auto grid = decodeHeifGrid(HeifFile(file.bytes(), file.size(), readAt), needed)) {
        if (!grid->status.isOk()) grid->status.message = path + ": " + grid->status.message;
        return std::move(*grid);
      }
      tilesTried = true;
    }
  }
  if (!file.readAll(why)) return LoadedPicture::failed(path + ": " + why);
  const std::string_view bytes = file.bytes();
  if (bytes.empty()) return LoadedPicture::failed(path + ": empty file");

  LoadedPicture loaded;
  if (looksLikeJpeg(bytes)) {
    JpegResult jpeg = decodeJpeg(bytes, needed);
    if (jpeg.handled) {
      loaded = std::move(jpeg.loaded);
    } else {
      loaded = qt_->decodePicture(bytes);
    }
  } else if (looksLikeHeif(bytes)) {
    loaded = decodeHeif(bytes, needed, tilesTried);
  } else if (looksLikeWebp(bytes)) {
    WebpResult webp = decodeWebpScaled(bytes, {});
    loaded = webp.handled ? std::move(webp.loaded) : qt_->decodePicture(bytes);
  } else if (gifFirstFrameIsCutShort(bytes)) {
    loaded = LoadedPicture::failed("damaged GIF: the file ends inside its first picture");
  } else if (const std::int64_t canvas = gifFirstFrameCanvasPixels(bytes);
             canvas > kMaxPicturePixels) {
    loaded = tooLarge("picture too large: its first frame reaches " + std::to_string(canvas) +
                      " pixels");
  } else if (pngChunkRunsPastTheEnd(bytes)) {
    loaded =
        LoadedPicture::failed("damaged PNG: a part of it claims more bytes than the file holds");
  } else {
    loaded = qt_->decodePicture(bytes);
  }
  if (!loaded.status.isOk()) loaded.status.message = path + ": " + loaded.status.message;
  return loaded;
}

LoadedPicture LinuxPictures::loadScaled(const std::string& path, const ScalePlan& plan) {
  const PictureType* type = FindPictureType(path);
  if (type == nullptr || (type->type != "emf" && type->type != "wmf")) {
    std::string why;
    PictureFile file(path, why, *qt_);
    // The decoders that scale while they decode; each leaves what it does
    // not handle to the whole-picture path below.
    const auto scaling = [&](auto decode) -> std::optional<LoadedPicture> {
      if (!file.readAll(why)) return LoadedPicture::failed(path + ": " + why);
      auto result = decode(file.bytes());
      if (!result.handled) return std::nullopt;
      LoadedPicture& loaded = result.loaded;
      if (!loaded.status.isOk()) loaded.status.message = path + ": " + loaded.status.message;
      return std::move(loaded);
    };
    std::optional<LoadedPicture> scaled;
    if (file.ok() && file.size() > 0 && looksLikeJpeg(file.bytes())) {
      scaled = scaling([&](std::string_view bytes) { return decodeJpegScaled(bytes, plan); });
    } else if (file.ok() && file.size() > 0 && looksLikePng(file.bytes())) {
      scaled = scaling([&](std::string_view bytes) {
        if (pngChunkRunsPastTheEnd(bytes)) {
          return PngResult{true, LoadedPicture::failed("damaged PNG: a part of it claims more "
                                                       "bytes than the file holds")};
        }
        return decodePngScaled(bytes, plan);
      });
    } else if (file.ok() && file.size() > 0 && looksLikeWebp(file.bytes())) {
      scaled = scaling([&](std::string_view bytes) { return decodeWebpScaled(bytes, plan); });
    }
    if (scaled) return std::move(*scaled);
  }
  // Decoded whole, then only the kept part is scaled, straight to its size:
  // the picture scaled whole is never made.
  LoadedPicture loaded = load(path, [&](PictureSize natural) {
    const std::optional<ScaledPart> wanted = plan ? plan(natural) : std::nullopt;
    return wanted ? wanted->scaled : natural;
  });
  if (!loaded.status.isOk() || !plan) return loaded;
  const std::optional<ScaledPart> part = plan(loaded.natural);
  if (!part || (loaded.pixels.size() == part->scaled && part->kept == part->scaled)) return loaded;
  if (Picture scaled = scaleToPart(loaded.pixels, *part); !scaled.empty()) {
    loaded.pixels = std::move(scaled);
    return loaded;
  }
  const Picture whole = drawScaled(
      loaded.pixels, {0, 0, double(loaded.pixels.width()), double(loaded.pixels.height())},
      part->scaled);
  loaded.pixels = drawScaled(whole,
                             {double(part->keptX), double(part->keptY), double(part->kept.width),
                              double(part->kept.height)},
                             part->kept);
  return loaded;
}

Picture LinuxPictures::drawScaled(const Picture& picture, const SourceRect& source,
                                  PictureSize target) {
  // Whole source pixels around the requested part; the fraction lost is
  // below one source pixel.
  const int left = std::clamp(static_cast<int>(std::floor(source.x)), 0, picture.width() - 1);
  const int top = std::clamp(static_cast<int>(std::floor(source.y)), 0, picture.height() - 1);
  const int right =
      std::clamp(static_cast<int>(std::ceil(source.x + source.width)), left + 1, picture.width());
  const int bottom =
      std::clamp(static_cast<int>(std::ceil(source.y + source.height)), top + 1, picture.height());
  if (right - left == target.width && bottom - top == target.height) {
    Picture copy(target.width, target.height);
    for (int y = 0; y < target.height; ++y) {
      std::memcpy(copy.row(y), picture.row(top + y) + left,
                  static_cast<std::size_t>(target.width) * 4);
    }
    return copy;
  }
  // Qt's smooth transformation (area averaging when reducing); our own
  // scalers when Qt cannot be had.
  Picture scaled = qt_->drawScaled(picture, left, top, right - left, bottom - top, target);
  if (!scaled.empty()) return scaled;
  const PictureSize whole{picture.width(), picture.height()};
  const double scaleX = double(target.width) / (right - left);
  const double scaleY = double(target.height) / (bottom - top);
  const PictureSize all{
      std::max(target.width, static_cast<std::int32_t>(std::lround(whole.width * scaleX))),
      std::max(target.height, static_cast<std::int32_t>(std::lround(whole.height * scaleY)))};
  const ScaledPart part{
      all,
      std::min(static_cast<std::int32_t>(std::lround(left * scaleX)), all.width - target.width),
      std::min(static_cast<std::int32_t>(std::lround(top * scaleY)), all.height - target.height),
      target};
  return scaleToPart(picture, part);
}

Status LinuxPictures::saveBitmap(const Picture& picture, const std::string& path) {
  // Encoded a slice at a time straight into the file: no whole-file buffer
  // beside the picture. Unsynced: the wallpaper is rendered again at the
  // next change, and syncing tens of megabytes would cost more than the
  // whole rendering. The rename still means the desktop never sees a
  // half-written file.
  return replaceFileAtomically(
      path, [&](const ChunkWriter& piece) { return writeBitmap(picture, piece); },
      Durability::Unsynced);
}

}  // namespace tivolen
