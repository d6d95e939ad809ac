// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/pictures.h"
#include "platform/status.h"

namespace tivolen {

enum class WindowState { Normal, Minimized };

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts a program by path, never through a shell; not awaited.
  virtual Status start(const std::string& program, WindowState state) = 0;
};

class Keyboard {
 public:
  virtual ~Keyboard() = default;
  [[nodiscard]] virtual bool shiftHeld() const = 0;
};

enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

// The answer when nobody can be asked (no display, a scheduled run): the
// one that changes nothing.
constexpr Answer CautiousAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok:
      return Answer::Ok;
    case Buttons::OkCancel:
      return Answer::Cancel;
    case Buttons::YesNo:
      return Answer::No;
  }
  return Answer::Ok;
}

class Messages {
 public:
  virtual ~Messages() = default;
  // A modal message box with the Japanese text; also one line on stderr.
  virtual Answer show(std::string_view text, Buttons buttons = Buttons::Ok) = 0;
  // The technical side of a failure the user was told of (a path, the
  // system's reason): standard error only, never a box.
  virtual void detail(std::string_view text) = 0;
};

// A day of the system calendar, in the user's time zone. Nothing is asked of
// it beyond its three numbers; the programs' own date arithmetic lives with
// their logic.
struct CalendarDay {
  int year = 0;
  int month = 0;
  int day = 0;
};

// A moment of that calendar, to the second.
struct LocalTime {
  CalendarDay day;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Nothing when the system cannot say (a broken time zone).
  [[nodiscard]] virtual std::optional<CalendarDay> today() const = 0;
  [[nodiscard]] virtual std::optional<LocalTime> now() const = 0;
};

class Random {
 public:
  virtual ~Random() = default;
  virtual void seedFromClock() = 0;
  // Uniform in [0, 1), single precision.
  virtual float next() = 0;
};

// The Windows special folders the programs use, with their CSIDL numbers
// where they have one.
enum class SpecialFolder : int {
  Desktop = 0,
  Startup = 7,
  AppData = 1000,       // "AppData" of the shell's SpecialFolders
  Applications = 1001,  // where a menu entry lives (the quick-launch of old)
};

class SpecialFolders {
 public:
  virtual ~SpecialFolders() = default;
  [[nodiscard]] virtual std::optional<std::string> path(SpecialFolder folder) const = 0;
};

// A second way into a shortcut's program, offered by a right-click on the
// entry in a menu or dock: shown as `name`, started with `argument`. `key`
// names it inside the shortcut (letters, digits and "-").
struct ShortcutAction {
  std::string key;
  std::string name;
  std::string argument;
};

class Shortcuts {
 public:
  virtual ~Shortcuts() = default;
  // "壁紙変更" becomes "壁紙変更.lnk" on Windows and "壁紙変更.desktop" here.
  [[nodiscard]] virtual std::string fileName(std::string_view name) const = 0;
  // Writes (or rewrites) the shortcut file at `shortcutPath`; its name is the
  // file name without extension. Every implementation takes no actions by
  // default.
  virtual Status write(const std::string& shortcutPath, const std::string& target,
                       const std::string& workingDirectory,
                       const std::vector<ShortcutAction>& actions = {}) = 0;
  // The program an existing shortcut starts; nothing when there is none or
  // it cannot be read, as with a back-end that cannot read shortcuts.
  [[nodiscard]] virtual std::optional<std::string> target(const std::string& shortcutPath) const {
    static_cast<void>(shortcutPath);
    return std::nullopt;
  }
};

struct ScreenSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};

class Screen {
 public:
  virtual ~Screen() = default;
  // The primary screen in physical pixels; nothing without a display.
  [[nodiscard]] virtual std::optional<ScreenSize> size() const = 0;
};

// The layout the desktop uses for the wallpaper file, as the style numbers
// of the list name them after rendering.
enum class WallpaperLayout { Centred, Tiled, Stretched, Zoom };

// What a back-end that paints the pixels itself has already sent towards
// the screen for one wallpaper, not yet shown: dropped unused, it shows
// nothing and holds nothing.
class PreparedWallpaper {
 public:
  virtual ~PreparedWallpaper() = default;
};

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Remembered and used by the next setWallpaper, as the registry layout
  // values are read when the wallpaper is set.
  virtual void setLayout(WallpaperLayout layout) = 0;
  virtual Status setWallpaper(const std::string& path) = 0;
  // Whether the desktop shows the wallpaper it was last given again at the
  // next log-on by itself. One that does not (a bare X server, a compositor
  // whose background client ends with the session) starts every session
  // with its own default background, and a log-on with no change due must
  // put the current wallpaper back.
  [[nodiscard]] virtual bool remembersWallpaper() const { return true; }
  // The file at `path` together with its pixels, as the renderer has just
  // made them: a back-end that paints the pixels itself takes them from
  // here instead of reading the file back. The rest set the file.
  // `prepared` is what prepareRenderedWallpaper made of the same pixels, or
  // nothing.
  virtual Status setRenderedWallpaper(const std::string& path, const Picture& /*rendered*/,
                                      std::unique_ptr<PreparedWallpaper> /*prepared*/) {
    return setWallpaper(path);
  }
  // Begins sending freshly rendered pixels to be shown in `layout` while the
  // file is still being written, on a thread of its own, so that showing
  // them after the file is whole costs little. Nothing changes on the screen
  // before setRenderedWallpaper is handed the result. Nothing by default.
  virtual std::unique_ptr<PreparedWallpaper> prepareRenderedWallpaper(const Picture& /*rendered*/,
                                                                      WallpaperLayout /*layout*/) {
    return nullptr;
  }
};

// Opens a document in the program the desktop associates with its type: a
// web page in the browser, a text file in the editor. Never through a shell,
// so no name is ever read as a command.
class Documents {
 public:
  virtual ~Documents() = default;
  virtual Status open(const std::string& path) = 0;
};

// The system's own dialog for choosing what to add: several pictures at
// once, or one folder. On Linux Qt's dialog, which goes through the
// desktop's portal where there is one; IFileOpenDialog on Windows.
enum class ChooseWhat { Pictures, Folder };

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // Full paths in the dialog's order; empty when the user cancelled or no
  // dialog could be shown. `patterns` ("*.jpg") limit the pictures offered.
  virtual std::vector<std::string> choose(ChooseWhat what, std::string_view title,
                                          const std::vector<std::string>& patterns) = 0;
};

// One changer run at a time over one data folder: two at once would read
// the same log position and, on a bare X server, free each other's
// wallpaper. The lock lives in a file of its own, so nothing the manager
// opens is ever held, and it is never handed on to a program the run starts.
class RunLock {
 public:
  virtual ~RunLock() = default;
  // Takes the lock of the file at `path` (created when missing), waiting at
  // most `wait` while another process holds it; held until this object
  // ends. Unavailable: still held by another when the wait ran out. Failed:
  // the file could not be opened or locked at all.
  virtual Status acquire(const std::string& path, std::chrono::milliseconds wait) = 0;
};

}  // namespace tivolen
