// SPDX-License-Identifier: GPL-3.0-or-later
// Vector drawings through GDI under Wine: a placeable WMF (the usual kind,
// with its 22-byte header) and an EMF whose drawn part is smaller than its
// frame, each made here with GDI and read back as the wallpaper reads them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "platform/windows/wic_pictures.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_file_system.h"

namespace tivolen {
namespace {

class MetafileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() /
            std::filesystem::path(Widen("図形 " + std::to_string(random())));
    std::filesystem::create_directories(root_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::filesystem::path at(const char* name) const { return root_ / name; }

  static bool black(const Picture& picture, int x, int y) {
    return (picture.at(x, y) & 0xFFFFFF) == 0;
  }
  static bool white(const Picture& picture, int x, int y) {
    return (picture.at(x, y) & 0xFFFFFF) == 0xFFFFFF;
  }

  std::filesystem::path root_;
  Win32FileSystem files_;
  WicPictures pictures_{files_};
};

void put16(std::string& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<char>(value & 0xFF));
  bytes.push_back(static_cast<char>(value >> 8));
}

// A drawing of 960 x 480 units at 960 units an inch: one inch by half an
// inch, its left half black.
TEST_F(MetafileTest, APlaceableWindowsMetafileIsReadAtItsSizeOnPaper) {
  HDC recorder = CreateMetaFileW(nullptr);
  ASSERT_NE(recorder, nullptr);
  SetWindowOrgEx(recorder, 0, 0, nullptr);
  SetWindowExtEx(recorder, 960, 480, nullptr);
  SelectObject(recorder, GetStockObject(BLACK_BRUSH));
  SelectObject(recorder, GetStockObject(NULL_PEN));
  Rectangle(recorder, 0, 0, 481, 481);
  HMETAFILE made = CloseMetaFile(recorder);
  ASSERT_NE(made, nullptr);
  const UINT size = GetMetaFileBitsEx(made, 0, nullptr);
  std::string body(size, '\0');
  GetMetaFileBitsEx(made, size, body.data());
  DeleteMetaFile(made);

  std::string header;
  for (const int value : {0xCDD7, 0x9AC6, 0, 0, 0, 960, 480, 960, 0, 0}) {
    put16(header, static_cast<std::uint16_t>(value));
  }
  std::uint16_t checksum = 0;
  for (std::size_t i = 0; i < header.size(); i += 2) {
    checksum ^= static_cast<std::uint16_t>(static_cast<unsigned char>(header[i]) |
                                           static_cast<unsigned char>(header[i + 1]) << 8);
  }
  put16(header, checksum);
  ASSERT_EQ(header.size(), 22U);
  std::ofstream(at("placeable.wmf"), std::ios::binary) << header << body;

  const LoadedPicture loaded = pictures_.load(Narrow(at("placeable.wmf").wstring()), {});
  ASSERT_TRUE(loaded.status.isOk()) << loaded.status.message;
  const Picture& picture = loaded.pixels;
  // One inch wide at the screen's resolution, twice as wide as high.
  const int dpi = [] {
    HDC screen = GetDC(nullptr);
    const int value = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return value;
  }();
  EXPECT_NEAR(picture.width(), dpi, dpi / 10.0);
  EXPECT_NEAR(picture.height() * 2, picture.width(), 4);
  EXPECT_TRUE(black(picture, picture.width() / 4, picture.height() / 2));
  EXPECT_TRUE(white(picture, picture.width() * 3 / 4, picture.height() / 2));
}

// A frame of 4 x 2 cm with only its top-left quarter drawn: the bitmap is
// the frame, and the drawing stays in its quarter.
TEST_F(MetafileTest, AnEnhancedMetafileDrawnInPartOfItsFrameKeepsItsPlaceAndScale) {
  const RECT frame{0, 0, 4000, 2000};  // hundredths of a millimetre
  const std::wstring file = at("quarter.emf").wstring();
  HDC recorder = CreateEnhMetaFileW(nullptr, file.c_str(), &frame, nullptr);
  ASSERT_NE(recorder, nullptr);
  // The reference device's pixels for the frame's quarter.
  const int width =
      MulDiv(GetDeviceCaps(recorder, HORZRES), 2000, GetDeviceCaps(recorder, HORZSIZE) * 100);
  const int height =
      MulDiv(GetDeviceCaps(recorder, VERTRES), 1000, GetDeviceCaps(recorder, VERTSIZE) * 100);
  SelectObject(recorder, GetStockObject(BLACK_BRUSH));
  SelectObject(recorder, GetStockObject(NULL_PEN));
  Rectangle(recorder, 0, 0, width + 1, height + 1);
  DeleteEnhMetaFile(CloseEnhMetaFile(recorder));

  const LoadedPicture loaded = pictures_.load(Narrow(file), {});
  ASSERT_TRUE(loaded.status.isOk()) << loaded.status.message;
  const Picture& picture = loaded.pixels;
  EXPECT_NEAR(picture.width(), 2 * width, 3);
  EXPECT_NEAR(picture.height(), 2 * height, 3);
  EXPECT_TRUE(black(picture, picture.width() / 8, picture.height() / 8));
  EXPECT_TRUE(black(picture, picture.width() * 7 / 16, picture.height() * 7 / 16));
  EXPECT_TRUE(white(picture, picture.width() * 3 / 4, picture.height() / 4));
  EXPECT_TRUE(white(picture, picture.width() / 4, picture.height() * 3 / 4));
}

}  // namespace
}  // namespace tivolen
