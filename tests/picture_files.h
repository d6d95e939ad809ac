// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QImageWriter>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

namespace tivolen::testing {

// A picture whose left half is red and right half blue (and, when asked, a
// green top band), so tests can tell orientation and layout from a few
// pixels. Blocks are large enough to survive JPEG compression.
inline QImage twoColourImage(int width, int height, bool greenTop = false) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      QRgb colour = x < width / 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255);
      if (greenTop && y < height / 4) colour = qRgb(0, 255, 0);
      image.setPixel(x, y, colour);
    }
  }
  return image;
}

inline std::string encodeGif(const QImage& image);

inline std::string encode(const QImage& image, const char* format, int quality = 90) {
  if (std::string_view(format) == "gif") return encodeGif(image);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  const bool progressive = std::string_view(format) == "progressive";
  QImageWriter writer(&buffer, progressive ? "jpg" : format);
  writer.setQuality(quality);
  writer.setProgressiveScanWrite(progressive);
  writer.write(image);
  return bytes.toStdString();
}

// Qt reads GIF but cannot write it. With 128 palette entries every LZW code
// is one byte, and a clear code every 100 codes keeps it so: an honest GIF
// without a compressor. Colours: red, blue, green, anything else black.
inline std::string encodeGif(const QImage& image) {
  const auto le16 = [](int value) {
    return std::string{static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
  };
  std::string gif = "GIF89a" + le16(image.width()) + le16(image.height());
  gif += std::string("\xf6\0\0", 3);
  std::string palette(128 * 3, '\0');
  palette[0] = '\xff';      // 0 red
  palette[3 + 2] = '\xff';  // 1 blue
  palette[6 + 1] = '\xff';  // 2 green; 3 and the rest black
  gif += palette;
  gif += "\x2c" + le16(0) + le16(0) + le16(image.width()) + le16(image.height());
  gif += '\0';
  gif += '\x07';  // minimum code size: codes 0-127 colours, 128 clear, 129 end
  std::string codes;
  int sinceClear = 100;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (sinceClear == 100) {
        codes += '\x80';
        sinceClear = 0;
      }
      const QRgb c = image.pixel(x, y);
      char index = 3;
      if (c == qRgb(255, 0, 0)) index = 0;
      if (c == qRgb(0, 0, 255)) index = 1;
      if (c == qRgb(0, 255, 0)) index = 2;
      codes += index;
      ++sinceClear;
    }
  }
  codes += '\x81';
  for (std::size_t at = 0; at < codes.size(); at += 255) {
    const std::string block = codes.substr(at, 255);
    gif += static_cast<char>(block.size());
    gif += block;
  }
  gif += '\0';
  gif += ';';
  return gif;
}

inline std::string writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// A JPEG with an APP1 EXIF block (TIFF in either byte order, one IFD entry
// besides an unrelated one) naming the orientation, inserted right after the
// start-of-image marker, where cameras put it.
inline std::string withExifOrientation(const std::string& jpeg, int orientation,
                                       bool bigEndian = false) {
  const auto u16 = [&](int value) {
    const char high = static_cast<char>(value >> 8);
    const char low = static_cast<char>(value & 0xff);
    return bigEndian ? std::string{high, low} : std::string{low, high};
  };
  const auto u32 = [&](int value) {
    return bigEndian ? u16(value >> 16) + u16(value & 0xffff)
                     : u16(value & 0xffff) + u16(value >> 16);
  };
  std::string tiff = bigEndian ? "MM" : "II";
  tiff += u16(42) + u32(8);
  tiff += u16(2);                                                     // two entries
  tiff += u16(0x010f) + u16(2) + u32(4) + std::string("Cam\0", 4);    // Make, ASCII
  tiff += u16(0x0112) + u16(3) + u32(1) + u16(orientation) + u16(0);  // SHORT, padded
  tiff += u32(0);                                                     // no next IFD
  const std::string payload = std::string("Exif\0\0", 6) + tiff;
  const std::size_t length = payload.size() + 2;
  std::string segment("\xff\xe1", 2);
  segment += static_cast<char>(length >> 8);
  segment += static_cast<char>(length & 0xff);
  return jpeg.substr(0, 2) + segment + payload + jpeg.substr(2);
}

// The frame header of a real JPEG made to claim another size: what a
// decompression bomb looks like to a decoder.
inline std::string withFrameSize(std::string jpeg, int width, int height) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
    const auto marker = static_cast<unsigned char>(jpeg[i + 1]);
    if (static_cast<unsigned char>(jpeg[i]) == 0xff && (marker == 0xc0 || marker == 0xc2)) {
      jpeg[i + 5] = static_cast<char>(height >> 8);
      jpeg[i + 6] = static_cast<char>(height & 0xff);
      jpeg[i + 7] = static_cast<char>(width >> 8);
      jpeg[i + 8] = static_cast<char>(width & 0xff);
      return jpeg;
    }
  }
  return jpeg;
}

struct BitmapHeader {
  char magic[2] = {};
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bitsPerPixel = 0;
  std::size_t fileSize = 0;
};

// Read independently of the code under test.
inline BitmapHeader readBitmapHeader(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  BitmapHeader header;
  if (bytes.size() < 54) return header;
  const auto u = [&](std::size_t at, int n) {
    std::uint32_t value = 0;
    for (int i = n - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
  };
  header.magic[0] = bytes[0];
  header.magic[1] = bytes[1];
  header.width = static_cast<std::int32_t>(u(18, 4));
  header.height = static_cast<std::int32_t>(u(22, 4));
  header.bitsPerPixel = static_cast<int>(u(28, 2));
  header.fileSize = bytes.size();
  return header;
}

// Colour classes robust against JPEG and resampling.
inline bool isRed(QRgb c) {
  return qRed(c) > 180 && qGreen(c) < 80 && qBlue(c) < 80;
}
inline bool isBlue(QRgb c) {
  return qBlue(c) > 180 && qRed(c) < 80 && qGreen(c) < 80;
}
inline bool isGreen(QRgb c) {
  return qGreen(c) > 180 && qRed(c) < 80 && qBlue(c) < 80;
}

}  // namespace tivolen::testing
