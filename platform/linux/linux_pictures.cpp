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
#include <cstring>

#include "platform/linux/bitmap_file.h"
#include "platform/linux/jpeg_decoder.h"

namespace tivolen {
namespace {

std::string lowerExtension(const std::string& path) {
  const auto slash = path.rfind('/');
  const auto dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

struct FileCloser {
  int fd;
  ~FileCloser() {
    if (fd >= 0) close(fd);
  }
};

// The whole file in one read where the kernel allows it.
std::optional<std::string> readWhole(const std::string& path, std::string& why) {
  FileCloser file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  struct stat info {};
  if (file.fd < 0 || fstat(file.fd, &info) != 0) {
    why = std::strerror(errno);
    return std::nullopt;
  }
  std::string bytes(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = read(file.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      why = std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

LoadedPicture failure(std::string why) {
  return {Status::failed(std::move(why)), {}, {}};
}

Picture fromQImage(const QImage& image) {
  // Transparent parts show black, as on a desktop without a colour set:
  // premultiplying does exactly that, and its layout is RGB32's.
  const QImage converted = image.convertToFormat(
      image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  Picture picture(converted.width(), converted.height());
  for (int y = 0; y < converted.height(); ++y) {
    const auto* source = reinterpret_cast<const std::uint32_t*>(converted.constScanLine(y));
    std::uint32_t* target = picture.row(y);
    for (int x = 0; x < converted.width(); ++x) target[x] = source[x] | 0xff000000U;
  }
  return picture;
}

LoadedPicture decodeWithQt(std::string& bytes) {
  QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(true);
  reader.setAllocationLimit(static_cast<int>(kMaxPicturePixels * 4 / (1024 * 1024)));

  const QByteArray format = reader.format();
  if (format != "bmp" && format != "gif" && format != "ico" && format != "cur" &&
      format != "jpeg" && format != "jpg") {
    return failure(format.isEmpty() ? "not a picture of a known kind"
                                    : "a " + format.toStdString() + " picture, not one of ours");
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
  Picture picture = fromQImage(image);
  const PictureSize natural = picture.size();
  return {Status::ok(), natural, std::move(picture)};
}

bool looksLikeJpeg(const std::string& bytes) {
  return bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xff &&
         static_cast<unsigned char>(bytes[1]) == 0xd8 &&
         static_cast<unsigned char>(bytes[2]) == 0xff;
}

}  // namespace

LoadedPicture LinuxPictures::load(const std::string& path, const NeededSize& needed) {
  const std::string extension = lowerExtension(path);
  if (extension == "emf" || extension == "wmf") {
    return {Status::unavailable(path + ": vector pictures (emf, wmf) cannot be shown"), {}, {}};
  }
  std::string why;
  std::optional<std::string> bytes = readWhole(path, why);
  if (!bytes) return failure(path + ": " + why);
  if (bytes->empty()) return failure(path + ": empty file");

  LoadedPicture loaded;
  if (looksLikeJpeg(*bytes)) {
    JpegResult jpeg = decodeJpeg(*bytes, needed);
    if (jpeg.handled) {
      loaded = std::move(jpeg.loaded);
    } else {
      loaded = decodeWithQt(*bytes);
    }
  } else if (std::optional<Picture> bitmap = decodePlainBitmap(*bytes)) {
    const PictureSize natural = bitmap->size();
    loaded = {Status::ok(), natural, std::move(*bitmap)};
  } else {
    loaded = decodeWithQt(*bytes);
  }
  if (!loaded.status.isOk()) loaded.status.message = path + ": " + loaded.status.message;
  return loaded;
}

Picture LinuxPictures::drawScaled(const Picture& picture, const SourceRect& source,
                                  PictureSize target) {
  // Whole source pixels around the requested part; the fraction lost is
  // below one source pixel, invisible after scaling.
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
  const QImage scaled =
      part.scaled(target.width, target.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  Picture result(target.width, target.height);
  for (int y = 0; y < target.height; ++y) {
    std::memcpy(result.row(y), scaled.constScanLine(y), static_cast<std::size_t>(target.width) * 4);
  }
  return result;
}

Status LinuxPictures::saveBitmap(const Picture& picture, const std::string& path) {
  const std::string file = encodeBitmap(picture);
  std::string temp = path + ".tmp-XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return Status::failed(path + ": " + std::strerror(errno));
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
      return Status::failed(path + ": " + why);
    }
    done += static_cast<std::size_t>(n);
  }
  // No fsync: the wallpaper is rendered again at the next change, and
  // syncing tens of megabytes would cost more than the whole rendering. The
  // rename still means the desktop never sees a half-written file.
  if (close(fd) != 0 || rename(temp.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    unlink(temp.c_str());
    return Status::failed(path + ": " + why);
  }
  return Status::ok();
}

}  // namespace tivolen
