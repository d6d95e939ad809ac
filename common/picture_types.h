// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace tivolen {

// One row of the picture types both programs know, told by how a file's name
// ends (compared lower-cased). The three-letter endings of the first types
// need no dot, as lists written long ago rely on; the newer types are named
// by their whole extension with its dot, so "x.pngx" or a file called "xpng"
// is not taken for a picture.
struct PictureType {
  std::string_view ending;  // lower case
  std::string_view type;    // what PictureTypeOf answers
  // Counted in folders and accepted when dropped on the manager; the others
  // are only rendered when a list names them.
  bool listed;
};

inline constexpr PictureType kPictureTypes[] = {
    {"bmp", "bmp", true},
    {"jpg", "jpg", true},
    // "peg" stands only for names ending in "jpeg", so that ".mpeg" videos
    // are never taken for pictures.
    {"jpeg", "peg", true},
    {"gif", "gif", true},
    {".png", "png", true},
    {".webp", "webp", true},
    {".heic", "heic", true},
    {".heif", "heif", true},
    {".avif", "avif", true},
    {"ico", "ico", false},
    {"emf", "emf", false},
    {"wmf", "wmf", false},
};

// The table row a name or path ends in; nullptr when none.
const PictureType* FindPictureType(std::string_view nameOrPath);

// The type of the table row the name ends in; empty when none.
std::string PictureTypeOf(std::string_view nameOrPath);

// True for the names of pictures that folders hold and the manager accepts.
bool IsImageName(std::string_view nameOrPath);

}  // namespace tivolen
