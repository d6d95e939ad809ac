#include "platform/linux/wallpaper_handover.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <chrono>

#include "platform/linux/desktop_texts.h"

namespace tivolen {
namespace {

const QString kPrefix = QStringLiteral("wallpaper-");
const QString kSuffix = QStringLiteral(".png");

bool isCopyName(const QString& name) {
  if (!name.startsWith(kPrefix) || !name.endsWith(kSuffix)) return false;
  const QString digits = name.mid(kPrefix.size(), name.size() - kPrefix.size() - kSuffix.size());
  if (digits.isEmpty()) return false;
  for (const QChar c : digits) {
    if (!c.isDigit()) return false;
  }
  return true;
}

Status failure(const std::string& why) {
  return Status::failed(std::string(text::kWallpaperCopyFailed) + "\n" + why);
}

}  // namespace

FreshCopy makeFreshPngCopy(const std::string& source, const std::string& folder) {
  QImageReader reader(QString::fromStdString(source));
  const QImage image = reader.read();
  if (image.isNull()) {
    return {failure(source + ": " + reader.errorString().toStdString()), {}};
  }
  const QDir dir(QString::fromStdString(folder));
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  for (long long stamp = now; stamp < now + 1000; ++stamp) {
    const QString target = dir.filePath(kPrefix + QString::number(stamp) + kSuffix);
    if (QFile::exists(target)) continue;
    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
      return {failure(target.toStdString() + ": " + file.errorString().toStdString()), {}};
    }
    QImageWriter writer(&file, "png");
    // Light compression: the file is read once, and encoding time is the
    // user's wait.
    writer.setCompression(1);
    if (!writer.write(image) || !file.commit()) {
      return {failure(target.toStdString() + ": " + writer.errorString().toStdString()), {}};
    }
    return {Status::ok(), target.toStdString()};
  }
  return {failure(folder + ": no free name for a wallpaper copy"), {}};
}

void removeOtherPngCopies(const std::string& folder, const std::string& keep) {
  const QDir dir(QString::fromStdString(folder));
  const QString kept = QString::fromStdString(keep);
  for (const QString& name : dir.entryList({kPrefix + "*" + kSuffix}, QDir::Files)) {
    if (!isCopyName(name)) continue;
    const QString path = dir.filePath(name);
    if (path != kept) QFile::remove(path);
  }
}

}  // namespace tivolen
