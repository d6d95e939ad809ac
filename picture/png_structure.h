// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

namespace tivolen {

// True for a PNG with a chunk that claims more bytes than the file holds
// before its end chunk. Such a file cannot be read whole, and libpng and
// Qt, asked to skip or read the claimed length, spend up to a gigabyte and
// seconds on a file of a few hundred bytes before giving up.
bool pngChunkRunsPastTheEnd(std::string_view bytes);

}  // namespace tivolen
