// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fake/fake_platform.h"

#include <memory>
#include <utility>

namespace tivolen::fake {

std::string messageEvent(std::string_view text) {
  return "message: " + std::string(text);
}

std::string startEvent(std::string_view program, WindowState state) {
  return "start: " + std::string(program) +
         (state == WindowState::Minimized ? " (minimized)" : " (normal)");
}

std::string shortcutEvent(std::string_view path, std::string_view target,
                          std::string_view workingDirectory,
                          const std::vector<ShortcutAction>& actions) {
  std::string event = "shortcut: " + std::string(path) + " -> " + std::string(target) + " in " +
                      std::string(workingDirectory);
  for (const ShortcutAction& action : actions) {
    event += "; action " + action.name + ": " + action.argument;
  }
  return event;
}

std::string layoutEvent(WallpaperLayout layout) {
  switch (layout) {
    case WallpaperLayout::Centred:
      return "layout: centred";
    case WallpaperLayout::Tiled:
      return "layout: tiled";
    case WallpaperLayout::Stretched:
      return "layout: stretched";
    case WallpaperLayout::Zoom:
      return "layout: zoom";
  }
  return "layout: ?";
}

std::string wallpaperEvent(std::string_view path) {
  return "wallpaper: " + std::string(path);
}

Platform withSwapped(const Platform& base, const SwappedServices& swapped) {
  return Platform{base.applicationDirectory,
                  swapped.files != nullptr ? *swapped.files : base.files,
                  swapped.processes != nullptr ? *swapped.processes : base.processes,
                  base.keyboard,
                  base.messages,
                  base.clock,
                  base.random,
                  base.specialFolders,
                  swapped.shortcuts != nullptr ? *swapped.shortcuts : base.shortcuts,
                  base.screen,
                  base.desktop,
                  base.pictures,
                  base.documents,
                  base.runLock,
                  base.scheduler,
                  base.dataDirectory,
                  base.installed,
                  base.fileChooser};
}

std::string chooseEvent(ChooseWhat what, std::string_view title) {
  return std::string(what == ChooseWhat::Folder ? "choose folder: " : "choose pictures: ") +
         std::string(title);
}

std::vector<std::string> ScriptedFileChooser::choose(ChooseWhat what, std::string_view title,
                                                     const std::vector<std::string>& patterns) {
  log_.push_back(chooseEvent(what, title));
  lastPatterns = patterns;
  if (answers.empty()) return {};
  std::vector<std::string> chosen = std::move(answers.front());
  answers.pop_front();
  return chosen;
}

Status ScriptedRunLock::acquire(const std::string& path, std::chrono::milliseconds wait) {
  requests.push_back({path, wait});
  return answer ? *answer : Status::ok();
}

std::string openEvent(std::string_view path) {
  return "open: " + std::string(path);
}

Status RecordingDocuments::open(const std::string& path) {
  log_.push_back(openEvent(path));
  return failWith ? *failWith : Status::ok();
}

Status RecordingProcesses::start(const std::string& program, WindowState state) {
  log_.push_back(startEvent(program, state));
  return Status::ok();
}

Answer ScriptedMessages::show(std::string_view text, Buttons buttons) {
  log_.push_back(messageEvent(text));
  shown.emplace_back(text);
  if (!answers.empty()) {
    const Answer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  return buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
}

float ScriptedRandom::next() {
  ++drawn;
  if (!draws.empty()) {
    last_ = draws.front();
    draws.pop_front();
  }
  return last_;
}

std::optional<std::string> FakeSpecialFolders::path(SpecialFolder folder) const {
  const auto found = folders.find(folder);
  if (found == folders.end()) return std::nullopt;
  return found->second;
}

std::string RecordingShortcuts::fileName(std::string_view name) const {
  return std::string(name) + (files_.pathRules().windows() ? ".lnk" : ".desktop");
}

Status RecordingShortcuts::write(const std::string& shortcutPath, const std::string& target,
                                 const std::string& workingDirectory,
                                 const std::vector<ShortcutAction>& actions) {
  if (fail) return Status::failed("scripted failure");
  log_.push_back(shortcutEvent(shortcutPath, target, workingDirectory, actions));
  return files_.writeFileAtomically(shortcutPath, "target=" + target + "\n");
}

std::optional<std::string> RecordingShortcuts::target(const std::string& shortcutPath) const {
  std::optional<std::string> text = files_.readFile(shortcutPath);
  constexpr std::string_view kKey = "target=";
  if (!text || !text->starts_with(kKey) || !text->ends_with('\n')) return std::nullopt;
  return text->substr(kKey.size(), text->size() - kKey.size() - 1);
}

void RecordingDesktop::setLayout(WallpaperLayout layout) {
  layout_ = layout;
  log_.push_back(layoutEvent(layout));
}

Status RecordingDesktop::setWallpaper(const std::string& path) {
  log_.push_back(wallpaperEvent(path));
  rendered = {};
  if (whileSetting) whileSetting();
  return failWith ? *failWith : Status::ok();
}

namespace {

class CountedPreparation final : public PreparedWallpaper {
 public:
  CountedPreparation(std::shared_ptr<int> alive, const Picture& pixels, WallpaperLayout layout)
      : alive_(std::move(alive)), pixels_(pixels.alias()), layout_(layout) {
    ++*alive_;
  }
  ~CountedPreparation() override { --*alive_; }
  CountedPreparation(const CountedPreparation&) = delete;
  CountedPreparation& operator=(const CountedPreparation&) = delete;
  [[nodiscard]] bool isFor(const Picture& pixels, WallpaperLayout layout) const {
    return layout == layout_ && pixels.isAliasOf(pixels_);
  }

 private:
  std::shared_ptr<int> alive_;
  Picture pixels_;
  WallpaperLayout layout_;
};

}  // namespace

Status RecordingDesktop::setRenderedWallpaper(const std::string& path, const Picture& pixels,
                                              std::unique_ptr<PreparedWallpaper> prepared) {
  log_.push_back(wallpaperEvent(path));
  rendered = pixels.alias();
  const auto* counted = dynamic_cast<const CountedPreparation*>(prepared.get());
  lastSetWasPrepared = counted != nullptr && counted->isFor(pixels, layout_);
  if (whileSetting) whileSetting();
  return failWith ? *failWith : Status::ok();
}

std::unique_ptr<PreparedWallpaper> RecordingDesktop::prepareRenderedWallpaper(
    const Picture& pixels, WallpaperLayout layout) {
  if (!prepares) return nullptr;
  return std::make_unique<CountedPreparation>(preparedAlive, pixels, layout);
}

FakePlatform::FakePlatform(std::string applicationDirectory)
    : platform_{std::move(applicationDirectory),
                files,
                processes,
                keyboard,
                messages,
                clock,
                random,
                specialFolders,
                shortcuts,
                screen,
                desktop,
                *pictures,
                documents,
                runLock,
                scheduler} {
  platform_.fileChooser = &fileChooser;
}

std::string scheduleEvent(std::string_view program, const Schedule& schedule) {
  std::string event = "schedule: " + std::string(program) + " ";
  switch (schedule.kind) {
    case ScheduleKind::Off:
      return event + "off";
    case ScheduleKind::DateChange:
      return event + "date";
    case ScheduleKind::Every:
      return event + "every " + std::to_string(schedule.minutes) + " min";
  }
  return event + "?";
}

SchedulerReadiness RecordingScheduler::readiness(std::string& why) {
  if (ready != SchedulerReadiness::Ready) why = "scripted";
  return ready;
}

std::optional<Schedule> RecordingScheduler::installed(const ScheduledProgram& program) {
  const auto found = schedules.find(program.program);
  return found == schedules.end() ? std::optional<Schedule>(Schedule{}) : found->second;
}

Status RecordingScheduler::install(const ScheduledProgram& program, const Schedule& schedule) {
  log_.push_back(scheduleEvent(program.program, schedule));
  if (failWith) return *failWith;
  if (schedule.kind == ScheduleKind::Off) {
    schedules.erase(program.program);
  } else {
    schedules[program.program] = schedule;
  }
  return Status::ok();
}

}  // namespace tivolen::fake
