// Placeholder until the selection lands; replaced whole by it.
#include "changer/selection.h"

namespace tivolen {

Choice SelectWallpaper(Platform& platform, RunState&, int, NavigatorLabels*) {
  platform.messages.show("選択はまだ作られていません");
  return Choice{true, {}, false};
}

}  // namespace tivolen
