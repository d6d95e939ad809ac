// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace tivolen {

// The EXIF orientation (1 to 8) a PNG file carries in its eXIf chunk; 1 when
// it has none or the file is damaged.
int pngOrientation(std::string_view bytes);

// The EXIF orientation a WebP file carries in its EXIF chunk; 1 when none.
int webpOrientation(std::string_view bytes);

}  // namespace tivolen
