// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "manager/edit_form.h"
#include "manager/window_controls.h"

namespace tivolen::manager {

// What a control shows, as the form has it. A view compares nothing: the
// driver hands it a control only when this changed.
struct ControlState {
  bool shown = true;  // on its page; the page itself is WindowState::page
  bool enabled = true;
  std::string text;  // caption, or a text box's text
  bool checked = false;
  int value = 0;
  int min = 0;
  int max = 0;
  std::vector<std::string> entries;  // a drop-down list's
  friend bool operator==(const ControlState&, const ControlState&) = default;
};

// The selection a view's list shows: the selected rows and the focused one.
struct ShownSelection {
  std::vector<int> rows;
  int focus = -1;
};

// What a toolkit does for the driver. Every call is made only when there is
// something new to show.
class WindowView {
 public:
  virtual ~WindowView() = default;
  virtual void showPage(int page) = 0;
  virtual void showControl(const ControlEntry& control, const ControlState& state) = 0;
  // The control that takes the keyboard on a page just chosen.
  virtual void focusControl(const ControlEntry& control) = 0;
  virtual void showSelection(const ListBox& box) = 0;
  [[nodiscard]] virtual ShownSelection shownSelection() = 0;
  // 0 stops the timer; else it ticks every `milliseconds`, restarted.
  virtual void runTimer(int milliseconds) = 0;
  // False while the window is not on the screen yet: wishes wait for it.
  [[nodiscard]] virtual bool onScreen() = 0;
  virtual void minimise(bool minimised) = 0;
  virtual void setBusy(bool busy) = 0;
  // Decode `request.path` (empty: clear the box); report with previewLoaded.
  virtual void loadPreview(const PreviewRequest& request) = 0;
};

// Binds a view to the form: runs the handler of each event, then shows what
// the event changed. Holds what every view would otherwise keep itself.
class WindowDriver {
 public:
  WindowDriver(EditForm& form, WindowView& view) : form_(form), view_(view) {}

  // Shows the whole state; the first call shows every control.
  void sync();
  // A control's event: a click, a choice, a bar's or a box's new value.
  // True when the window is to close (OK).
  bool activated(const ControlEntry& control, int value = 0);
  bool activated(std::string_view name, int value = 0);
  void textEdited(const ControlEntry& control, std::string text);

  // The list's selection changed in the view. True when the view must call
  // selectionSettled once the list is done with its event.
  [[nodiscard]] bool selectionChanged();
  void selectionSettled();
  void listKey(int keyCode);
  void timerTick();
  void dropped(const std::vector<std::string>& paths);
  // The mouse over the control or frame of that name (empty: over none);
  // mouseLeft: the control it was over is left.
  void mouseOver(std::string_view name);
  void mouseLeft();
  // False when the window must stay open.
  bool closing();
  void endSession();
  // The list's rows were rebuilt: the form's selection is to be shown again.
  void rowsReset();
  // A decoded preview came in: true when it is still the one asked for.
  bool previewLoaded(int serial, const std::string& failure);
  // The preview box changed size: the picture is decoded again.
  void previewResized();
  void load();
  // The first control of the page on top takes the keyboard.
  void focusFirstControl();

  [[nodiscard]] bool syncing() const { return syncing_; }
  [[nodiscard]] bool handling() const { return depth_ > 0; }
  [[nodiscard]] int page() const { return page_; }
  [[nodiscard]] EditForm& form() { return form_; }

  // What a control shows now, as the form has it.
  [[nodiscard]] ControlState stateOf(const ControlEntry& control) const;

 private:
  template <typename Handler>
  void forward(Handler handler, bool busy = false);
  bool run(const ControlEntry& control, int value);
  void forwardSelection();
  void syncTimer();
  void syncPreview();

  EditForm& form_;
  WindowView& view_;
  std::vector<ControlState> shown_;
  std::vector<char> known_;  // per control: shown_ holds what the view shows
  int page_ = -1;
  bool syncing_ = false;
  bool selectionPending_ = false;
  int selectionApplied_ = -1;
  int previewStarted_ = 0;
  int timerShown_ = 0;
  int depth_ = 0;
  int busy_ = 0;
  // The slideshow's wish as last carried out: the window follows its changes
  // only, so a window the user restored stays restored.
  bool minimizedShown_ = false;
  std::string hovered_;
};

}  // namespace tivolen::manager
