#include <cstdio>
#include <exception>

#include "changer/navigator_window.h"
#include "changer/run.h"
#include "common/texts.h"
#include "platform/windows/windows_platform.h"

int wmain() {
  try {
    tivolen::WindowsPlatform windowsPlatform(tivolen::text::kChangerCaption);
    return tivolen::RunChanger(windowsPlatform.platform(), tivolen::ShowNavigator);
  } catch (const std::exception& error) {
    // Never abort at log-on: say what broke and end.
    std::fprintf(stderr, "Tivolen: %s\n", error.what());
    return 1;
  } catch (...) {
    std::fputs("Tivolen: unexpected failure\n", stderr);
    return 1;
  }
}
