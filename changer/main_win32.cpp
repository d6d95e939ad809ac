// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "changer/navigator_window.h"
#include "changer/run.h"
#include "changer/run_options.h"
#include "common/texts.h"
#include "common/unexpected_failure.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32_services.h"
#include "platform/windows/windows_platform.h"

int wmain(int argc, wchar_t** argv) {
  tivolen::FailureBox box = tivolen::FailureBox::Show;
  try {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(tivolen::Narrow(argv[i]));
    // A windowed program has no console: the texts reach only a caller that
    // redirected them, but no option ever changes the wallpaper by mistake.
    const tivolen::RunOptions options = tivolen::ParseRunOptions(arguments);
    switch (options.request) {
      case tivolen::RunRequest::Help:
        std::fputs(tivolen::HelpText().c_str(), stdout);
        return 0;
      case tivolen::RunRequest::Version:
        std::fputs(tivolen::VersionText().c_str(), stdout);
        return 0;
      case tivolen::RunRequest::Unknown:
        std::fputs(tivolen::UsageText(options.unknown).c_str(), stderr);
        return tivolen::kExitUsage;
      case tivolen::RunRequest::Scheduled:
        box = tivolen::FailureBox::StandardErrorOnly;
        break;
      case tivolen::RunRequest::Change:
      case tivolen::RunRequest::Navigator:
        break;
    }
    tivolen::WindowsPlatform windowsPlatform(tivolen::text::kChangerCaption);
    return tivolen::RunChanger(windowsPlatform.platform(), tivolen::ShowNavigator,
                               tivolen::RunStartOf(options.request));
  } catch (const std::exception& error) {
    // Never abort at log-on: say what broke and end.
    tivolen::Win32Messages messages{tivolen::Widen(tivolen::text::kChangerCaption)};
    return tivolen::EndOnUnexpectedFailure(messages, error.what(), box);
  } catch (...) {
    tivolen::Win32Messages messages{tivolen::Widen(tivolen::text::kChangerCaption)};
    return tivolen::EndOnUnexpectedFailure(messages, "unexpected failure", box);
  }
}
