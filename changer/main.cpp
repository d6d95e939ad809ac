#include <exception>
#include <iostream>

#include "changer/navigator_window.h"
#include "changer/run.h"
#include "common/texts.h"
#include "platform/linux/linux_platform.h"

int main() {
  try {
    tivolen::LinuxPlatform linuxPlatform(tivolen::text::kChangerCaption);
    return tivolen::RunChanger(linuxPlatform.platform(), tivolen::ShowNavigator);
  } catch (const std::exception& error) {
    // Never abort at log-on: say what broke and end.
    std::cerr << "Tivolen: " << error.what() << '\n';
    return 1;
  } catch (...) {
    std::cerr << "Tivolen: unexpected failure\n";
    return 1;
  }
}
