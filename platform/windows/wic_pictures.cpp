// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/wic_pictures.h"

#include <objbase.h>
#include <propvarutil.h>
#include <wincodec.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "common/picture_types.h"
#include "picture/bitmap_file.h"
#include "picture/exif_orientation.h"
#include "platform/windows/com_ptr.h"
#include "platform/windows/wide_text.h"

namespace tivolen {
namespace {

LoadedPicture failure(const std::string& path, std::string_view why) {
  return {Status::failedAt(path, why), {}, {}};
}

// The EXIF orientation WIC reports for a JPEG; 1 when there is none.
int orientationOf(IWICBitmapFrameDecode* frame) {
  ComPtr<IWICMetadataQueryReader> query;
  if (FAILED(frame->GetMetadataQueryReader(query.out()))) return 1;
  PROPVARIANT value;
  PropVariantInit(&value);
  int orientation = 1;
  if (SUCCEEDED(query->GetMetadataByName(L"/app1/ifd/{ushort=274}", &value)) &&
      value.vt == VT_UI2 && value.uiVal >= 1 && value.uiVal <= 8) {
    orientation = value.uiVal;
  }
  PropVariantClear(&value);
  return orientation;
}

// Copies 32-bit BGRA (what WIC's converter hands out) into a Picture,
// composing transparent pixels over black as the desktop would show them.
Picture copyPixels(IWICBitmapSource* source, UINT width, UINT height, HRESULT& result) {
  Picture picture(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  result = source->CopyPixels(nullptr, width * 4, width * height * 4,
                              reinterpret_cast<BYTE*>(picture.row(0)));
  if (FAILED(result)) return {};
  for (std::int32_t y = 0; y < picture.height(); ++y) {
    std::uint32_t* row = picture.row(y);
    for (std::int32_t x = 0; x < picture.width(); ++x) {
      const std::uint32_t pixel = row[x];
      const std::uint32_t alpha = pixel >> 24;
      if (alpha == 0xFF) continue;
      const auto over = [alpha](std::uint32_t channel) { return channel * alpha / 255; };
      row[x] = 0xFF000000u | over((pixel >> 16) & 0xFF) << 16 | over((pixel >> 8) & 0xFF) << 8 |
               over(pixel & 0xFF);
    }
  }
  return picture;
}

// The whole file, or nothing when it cannot be read or is beyond any
// drawing's size.
std::optional<std::string> readSmallFile(const std::wstring& path) {
  constexpr LONGLONG kLargest = 64LL << 20;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return std::nullopt;
  LARGE_INTEGER size{};
  std::optional<std::string> bytes;
  if (GetFileSizeEx(file, &size) != 0 && size.QuadPart <= kLargest) {
    std::string read(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (read.empty() ||
        (ReadFile(file, read.data(), static_cast<DWORD>(read.size()), &got, nullptr) != 0 &&
         got == read.size())) {
      bytes = std::move(read);
    }
  }
  CloseHandle(file);
  return bytes;
}

std::uint16_t word(const std::string& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

// A Windows metafile as an enhanced one. Most WMF files carry the 22-byte
// "placeable" header before the metafile itself, which GetMetaFileW refuses:
// it gives the drawing's bounds in its own units and how many of them make
// an inch, from which its size on paper is known.
HENHMETAFILE readWindowsMetafile(const std::wstring& path) {
  const std::optional<std::string> bytes = readSmallFile(path);
  constexpr std::size_t kPlaceableHeader = 22;
  if (!bytes || bytes->size() < 18) return nullptr;
  const bool placeable =
      bytes->size() > kPlaceableHeader && word(*bytes, 0) == 0xCDD7 && word(*bytes, 2) == 0x9AC6;
  if (!placeable) {
    return SetWinMetaFileBits(static_cast<UINT>(bytes->size()),
                              reinterpret_cast<const BYTE*>(bytes->data()), nullptr, nullptr);
  }
  const auto side = [&](std::size_t low, std::size_t high) {
    return std::abs(static_cast<int>(static_cast<std::int16_t>(word(*bytes, high))) -
                    static_cast<int>(static_cast<std::int16_t>(word(*bytes, low))));
  };
  const int width = side(6, 10);
  const int height = side(8, 12);
  const int perInch = word(*bytes, 14);
  METAFILEPICT picture{};
  picture.mm = MM_ANISOTROPIC;
  if (width > 0 && height > 0 && perInch > 0) {
    // In hundredths of a millimetre, 2540 to the inch.
    picture.xExt = MulDiv(width, 2540, perInch);
    picture.yExt = MulDiv(height, 2540, perInch);
  }
  const std::string_view metafile = std::string_view(*bytes).substr(kPlaceableHeader);
  return SetWinMetaFileBits(static_cast<UINT>(metafile.size()),
                            reinterpret_cast<const BYTE*>(metafile.data()), nullptr,
                            picture.xExt > 0 ? &picture : nullptr);
}

// EMF and WMF are drawn by GDI at their frame's size in the pixels of the
// device they were made for. The frame is also the rectangle GDI maps into
// the target when it plays the drawing, so the bitmap takes exactly that
// size: sized by the bounds (the part actually drawn), a drawing with a
// margin came out scaled and shifted.
LoadedPicture loadMetafile(const std::string& path, bool windowsMetafile) {
  const std::wstring wide = WidePath(path);
  HENHMETAFILE metafile =
      windowsMetafile ? readWindowsMetafile(wide) : GetEnhMetaFileW(wide.c_str());
  if (metafile == nullptr) return failure(path, "not a metafile");
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(metafile, sizeof header, &header);
  // rclFrame is in hundredths of a millimetre; the reference device tells
  // how many of its pixels make a millimetre.
  const auto pixels = [](LONG hundredths, LONG devicePixels, LONG deviceMillimetres) -> LONG {
    if (devicePixels <= 0 || deviceMillimetres <= 0) return 0;
    return static_cast<LONG>(
        std::lround(static_cast<double>(hundredths) * devicePixels / (100.0 * deviceMillimetres)));
  };
  LONG width = pixels(header.rclFrame.right - header.rclFrame.left, header.szlDevice.cx,
                      header.szlMillimeters.cx);
  LONG height = pixels(header.rclFrame.bottom - header.rclFrame.top, header.szlDevice.cy,
                       header.szlMillimeters.cy);
  if (width <= 0 || height <= 0) {
    width = header.rclBounds.right - header.rclBounds.left + 1;
    height = header.rclBounds.bottom - header.rclBounds.top + 1;
  }
  if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxPicturePixels) {
    DeleteEnhMetaFile(metafile);
    return failure(path, "metafile has no drawable size");
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down, as Picture keeps its rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP surface = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  LoadedPicture loaded;
  if (surface != nullptr) {
    HGDIOBJ previous = SelectObject(memory, surface);
    const RECT area{0, 0, width, height};
    FillRect(memory, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    PlayEnhMetaFile(memory, metafile, &area);
    GdiFlush();
    Picture picture(width, height);
    const auto* source = static_cast<const std::uint32_t*>(bits);
    for (LONG y = 0; y < height; ++y) {
      for (LONG x = 0; x < width; ++x) {
        picture.row(y)[x] = 0xFF000000u | source[static_cast<std::size_t>(y) * width + x];
      }
    }
    SelectObject(memory, previous);
    DeleteObject(surface);
    loaded = {Status::ok(), {width, height}, std::move(picture)};
  } else {
    loaded = failure(path, "no memory for the metafile");
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  DeleteEnhMetaFile(metafile);
  return loaded;
}

}  // namespace

LoadedPicture WicPictures::load(const std::string& path, const NeededSize& needed) {
  const std::string ending = PictureTypeOf(path);
  if (ending == "emf" || ending == "wmf") return loadMetafile(path, ending == "wmf");

  const ComScope com;
  ComPtr<IWICImagingFactory> factory;
  HRESULT result = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_PPV_ARGS(factory.out()));
  if (FAILED(result)) return failure(path, SystemErrorText(static_cast<unsigned long>(result)));
  ComPtr<IWICBitmapDecoder> decoder;
  result = factory->CreateDecoderFromFilename(WidePath(path).c_str(), nullptr, GENERIC_READ,
                                              WICDecodeMetadataCacheOnDemand, decoder.out());
  if (FAILED(result)) return failure(path, "not a picture WIC can read");
  ComPtr<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, frame.out()))) return failure(path, "no picture in the file");
  UINT width = 0;
  UINT height = 0;
  frame->GetSize(&width, &height);
  if (width == 0 || height == 0) return failure(path, "picture size out of bounds");
  if (static_cast<std::int64_t>(width) * height > kMaxPicturePixels) {
    LoadedPicture refused = failure(
        path, "picture too large: " + std::to_string(width) + " x " + std::to_string(height));
    refused.tooLarge = true;
    return refused;
  }
  const int orientation = orientationOf(frame.get());
  const PictureSize natural =
      swapsSides(orientation)
          ? PictureSize{static_cast<std::int32_t>(height), static_cast<std::int32_t>(width)}
          : PictureSize{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};

  // Decode smaller when the caller needs less: JPEG's decoder scales by
  // 1/2, 1/4 or 1/8 itself when it sits behind a scaler.
  IWICBitmapSource* source = frame.get();
  ComPtr<IWICBitmapScaler> scaler;
  UINT decodedWidth = width;
  UINT decodedHeight = height;
  if (needed) {
    PictureSize want = needed(natural);
    if (swapsSides(orientation)) std::swap(want.width, want.height);
    if (want.width > 0 && want.height > 0 && static_cast<UINT>(want.width) < width &&
        static_cast<UINT>(want.height) < height) {
      const double factor = std::max(static_cast<double>(want.width) / width,
                                     static_cast<double>(want.height) / height);
      decodedWidth = std::max<UINT>(1, static_cast<UINT>(std::ceil(width * factor)));
      decodedHeight = std::max<UINT>(1, static_cast<UINT>(std::ceil(height * factor)));
      if (SUCCEEDED(factory->CreateBitmapScaler(scaler.out())) &&
          SUCCEEDED(scaler->Initialize(source, decodedWidth, decodedHeight,
                                       WICBitmapInterpolationModeFant))) {
        source = scaler.get();
      } else {
        decodedWidth = width;
        decodedHeight = height;
      }
    }
  }
  ComPtr<IWICFormatConverter> converter;
  if (FAILED(factory->CreateFormatConverter(converter.out())) ||
      FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                   nullptr, 0, WICBitmapPaletteTypeCustom))) {
    return failure(path, "cannot convert the pixels");
  }
  Picture pixels = copyPixels(converter.get(), decodedWidth, decodedHeight, result);
  // A file cut short or damaged fails here, not at the header.
  if (FAILED(result)) return failure(path, SystemErrorText(static_cast<unsigned long>(result)));
  return {Status::ok(), natural, applyOrientation(std::move(pixels), orientation)};
}

