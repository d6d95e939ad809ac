#pragma once

// The EXIF reader is shared with the Windows pictures; this name is kept for
// the Linux decoders that include it.
#include "platform/shared/exif_orientation.h"
