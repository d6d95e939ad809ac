// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/date.h"
#include "platform/fake/fake_files.h"
#include "platform/pictures.h"
#include "platform/platform.h"

namespace tivolen::fake {

// One ordered record of every effect, so tests can assert the exact sequence
// of messages, started programs, shortcuts and desktop changes.
using EventLog = std::vector<std::string>;

class RecordingProcesses final : public Processes {
 public:
  explicit RecordingProcesses(EventLog& log) : log_(log) {}
  Status start(const std::string& program, WindowState state) override;

 private:
  EventLog& log_;
};

class ScriptedKeyboard final : public Keyboard {
 public:
  [[nodiscard]] bool shiftHeld() const override { return shift; }
  bool shift = false;
};

// Answers message boxes from a script; an unscripted question gets the first
// button (OK or Yes), as pressing Enter would.
class ScriptedMessages final : public Messages {
 public:
  explicit ScriptedMessages(EventLog& log) : log_(log) {}
  Answer show(std::string_view text, Buttons buttons) override;
  void detail(std::string_view text) override { details.emplace_back(text); }
  std::deque<Answer> answers;
  std::vector<std::string> shown;
  std::vector<std::string> details;

 private:
  EventLog& log_;
};

class FixedClock final : public Clock {
 public:
  [[nodiscard]] std::optional<CalendarDay> today() const override {
    return CalendarDay{date.year, date.month, date.day};
  }
  [[nodiscard]] std::optional<LocalTime> now() const override {
    return LocalTime{CalendarDay{date.year, date.month, date.day}, hour, minute, second};
  }
  Date date{2026, 12, 7};
  int hour = 10;
  int minute = 15;
  int second = 0;
};

// Plays back the scripted draws, then repeats the last one; records seeding.
class ScriptedRandom final : public Random {
 public:
  void seedFromClock() override { ++seeds; }
  float next() override;
  std::deque<float> draws;
  int seeds = 0;
  int drawn = 0;

 private:
  float last_ = 0.5F;
};

class FakeSpecialFolders final : public SpecialFolders {
 public:
  [[nodiscard]] std::optional<std::string> path(SpecialFolder folder) const override;
  std::map<SpecialFolder, std::string> folders;
};

// Writes real files (so existence tests see them) and records each write.
// Shortcut files are named as the path rules' system names them.
class RecordingShortcuts final : public Shortcuts {
 public:
  RecordingShortcuts(EventLog& log, FileSystem& files) : log_(log), files_(files) {}
  [[nodiscard]] std::string fileName(std::string_view name) const override;
  Status write(const std::string& shortcutPath, const std::string& target,
               const std::string& workingDirectory,
               const std::vector<ShortcutAction>& actions = {}) override;
  [[nodiscard]] std::optional<std::string> target(const std::string& shortcutPath) const override;
  bool fail = false;

 private:
  EventLog& log_;
  FileSystem& files_;
};

class FixedScreen final : public Screen {
 public:
  [[nodiscard]] std::optional<ScreenSize> size() const override { return screen; }
  std::optional<ScreenSize> screen = ScreenSize{1024, 768};
};

class RecordingDesktop final : public Desktop {
 public:
  explicit RecordingDesktop(EventLog& log) : log_(log) {}
  void setLayout(WallpaperLayout layout) override;
  Status setWallpaper(const std::string& path) override;
  [[nodiscard]] bool remembersWallpaper() const override { return remembers; }
  // Logged as setWallpaper is; the pixels are kept in `rendered`.
  Status setRenderedWallpaper(const std::string& path, const Picture& pixels,
                              std::unique_ptr<PreparedWallpaper> prepared) override;
  // Not logged: only a desktop with `prepares` set prepares anything.
  std::unique_ptr<PreparedWallpaper> prepareRenderedWallpaper(const Picture& pixels,
                                                              WallpaperLayout layout) override;
  std::optional<Status> failWith;
  // Runs as each wallpaper is set: what else happens meanwhile (a screen
  // plugged in).
  std::function<void()> whileSetting;
  bool remembers = true;
  // The pixels the last set was handed; empty after a set without them.
  Picture rendered;
  // As a back-end that paints the pixels itself: prepared wallpapers are
  // counted while they live, and the last set says whether it got one made
  // of the very pixels and layout it was handed.
  bool prepares = false;
  std::shared_ptr<int> preparedAlive = std::make_shared<int>(0);
  bool lastSetWasPrepared = false;

