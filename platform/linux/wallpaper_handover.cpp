// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/wallpaper_handover.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <chrono>
#include <optional>

#include "platform/linux/atomic_file.h"
#include "platform/linux/desktop_texts.h"

namespace tivolen {
namespace {

const QString kPrefix = QStringLiteral("wallpaper-");
const QString kPngSuffix = QStringLiteral(".png");
const QString kBmpSuffix = QStringLiteral(".bmp");

bool isPngCopyName(const QString& name) {
  if (!name.startsWith(kPrefix) || !name.endsWith(kPngSuffix)) return false;
  const QString digits = name.mid(kPrefix.size(), name.size() - kPrefix.size() - kPngSuffix.size());
  if (digits.isEmpty()) return false;
  for (const QChar c : digits) {
    if (!c.isDigit()) return false;
  }
  return true;
}

Status failure(const std::string& why) {
  return Status::failed(std::string(text::kWallpaperCopyFailed) + "\n" + why);
}

// Writes `image` whole under a fresh "wallpaper-<milliseconds><suffix>" name.
FreshCopy saveFresh(const QImage& image, const std::string& folder, const QString& suffix,
                    const char* format, int compression) {
  const QDir dir(QString::fromStdString(folder));
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  for (long long stamp = now; stamp < now + 1000; ++stamp) {
    const QString target = dir.filePath(kPrefix + QString::number(stamp) + suffix);
    if (QFile::exists(target)) continue;
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (compression >= 0) writer.setCompression(compression);
    if (!writer.write(image)) {
      return {failure(target.toStdString() + ": " + writer.errorString().toStdString()), {}};
    }
    // The desktop reads the copy once; it is made again at the next change.
    const Status written = replaceFileAtomically(
        target.toStdString(), std::string_view(encoded.constData(), encoded.size()),
        Durability::Unsynced);
    if (!written.isOk()) return {failure(written.message), {}};
    return {Status::ok(), target.toStdString()};
  }
  return {failure(folder + ": no free name for a wallpaper copy"), {}};
}

std::optional<QImage> readPicture(const std::string& source, Status& status) {
  QImageReader reader(QString::fromStdString(source));
  QImage image = reader.read();
  if (image.isNull()) {
    status = failure(source + ": " + reader.errorString().toStdString());
    return std::nullopt;
  }
  return image;
}

}  // namespace

FreshCopy makeFreshPngCopy(const std::string& source, const std::string& folder) {
  Status status;
  const auto image = readPicture(source, status);
  if (!image) return {status, {}};
  // Light compression: the file is read once, and encoding time is the
  // user's wait.
  return saveFresh(*image, folder, kPngSuffix, "png", 1);
}

FreshCopy makeFreshCoverCopy(const std::string& source, const std::string& folder, int width,
                             int height) {
  Status status;
  const auto image = readPicture(source, status);
  if (!image) return {status, {}};
  if (width <= 0 || height <= 0) return {failure("no screen size"), {}};
  const QImage scaled =
      image->scaled(width, height, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
  const QImage covered =
      scaled.copy((scaled.width() - width) / 2, (scaled.height() - height) / 2, width, height);
  return saveFresh(covered.convertToFormat(QImage::Format_RGB888), folder, kBmpSuffix, "bmp", -1);
}

void removeOtherPngCopies(const std::string& folder, const std::string& keep) {
  const QDir dir(QString::fromStdString(folder));
  const QString kept = QString::fromStdString(keep);
  for (const QString& name : dir.entryList({kPrefix + "*" + kPngSuffix}, QDir::Files)) {
    if (!isPngCopyName(name)) continue;
    const QString path = dir.filePath(name);
    if (path != kept) QFile::remove(path);
  }
}

}  // namespace tivolen
