// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/shortcuts.h"

#include <optional>
#include <vector>

#include "common/list_file.h"
#include "common/startup_shortcut.h"
#include "manager/manager_texts.h"

namespace tivolen::manager {
namespace {

std::string shortcutFile(const Platform& platform, const std::string& folder,
                         std::string_view name) {
  return platform.files.pathRules().join(folder, platform.shortcuts.fileName(name));
}

// The folder part of a program's path; empty when it has none.
std::string folderOf(const Platform& platform, const std::string& program) {
  const PathRules rules = platform.files.pathRules();
  for (std::size_t at = program.size(); at-- > 0;) {
    if (rules.isSeparator(program[at])) return program.substr(0, at == 0 ? 1 : at);
  }
  return {};
}

// The changer of another install that the autostart entry starts, when it
// starts one: a program that is still there, not this folder's. A program
// that is gone is this install's before it moved.
std::optional<std::string> otherInstallsChanger(const Platform& platform) {
  const std::string startup = StartupShortcutPath(platform);
  if (startup.empty() || !platform.files.fileExists(startup)) return std::nullopt;
  const std::optional<std::string> current = platform.shortcuts.target(startup);
  if (!current || *current == platform.programInAppDir(kChangerProgram) ||
      !platform.files.fileExists(*current)) {
    return std::nullopt;
  }
  return current;
}

}  // namespace

bool MayTakeOverStartupShortcut(Platform& platform) {
  const std::optional<std::string> other = otherInstallsChanger(platform);
  if (!other) return true;
  return platform.messages.show(std::string(text::kAskTakeOverStartup) + *other, Buttons::YesNo) ==
         Answer::Yes;
}

void OfferListOfOtherInstall(Platform& platform) {
  // Only a build that keeps its list apart from its programs starts without
  // one beside the programs that the autostart entry starts.
  if (platform.dataDirectory.empty()) return;
  const std::string ours = platform.inDataDir(kListFileName);
  if (platform.files.fileExists(ours)) return;
  const std::optional<std::string> other = otherInstallsChanger(platform);
  if (!other) return;
  const std::string folder = folderOf(platform, *other);
  if (folder.empty()) return;
  const std::string theirs = platform.files.pathRules().join(folder, kListFileName);
  if (!platform.files.fileExists(theirs)) return;
  if (platform.messages.show(std::string(text::kAskCopyOtherList) + theirs, Buttons::YesNo) !=
      Answer::Yes) {
    return;
  }
  const std::optional<std::string> contents = platform.files.readFile(theirs);
  const Status copied = contents ? platform.files.writeFileAtomically(ours, *contents)
                                 : Status::failed(theirs + ": could not be read");
  if (!copied.isOk()) {
    platform.messages.detail(copied.message);
    platform.messages.show(std::string(text::kListCopyFailed) + theirs);
  }
}

std::string QuickLaunchFolder(const Platform& platform) {
  return platform.specialFolders.path(SpecialFolder::Applications).value_or("");
}

Result<bool> CreateShortcutIn(Platform& platform, const std::string& folder, bool createFolder) {
  if (folder.empty()) return Status::unavailable("no folder for the menu entry");
  const std::string file = shortcutFile(platform, folder, kStartupShortcutName);
  if (platform.files.fileExists(file)) return false;
  if (!createFolder && !platform.files.folderExists(folder)) {
    return Status::unavailable(folder + ": no such folder");
  }
  // A right-click on the menu entry opens the navigator, where holding Shift
  // at the changer's start cannot be read.
  const std::vector<ShortcutAction> navigator{
      {"navigator", std::string(kNavigatorActionName), std::string(kNavigatorOption)}};
  const Status status = platform.shortcuts.write(file, platform.programInAppDir(kChangerProgram),
                                                 platform.applicationDirectory, navigator);
  if (!status.isOk()) return Status::failed(status.message);
  return true;
}

Status WriteStartupShortcut(Platform& platform) {
  return platform.shortcuts.write(StartupShortcutPath(platform),
                                  platform.programInAppDir(kChangerProgram),
                                  platform.applicationDirectory);
}

void ShowShortcutFailure(Platform& platform, const Status& failure) {
  platform.messages.show(std::string(text::kShortcutFailed) + failure.message);
}

void RemoveStartupShortcut(Platform& platform) {
  const std::string file = StartupShortcutPath(platform);
  if (!platform.files.fileExists(file)) {
    platform.messages.show(text::kNoShortcut);
    return;
  }
  if (platform.messages.show(text::kAskRemoveStartup, Buttons::YesNo) != Answer::Yes) return;
  const Status status = platform.files.removeFile(file);
  if (!status.isOk()) {
    platform.messages.show(std::string(text::kShortcutRemoveFailed) + status.message);
  }
}

Status WriteDesktopShortcut(Platform& platform) {
  const Result<std::string> desktop = GetSpecialFolder(platform, SpecialFolder::Desktop);
  if (!desktop) return Status::unavailable("no desktop folder");
  return platform.shortcuts.write(shortcutFile(platform, *desktop, kDesktopShortcutName),
                                  platform.programInAppDir(kManagerProgram),
                                  platform.applicationDirectory);
}

// The fixed quick-launch folder of old Windows never exists here, so only
// the applications folder is tried. A fresh account may not have that folder
// yet; it is the desktop's standard place, so it is made rather than the
// question coming back at every start with no way to satisfy it.
void CreateQuickLaunchShortcut(Platform& platform) {
  const Result<bool> created =
      CreateShortcutIn(platform, QuickLaunchFolder(platform), /*createFolder=*/true);
  if (created) {
    // A new entry is not announced; one that was there already is.
    if (!*created) platform.messages.show(text::kAlreadyThere);
  } else if (created.status().code == Status::Code::Unavailable) {
    platform.messages.show(text::kMenuFolderNotFound[platform.files.pathRules().windows() ? 0 : 1]);
  } else {
    ShowShortcutFailure(platform, created.status());
  }
}

void CheckShortcutsAtStart(Platform& platform) {
  if (platform.files.fileExists(StartupShortcutPath(platform)) &&
      MayTakeOverStartupShortcut(platform)) {
    // Nobody is at the window yet; a failure here must not stop the start.
    const Status rewritten = WriteStartupShortcut(platform);
    if (!rewritten.isOk()) platform.messages.detail("autostart entry: " + rewritten.message);
  }
  const std::string folder = QuickLaunchFolder(platform);
  const bool present = !folder.empty() && platform.files.fileExists(
                                              shortcutFile(platform, folder, kStartupShortcutName));
  if (present) return;
  const std::string_view question =
      text::kAskCreateMenuEntry[platform.files.pathRules().windows() ? 0 : 1];
  if (platform.messages.show(question, Buttons::OkCancel) == Answer::Ok) {
    CreateQuickLaunchShortcut(platform);
  }
}

}  // namespace tivolen::manager
