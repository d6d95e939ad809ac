#pragma once

// The GIF check is shared with the Windows pictures; this name is kept for
// the Linux decoders that include it.
#include "platform/shared/gif_structure.h"
