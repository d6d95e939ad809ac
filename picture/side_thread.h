// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <exception>
#include <functional>
#include <system_error>
#include <thread>
#include <utility>

namespace tivolen {

// A second thread for a picture's work. Every user splits its work so that
// the calling thread can do all of it alone: when the system gives no
// thread, a picture only takes longer. `stop` tells the work to end and runs
// before every join, also when the caller leaves early by an exception, so
// neither thread waits for the other forever.
class SideThread {
 public:
  explicit SideThread(
      std::function<void()> work, std::function<void()> stop = [] {})
      : stop_(std::move(stop)) {
    try {
      thread_ = std::jthread([this, work = std::move(work)] {
        try {
          work();
        } catch (...) {
          error_ = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      // No thread to be had: started() tells the caller to do it all.
    }
  }
  SideThread(const SideThread&) = delete;
  SideThread& operator=(const SideThread&) = delete;
  ~SideThread() { finish(); }

  [[nodiscard]] bool started() const { return thread_.joinable(); }

  // Stops and waits for the work; what it threw is thrown here.
  void join() {
    finish();
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
  }

 private:
  void finish() noexcept {
    if (!thread_.joinable()) return;
    stop_();
    thread_.join();
  }

  std::function<void()> stop_;
  std::exception_ptr error_;
  std::jthread thread_;  // last: it starts once the rest is in place
};

}  // namespace tivolen
