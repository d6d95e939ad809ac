// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/qt_pictures.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <cstring>

#include "picture/container_exif.h"
#include "picture/exif_orientation.h"
#include "picture/jpeg_decoder.h"
#include "picture/large_buffer.h"
#include "picture/png_structure.h"

namespace tivolen {
namespace {

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

}  // namespace

bool QtRecognisesPicture(std::string_view head) {
  QByteArray bytes = QByteArray::fromRawData(head.data(), static_cast<qsizetype>(head.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  return !QImageReader::imageFormat(&buffer).isEmpty();
}

LoadedPicture QtDecodePicture(std::string_view bytes) {
  int orientation = 1;
  LoadedPicture refused;
  QImage image = readWithQt(bytes, orientation, refused);
  if (image.isNull()) return refused;
  Picture picture = applyOrientation(fromQImage(std::move(image)), orientation);
  const PictureSize natural = picture.size();
  return {Status::ok(), natural, std::move(picture)};
}

Picture QtDrawScaled(const Picture& picture, int left, int top, int width, int height,
                     PictureSize target) {
  // A view onto the picture's own memory: no copy of the source.
  const QImage part(reinterpret_cast<const uchar*>(picture.row(top) + left), width, height,
                    static_cast<qsizetype>(picture.width()) * 4, QImage::Format_RGB32);
  return adopt(
      part.scaled(target.width, target.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

LinuxPictures::LinuxPictures() : LinuxPictures(std::make_shared<LinkedQtPictureCodec>()) {}

}  // namespace tivolen
