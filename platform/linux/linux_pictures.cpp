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
#include "platform/linux/bitmap_file.h"
#include "platform/linux/container_exif.h"
#include "platform/linux/exif_orientation.h"
#include "platform/linux/gif_structure.h"
#include "platform/linux/heif_decoder.h"
#include "platform/linux/jpeg_decoder.h"
#include "platform/linux/large_buffer.h"

namespace tivolen {
namespace {

// The whole file in one buffer, read rather than mapped: a mapped file that
// another program cuts short while we decode would kill the process.
class FileBytes {
 public:
  FileBytes(const std::string& path, std::string& why) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0) {
      why = std::strerror(errno);
      if (fd >= 0) close(fd);
      return;
    }
    if (!S_ISREG(info.st_mode)) {
      why = "not a file";
      close(fd);
      return;
    }
    const auto expected = static_cast<std::size_t>(info.st_size);
    data_ = allocateLarge<char>(std::max<std::size_t>(expected, 1));
    while (size_ < expected) {
      const ssize_t n = read(fd, data_.get() + size_, expected - size_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        why = std::strerror(errno);
        close(fd);
        return;
      }
      if (n == 0) break;  // cut short meanwhile: the decoder judges what is left
      size_ += static_cast<std::size_t>(n);
    }
    close(fd);
    ok_ = true;
  }

  [[nodiscard]] bool ok() const { return ok_; }
  [[nodiscard]] std::string_view bytes() const { return {data_.get(), size_}; }

 private:
  std::shared_ptr<char[]> data_;
  std::size_t size_ = 0;
  bool ok_ = false;
};

// The bitmap this process wrote last, with the identity of the file it went
// to. The desktop back-end reads wallpaper.bmp right after the renderer wrote
// it; while the file is unchanged the pixels are taken from here instead.
struct WrittenBitmap {
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  Picture pixels;
};
WrittenBitmap& lastWritten() {
  static WrittenBitmap written;
  return written;
}
bool sameFile(const struct stat& info, const WrittenBitmap& written) {
  return info.st_dev == written.device && info.st_ino == written.inode &&
         info.st_size == written.size && info.st_mtim.tv_sec == written.modified.tv_sec &&
         info.st_mtim.tv_nsec == written.modified.tv_nsec;
}

// Puts `temp` in the place of `path` atomically. Swapping the two names and
// then removing the old file costs a fraction of renaming over it: ext4
// starts writing a file back when it replaces another by rename, which is
// what protects files that are not synced, and the wallpaper does not need
// that (it is rendered again at the next change).
bool replaceFile(const std::string& temp, const std::string& path) {
  if (renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
    unlink(temp.c_str());  // now the old wallpaper
    return true;
  }
  // No file to swap with yet, or a file system without the exchange.
  return rename(temp.c_str(), path.c_str()) == 0;
}

// A Picture on a QImage's own buffer: no copy. 32-bit rows are never padded.
Picture adopt(QImage image) {
  const int width = image.width();
  const int height = image.height();
  auto holder = std::make_shared<QImage>(std::move(image));
  auto* pixels = reinterpret_cast<std::uint32_t*>(holder->bits());
  return {width, height, std::shared_ptr<std::uint32_t[]>(holder, pixels)};
}

LoadedPicture failure(std::string why) {
  return {Status::failed(std::move(why)), {}, {}};
}

Picture fromQImage(const QImage& image) {
  // Transparent parts show black, as on a desktop without a colour set:
  // premultiplying does exactly that, and its layout is RGB32's.
  QImage converted = image.convertToFormat(
      image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  for (int y = 0; y < converted.height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(converted.scanLine(y));
    for (int x = 0; x < converted.width(); ++x) row[x] |= 0xff000000U;
  }
  return adopt(std::move(converted));
}

LoadedPicture decodeWithQt(std::string_view bytes) {
  QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(true);
  reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (std::int64_t{1024} * 1024)));

  const QByteArray format = reader.format();
  if (format != "bmp" && format != "gif" && format != "ico" && format != "cur" &&
      format != "jpeg" && format != "jpg" && format != "png" && format != "webp") {
    return failure(format.isEmpty() ? "not a picture of a known kind"
                                    : "a " + format.toStdString() + " picture, not one of ours");
  }
  // Qt 6.4 applies no orientation from a PNG file's eXIf chunk nor from a
  // WebP file's EXIF chunk. Reading them here and turning Qt's own off
  // applies it exactly once, whatever another Qt version does.
  int orientation = 1;
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
  if (size.isValid() && qint64{size.width()} * size.height() > kMaxPicturePixels) {
    return failure("picture too large: " + std::to_string(size.width()) + " x " +
                   std::to_string(size.height()));
  }
  QImage image;
  if (!reader.read(&image) || image.isNull()) {
    return failure("damaged picture: " + reader.errorString().toStdString());
  }
  Picture picture = applyOrientation(fromQImage(image), orientation);
  const PictureSize natural = picture.size();
  return {Status::ok(), natural, std::move(picture)};
}

