// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include "changer/render.h"

namespace tivolen::testing {

// Renders as a run does: a picture that cannot be rendered is reported.
inline Result<RenderedWallpaper, RenderFailure> RenderReported(Platform& platform, RunState& state,
                                                               const std::string& picture) {
  auto rendered = RenderWallpaper(platform, state, picture);
  if (!rendered) ShowRenderFailure(platform, rendered.failure());
  return rendered;
}

}  // namespace tivolen::testing