Picture WicPictures::drawScaled(const Picture& picture, const SourceRect& source,
                                PictureSize target) {
  Picture result(target.width, target.height);
  // Box-filtered resampling of the exact (fractional) source rectangle, so
  // the centre of a cropped picture stays where the fit rule put it.
  const double stepX = source.width / target.width;
  const double stepY = source.height / target.height;
  for (std::int32_t y = 0; y < target.height; ++y) {
    const double top = source.y + y * stepY;
    const auto y0 = static_cast<std::int32_t>(std::floor(top));
    const auto y1 = std::max(y0 + 1, static_cast<std::int32_t>(std::ceil(top + stepY)));
    std::uint32_t* out = result.row(y);
    for (std::int32_t x = 0; x < target.width; ++x) {
      const double left = source.x + x * stepX;
      const auto x0 = static_cast<std::int32_t>(std::floor(left));
      const auto x1 = std::max(x0 + 1, static_cast<std::int32_t>(std::ceil(left + stepX)));
      std::uint64_t r = 0;
      std::uint64_t g = 0;
      std::uint64_t b = 0;
      std::uint64_t n = 0;
      for (std::int32_t sy = std::max(0, y0); sy < std::min(picture.height(), y1); ++sy) {
        const std::uint32_t* row = picture.row(sy);
        for (std::int32_t sx = std::max(0, x0); sx < std::min(picture.width(), x1); ++sx) {
          r += (row[sx] >> 16) & 0xFF;
          g += (row[sx] >> 8) & 0xFF;
          b += row[sx] & 0xFF;
          ++n;
        }
      }
      if (n == 0) n = 1;
      out[x] = 0xFF000000u | static_cast<std::uint32_t>(r / n) << 16 |
               static_cast<std::uint32_t>(g / n) << 8 | static_cast<std::uint32_t>(b / n);
    }
  }
  return result;
}

Status WicPictures::saveBitmap(const Picture& picture, const std::string& path) {
  const BitmapBytes bytes = encodeBitmap(picture);
  return files_.writeFileAtomically(path, bytes.view());
}

}  // namespace tivolen
