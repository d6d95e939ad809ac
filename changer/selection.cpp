// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/selection.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "common/change_log.h"
#include "common/folder_walk.h"
#include "common/picture_types.h"
#include "common/record.h"
#include "common/text_encoding.h"
#include "common/texts.h"

namespace tivolen {
namespace {

// The depth the manager offers; a damaged list cannot send a walk deeper.
constexpr int kMaxDepth = 10;
// Draws that give position 0 or fail every ratio are drawn again; with a
// total of 2 or more the chance of this many failures is below 2^-1000.
constexpr int kMaxRandomDraws = 1000;
// A folder that changes between two searches of one choice is searched
// again a few times, never endlessly.
constexpr int kMaxFolderFolds = 4;

static_assert(static_cast<long long>(SlotTable::kMaxSlots) * (32767 * 6 / 5 - 3) < 2147483647LL,
              "the total of shares must fit an int");

Choice endRun() {
  return Choice{true, {}, false};
}

// How one attempt at a position ended.
struct Candidate {
  // Unavailable: a picture or registered folder not there now, when the run
  // passes such entries over.
  enum class Kind {
    Picture,
    Nothing,
    FolderMissing,
    FolderUnreadable,
    FolderWithoutImages,
    Unavailable
  };
  Kind kind = Kind::Nothing;
  std::string path;  // the picture, or the folder for the failures
  int counted = 0;   // images of a folder that held fewer than the target
};

class Selector {
 public:
  Selector(Platform& platform, RunState& state, const SlotTable& slots, int depth)
      : platform_(platform), state_(state), slots_(slots), depth_(depth) {}

  std::optional<std::string> step(int direction);
  std::optional<std::string> random();
  std::optional<std::string> byCalendar(int timingMode);

 private:
  Candidate tryPosition(int slot, int position);
  std::optional<std::string> resolve(int slot, int position, bool& slotEmpty);
  std::optional<std::string> resolveOrFallBelow(int slot, int position);
  void reportFolder(const Candidate& candidate);
  void passOver(const std::string& entry);
  std::optional<std::string> nothingToShow();

