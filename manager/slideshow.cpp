// SPDX-License-Identifier: GPL-3.0-or-later
// The wallpaper slideshow: the form owns the timer's state; the window only
// runs a timer of that interval and forwards its ticks.
#include <cstdlib>
#include <string>

#include "manager/edit_form.h"
#include "manager/manager_texts.h"

namespace tivolen::manager {
namespace {

// The bar runs 1 to 65 and the interval 65 to 1 seconds.
constexpr int kBardtSum = 66;

}  // namespace

void EditForm::SetBardt(int value) {
  if (value < bardt_.min || value > bardt_.max || value == bardt_.value) return;
  bardt_.value = value;
  BardtChange();
}

void EditForm::BardtChange() {
  // The running timer keeps its pace until the next start.
  txtShowdt_.text = std::to_string(kBardtSum - bardt_.value);
}

void EditForm::BtnShowStartClick() {
  timer1_.interval = (kBardtSum - bardt_.value) * 1000;
  timer1_.enabled = !timer1_.enabled;
  // Every click, also Stop, shows the pictures inside the registered folders
  // as rows of their own.
  if (btnUnstrech_.caption == text::kExpand) ToggleFolderView();
  if (timer1_.enabled) {
    btnShowStart_.caption = text::kSlideshowStop;
    minimized_ = true;
    slideshowSkipped_.clear();
    showFocusedPicture();
  } else {
    minimized_ = false;
    btnShowStart_.caption = text::kSlideshowStart;
    endSlideshow(text::kSlideshowInterrupted);
  }
}

// A desktop that did not take one picture takes none: one message, and the
// show ends as interrupted, never as finished.
void EditForm::stopOnDesktopFailure() {
  minimized_ = false;
  timer1_.enabled = false;
  btnShowStart_.caption = text::kSlideshowStart;
  endSlideshow(text::kSlideshowInterrupted);
}

// A picture that cannot be shown is named in Lbl and passed over without a
// box: a box would halt the show until someone comes back to the screen.
// False when the show must go on to the next row at once.
bool EditForm::showFocusedPicture() {
  WallpaperAttempt attempt = setWallpaper(Report::StderrOnly);
  if (attempt.desktopTookNothing) {
    stopOnDesktopFailure();
    return true;
  }
  if (attempt.pictureProblem.empty()) return true;
  slideshowSkipped_.push_back(document_.row(list1_.listIndex).path);
  showSlideshowMessage(std::string(text::kSlideshowPassedOver) + attempt.pictureProblem);
  return false;
}

void EditForm::endSlideshow(std::string_view message) {
  std::string shown(message);
  if (!slideshowSkipped_.empty()) {
    shown.append("\r\n")
        .append(text::kSlideshowSkippedCount)
        .append(std::to_string(slideshowSkipped_.size()))
        .append(text::kSlideshowSkippedUnit)
        .append(slideshowSkipped_.front());
    if (slideshowSkipped_.size() > 1) shown.append(text::kSlideshowSkippedMore);
  }
  slideshowSkipped_.clear();
  showSlideshowMessage(std::move(shown));
}

void EditForm::showSlideshowMessage(std::string message) {
  lbl_.caption = std::move(message);
  pinnedCaption_ = lbl_.caption;
  pinnedControl_.reset();
}

bool EditForm::tipMayReplaceLbl(std::string_view control) {
  if (pinnedCaption_.empty() || lbl_.caption != pinnedCaption_) return true;
  // The window comes back under a pointer that has not moved, and the
  // window system reports it over whatever lies there: that is no request.
  if (!pinnedControl_) {
    pinnedControl_ = std::string(control);
    return false;
  }
  if (*pinnedControl_ == control) return false;
  pinnedCaption_.clear();
  return true;
}

void EditForm::Timer1Timer() {
  // Folder rows, and pictures that cannot be shown, are passed over within
  // the same tick.
  std::string passedOver;
  while (list1_.listIndex + 1 < rowCount()) {
    const int next = list1_.listIndex + 1;
    selectOnly(next);
    ++selectionSerial_;
    List1Click();
    // A missing picture may have taken rows away meanwhile.
    if (list1_.listIndex < 0 || list1_.listIndex >= rowCount()) break;
    if (std::abs(document_.row(list1_.listIndex).kind) > kKindFolderImage) continue;
    if (!showFocusedPicture()) {
      passedOver = lbl_.caption;
      continue;
    }
    // The selection's details replaced the note on the picture passed over.
    if (!passedOver.empty() && timer1_.enabled) showSlideshowMessage(std::move(passedOver));
    return;
  }
  minimized_ = false;
  timer1_.enabled = false;
  btnShowStart_.caption = text::kSlideshowStart;
  endSlideshow(text::kSlideshowFinished);
}

}  // namespace tivolen::manager
