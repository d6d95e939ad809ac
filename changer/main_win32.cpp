#include <algorithm>
#include <cstdio>
#include <exception>
#include <span>
#include <string_view>

#include "changer/navigator_window.h"
#include "changer/run.h"
#include "common/startup_shortcut.h"
#include "common/texts.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/windows_platform.h"

int wmain(int argc, wchar_t** argv) {
  try {
    // Other arguments are ignored: the changer has always run without any.
    const std::span<wchar_t*> arguments(argv, static_cast<std::size_t>(argc));
    const bool navigatorRequested = std::ranges::any_of(
        arguments.subspan(arguments.empty() ? 0 : 1), [](const wchar_t* argument) {
          return tivolen::Narrow(argument) == tivolen::kNavigatorOption;
        });
    tivolen::WindowsPlatform windowsPlatform(tivolen::text::kChangerCaption);
    return tivolen::RunChanger(windowsPlatform.platform(), tivolen::ShowNavigator,
                               navigatorRequested);
  } catch (const std::exception& error) {
    // Never abort at log-on: say what broke and end.
    std::fprintf(stderr, "Tivolen: %s\n", error.what());
    return 1;
  } catch (...) {
    std::fputs("Tivolen: unexpected failure\n", stderr);
    return 1;
  }
}
