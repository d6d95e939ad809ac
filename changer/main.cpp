// SPDX-License-Identifier: GPL-3.0-or-later
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "changer/run.h"
#include "changer/run_options.h"
#include "common/texts.h"
#include "common/unexpected_failure.h"
#include "platform/linux/box_messages.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/qt_module.h"

namespace {

// Qt is loaded only when a run shows something or meets a picture only Qt
// reads: loading it costs more than a whole run on a small wallpaper.
std::shared_ptr<tivolen::QtParts> openQtModule() {
  return std::make_shared<tivolen::QtModule>(tivolen::QtModulePath());
}

}  // namespace

int main(int argc, char** argv) {
  tivolen::FailureBox box = tivolen::FailureBox::Show;
  try {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    const tivolen::RunOptions options = tivolen::ParseRunOptions(arguments);
    switch (options.request) {
      case tivolen::RunRequest::Help:
        std::cout << tivolen::HelpText();
        return 0;
      case tivolen::RunRequest::Version:
        std::cout << tivolen::VersionText();
        return 0;
      case tivolen::RunRequest::Unknown:
        std::cerr << tivolen::UsageText(options.unknown);
        return tivolen::kExitUsage;
      case tivolen::RunRequest::Scheduled:
        box = tivolen::FailureBox::StandardErrorOnly;
        break;
      case tivolen::RunRequest::Change:
      case tivolen::RunRequest::Navigator:
        break;
    }
    tivolen::LinuxPlatform linuxPlatform(tivolen::text::kChangerCaption, openQtModule());
    return tivolen::RunChanger(
        linuxPlatform.platform(),
        [&linuxPlatform](tivolen::Platform& platform) {
          return linuxPlatform.qt().showNavigator(platform);
        },
        tivolen::RunStartOf(options.request));
  } catch (const std::exception& error) {
    // Never abort at log-on: say what broke and end.
    tivolen::BoxMessages messages{std::string(tivolen::text::kChangerCaption), openQtModule()};
    return tivolen::EndOnUnexpectedFailure(messages, error.what(), box);
  } catch (...) {
    tivolen::BoxMessages messages{std::string(tivolen::text::kChangerCaption), openQtModule()};
    return tivolen::EndOnUnexpectedFailure(messages, "unexpected failure", box);
  }
}
