// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/banded_rows.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "picture/large_buffer.h"
#include "picture/side_thread.h"

namespace tivolen {
namespace {

// Bands of decoded rows handed from the decoding thread to the scaling one.
class BandQueue {
 public:
  struct Band {
    int slot = 0;
    std::int32_t firstRow = 0;
    std::int32_t rows = 0;
  };

  BandQueue(int slots, std::size_t slotWords)
      : slotWords_(slotWords),
        memory_(allocateLarge<std::uint32_t>(slotWords * static_cast<std::size_t>(slots))) {
    for (int slot = 0; slot < slots; ++slot) free_.push_back(slot);
  }

  std::uint32_t* slot(int index) { return memory_.get() + slotWords_ * index; }

  // Nothing once the scaling side has given up.
  std::optional<int> takeFree() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty() || abandoned_; });
    if (abandoned_) return std::nullopt;
    const int slot = free_.back();
    free_.pop_back();
    return slot;
  }
  void publish(Band band) {
    update([&] { full_.push_back(band); });
  }
  void close() {
    update([&] { closed_ = true; });
  }
  // The scaling side ends early (it threw): no slot comes back any more.
  void abandon() {
    update([&] { abandoned_ = true; });
  }
  std::optional<Band> next() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !full_.empty() || closed_; });
    if (full_.empty()) return std::nullopt;
    const Band band = full_.front();
    full_.pop_front();
    return band;
  }
  void release(int slot) {
    update([&] { free_.push_back(slot); });
  }

 private:
  template <typename Change>
  void update(Change change) {
    {
      const std::lock_guard lock(mutex_);
      change();
    }
    changed_.notify_all();
  }

  std::size_t slotWords_;
  std::shared_ptr<std::uint32_t[]> memory_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> free_;
  std::deque<Band> full_;
  bool closed_ = false;
  bool abandoned_ = false;
};

}  // namespace

bool ScaleInBands(RowScaler& scaler, std::int32_t width, std::int32_t from,
                  const BandFiller& decode) {
  // Sixteen rows of a photo a band, fewer of a wider picture; a row of
  // over a megabyte (a hostile file one row high and millions wide) is held
  // once only, as it would be decoded alone.
  constexpr std::size_t kBandBytes = std::size_t{1} << 20;
  const auto words = static_cast<std::size_t>(width);
  const std::size_t rowBytes = words * sizeof(std::uint32_t);
  const auto bandRows = static_cast<std::int32_t>(
      std::clamp<std::size_t>(kBandBytes / std::max<std::size_t>(rowBytes, 1), 1, 16));
  const int slots = rowBytes > kBandBytes ? 1 : 4;
  BandQueue queue(slots, words * static_cast<std::size_t>(bandRows));
  const auto scaleBand = [&](const BandQueue::Band& band) {
    const std::uint32_t* rows = queue.slot(band.slot);
    for (std::int32_t i = 0; i < band.rows; ++i) {
      scaler.addRow(band.firstRow + i, rows + words * static_cast<std::size_t>(i));
    }
    queue.release(band.slot);
  };
  SideThread scaling(
      [&] {
        try {
          while (const std::optional<BandQueue::Band> band = queue.next()) scaleBand(*band);
        } catch (...) {
          queue.abandon();  // or the decoding side waits for a slot for ever
          throw;
        }
      },
      [&] { queue.close(); });
  bool ok = true;
  for (std::int32_t y = from; ok && y < scaler.endRow(); y += bandRows) {
    const std::optional<int> slot = queue.takeFree();
    if (!slot) break;  // join() throws what the scaling side threw
    const std::int32_t rows = std::min(bandRows, scaler.endRow() - y);
    ok = decode(queue.slot(*slot), y, rows);
    if (!ok) {
      queue.release(*slot);
    } else if (scaling.started()) {
      queue.publish({*slot, y, rows});
    } else {
      scaleBand({*slot, y, rows});
    }
  }
  scaling.join();
  return ok;
}

}  // namespace tivolen
