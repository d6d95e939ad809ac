// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMainWindow>
#include <QThreadPool>
#include <array>
#include <string>
#include <vector>

#include "manager/edit_form.h"

class QAction;
class QImage;
class QStackedWidget;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QMouseEvent;
class QMimeData;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace tivolen::manager {

class ListModel;

// The local files a drag carries; empty for anything else (text, remote
// addresses), which the window ignores without a word.
std::vector<std::string> localFilesOf(const QMimeData* data);

// The settings window. It binds widgets to the EditForm and forwards every
// event to it; after each event it shows the form's state again. Widgets
// carry the control names the form uses, so tests and scripts find them.
class FrmEdit final : public QMainWindow, private FormObserver {
  Q_OBJECT

 public:
  explicit FrmEdit(EditForm& form, QWidget* parent = nullptr);
  ~FrmEdit() override;

  // The window load: start-up sequence of the form, then its state shown.
  void load();
  // Mirrors every control from the form.
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

  void buildMenus();
  QGroupBox* buildListFrame();
  QGroupBox* buildOrderFrame();
  QGroupBox* buildTimingFrame();
  QGroupBox* buildOperationsFrame();
  QGroupBox* buildAboutFrame();
  QGroupBox* buildFoldersFrame();
  void connectControls();
  void connectListButtons();
  // Selection signals come in pairs (selection, current row) and while Qt is
  // still changing the view; they are handled once, after it is done.
  void scheduleSelection();
  void forwardSelection();
  void applySelection();
  void syncPreview();
  void syncTimer();
  void previewLoaded(int serial, const QImage& image, const std::string& failure);
  // Drops on the window, the list frame and List1 all end here.
  bool handleDrag(QEvent* event);
  // Runs one forwarded event and shows the state it left.
  template <typename Handler>
  void forward(Handler handler);
  template <typename Handler>
  void forwardBusy(Handler handler);
  void focusFirstControl(QWidget* page);
  // A mouse move over a frame's own area, not over a control inside it.
  void frameMouseMove(QWidget* frameWidget, const QMouseEvent& move);

  EditForm& form_;
  ListModel* model_ = nullptr;
  bool syncing_ = false;
  bool selectionPending_ = false;
  int selectionApplied_ = 0;
  int previewStarted_ = 0;
  // The slideshow's wish as last carried out: the window follows its changes
  // only, so a window the user restored stays restored.
  bool minimizedShown_ = false;
  // One decoder thread: a newer click drops the requests not yet started.
  QThreadPool previewPool_;

  std::array<QGroupBox*, kFrameCount> frames_{};
  QStackedWidget* stack_ = nullptr;
  QGroupBox* frameMsg_ = nullptr;
  QLabel* lbl_ = nullptr;
  QListView* list1_ = nullptr;
  QLabel* imgPV_ = nullptr;
  QComboBox* lstStyle_ = nullptr;
  QComboBox* lstSchedule_ = nullptr;
  QScrollBar* barLuck_ = nullptr;
  QLabel* lblLuck_ = nullptr;
  QPushButton* bttnUp_ = nullptr;
  QPushButton* btnDwn_ = nullptr;
  QPushButton* btnDlt_ = nullptr;
  QPushButton* btnUnstrech_ = nullptr;
  QScrollBar* bardt_ = nullptr;
  QLineEdit* txtShowdt_ = nullptr;
  QPushButton* btnShowStart_ = nullptr;
  QTimer* timer1_ = nullptr;
  std::array<QRadioButton*, 2> optR_{};
  std::array<QRadioButton*, 4> optt_{};
  QScrollBar* barSubFolder_ = nullptr;
  QLabel* lblSubFolder_ = nullptr;
  QCheckBox* chkLounch_ = nullptr;
  QLineEdit* txtLounch_ = nullptr;
  QPushButton* btnOK_ = nullptr;
  QWidget* frame2Buttons_ = nullptr;
};

}  // namespace tivolen::manager
