// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include "changer/navigator.h"

namespace tivolen {

// Form1: binds the controls to the Navigator and shows what it reports.
class NavigatorForm final : public QWidget, private NavigatorView {
 public:
  explicit NavigatorForm(Platform& platform);

  // A press ended the program ("リストなし", "エラー"): the window has
  // closed itself.
  [[nodiscard]] bool programEnded() const { return programEnded_; }

 private:
  void press(int direction);
  void showWallpaperName(std::string_view path) override;
  void showPosition(int position) override;
  void setBusy(bool busy) override;
  void resizeEvent(QResizeEvent* event) override;
  // The file's name is often longer than the window: shortened in the
  // middle, so its start and its own name stay, and whole in the tooltip.
  void showElidedName();

  Navigator navigator_;
  QPushButton* back_;
  QPushButton* random_;
  QPushButton* next_;
  QPushButton* manager_;
  QLabel* wallName_;
  QLabel* position_;
  QString wallNameText_;
  bool programEnded_ = false;
};

}  // namespace tivolen
