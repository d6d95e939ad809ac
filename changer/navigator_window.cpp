// Placeholder until the navigator lands; replaced whole by it.
#include "changer/navigator_window.h"

namespace tivolen {

int ShowNavigator(Platform& platform) {
  platform.messages.show("ナビゲーターはまだ作られていません");
  return 0;
}

}  // namespace tivolen
