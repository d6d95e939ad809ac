// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/plasma_desktop.h"

#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QUrl>
#include <chrono>
#include <cstdio>
#include <thread>
#include <utility>

#include "platform/linux/desktop_texts.h"
#include "platform/linux/fresh_copy.h"

namespace tivolen {
namespace {

constexpr int kTimeoutMs = 20000;

bool serviceMissing(const QString& errorName) {
  return errorName == "org.freedesktop.DBus.Error.ServiceUnknown" ||
         errorName == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
         errorName == "org.freedesktop.DBus.Error.UnknownObject" ||
         errorName == "org.freedesktop.DBus.Error.UnknownInterface";
}

// plasmashell 5.27 takes its name on the bus seconds before it has loaded
// its desktops; a script run then finds none and would change nothing while
// reporting success. The script says so, and the change waits as for a shell
// that is not there yet.
constexpr char kNoDesktopsYet[] = "no desktops loaded yet";

bool shellStillStarting(const QDBusMessage& reply) {
  return serviceMissing(reply.errorName()) || reply.errorMessage().contains(kNoDesktopsYet);
}

}  // namespace

int plasmaFillMode(WallpaperLayout layout) {
  // Qt's Image.fillMode values, which the image plugin stores as they are.
  switch (layout) {
    case WallpaperLayout::Centred:
      return 6;  // Pad
    case WallpaperLayout::Tiled:
      return 3;  // Tile
    case WallpaperLayout::Stretched:
      return 0;  // Stretch
    case WallpaperLayout::Zoom:
      return 2;  // PreserveAspectCrop
  }
  return 6;
}

std::string javaScriptString(const std::string& text) {
  // Every character outside printable ASCII as \uXXXX of its UTF-16 units,
  // so neither the D-Bus transport nor the script's parser can misread it.
  const QString units = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  std::string literal = "\"";
  for (const QChar unit : units) {
    const char16_t c = unit.unicode();
    if (c == u'"' || c == u'\\') {
      literal += '\\';
      literal += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      literal += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      literal += escaped;
    }
  }
  literal += '"';
  return literal;
}

std::string plasmaWallpaperScript(const std::string& path, WallpaperLayout layout) {
  // The URL as KDE's settings store URLs (QUrl's default form): '#', '?'
  // and '%' encoded, so a file name is never read as a fragment or query.
  const std::string url =
      QUrl::fromLocalFile(QString::fromStdString(path)).toString().toStdString();
  return "var imageUrl = " + javaScriptString(url) +
         ";\n"
         "var fillMode = " +
         std::to_string(plasmaFillMode(layout)) +
         ";\n"
         "var all = desktops();\n"
         "if (all.length == 0) throw new Error(\"" +
         std::string(kNoDesktopsYet) +
         "\");\n"
         "for (var i = 0; i < all.length; i++) {\n"
         "  var d = all[i];\n"
         "  d.wallpaperPlugin = \"org.kde.image\";\n"
         "  d.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
         "  d.writeConfig(\"Image\", imageUrl);\n"
         "  d.writeConfig(\"FillMode\", fillMode);\n"
         "}\n";
}

PlasmaDesktop::PlasmaDesktop(std::string applicationDirectory, std::chrono::milliseconds shellWait)
    : applicationDirectory_(std::move(applicationDirectory)), shellWait_(shellWait) {}

void PlasmaDesktop::setLayout(WallpaperLayout layout) {
  layout_ = layout;
}

Status PlasmaDesktop::setWallpaper(const std::string& path) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return Status::unavailable(std::string(text::kNoSessionBus));

  // Plasma keeps showing the old picture when the file name is unchanged.
  const FreshCopy copy = makeFreshWallpaperCopy(path, applicationDirectory_);
  if (!copy.status.isOk()) {
    return Status::failed(std::string(text::kWallpaperCopyFailed) + "\n" + copy.status.message);
  }
  QDBusMessage message = QDBusMessage::createMethodCall(
      QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
      QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"));
  message.setArguments({QString::fromStdString(plasmaWallpaperScript(copy.path, layout_))});
  const auto deadline = std::chrono::steady_clock::now() + shellWait_;
  QDBusMessage reply = bus.call(message, QDBus::Block, kTimeoutMs);
  while (reply.type() == QDBusMessage::ErrorMessage && shellStillStarting(reply) &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    reply = bus.call(message, QDBus::Block, kTimeoutMs);
  }
  if (reply.type() == QDBusMessage::ErrorMessage) {
    unlink(copy.path.c_str());
    const std::string detail = (reply.errorName() + ": " + reply.errorMessage()).toStdString();
    if (shellStillStarting(reply)) {
      return Status::unavailable(std::string(text::kPlasmaMissing) + "\n" + detail);
    }
    return Status::failed(std::string(text::kPlasmaRefused) + "\n" + detail);
  }
  removeOtherWallpaperCopies(applicationDirectory_, copy.path);
  return Status::ok();
}

}  // namespace tivolen
