// Placeholder until applying lands; replaced whole by it.
#include "changer/apply.h"

namespace tivolen {

void ApplyWallpaper(Platform& platform, const RunState&, const std::string& path) {
  (void)platform.desktop.setWallpaper(path);
}

}  // namespace tivolen
