// Placeholder until rendering lands; replaced whole by it.
#include "changer/render.h"

namespace tivolen {

std::optional<std::string> RenderWallpaper(Platform& platform, RunState&, const std::string&) {
  platform.messages.show("描画はまだ作られていません");
  return std::nullopt;
}

}  // namespace tivolen
