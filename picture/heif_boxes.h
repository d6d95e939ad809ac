// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "picture/picture.h"

namespace tivolen {

// The boxes of a HEIF file that say where its pictures are and how to show
// them: items, their locations, references and properties. The bytes come
// from outside, so every count, offset and length is checked against what
// is there before it is used; a file this reader does not understand gives
// nothing rather than a guess.

constexpr std::uint32_t fourCc(const char (&code)[5]) {
  return std::uint32_t{static_cast<unsigned char>(code[0])} << 24 |
         std::uint32_t{static_cast<unsigned char>(code[1])} << 16 |
         std::uint32_t{static_cast<unsigned char>(code[2])} << 8 |
         std::uint32_t{static_cast<unsigned char>(code[3])};
}

struct HeifExtent {
  std::uint64_t offset = 0;  // in the file, or in the idat box
  std::uint64_t length = 0;  // 0: to the end
};

struct HeifItem {
  std::uint32_t id = 0;
  std::uint32_t type = 0;
  bool hidden = false;
  bool located = false;
  bool inIdat = false;  // construction method 1
  std::vector<HeifExtent> extents;
  std::vector<std::uint16_t> properties;  // 1-based, in the order they apply
};

struct HeifProperty {
  std::uint32_t type = 0;
  std::string_view body;  // after the box header
};

struct HeifReference {
  std::uint32_t type = 0;
  std::uint32_t from = 0;
  std::vector<std::uint32_t> to;
};

struct HeifStructure {
  std::uint32_t primary = 0;
  std::vector<HeifItem> items;
  std::vector<HeifProperty> properties;
  std::vector<HeifReference> references;
  std::string_view idat;
  // The items by id: a file may hold hundreds of thousands of items and
  // name them tens of thousands of times.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> byId;  // id, index into items

  [[nodiscard]] const HeifItem* item(std::uint32_t id) const;
  // The item's first property of `type`, if any.
  [[nodiscard]] const HeifProperty* property(const HeifItem& item, std::uint32_t type) const;
};

// The meta box of a file that starts with ftyp, with a picture handler and
// items of distinct ids.
std::optional<HeifStructure> readHeifStructure(std::string_view file);

// A HEIF file whose first bytes, its meta box included, are in memory; the
// pictures' bytes are read through `readAt` when their turn comes, so a
// large photo is never held whole. From a string_view: the whole file.
struct HeifFile {
  HeifFile(std::string_view whole) : head(whole), size(whole.size()) {}  // NOLINT: a whole file
  HeifFile(std::string_view first, std::uint64_t whole, ReadAt reader)
      : head(first), size(whole), readAt(std::move(reader)) {}
  std::string_view head;
  std::uint64_t size = 0;
  ReadAt readAt;  // unset when `head` is all of it
};

// Where the meta box ends, found from the top-level box headers alone: how
// much of the file a HeifFile must hold. Nothing when a box before it is
// broken or there is none among the first few dozen boxes.
std::optional<std::uint64_t> heifMetaEnd(std::uint64_t size, const ReadAt& readAt);

// The item's bytes: in place when they are in memory in one extent, else
// joined or read into `joined`; nothing when an extent lies outside the file
// or cannot be read.
std::optional<std::string_view> heifItemData(const HeifStructure& structure, const HeifFile& file,
                                             const HeifItem& item, std::string& joined);

// An HEVC decoder configuration (hvcC): the parameter-set NAL units a
// decoder needs first, and how the item's NAL units are length-prefixed.
struct HevcConfig {
  int lengthSize = 4;
  int chromaFormat = 1;
  int bitDepthLuma = 8;
  int bitDepthChroma = 8;
  std::vector<std::string_view> parameterSets;
};
std::optional<HevcConfig> readHevcConfig(std::string_view body);

// The NAL units of `data`, each prefixed by its length in `lengthSize`
// bytes; nothing when a length runs past the end.
std::optional<std::vector<std::string_view>> splitNalUnits(std::string_view data, int lengthSize);

// A primary picture made of a grid of HEVC tiles, 8-bit as far as its
// configuration says, without transparency, that Tivolen decodes tile by
// tile. `window` is the part of the grid's picture that is shown (after a
// crop) in the grid's own pixels; the upright picture's pixel (u, v) is
// window pixel (x, y) where u = xx * x + xy * y (+ the width less one where
// that goes negative), v = yx * x + yy * y (likewise).
struct HeifGridLayout {
  int rows = 0;
  int columns = 0;
  int width = 0;  // the grid's picture, before rotation and cropping
  int height = 0;
  int tileWidth = 0;
  int tileHeight = 0;
  struct Tile {
    const HeifItem* item = nullptr;
    HevcConfig config;
  };
  std::vector<Tile> tiles;  // row by row
  struct Window {
    int x;
    int y;
    int width;
    int height;
  } window{};
  int xx = 1;
  int xy = 0;
  int yx = 0;
  int yy = 1;
  int matrixCoefficients = 6;  // what libheif assumes when none is named
  bool fullRange = true;

  // The shown size, upright.
  [[nodiscard]] int uprightWidth() const { return xx != 0 ? window.width : window.height; }
  [[nodiscard]] int uprightHeight() const { return xx != 0 ? window.height : window.width; }
};
std::optional<HeifGridLayout> readHeifGridLayout(const HeifStructure& structure,
                                                 const HeifFile& file);

// The picture size a coded stream promises its decoder, in luma samples:
// what the decoder allocates, whatever the file's boxes say. What it shows
// of it (an HEVC conformance window) is checked on the decoded picture.
struct CodedSize {
  std::int64_t width = 0;
  std::int64_t height = 0;
};
// From an HEVC sequence parameter set NAL unit (type 33); nothing for any
// other unit or one that breaks off before the size.
std::optional<CodedSize> readHevcCodedSize(std::string_view unit);
// The largest frame each AV1 sequence header OBU among `obus` allows, from
// an av1C box's configuration OBUs or an item's data. Nothing when an OBU
// breaks off or a sequence header cannot be read.
std::optional<std::vector<CodedSize>> readAv1CodedSizes(std::string_view obus);

// Whether a coded size is what an item of `width` x `height` pixels (ispe)
// may code, rounded up to whole coding blocks, and within `maxPixels`.
bool heifCodedSizeFits(const CodedSize& coded, std::int64_t width, std::int64_t height,
                       std::int64_t maxPixels);

// Why the primary picture must not be decoded: a size its decoder would be
// asked to allocate that is above the pixel limit `maxPixels` or other than
// the size its item states (ispe) beyond the rounding up to whole coding
// blocks encoders do, in the primary item, the items it is derived from and
// its transparency. The parameter sets in the configuration boxes are
// checked always, those within the items' own bytes when `itemData` is true.
// Nothing when nothing is wrong or the file uses what is not checked here.
std::optional<std::string> heifSizeProblem(const HeifStructure& structure, const HeifFile& file,
                                           std::int64_t maxPixels, bool itemData);

}  // namespace tivolen
