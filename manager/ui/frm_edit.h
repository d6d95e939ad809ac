// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QThreadPool>
#include <array>
#include <string>
#include <vector>

#include "manager/edit_form.h"
#include "manager/window_driver.h"

class QImage;
class QStackedWidget;
class QListView;
class QLabel;
class QMouseEvent;
class QMimeData;
class QTimer;

namespace tivolen::manager {

class ListModel;

// The local files a drag carries; empty for anything else (text, remote
// addresses), which the window ignores without a word.
std::vector<std::string> localFilesOf(const QMimeData* data);

// The settings window: one Qt widget for each control of the window's
// description, its events handed to the driver, which shows the form's state
// again. Widgets carry the control names the form uses, so tests and scripts
// find them.
class FrmEdit final : public QMainWindow, private FormObserver, private WindowView {
  Q_OBJECT

 public:
  explicit FrmEdit(EditForm& form, QWidget* parent = nullptr);
  ~FrmEdit() override;

  // The window load: start-up sequence of the form, then its state shown.
  void load();
  // Shows what changed in the form.
  void syncFromForm();
  // A later start on the same list asked for this window.
  void bringForward();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void rowsAppended(int newCount) override;
  void rowsReset() override;

  void showPage(int page) override;
  void showControl(const ControlEntry& control, const ControlState& state) override;
  void focusControl(const ControlEntry& control) override;
  void showSelection(const ListBox& box) override;
  ShownSelection shownSelection() override;
  void runTimer(int milliseconds) override;
  bool onScreen() override;
  void minimise(bool minimised) override;
  void setBusy(bool busy) override;
  void loadPreview(const PreviewRequest& request) override;

  QWidget* create(const ControlEntry& control);
  void connectControl(const ControlEntry& control, QWidget* widget);
  // The page itself, inside its scroll area.
  [[nodiscard]] QWidget* pageWidget(int page) const;
  void previewLoaded(int serial, const QImage& image, const std::string& failure);
  // Drops on the window, the list frame and List1 all end here.
  bool handleDrag(QEvent* event);
  // A mouse move over a frame's own area, not over a control inside it.
  void frameMouseMove(QWidget* frameWidget, const QMouseEvent& move);

  EditForm& form_;
  WindowDriver driver_;
  ListModel* model_ = nullptr;
  // One decoder thread: a newer click drops the requests not yet started.
  QThreadPool previewPool_;
  // Index as WindowControls(); null for the menus.
  std::vector<QWidget*> widgets_;
  QStackedWidget* stack_ = nullptr;  // of PageScroll, each holding a page
  QListView* list1_ = nullptr;
  QLabel* imgPV_ = nullptr;
  QWidget* frame0_ = nullptr;
  QTimer* timer1_ = nullptr;
};

}  // namespace tivolen::manager
