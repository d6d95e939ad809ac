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
    if (!SetWallpaperFromSelection()) stopOnDesktopFailure();
  } else {
    minimized_ = false;
    btnShowStart_.caption = text::kSlideshowStart;
    lbl_.caption = text::kSlideshowInterrupted;
  }
}

// A desktop that did not take one picture takes none: one message, and the
// show ends as interrupted, never as finished.
void EditForm::stopOnDesktopFailure() {
  minimized_ = false;
  timer1_.enabled = false;
  btnShowStart_.caption = text::kSlideshowStart;
  lbl_.caption = text::kSlideshowInterrupted;
}

void EditForm::Timer1Timer() {
  // Folder rows are passed over within the same tick.
  while (list1_.listIndex + 1 < rowCount()) {
    const int next = list1_.listIndex + 1;
    selectOnly(next);
    ++selectionSerial_;
    List1Click();
    // A missing picture may have taken rows away meanwhile.
    if (list1_.listIndex < 0 || list1_.listIndex >= rowCount()) break;
    if (std::abs(document_.row(list1_.listIndex).kind) > kKindFolderImage) continue;
    if (!SetWallpaperFromSelection()) stopOnDesktopFailure();
    return;
  }
  minimized_ = false;
  timer1_.enabled = false;
  lbl_.caption = text::kSlideshowFinished;
  btnShowStart_.caption = text::kSlideshowStart;
}

}  // namespace tivolen::manager