  Platform& platform_;
  RunState& state_;
  const SlotTable& slots_;
  int depth_;
};

Candidate Selector::tryPosition(int slot, int position) {
  const ListEntry& entry = slots_.slot(slot);
  if (entry.kind == kKindImage) {
    if (entry.path.empty()) return {};
    if (state_.passOverUnavailable && !platform_.files.fileExists(entry.path)) {
      return {Candidate::Kind::Unavailable, entry.path, 0};
    }
    return {Candidate::Kind::Picture, entry.path, 0};
  }
  if (entry.kind <= kKindFolderBase) return {};  // owns nothing the manager stores
  const int target = position - slots_.start(slot);
  FolderSearchResult found =
      SearchFolder(platform_.files, platform_.dataFolder(), entry.path, target, depth_);
  switch (found.outcome) {
    case FolderSearchResult::Outcome::Found:
      return {Candidate::Kind::Picture, std::move(found.path), 0};
    case FolderSearchResult::Outcome::FolderMissing:
    case FolderSearchResult::Outcome::FolderUnreadable:
      if (state_.passOverUnavailable) return {Candidate::Kind::Unavailable, entry.path, 0};
      return {found.outcome == FolderSearchResult::Outcome::FolderMissing
                  ? Candidate::Kind::FolderMissing
                  : Candidate::Kind::FolderUnreadable,
              entry.path, 0};
    case FolderSearchResult::Outcome::TooFewImages:
      state_.lastFolderCount = found.counted;
      if (found.counted == 0) return {Candidate::Kind::FolderWithoutImages, entry.path, 0};
      return {Candidate::Kind::Nothing, {}, found.counted};
  }
  return {};
}

// A registered folder that is gone or may not be read ends the run with a
// box naming it: without one the wallpaper would silently stop changing, or
// the navigator would vanish under the user's click.
void Selector::reportFolder(const Candidate& candidate) {
  const std::string_view what = candidate.kind == Candidate::Kind::FolderUnreadable
                                    ? text::kRegisteredFolderUnreadable
                                    : text::kRegisteredFolderMissing;
  platform_.messages.show(std::string(what) + "\r\n" + candidate.path);
}

// One line on standard error for each entry, however often it is met.
void Selector::passOver(const std::string& entry) {
  std::vector<std::string>& passed = state_.unavailableEntries;
  if (std::find(passed.begin(), passed.end(), entry) != passed.end()) return;
  passed.push_back(entry);
  platform_.messages.detail(std::string(text::kUnavailablePassedOver) + entry);
}

// No picture could be chosen. When entries were passed over as not there,
// the run ends without a box: a drive that is not attached is no fault of
// the list, and the next log-on tries again.
std::optional<std::string> Selector::nothingToShow() {
  if (state_.unavailableEntries.empty()) {
    platform_.messages.show(text::kNoPictureToShow);
  } else {
    platform_.messages.detail(text::kNothingAvailable);
  }
  return std::nullopt;
}

// Stepping: the next (or previous) position that yields a picture. Passing a
// folder position that yields nothing lets every later position of that
// folder yield nothing too, so the walk leaves the folder at once; it lands
// where stepping one position at a time would have landed.
std::optional<std::string> Selector::step(int direction) {
  // Stepping goes on past the last position before it wraps to 1; those
  // positions all fall to the last slot, which stays the wallpaper longer.
  constexpr int kPositionsPastTheEnd = 4;
  const int total = slots_.total();
  const int delta = direction < 0 ? -1 : 1;
  int p = state_.currentPosition + delta;
  // One round of the list visits each slot once and the four positions past
  // the total; more tries can only repeat what failed.
  const int maxTries = slots_.size() + 6;
  for (int tries = 0; tries < maxTries; ++tries) {
    if (p > total + kPositionsPastTheEnd) p = 1;
    if (p <= 0) p = total;
    const int slot = slots_.owner(p);
    Candidate candidate = tryPosition(slot, p);
    state_.currentStyle = slots_.slot(slot).style;
    state_.currentPosition = p;
    switch (candidate.kind) {
      case Candidate::Kind::Picture:
        return std::move(candidate.path);
      case Candidate::Kind::FolderMissing:
      case Candidate::Kind::FolderUnreadable:
        reportFolder(candidate);
        return std::nullopt;
      case Candidate::Kind::Unavailable:
        passOver(candidate.path);
        break;
      case Candidate::Kind::FolderWithoutImages:
      case Candidate::Kind::Nothing:
        break;
    }
    const bool folder = slots_.slot(slot).kind > kKindFolderBase;
    if (!folder) {
      p += delta;
    } else if (delta > 0) {
      p = std::max(p, slots_.end(slot)) + 1;
    } else {
      p = slots_.start(slot) + candidate.counted;
    }
  }
  return nothingToShow();
}

std::optional<std::string> Selector::random() {
  const int total = slots_.total();
  // Position T belongs to the launcher slot, which holds no picture; without
  // a launcher it is the last entry's, which must be drawn like any other.
  // Position 0 is drawn again, so the draw spans 0 to T then.
  const int range = slots_.hasLauncherSlot() ? total : total + 1;
  if (range < 2) {
    // Every draw would be position 0, which is drawn again without end.
    platform_.messages.show(text::kRandomNeedsTwoPictures);
    return std::nullopt;
  }
  // Slots found to hold no picture now (an emptied folder) pass their draws
  // on, as a ratio of 0 does; when no slot is left, nothing can be shown.
  std::vector<bool> empty(static_cast<std::size_t>(slots_.size()), false);
  int candidates = 0;
  for (int slot = 0; slot < slots_.size(); ++slot) {
    if (slots_.share(slot) > 0 && slots_.slot(slot).ratio > 0) ++candidates;
  }
  platform_.random.seedFromClock();
  for (int draw = 0; draw < kMaxRandomDraws && candidates > 0; ++draw) {
    const float u = platform_.random.next();
    int r = static_cast<int>(std::floor(u * static_cast<float>(range)));
    // Above 2^24 a float range can round up.
    r = std::clamp(r, 0, range - 1);
    state_.currentPosition = r;
    for (int slot = slots_.owner(r); slot >= 0; --slot) {
      if (slots_.share(slot) == 0 || empty[static_cast<std::size_t>(slot)]) continue;
      const float v = platform_.random.next();
      const auto weight =
          static_cast<float>(std::pow(static_cast<double>(slots_.slot(slot).ratio), 2.04));
      if (weight <= v) continue;
      bool slotEmpty = false;
      const std::size_t passedBefore = state_.unavailableEntries.size();
      std::optional<std::string> chosen = resolve(slot, r, slotEmpty);
      if (!slotEmpty) return chosen;
      empty[static_cast<std::size_t>(slot)] = true;
      if (slots_.slot(slot).ratio > 0) --candidates;
      // An entry not there now gives its draw back, so that the slot below
      // it gains nothing by it.
      if (state_.unavailableEntries.size() > passedBefore) break;
    }
  }
  return nothingToShow();
}

std::optional<std::string> Selector::byCalendar(int timingMode) {
  const Date today = Today(platform_.clock);
  const int v = timingMode == kTimingDateChanged      ? today.day
                : timingMode == kTimingWeekdayChanged ? today.weekday()
                                                      : today.month;
  int p = ((v - 1) % slots_.size()) + 1;
  // When every slot owns one position, p can reach the launcher slot, which
  // holds no picture: such days wrap round to the start of the list, as
  // stepping does past its end.
  const int lastPicturePosition =
      slots_.hasLauncherSlot() ? slots_.start(slots_.size() - 1) : slots_.total();
  if (lastPicturePosition < 1) {
    platform_.messages.show(text::kNoPictureToShow);
    return std::nullopt;
  }
  if (p > lastPicturePosition) p = ((p - 1) % lastPicturePosition) + 1;
  state_.currentPosition = p;
  return resolveOrFallBelow(slots_.owner(p), p);
}

// The day's slot, or when it holds no picture now, the nearest slot below it
// that does (round from the last one), as a ratio of 0 passes a random draw
// on: one emptied folder must not stop the wallpaper from changing.
std::optional<std::string> Selector::resolveOrFallBelow(int slot, int position) {
  const int pictureSlots = slots_.hasLauncherSlot() ? slots_.size() - 1 : slots_.size();
  for (int tried = 0; tried < pictureSlots; ++tried) {
    const int i = ((slot - tried) % pictureSlots + pictureSlots) % pictureSlots;
    if (slots_.share(i) == 0) continue;
    bool slotEmpty = false;
    std::optional<std::string> chosen =
        resolve(i, tried == 0 ? position : slots_.end(i), slotEmpty);
    if (!slotEmpty) return chosen;
  }
  return nothingToShow();
}

// A random or calendar position inside a folder that now holds fewer images
// than its share folds back into them: image ((target - 1) mod count) + 1.
// A slot without any picture now sets `slotEmpty` and shows nothing; the
// caller chooses another.
std::optional<std::string> Selector::resolve(int slot, int position, bool& slotEmpty) {
  int p = position;
  for (int fold = 0; fold < kMaxFolderFolds; ++fold) {
    Candidate candidate = tryPosition(slot, p);
    switch (candidate.kind) {
      case Candidate::Kind::Picture:
        state_.currentStyle = slots_.slot(slot).style;
        state_.currentPosition = p;
        return std::move(candidate.path);
      case Candidate::Kind::FolderMissing:
      case Candidate::Kind::FolderUnreadable:
        reportFolder(candidate);
        return std::nullopt;
      case Candidate::Kind::Unavailable:
        passOver(candidate.path);
        slotEmpty = true;
        return std::nullopt;
      case Candidate::Kind::FolderWithoutImages:
        slotEmpty = true;
        return std::nullopt;
      case Candidate::Kind::Nothing:
        break;
    }
    if (candidate.counted == 0) {
      slotEmpty = true;  // no picture at all in this slot
      return std::nullopt;
    }
    const int target = p - slots_.start(slot);
    p = slots_.start(slot) + (target - 1) % candidate.counted + 1;
    state_.currentPosition = p;
  }
  platform_.messages.show(text::kNoPictureToShow);
  return std::nullopt;
}

// The log's label is a text field without escaping; a name holding a quote
// or a line end would cut it, so those characters are shown as "?".
std::string loggableText(std::string path) {
  if (!canHoldText(path)) {
    std::replace_if(
        path.begin(), path.end(), [](char c) { return c == '"' || c == '\r' || c == '\n'; }, '?');
  }
  return path;
}

void recordChoice(Platform& platform, const RunState& state, const std::string& chosen,
                  NavigatorLabels* labels) {
  const std::string log =
      writeChangeLog(Today(platform.clock), state.currentPosition, loggableText(chosen));
  const std::string logPath = platform.inDataDir(kChangeLogFileName);
  if (const Status written = platform.files.writeFileAtomically(logPath, log); !written.isOk()) {
    // The change itself can still go ahead; stepping then repeats this choice.
    platform.messages.detail(std::string(text::kChangeLogNotWritten) + written.message);
  }
  if (labels != nullptr) {
    labels->showWallpaperName(chosen);
    labels->showPosition(state.currentPosition);
  }
}

}  // namespace

int ShareOfKind(int kind) {
  if (kind == kKindImage) return 1;
  if (kind <= kKindFolderBase) return 0;
  return static_cast<int>(std::floor(static_cast<double>(kind) * 1.2)) - 3;
}

SlotTable::SlotTable(std::vector<ListEntry> entries, bool launcherPresent)
    : slots_(std::move(entries)), launcher_(launcherPresent) {
  const std::size_t maxEntries = kMaxSlots - (launcherPresent ? 1 : 0);
  if (slots_.size() > maxEntries) slots_.resize(maxEntries);
  if (launcherPresent) slots_.push_back(ListEntry{"", kKindImage, 0, 0});
  ends_.reserve(slots_.size());
  int sum = 0;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    const ListEntry& entry = slots_[i];
    const bool launcherSlot = launcherPresent && i + 1 == slots_.size();
    // An entry without a path is nothing the manager writes; it owns nothing.
    if (launcherSlot || !entry.path.empty()) sum += ShareOfKind(entry.kind);
    ends_.push_back(sum);
  }
}

