// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace tivolen {

// Whether the bytes must reach the disk before the new file takes the old
// one's place. Lists, logs and desktop entries must survive a power cut;
// rendered wallpapers are made again at the next change, and syncing tens of
// megabytes would cost more than rendering them.
enum class Durability { Synced, Unsynced };

// The one way every program of the project replaces a file: a temporary file
// "<path>.tmp-XXXXXX" in the same folder, written whole, flushed, then
// renamed over `path`. A crash or a kill at any point leaves the old file or
// the new one, never a mix; at worst a temporary stays behind, which
// removeStaleTemporaries clears at the next start. A symbolic link is
// written through: its final target is replaced, in the target's folder, and
// the link stays. The new file keeps the mode of the file it replaces.
Status replaceFileAtomically(const std::string& path, std::string_view contents,
                             Durability durability);

// Hands one piece of a file's contents on; false when it could not be
// written.
using ChunkWriter = std::function<bool(std::string_view piece)>;

// The same for contents made piece by piece: `produce` passes every piece,
// in order, to the writer it is given, and returns false when it stopped.
Status replaceFileAtomically(const std::string& path,
                             const std::function<bool(const ChunkWriter&)>& produce,
                             Durability durability);

// Removes this writer's own temporaries in `folder` that were last changed
// longer than `age` ago: a save still running in another program is younger.
// Returns how many were removed.
int removeStaleTemporaries(const std::string& folder,
                           std::chrono::seconds age = std::chrono::minutes(1));

// True for names replaceFileAtomically gives its temporaries.
bool isTemporaryName(std::string_view name);

}  // namespace tivolen