bool looksLikeJpeg(std::string_view bytes) {
  return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xff &&
         static_cast<unsigned char>(bytes[1]) == 0xd8 &&
         static_cast<unsigned char>(bytes[2]) == 0xff;
}

}  // namespace

LoadedPicture LinuxPictures::load(const std::string& path, const NeededSize& needed) {
  const PictureType* type = FindPictureType(path);
  if (type != nullptr && (type->type == "emf" || type->type == "wmf")) {
    return {Status::unavailable(path + ": vector pictures (emf, wmf) cannot be shown"), {}, {}};
  }
  {
    // Handed out once: a long-running manager does not keep the last
    // wallpaper's pixels for ever.
    WrittenBitmap& written = lastWritten();
    struct stat info {};
    if (!written.pixels.empty() && path == written.path && stat(path.c_str(), &info) == 0 &&
        sameFile(info, written)) {
      Picture pixels = std::move(written.pixels);
      written = {};
      const PictureSize natural = pixels.size();
      return {Status::ok(), natural, std::move(pixels)};
    }
  }
  std::string why;
  const FileBytes file(path, why);
  if (!file.ok()) return failure(path + ": " + why);
  const std::string_view bytes = file.bytes();
  if (bytes.empty()) return failure(path + ": empty file");

  LoadedPicture loaded;
  if (looksLikeJpeg(bytes)) {
    JpegResult jpeg = decodeJpeg(bytes, needed);
    if (jpeg.handled) {
      loaded = std::move(jpeg.loaded);
    } else {
      loaded = decodeWithQt(bytes);
    }
  } else if (looksLikeHeif(bytes)) {
    loaded = decodeHeif(bytes, needed);
  } else if (bitmapIsCutShort(bytes)) {
    loaded = failure("damaged bitmap: the file ends before its last row");
  } else if (gifFirstFrameIsCutShort(bytes)) {
    loaded = failure("damaged GIF: the file ends inside its first picture");
  } else if (std::optional<Picture> bitmap = decodePlainBitmap(bytes)) {
    const PictureSize natural = bitmap->size();
    loaded = {Status::ok(), natural, std::move(*bitmap)};
  } else {
    loaded = decodeWithQt(bytes);
  }
  if (!loaded.status.isOk()) loaded.status.message = path + ": " + loaded.status.message;
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
  const BitmapBytes bitmap = encodeBitmap(picture);
  const std::string_view file = bitmap.view();
  std::string temp = path + ".tmp-XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return Status::failedAt(path, std::strerror(errno));
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  std::size_t done = 0;
  while (done < file.size()) {
    const ssize_t n = write(fd, file.data() + done, file.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const std::string why = std::strerror(errno);
      close(fd);
      unlink(temp.c_str());
      return Status::failedAt(path, why);
    }
    done += static_cast<std::size_t>(n);
  }
  // No fsync: the wallpaper is rendered again at the next change, and
  // syncing tens of megabytes would cost more than the whole rendering. The
  // rename still means the desktop never sees a half-written file.
  struct stat info {};
  if (fstat(fd, &info) != 0 || close(fd) != 0 || !replaceFile(temp, path)) {
    const std::string why = std::strerror(errno);
    unlink(temp.c_str());
    return Status::failedAt(path, why);
  }
  lastWritten() = {path, info.st_dev, info.st_ino, info.st_size, info.st_mtim, picture.alias()};
  return Status::ok();
}

}  // namespace tivolen