int SlotTable::owner(int p) const {
  if (p < 1 || slots_.empty()) return -1;
  // Slot i starts where slot i - 1 ends: the owner is the first slot before
  // the last whose end reaches p, else the last slot.
  const auto found = std::lower_bound(ends_.begin(), ends_.end() - 1, p);
  return static_cast<int>(found - ends_.begin());
}

Choice SelectWallpaper(Platform& platform, RunState& state, int direction,
                       NavigatorLabels* labels) {
  const std::string listPath = platform.inDataDir(kListFileName);
  if (!platform.files.fileExists(listPath)) {
    platform.messages.show(text::kNoList);
    return endRun();
  }
  if (ListFileTooLarge(platform.files, listPath)) {
    platform.messages.show(text::kListTooLarge);
    return endRun();
  }
  const auto contents = ReadTextFile(platform.files, listPath);
  if (!contents) {
    platform.messages.show(text::kListUnreadable);
    return endRun();
  }
  ListReadResult read = readImageList(*contents);
  if (!read.list) {
    platform.messages.show(read.otherVersion ? text::kOtherVersion : text::kListDamaged);
    return endRun();
  }
  ImageList& list = *read.list;
  state.launcherPresent = list.launcherPath.has_value();
  state.launcherPath = list.launcherPath.value_or("");
  if (list.entries.empty()) {
    platform.messages.show(text::kListHasNoEntries);
    return endRun();
  }
  const int timingMode = direction == 0 ? list.settings.timingMode : 0;
  const int orderMode = direction == 0 ? list.settings.orderMode : 0;
  const int depth = std::clamp(list.settings.subfolderDepth, 0, kMaxDepth);

  const SlotTable slots(std::move(list.entries), state.launcherPresent);
  if (slots.total() < 1) {
    platform.messages.show(text::kListHasNoEntries);
    return endRun();
  }
  Selector selector(platform, state, slots, depth);
  std::optional<std::string> chosen;
  if (orderMode != kOrderSequential) {
    chosen = selector.random();
  } else if (timingMode >= 1 && timingMode <= 3) {
    chosen = selector.byCalendar(timingMode);
  } else {
    chosen = selector.step(direction);
  }
  if (!chosen) return endRun();

  recordChoice(platform, state, *chosen, labels);

  if (const PictureType* type = FindPictureType(*chosen)) {
    // A bitmap is the desktop's own format: only the whole-picture fit needs it redrawn.
    if (type->type == "bmp") return Choice{false, *chosen, state.currentStyle == kStyleFit};
    return Choice{false, *chosen, true};
  }
  platform.messages.show(text::kError);
  return endRun();
}

}  // namespace tivolen