 private:
  EventLog& log_;
  WallpaperLayout layout_ = WallpaperLayout::Centred;
};

class RecordingDocuments final : public Documents {
 public:
  explicit RecordingDocuments(EventLog& log) : log_(log) {}
  Status open(const std::string& path) override;
  std::optional<Status> failWith;

 private:
  EventLog& log_;
};

// Answers each dialog with the next scripted choice (nothing once they run
// out, as a cancelled dialog), logging what was asked.
class ScriptedFileChooser final : public FileChooser {
 public:
  explicit ScriptedFileChooser(EventLog& log) : log_(log) {}
  std::vector<std::string> choose(ChooseWhat what, std::string_view title,
                                  const std::vector<std::string>& patterns) override;
  std::deque<std::vector<std::string>> answers;
  std::vector<std::string> lastPatterns;

 private:
  EventLog& log_;
};
std::string chooseEvent(ChooseWhat what, std::string_view title);

// Answers as scripted and records each request apart from the events, which
// tests compare whole.
class ScriptedRunLock final : public RunLock {
 public:
  struct Request {
    std::string path;
    std::chrono::milliseconds wait;
  };
  Status acquire(const std::string& path, std::chrono::milliseconds wait) override;
  std::optional<Status> answer;
  std::vector<Request> requests;
};

// Keeps the schedule it is given, as the system's scheduler would, and logs
// each change as an event.
class RecordingScheduler final : public Scheduler {
 public:
  explicit RecordingScheduler(EventLog& log) : log_(log) {}
  SchedulerReadiness readiness(std::string& why) override;
  std::optional<Schedule> installed(const ScheduledProgram& program) override;
  Status install(const ScheduledProgram& program, const Schedule& schedule) override;
  SchedulerReadiness ready = SchedulerReadiness::Ready;
  std::optional<Status> failWith;
  // By the changer's path; a program missing here has no schedule.
  std::map<std::string, std::optional<Schedule>> schedules;

 private:
  EventLog& log_;
};
std::string scheduleEvent(std::string_view program, const Schedule& schedule);

// Everything a test needs, with a real application directory to work in.
class FakePlatform {
 public:
  explicit FakePlatform(std::string applicationDirectory);

  Platform& platform() { return platform_; }
  Platform* operator->() { return &platform_; }

  EventLog events;
  FakeFiles files;
  RecordingProcesses processes{events};
  ScriptedKeyboard keyboard;
  ScriptedMessages messages{events};
  FixedClock clock;
  ScriptedRandom random;
  FakeSpecialFolders specialFolders;
  RecordingShortcuts shortcuts{events, files};
  FixedScreen screen;
  RecordingDesktop desktop{events};
  // The real picture services: tests render real files.
  std::unique_ptr<Pictures> pictures = std::make_unique<FakePictures>(files);
  RecordingDocuments documents{events};
  ScriptedRunLock runLock;
  ScriptedFileChooser fileChooser{events};
  RecordingScheduler scheduler{events};

 private:
  Platform platform_;
};

// Event texts, so tests compare against the same spelling.
std::string messageEvent(std::string_view text);
std::string openEvent(std::string_view path);

// `base` with some services swapped for ones a test makes behave otherwise
// (files that fail, a program that cannot start); the rest stay as they are.
struct SwappedServices {
  FileSystem* files = nullptr;
  Processes* processes = nullptr;
  Shortcuts* shortcuts = nullptr;
};
Platform withSwapped(const Platform& base, const SwappedServices& swapped);
std::string startEvent(std::string_view program, WindowState state);
// Actions are named after the rest ("; action ナビゲーター: --navigator").
std::string shortcutEvent(std::string_view path, std::string_view target,
                          std::string_view workingDirectory,
                          const std::vector<ShortcutAction>& actions = {});
std::string layoutEvent(WallpaperLayout layout);
std::string wallpaperEvent(std::string_view path);

}  // namespace tivolen::fake
