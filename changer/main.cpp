#include <algorithm>
#include <exception>
#include <iostream>
#include <span>
#include <string_view>

#include "changer/navigator_window.h"
#include "changer/run.h"
#include "common/startup_shortcut.h"
#include "common/texts.h"
#include "platform/linux/linux_platform.h"

int main(int argc, char** argv) {
  try {
    // Other arguments are ignored: the changer has always run without any.
    const std::span<char*> arguments(argv, static_cast<std::size_t>(argc));
    const bool navigatorRequested =
        std::ranges::any_of(arguments.subspan(arguments.empty() ? 0 : 1), [](const char* argument) {
          return std::string_view(argument) == tivolen::kNavigatorOption;
        });
    tivolen::LinuxPlatform linuxPlatform(tivolen::text::kChangerCaption);
    return tivolen::RunChanger(linuxPlatform.platform(), tivolen::ShowNavigator,
                               navigatorRequested);
  } catch (const std::exception& error) {
    // Never abort at log-on: say what broke and end.
    std::cerr << "Tivolen: " << error.what() << '\n';
    return 1;
  } catch (...) {
    std::cerr << "Tivolen: unexpected failure\n";
    return 1;
  }
}
