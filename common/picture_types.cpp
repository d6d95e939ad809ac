// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/picture_types.h"

namespace tivolen {
namespace {

char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWithLowered(std::string_view text, std::string_view lowered) {
  if (text.size() < lowered.size()) return false;
  text.remove_prefix(text.size() - lowered.size());
  for (std::size_t i = 0; i < lowered.size(); ++i) {
    if (lowerAscii(text[i]) != lowered[i]) return false;
  }
  return true;
}

}  // namespace

const PictureType* FindPictureType(std::string_view nameOrPath) {
  // Asked once per file of every folder walk, so it compares in place.
  for (const PictureType& type : kPictureTypes) {
    if (endsWithLowered(nameOrPath, type.ending)) return &type;
  }
  return nullptr;
}

std::string PictureTypeOf(std::string_view nameOrPath) {
  const PictureType* type = FindPictureType(nameOrPath);
  return type != nullptr ? std::string(type->type) : std::string();
}

bool IsImageName(std::string_view nameOrPath) {
  const PictureType* type = FindPictureType(nameOrPath);
  return type != nullptr && type->listed;
}

}  // namespace tivolen
