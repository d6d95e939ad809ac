// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tivolen {

// One manager per list: the first start for a data folder holds it for as
// long as it runs, however it ends (the system lets go of a crashed
// holder's claim); a later start asks the holder to show its window.
class InstanceLock {
 public:
  enum class Claim {
    Held,         // this process holds the folder now
    Taken,        // another running process holds it
    Unavailable,  // the system gave no way to tell (the reason on stderr)
  };
  virtual ~InstanceLock() = default;
  virtual Claim claim(const std::string& dataFolder) = 0;
  // Asks the holder of `dataFolder` to bring its window forward; false when
  // no holder answered in time.
  virtual bool askHolderToShow(const std::string& dataFolder) = 0;
  // Once this process holds the folder and its window exists: `show` runs
  // on the window's thread whenever a later start asks; `nativeWindow`
  // names the window where the system raises it for the asking start.
  virtual void serve(std::function<void()> show, std::uintptr_t nativeWindow) = 0;
};

}  // namespace tivolen
