// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>

#include "picture/area_scaler.h"

namespace tivolen {

// Fills `rows` rows of the picture's width from row `firstRow` on, one after
// another in `out`; false when the picture turned out damaged.
using BandFiller =
    std::function<bool(std::uint32_t* out, std::int32_t firstRow, std::int32_t rows)>;

// Decodes rows on the calling thread a band at a time, from row `from` to
// the scaler's last, and scales them on a second thread: decoding and
// scaling take turns on a few bands of sixteen rows, so the one waits for
// the other only when it is ahead. Without a second thread the caller scales
// each band itself. False once `decode` said so; no row is asked for after.
// What the scaler threw is thrown here.
bool ScaleInBands(RowScaler& scaler, std::int32_t width, std::int32_t from,
                  const BandFiller& decode);

}  // namespace tivolen
