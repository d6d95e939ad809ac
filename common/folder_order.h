// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string_view>

namespace tivolen {

// The order in which NTFS lists a folder: names compared as UTF-16 code
// units after upper-casing each one, so "b.jpg" follows "A.jpg" and "É"
// sorts with "é". Positions inside a folder tree are counted in this order,
// so every platform must list the same tree the same way.
bool LessByFolderOrder(std::string_view a, std::string_view b);

// The upper case NTFS files a character under, for the scripts users name
// pictures in (Latin, Greek, Cyrillic, full-width Latin); other characters
// are their own.
char32_t FolderOrderUpper(char32_t c);

}  // namespace tivolen
