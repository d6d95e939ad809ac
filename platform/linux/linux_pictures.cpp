// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/linux_pictures.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
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
#include "platform/linux/unique_fd.h"

namespace tivolen {
namespace {

bool knownSignature(std::string_view head) {
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(head[i]); };
  if (head.size() >= 3 && at(0) == 0xff && at(1) == 0xd8 && at(2) == 0xff) return true;
  if (head.starts_with("BM") || head.starts_with("GIF8") || looksLikeHeif(head)) return true;
  // Asking Qt loads every image format plugin it has to probe the bytes.
  if (head.starts_with("\x89PNG\r\n\x1a\n") || looksLikeWebp(head)) return true;
  if (head.size() >= 4 && at(0) == 0 && at(1) == 0 && (at(2) == 1 || at(2) == 2) && at(3) == 0) {
    return true;  // icon or cursor
  }
  // Whatever else Qt recognises gets its own message from the decoder.
  QByteArray bytes = QByteArray::fromRawData(head.data(), static_cast<qsizetype>(head.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  return !QImageReader::imageFormat(&buffer).isEmpty();
}

// A picture file, read once rather than mapped: a mapped file that another
// program cuts short while we decode would kill the process. The size and
// the first bytes are checked before anything else is read, so a huge file
// or one that is no picture costs nothing; plain bitmaps are then read row
// by row, everything else whole into one buffer.
class PictureFile {
 public:
  PictureFile(const std::string& path, std::string& why)
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
    if (size_ > 0 && !knownSignature(bytes())) {
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

// A Picture on a QImage's own buffer: no copy. 32-bit rows are never padded.
Picture adopt(QImage image) {
  const int width = image.width();
  const int height = image.height();
  auto holder = std::make_shared<QImage>(std::move(image));
  auto* pixels = reinterpret_cast<std::uint32_t*>(holder->bits());
  return {width, height, std::shared_ptr<std::uint32_t[]>(holder, pixels)};
}

// Takes the image over: converting a sole owner happens in place where the
// layouts allow, and writing its rows then copies nothing.
Picture fromQImage(QImage image) {
  // Transparent parts show black, as on a desktop without a colour set:
  // premultiplying does exactly that, and its layout is RGB32's.
  const bool alpha = image.hasAlphaChannel();
  QImage converted = std::move(image).convertToFormat(alpha ? QImage::Format_ARGB32_Premultiplied
                                                            : QImage::Format_RGB32);
  const int width = converted.width();
  for (int y = 0; y < converted.height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(converted.scanLine(y));
    for (int x = 0; x < width; ++x) row[x] |= 0xff000000U;
  }
  return adopt(std::move(converted));
}

LoadedPicture tooLarge(std::string why) {
  LoadedPicture refused = LoadedPicture::failed(std::move(why));
  refused.tooLarge = true;
  return refused;
}

// Bytes a pixel takes in the image Qt decodes into: 8 for a 16-bit PNG.
std::int64_t decodedPixelBytes(QImage::Format format) {
  if (format == QImage::Format_Invalid) return 4;
  return std::max<std::int64_t>(4, QImage::toPixelFormat(format).bitsPerPixel() / 8);
}

// The reader is gone when this returns: a handler that keeps a reference
// to the image it decoded (GIF does) would make the conversion to our
// layout a second copy of the whole picture.
QImage readWithQt(std::string_view bytes, int& orientation, LoadedPicture& refused) {
  QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(true);
  // Our own budget below decides; Qt's limit only backs it up for a
  // handler that cannot tell its size beforehand.
  reader.setAllocationLimit(static_cast<int>(kMaxDecodeBytes >> 20));

  const QByteArray format = reader.format();
  if (format != "bmp" && format != "gif" && format != "ico" && format != "cur" &&
      format != "jpeg" && format != "jpg" && format != "png" && format != "webp") {
    refused = LoadedPicture::failed(format.isEmpty() ? "not a picture of a known kind"
                                                     : "a " + format.toStdString() +
                                                           " picture, not one of ours");
    return {};
  }
  // Qt 6.4 applies no orientation from a PNG file's eXIf chunk nor from a
  // WebP file's EXIF chunk. Reading them here and turning Qt's own off
  // applies it exactly once, whatever another Qt version does.
  if (format == "png" || format == "webp") {
    reader.setAutoTransform(false);
    orientation = format == "png" ? pngOrientation(bytes) : webpOrientation(bytes);
  }
  // Icons hold several sizes; the largest makes the best wallpaper.
  if (format == "ico" || format == "cur") {
    int best = 0;
    qint64 bestArea = -1;
    for (int i = 0; i < reader.imageCount(); ++i) {
      if (!reader.jumpToImage(i)) break;
      const QSize size = reader.size();
      if (qint64{size.width()} * size.height() > bestArea) {
        bestArea = qint64{size.width()} * size.height();
        best = i;
      }
    }
    reader.jumpToImage(best);
  }
  const QSize size = reader.size();
  const std::string sizeText = std::to_string(size.width()) + " x " + std::to_string(size.height());
  const std::int64_t pixels = qint64{size.width()} * size.height();
  if (size.isValid() && pixels > kMaxPicturePixels) {
    refused = tooLarge("picture too large: " + sizeText);
    return {};
  }
  // Qt's own JPEG reader shows a file cut short or a scan without data
  // as grey rows, and has no way to stop a scan bomb once started.
  if (format == "jpeg" || format == "jpg") {
    if (std::optional<LoadedPicture> refusedJpeg = refuseJpegByStructure(
            bytes, size.isValid() ? pixels * decodedPixelBytes(reader.imageFormat()) : 0, true)) {
      refused = std::move(*refusedJpeg);
      return {};
    }
  } else if (size.isValid()) {
    const std::int64_t needed =
        static_cast<std::int64_t>(bytes.size()) + pixels * decodedPixelBytes(reader.imageFormat());
    if (needed > kMaxDecodeBytes) {
      refused = tooLarge("picture too large: " + sizeText + " would need " +
                         std::to_string(needed >> 20) + " MiB to decode");
      return {};
    }
  }
  QImage image;
  if (!reader.read(&image) || image.isNull()) {
    refused = LoadedPicture::failed("damaged picture: " + reader.errorString().toStdString());
    return {};
  }
  return image;
}

LoadedPicture decodeWithQt(std::string_view bytes) {
  int orientation = 1;
  LoadedPicture refused;
  QImage image = readWithQt(bytes, orientation, refused);
  if (image.isNull()) return refused;
  Picture picture = applyOrientation(fromQImage(std::move(image)), orientation);
  const PictureSize natural = picture.size();
  return {Status::ok(), natural, std::move(picture)};
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
  PictureFile file(path, why);
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
      loaded = decodeWithQt(bytes);
    }
  } else if (looksLikeHeif(bytes)) {
    loaded = decodeHeif(bytes, needed, tilesTried);
  } else if (looksLikeWebp(bytes)) {
    WebpResult webp = decodeWebpScaled(bytes, {});
    loaded = webp.handled ? std::move(webp.loaded) : decodeWithQt(bytes);
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
    loaded = decodeWithQt(bytes);
  }
  if (!loaded.status.isOk()) loaded.status.message = path + ": " + loaded.status.message;
  return loaded;
}

LoadedPicture LinuxPictures::loadScaled(const std::string& path, const ScalePlan& plan) {
  const PictureType* type = FindPictureType(path);
  if (type == nullptr || (type->type != "emf" && type->type != "wmf")) {
    std::string why;
    PictureFile file(path, why);
    if (file.ok() && file.size() > 0 && looksLikeJpeg(file.bytes())) {
      if (!file.readAll(why)) return LoadedPicture::failed(path + ": " + why);
      JpegResult jpeg = decodeJpegScaled(file.bytes(), plan);
      if (jpeg.handled) {
        if (!jpeg.loaded.status.isOk()) {
          jpeg.loaded.status.message = path + ": " + jpeg.loaded.status.message;
        }
        return std::move(jpeg.loaded);
      }
    } else if (file.ok() && file.size() > 0 && looksLikePng(file.bytes())) {
      if (!file.readAll(why)) return LoadedPicture::failed(path + ": " + why);
      if (pngChunkRunsPastTheEnd(file.bytes())) {
        return LoadedPicture::failed(
            path + ": damaged PNG: a part of it claims more bytes than the file holds");
      }
      PngResult png = decodePngScaled(file.bytes(), plan);
      if (png.handled) {
        if (!png.loaded.status.isOk()) {
          png.loaded.status.message = path + ": " + png.loaded.status.message;
        }
        return std::move(png.loaded);
      }
    } else if (file.ok() && file.size() > 0 && looksLikeWebp(file.bytes())) {
      if (!file.readAll(why)) return LoadedPicture::failed(path + ": " + why);
      WebpResult webp = decodeWebpScaled(file.bytes(), plan);
      if (webp.handled) {
        if (!webp.loaded.status.isOk()) {
          webp.loaded.status.message = path + ": " + webp.loaded.status.message;
        }
        return std::move(webp.loaded);
      }
    }
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
  // Qt's smooth transformation (area averaging when reducing), on whole
  // source pixels around the requested part; the fraction lost is below one
  // source pixel.
  const int left = std::clamp(static_cast<int>(std::floor(source.x)), 0, picture.width() - 1);
  const int top = std::clamp(static_cast<int>(std::floor(source.y)), 0, picture.height() - 1);
  const int right =
      std::clamp(static_cast<int>(std::ceil(source.x + source.width)), left + 1, picture.width());
  const int bottom =
      std::clamp(static_cast<int>(std::ceil(source.y + source.height)), top + 1, picture.height());
  // A view onto the picture's own memory: no copy of the source.
  const QImage part(reinterpret_cast<const uchar*>(picture.row(top) + left), right - left,
                    bottom - top, static_cast<qsizetype>(picture.width()) * 4,
                    QImage::Format_RGB32);
  if (right - left == target.width && bottom - top == target.height) {
    // Nothing to scale; QImage would hand back a view of our own memory.
    Picture copy(target.width, target.height);
    for (int y = 0; y < target.height; ++y) {
      std::memcpy(copy.row(y), picture.row(top + y) + left,
                  static_cast<std::size_t>(target.width) * 4);
    }
    return copy;
  }
  return adopt(
      part.scaled(target.width, target.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
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
