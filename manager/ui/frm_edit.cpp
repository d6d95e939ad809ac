// SPDX-License-Identifier: GPL-3.0-or-later
#include "manager/ui/frm_edit.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QImage>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "common/texts.h"
#include "manager/manager_texts.h"
#include "manager/preview.h"
#include "manager/ui/list_model.h"

namespace tivolen::manager {
namespace {

QString qs(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Labels break lines at LF; the texts keep the CR LF of the old program.
QString shownText(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

template <typename Widget>
Widget* named(Widget* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

QPushButton* button(const char* name, const char* caption) {
  return named(new QPushButton(QString::fromUtf8(caption)), name);
}

QGroupBox* frame(const char* name, std::string_view caption) {
  return named(new QGroupBox(qs(caption)), name);
}

// A label that opens something: a link the keyboard can reach too.
QLabel* linkLabel(const char* name, const std::string& caption) {
  auto* label = named(new QLabel, name);
  label->setText(QStringLiteral("<a href=\"open\">%1</a>")
                     .arg(QString::fromStdString(caption).toHtmlEscaped()));
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  return label;
}

void mirror(QWidget* widget, const Control& control) {
  widget->setEnabled(control.enabled);
  widget->setVisible(control.visible);
}

// List1 with a line on how to fill it while it is empty.
class HintedListView final : public QListView {
 public:
  using QListView::QListView;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QListView::paintEvent(event);
    if (model() == nullptr || model()->rowCount() > 0) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
    const int margin = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    painter.drawText(viewport()->rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignCenter | Qt::TextWordWrap, qs(text::kEmptyListHint));
  }
};

QImage toImage(const Picture& picture) {
  if (picture.empty()) return {};
  // Picture rows are Qt's RGB32 already; the copy owns its pixels.
  return QImage(reinterpret_cast<const uchar*>(picture.row(0)), picture.width(), picture.height(),
                static_cast<qsizetype>(picture.width()) * 4, QImage::Format_RGB32)
      .copy();
}

}  // namespace

std::vector<std::string> localFilesOf(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString host = url.host();
    if (!host.isEmpty() && host != QStringLiteral("localhost")) {
      paths.push_back(url.toLocalFile().toStdString());
      continue;
    }
    // The name's own bytes, as the list file keeps them: a file name need
    // not be UTF-8, and toLocalFile would turn such bytes into U+FFFD, a
    // name no file has.
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    paths.push_back(QByteArray::fromPercentEncoding(encoded).toStdString());
  }
  return paths;
}

FrmEdit::FrmEdit(EditForm& form, QWidget* parent) : QMainWindow(parent), form_(form) {
  setObjectName(QStringLiteral("frmEdit"));
  setWindowTitle(qs(tivolen::text::kManagerCaption));
  // Copied without its icon, the window keeps the desktop's default one.
  if (const QString icon = QString::fromStdString(form_.platform().iconFile());
      QFile::exists(icon)) {
    setWindowIcon(QIcon(icon));
  }
  setAcceptDrops(true);
  model_ = new ListModel(form_, this);
  form_.setObserver(this);

  buildMenus();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);

  // The pages: the menu bar shows one group of frames at a time. A stack is
  // as large as its largest page, so the window keeps its size.
  stack_ = new QStackedWidget;
  frames_[kFrameList] = buildListFrame();
  frames_[kFrameOrder] = buildOrderFrame();
  frames_[kFrameTiming] = buildTimingFrame();
  frames_[kFrameFolders] = buildFoldersFrame();
  frames_[kFrameOperations] = buildOperationsFrame();
  frames_[kFrameAbout] = buildAboutFrame();
  auto* settingsPage = new QWidget;
  auto* settings = new QHBoxLayout(settingsPage);
  settings->setContentsMargins(0, 0, 0, 0);
  settings->addWidget(frames_[kFrameOrder], 1);
  settings->addWidget(frames_[kFrameTiming], 1);
  settings->addWidget(frames_[kFrameFolders], 1);
  auto topAligned = [](QWidget* frameWidget) {
    auto* page = new QWidget;
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->addWidget(frameWidget);
    pageLayout->addStretch(1);
    return page;
  };
  stack_->addWidget(frames_[kFrameList]);
  stack_->addWidget(topAligned(settingsPage));
  stack_->addWidget(topAligned(frames_[kFrameOperations]));
  stack_->addWidget(topAligned(frames_[kFrameAbout]));
  // On a small screen at a large scale (1280x800 at 200 %) the window may be
  // smaller than a page; the page scrolls, while the message frame and OK
  // below it always stay in view.
  auto* scroll = new QScrollArea;
  scroll->setObjectName(QStringLiteral("PageScroll"));
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setFocusPolicy(Qt::NoFocus);
  scroll->setWidget(stack_);
  layout->addWidget(scroll, 1);

  frameMsg_ = frame("FrameMSG", "Tivolen");
  auto* msgLayout = new QVBoxLayout(frameMsg_);
  lbl_ = named(new QLabel, "Lbl");
  lbl_->setWordWrap(true);
  lbl_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  lbl_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // Three lines: the details text has three, the tips two.
  lbl_->setMinimumHeight(lbl_->fontMetrics().lineSpacing() * 3);
  msgLayout->addWidget(lbl_);

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(frameMsg_, 1);
  btnOK_ = button("BtnOK", "OK");
  btnOK_->setDefault(false);
  btnOK_->setAutoDefault(false);
  bottom->addWidget(btnOK_, 0, Qt::AlignBottom);
  layout->addLayout(bottom);
  setCentralWidget(central);

  // Tips: the controls that have one, and the pages, report the mouse.
  std::vector<QString> watched;
  watched.reserve(text::kTips.size() + 5);
  for (const auto& tip : text::kTips) watched.push_back(qs(tip.first));
  for (const char* page : {"Frame1", "Frame2", "Frame3", "Frame4", "Frame5"}) {
    watched.push_back(QString::fromLatin1(page));
  }
  for (const QString& name : watched) {
    if (QWidget* control = findChild<QWidget*>(name)) {
      control->setProperty("tip", name);
      control->installEventFilter(this);
    }
  }
  // The pages answer every move over their own area, as the tips of the
  // controls on them are replaced by the page's as soon as the mouse leaves
  // a control.
  for (QGroupBox* page : frames_) page->setMouseTracking(true);

  previewPool_.setMaxThreadCount(1);
  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  connect(timer1_, &QTimer::timeout, this,
          [this] { forwardBusy([this] { form_.Timer1Timer(); }); });
  connectControls();
  connectListButtons();
}

FrmEdit::~FrmEdit() {
  previewPool_.clear();
  previewPool_.waitForDone();
  form_.setObserver(nullptr);
}

void FrmEdit::buildMenus() {
  // Ctrl+1 to Ctrl+4 reach the pages from the keyboard, as tabs of a
  // settings window do; the menu bar itself takes no focus.
  int page = 0;
  auto addMenu = [this, &page](const char* name, const char* caption, void (EditForm::*handler)()) {
    QAction* action = menuBar()->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + page++)));
    connect(action, &QAction::triggered, this,
            [this, handler] { forward([this, handler] { (form_.*handler)(); }); });
  };
  addMenu("MnuList", "画像リスト編集", &EditForm::MnuListClick);
  addMenu("MnuSet", "設定", &EditForm::MnuSetClick);
  addMenu("MnuOpe", "操作", &EditForm::MnuOpeClick);
  addMenu("MnuHelp", "ヘルプ", &EditForm::MnuHelpClick);
}

QGroupBox* FrmEdit::buildListFrame() {
  QGroupBox* box = frame("Frame0", "画像リスト");
  box->setAcceptDrops(true);
  box->installEventFilter(this);
  auto* layout = new QHBoxLayout(box);

  list1_ = named(new HintedListView, "List1");
  list1_->setModel(model_);
  list1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list1_->setUniformItemSizes(true);  // keeps 32,767 rows cheap to lay out
  list1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list1_->setDragDropMode(QAbstractItemView::NoDragDrop);
  list1_->setAcceptDrops(true);
  list1_->viewport()->setAcceptDrops(true);
  list1_->installEventFilter(this);
  list1_->viewport()->installEventFilter(this);
  list1_->setMinimumSize(list1_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24,
                         list1_->fontMetrics().lineSpacing() * 12);
  layout->addWidget(list1_, 1);

  auto* side = new QVBoxLayout;
  imgPV_ = named(new QLabel, "ImgPV");
  imgPV_->setFrameShape(QFrame::StyledPanel);
  imgPV_->setAlignment(Qt::AlignCenter);
  const int em = imgPV_->fontMetrics().horizontalAdvance(QChar(0x3042));
  // Full size where there is room; on a small screen at a large scale the
  // box gives way before the page has to scroll.
  imgPV_->setMinimumSize(em * 8, em * 6);
  imgPV_->setMaximumSize(em * 12, em * 9);
  imgPV_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  side->addWidget(imgPV_);

  auto* moves = new QGridLayout;
  bttnUp_ = button("BttnUp", "上へ");
  btnDwn_ = button("BtnDwn", "下へ");
  btnDlt_ = button("BtnDlt", "削除");
  moves->addWidget(bttnUp_, 0, 0);
  moves->addWidget(btnDwn_, 0, 1);
  moves->addWidget(btnDlt_, 1, 0);
  btnUnstrech_ = button("BtnUnstrech", "展開");
  moves->addWidget(btnUnstrech_, 1, 1);
  QPushButton* wall = button("BtnWall", "壁紙に");
  moves->addWidget(wall, 2, 0, 1, 2);
  connect(wall, &QPushButton::clicked, this,
          [this] { forwardBusy([this] { form_.SetWallpaperFromSelection(); }); });
  side->addLayout(moves);

  lstStyle_ = named(new QComboBox, "LstStyle");
  side->addWidget(lstStyle_);
  lblLuck_ = named(new QLabel(qs(text::kLuckDesignCaption)), "lblLuck");
  side->addWidget(lblLuck_);
  barLuck_ = named(new QScrollBar(Qt::Horizontal), "BarLuck");
  barLuck_->setRange(kLuckMin, kLuckMax);
  barLuck_->setPageStep(1);
  side->addWidget(barLuck_);
  side->addStretch(1);
  layout->addLayout(side);
  return box;
}

QGroupBox* FrmEdit::buildOrderFrame() {
  QGroupBox* box = frame("Frame1", "画像");
  auto* layout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(box);
  for (int i = 0; i < 2; ++i) {
    optR_[static_cast<std::size_t>(i)] =
        named(new QRadioButton(qs(text::kOrderCaptions[static_cast<std::size_t>(i)])),
              i == 0 ? "OptR0" : "OptR1");
    group->addButton(optR_[static_cast<std::size_t>(i)], i);
    layout->addWidget(optR_[static_cast<std::size_t>(i)]);
  }
  layout->addStretch(1);
  connect(group, &QButtonGroup::idClicked, this,
          [this](int id) { forward([this, id] { form_.SetOrder(id); }); });
  return box;
}

QGroupBox* FrmEdit::buildTimingFrame() {
  QGroupBox* box = frame("Frame2", "変更のタイミング");
  auto* layout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(box);
  static const char* const kNames[] = {"optt0", "optt1", "optt2", "optt3"};
  for (int i = 0; i < 4; ++i) {
    const auto slot = static_cast<std::size_t>(i);
    optt_[slot] = named(new QRadioButton(qs(text::kTimingCaptions[slot])), kNames[i]);
    group->addButton(optt_[slot], i);
    layout->addWidget(optt_[slot]);
  }
  layout->addStretch(1);
  connect(group, &QButtonGroup::idClicked, this,
          [this](int id) { forward([this, id] { form_.SetTiming(id); }); });
  return box;
}

QGroupBox* FrmEdit::buildFoldersFrame() {
  QGroupBox* box = frame("Frame5", "フォルダ登録");
  auto* layout = new QHBoxLayout(box);
  barSubFolder_ = named(new QScrollBar(Qt::Vertical), "BarSubFolder");
  barSubFolder_->setRange(0, kDepthBarMax);
  barSubFolder_->setPageStep(1);
  barSubFolder_->setMinimumHeight(barSubFolder_->fontMetrics().lineSpacing() * 6);
  layout->addWidget(barSubFolder_);
  lblSubFolder_ = named(new QLabel, "LblSubFolder");
  layout->addWidget(lblSubFolder_, 1, Qt::AlignTop);
  return box;
}

QGroupBox* FrmEdit::buildOperationsFrame() {
  QGroupBox* box = frame("Frame3", "操作");
  auto* layout = new QGridLayout(box);

  // Folded to its title until the mouse comes over it; the page's own area
  // folds it again.
  QGroupBox* listFile = frame("Frame2List", "画像リスト");
  listFile->setMouseTracking(true);
  listFile->setProperty("tip", QStringLiteral("Frame2List"));
  listFile->installEventFilter(this);
  auto* listFileLayout = new QVBoxLayout(listFile);
  frame2Buttons_ = new QWidget;
  auto* listLayout = new QHBoxLayout(frame2Buttons_);
  listLayout->setContentsMargins(0, 0, 0, 0);
  listLayout->addWidget(button("BtnListRefresh", "更新"));
  QPushButton* showList = button("BtnShowList", "開く");
  listLayout->addWidget(showList);
  listFileLayout->addWidget(frame2Buttons_);
  layout->addWidget(listFile, 0, 0, Qt::AlignTop);
  connect(showList, &QPushButton::clicked, this,
          [this] { forward([this] { form_.BtnShowListClick(); }); });
  QPushButton* check = button("BtnChkW", "ダブりチェック");
  layout->addWidget(check, 1, 0);
  connect(check, &QPushButton::clicked, this,
          [this] { forwardBusy([this] { form_.CheckDuplicates(); }); });
  connect(listFile->findChild<QPushButton*>(QStringLiteral("BtnListRefresh")),
          &QPushButton::clicked, this, [this] { forward([this] { form_.RefreshList(); }); });

  QGroupBox* shortcuts = frame("Frame4Shortcuts", "ショートカット");
  auto* shortcutLayout = new QVBoxLayout(shortcuts);
  QGroupBox* startup = frame("Frame1Startup", "スタートアップ");
  auto* startupLayout = new QHBoxLayout(startup);
  QPushButton* supW = button("BtnSupW", "登録");
  QPushButton* supD = button("BtnSupD", "削除");
  startupLayout->addWidget(supW);
  startupLayout->addWidget(supD);
  shortcutLayout->addWidget(startup);
  QPushButton* desktop = button("BtnDskSC", "デスクトップ");
  QPushButton* quickLaunch = button("BtnQlSc", "クイックランチ");
  shortcutLayout->addWidget(desktop);
  shortcutLayout->addWidget(quickLaunch);
  layout->addWidget(shortcuts, 0, 1, 3, 1);

  QGroupBox* show = frame("FrameShow", "壁紙スライドショー");
  auto* showLayout = new QHBoxLayout(show);
  bardt_ = named(new QScrollBar(Qt::Horizontal), "Bardt");
  bardt_->setRange(form_.Bardt().min, form_.Bardt().max);
  bardt_->setPageStep(5);
  bardt_->setFocusPolicy(Qt::StrongFocus);  // arrows and Home/End pick the pace
  bardt_->setMinimumWidth(bardt_->fontMetrics().horizontalAdvance(QChar(0x3042)) * 5);
  showLayout->addWidget(bardt_, 1);
  // Shows the interval only; the bar sets it.
  txtShowdt_ = named(new QLineEdit, "TxtShowdt");
  txtShowdt_->setReadOnly(true);
  txtShowdt_->setFocusPolicy(Qt::NoFocus);
  txtShowdt_->setMaximumWidth(txtShowdt_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 6);
  showLayout->addWidget(txtShowdt_);
  showLayout->addWidget(named(new QLabel(QStringLiteral("秒")), "Label2"));
  btnShowStart_ = button("BtnShowStart", "Start");
  showLayout->addWidget(btnShowStart_);
  layout->addWidget(show, 2, 0);
  connect(bardt_, &QScrollBar::valueChanged, this, [this](int value) {
    if (!syncing_) forward([this, value] { form_.SetBardt(value); });
  });
  connect(btnShowStart_, &QPushButton::clicked, this,
          [this] { forwardBusy([this] { form_.BtnShowStartClick(); }); });

  chkLounch_ = named(new QCheckBox(QStringLiteral("ランチャー")), "ChkLounch");
  txtLounch_ = named(new QLineEdit, "TxtLounch");
  // Its room stays while it is hidden, so ticking the box moves nothing.
  QSizePolicy keepRoom = txtLounch_->sizePolicy();
  keepRoom.setRetainSizeWhenHidden(true);
  txtLounch_->setSizePolicy(keepRoom);
  auto* launcher = new QHBoxLayout;
  launcher->addWidget(chkLounch_);
  launcher->addWidget(txtLounch_, 1);
  layout->addLayout(launcher, 3, 0, 1, 2);
  auto* schedule = new QHBoxLayout;
  schedule->addWidget(named(new QLabel(qs(text::kScheduleCaption)), "LblSchedule"));
  lstSchedule_ = named(new QComboBox, "LstSchedule");
  schedule->addWidget(lstSchedule_, 1);
  layout->addLayout(schedule, 4, 0, 1, 2);
  connect(lstSchedule_, &QComboBox::activated, this,
          [this](int index) { forwardBusy([this, index] { form_.SetSchedule(index); }); });

  // Tab goes down the left column, then down the shortcuts.
  const std::array<QWidget*, 10> chain = {check,      bardt_,       btnShowStart_, chkLounch_,
                                          txtLounch_, lstSchedule_, supW,          supD,
                                          desktop,    quickLaunch};
  for (std::size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);

  connect(supW, &QPushButton::clicked, this, [this] { forward([this] { form_.BtnSupWClick(); }); });
  connect(supD, &QPushButton::clicked, this, [this] { forward([this] { form_.BtnSupDClick(); }); });
  connect(desktop, &QPushButton::clicked, this,
          [this] { forward([this] { form_.BtnDskSCClick(); }); });
  connect(quickLaunch, &QPushButton::clicked, this,
          [this] { forward([this] { form_.BtnQlScClick(); }); });
  return box;
}

QGroupBox* FrmEdit::buildAboutFrame() {
  QGroupBox* box = frame("Frame4", "Tivolen");
  auto* layout = new QGridLayout(box);
  auto* product = named(new QLabel(QStringLiteral("Tivolen")), "Label1");
  QFont big = product->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  product->setFont(big);
  layout->addWidget(product, 0, 0);
  layout->addWidget(named(new QLabel(QString::fromStdString(form_.LblVer().caption)), "LblVer"), 1,
                    0);
  // Placed first, so the keyboard reaches the help before the links.
  QPushButton* help = button("BtnHelp", "ヘルプ");
  layout->addWidget(help, 0, 1, Qt::AlignRight | Qt::AlignTop);
  QLabel* author = linkLabel("Label4", form_.Label4().caption);
  QLabel* mail = linkLabel("LblMail", form_.LblMail().caption);
  QLabel* link = linkLabel("Label3", form_.Label3().caption);
  layout->addWidget(author, 2, 0);
  layout->addWidget(mail, 3, 0);
  layout->addWidget(link, 4, 0);
  layout->setColumnStretch(0, 1);
  connect(help, &QPushButton::clicked, this, [this] { forward([this] { form_.BtnHelpClick(); }); });
  connect(link, &QLabel::linkActivated, this, [this] { forward([this] { form_.Label3Click(); }); });
  connect(author, &QLabel::linkActivated, this,
          [this] { forward([this] { form_.Label4Click(); }); });
  connect(mail, &QLabel::linkActivated, this,
          [this] { forward([this] { form_.LblMailClick(); }); });
  return box;
}

void FrmEdit::connectControls() {
  connect(btnOK_, &QPushButton::clicked, this, [this] {
    bool close = false;
    forward([this, &close] { close = form_.BtnOKClick(); });
    if (close) this->close();
  });
  connect(barLuck_, &QScrollBar::valueChanged, this, [this](int value) {
    if (!syncing_) forward([this, value] { form_.SetBarLuck(value); });
  });
  connect(barSubFolder_, &QScrollBar::valueChanged, this, [this](int value) {
    if (!syncing_) forward([this, value] { form_.SetBarSubFolder(value); });
  });
  connect(lstStyle_, &QComboBox::activated, this,
          [this](int index) { forward([this, index] { form_.LstStyleUserClick(index); }); });
  connect(chkLounch_, &QCheckBox::clicked, this,
          [this](bool checked) { forward([this, checked] { form_.SetChkLounch(checked); }); });
  connect(txtLounch_, &QLineEdit::textEdited, this,
          [this](const QString& value) { form_.SetTxtLounch(value.toStdString()); });
  QItemSelectionModel* selection = list1_->selectionModel();
  connect(selection, &QItemSelectionModel::selectionChanged, this, [this] {
    if (!syncing_) scheduleSelection();
  });
  connect(selection, &QItemSelectionModel::currentChanged, this, [this] {
    if (!syncing_) scheduleSelection();
  });
  connect(list1_, &QListView::doubleClicked, this,
          [this] { forwardBusy([this] { form_.List1DblClick(); }); });
}

void FrmEdit::connectListButtons() {
  connect(bttnUp_, &QPushButton::clicked, this, [this] { forward([this] { form_.MoveRowUp(); }); });
  connect(btnDwn_, &QPushButton::clicked, this,
          [this] { forward([this] { form_.MoveRowDown(); }); });
  connect(btnDlt_, &QPushButton::clicked, this,
          [this] { forward([this] { form_.RemoveSelectedRows(); }); });
  connect(btnUnstrech_, &QPushButton::clicked, this,
          [this] { forwardBusy([this] { form_.ToggleFolderView(); }); });
}

template <typename Handler>
void FrmEdit::forward(Handler handler) {
  // A selection the form has not heard of yet comes first: buttons and keys
  // act on what the user sees selected.
  if (selectionPending_) forwardSelection();
  handler();
  syncFromForm();
}

template <typename Handler>
void FrmEdit::forwardBusy(Handler handler) {
  // Walking folders and rendering run on the window's thread: the pointer
  // says so meanwhile.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  forward(handler);
  QApplication::restoreOverrideCursor();
}

void FrmEdit::scheduleSelection() {
  if (selectionPending_) return;
  selectionPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (selectionPending_) forward([] {});
      },
      Qt::QueuedConnection);
}

void FrmEdit::forwardSelection() {
  selectionPending_ = false;
  std::vector<int> rows;
  const QModelIndexList selected = list1_->selectionModel()->selectedRows();
  rows.reserve(static_cast<std::size_t>(selected.size()));
  for (const QModelIndex& index : selected) rows.push_back(index.row());
  const QModelIndex current = list1_->selectionModel()->currentIndex();
  form_.SetSelection(rows, current.isValid() ? current.row() : -1);
}

void FrmEdit::applySelection() {
  selectionApplied_ = form_.selectionSerial();
  const ListBox& box = form_.List1();
  QItemSelection selection;
  for (const auto& [first, last] : SelectedRuns(box, model_->rowCount())) {
    selection.select(model_->index(first), model_->index(last));
  }
  QItemSelectionModel* model = list1_->selectionModel();
  model->select(selection, QItemSelectionModel::ClearAndSelect);
  if (box.listIndex >= 0 && box.listIndex < model_->rowCount()) {
    model->setCurrentIndex(model_->index(box.listIndex), QItemSelectionModel::NoUpdate);
    list1_->scrollTo(model_->index(box.listIndex));
  } else {
    model->clearCurrentIndex();
  }
}

void FrmEdit::syncTimer() {
  const Timer& timer = form_.Timer1();
  if (!timer.enabled) {
    timer1_->stop();
  } else if (!timer1_->isActive() || timer1_->interval() != timer.interval) {
    timer1_->start(timer.interval);
  }
  if (form_.minimized() != minimizedShown_ && isVisible()) {
    minimizedShown_ = form_.minimized();
    if (minimizedShown_) {
      showMinimized();
    } else if (isMinimized()) {
      showNormal();
    }
  }
}

void FrmEdit::syncPreview() {
  const PreviewRequest& request = form_.ImgPV();
  if (request.serial == previewStarted_) return;
  previewStarted_ = request.serial;
  previewPool_.clear();
  if (request.path.empty()) {
    imgPV_->clear();
    list1_->viewport()->unsetCursor();
    return;
  }
  // Busy over the list while the picture decodes; the list itself stays
  // usable and a newer click replaces this request.
  list1_->viewport()->setCursor(Qt::BusyCursor);
  const qreal ratio = imgPV_->devicePixelRatioF();
  const QSize box = imgPV_->contentsRect().size() * ratio;
  Pictures& pictures = form_.platform().pictures;
  const int serial = request.serial;
  previewPool_.start([this, &pictures, path = request.path, box, ratio, serial] {
    PreviewPicture preview = LoadPreview(pictures, path, {box.width(), box.height()});
    QImage image = toImage(preview.pixels);
    image.setDevicePixelRatio(ratio);
    std::string failure = preview.status.isOk() ? std::string() : preview.status.message;
    QMetaObject::invokeMethod(
        this,
        [this, serial, image = std::move(image), failure = std::move(failure)] {
          previewLoaded(serial, image, failure);
        },
        Qt::QueuedConnection);
  });
}

void FrmEdit::previewLoaded(int serial, const QImage& image, const std::string& failure) {
  if (serial != form_.ImgPV().serial) return;
  list1_->viewport()->unsetCursor();
  if (!failure.empty()) form_.platform().messages.detail(failure);
  if (image.isNull()) {
    imgPV_->clear();
  } else {
    imgPV_->setPixmap(QPixmap::fromImage(image));
  }
}

void FrmEdit::load() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  form_.Load();
  QApplication::restoreOverrideCursor();
  syncFromForm();
  list1_->setFocus();
  // As large as the pages ask, but never beyond the screen's free area.
  const auto* scroll = findChild<QScrollArea*>(QStringLiteral("PageScroll"));
  const QSize whole = centralWidget()->sizeHint();
  QSize page = stack_->sizeHint().expandedTo(stack_->minimumSizeHint());
  for (int i = 0; i < stack_->count(); ++i) {
    page = page.expandedTo(stack_->widget(i)->sizeHint())
               .expandedTo(stack_->widget(i)->minimumSizeHint());
  }
  const QSize scrolled = scroll->sizeHint();
  // Room for a scroll bar in either direction, so that where the screen
  // allows, no page needs one.
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  QSize wanted(
      std::max(whole.width(), whole.width() - scrolled.width() + page.width() + bar),
      whole.height() - scrolled.height() + page.height() + bar + menuBar()->sizeHint().height());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    wanted = wanted.boundedTo(screen->availableSize() - QSize(16, 48));
  }
  resize(wanted);
}

void FrmEdit::syncFromForm() {
  syncing_ = true;
  // Frames share a page with the others of their menu; the page of the
  // first frame the form shows is the one on top.
  static constexpr std::array<int, kFrameCount> kPageOf = {0, 1, 1, 2, 3, 1};
  for (int i = 0; i < kFrameCount; ++i) {
    const auto slot = static_cast<std::size_t>(i);
    if (form_.frameVisible(i)) {
      if (stack_->currentIndex() != kPageOf[slot]) {
        stack_->setCurrentIndex(kPageOf[slot]);
        focusFirstControl(stack_->currentWidget());
      }
      break;
    }
  }
  for (int i : {kFrameOrder, kFrameTiming, kFrameFolders}) {
    frames_[static_cast<std::size_t>(i)]->setVisible(form_.frameVisible(i));
  }
  for (std::size_t i = 0; i < optt_.size(); ++i) {
    optt_[i]->setChecked(static_cast<int>(i) == form_.timingIndex());
  }
  for (std::size_t i = 0; i < optR_.size(); ++i) {
    optR_[i]->setChecked(static_cast<int>(i) == form_.orderIndex());
  }
  barSubFolder_->setValue(form_.BarSubFolder().value);
  lblSubFolder_->setText(QString::fromStdString(form_.LblSubFolder().caption));
  barLuck_->setValue(form_.BarLuck().value);
  mirror(barLuck_, form_.BarLuck());
  lblLuck_->setText(QString::fromStdString(form_.lblLuck().caption));
  mirror(lblLuck_, form_.lblLuck());

  const ComboList& styles = form_.LstStyle();
  if (lstStyle_->count() != static_cast<int>(styles.entries.size())) {
    lstStyle_->clear();
    for (const std::string& entry : styles.entries) {
      lstStyle_->addItem(QString::fromStdString(entry));
    }
  }
  lstStyle_->setCurrentIndex(styles.listIndex);
  lstStyle_->setEnabled(styles.enabled);
  const ComboList& schedules = form_.LstSchedule();
  if (lstSchedule_->count() != static_cast<int>(schedules.entries.size())) {
    lstSchedule_->clear();
    for (const std::string& entry : schedules.entries) {
      lstSchedule_->addItem(QString::fromStdString(entry));
    }
  }
  lstSchedule_->setCurrentIndex(schedules.listIndex);
  btnDlt_->setEnabled(form_.BtnDlt().enabled);
  bttnUp_->setEnabled(form_.BttnUp().enabled);
  btnDwn_->setEnabled(form_.BtnDwn().enabled);
  btnUnstrech_->setText(QString::fromStdString(form_.BtnUnstrech().caption));
  if (form_.selectionSerial() != selectionApplied_) applySelection();

  chkLounch_->setChecked(form_.ChkLounch().checked);
  const TextBox& launcher = form_.TxtLounch();
  if (txtLounch_->text().toStdString() != launcher.text) {
    txtLounch_->setText(QString::fromStdString(launcher.text));
  }
  mirror(txtLounch_, launcher);
  lbl_->setText(shownText(form_.Lbl().caption));
  bardt_->setValue(form_.Bardt().value);
  txtShowdt_->setText(QString::fromStdString(form_.TxtShowdt().text));
  btnShowStart_->setText(QString::fromStdString(form_.BtnShowStart().caption));
  frame2Buttons_->setVisible(form_.Frame2().height >= kFrame2Open);
  syncTimer();
  syncing_ = false;
  syncPreview();
}

void FrmEdit::rowsAppended(int newCount) {
  model_->appendedUpTo(newCount);
}

void FrmEdit::rowsReset() {
  model_->reset();
}

void FrmEdit::bringForward() {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

void FrmEdit::closeEvent(QCloseEvent* event) {
  // Every way of closing saves; the form decides whether a failed save keeps
  // the window open with the edits.
  timer1_->stop();  // no slideshow tick while a box waits
  bool close = true;
  forward([this, &close] { close = form_.QueryUnload(); });
  if (close) {
    event->accept();
  } else {
    event->ignore();
  }
}

bool FrmEdit::handleDrag(QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (localFilesOf(drag->mimeData()).empty()) {
        drag->ignore();
      } else {
        drag->setDropAction(Qt::CopyAction);
        drag->accept();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const std::vector<std::string> paths = localFilesOf(drop->mimeData());
      if (paths.empty()) {
        drop->ignore();
        return true;
      }
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      forward([this, &paths] { form_.RegisterDroppedItems(paths); });
      return true;
    }
    default:
      return false;
  }
}

void FrmEdit::dragEnterEvent(QDragEnterEvent* event) {
  handleDrag(event);
}
void FrmEdit::dragMoveEvent(QDragMoveEvent* event) {
  handleDrag(event);
}
void FrmEdit::dropEvent(QDropEvent* event) {
  handleDrag(event);
}

void FrmEdit::focusFirstControl(QWidget* page) {
  // A page chosen from the keyboard (Ctrl+1 to Ctrl+4) is worked from the
  // keyboard: its first control takes the focus, not whatever follows the
  // hidden one in the window's chain.
  for (QWidget* next = page->nextInFocusChain(); next != page; next = next->nextInFocusChain()) {
    if (page->isAncestorOf(next) && next->isVisibleTo(page) && next->isEnabled() &&
        (next->focusPolicy() & Qt::TabFocus) != 0) {
      next->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

void FrmEdit::frameMouseMove(QWidget* frameWidget, const QMouseEvent& move) {
  // Moves over a control inside reach the frame too, as Qt passes unwanted
  // moves to the parent; only the frame's own area counts. Plain containers
  // that only lay the controls out are part of that area.
  const QWidget* under = frameWidget->childAt(move.position().toPoint());
  if (under != nullptr && under->metaObject() != &QWidget::staticMetaObject) return;
  const std::string before = form_.Lbl().caption;
  const int height = form_.Frame2().height;
  const bool launcher = form_.TxtLounch().visible;
  form_.ControlMouseMove(frameWidget->property("tip").toString().toStdString());
  // Every pixel of a move comes here; the window is redrawn only for a change.
  if (form_.Lbl().caption != before || form_.Frame2().height != height ||
      form_.TxtLounch().visible != launcher) {
    forward([] {});
  }
}

bool FrmEdit::eventFilter(QObject* watched, QEvent* event) {
  // Events arrive while the window is still being built.
  const bool target = list1_ != nullptr && (watched == list1_ || watched == list1_->viewport() ||
                                            watched == frames_[kFrameList]);
  if (target && handleDrag(event)) return true;
  const QVariant tip = watched->property("tip");
  if (tip.isValid()) {
    auto* widget = qobject_cast<QWidget*>(watched);
    // The pages and the list file's frame follow the mouse; the controls
    // answer its arrival.
    const bool isFrame = widget != nullptr && widget->hasMouseTracking();
    if (isFrame && event->type() == QEvent::MouseMove) {
      frameMouseMove(widget, *static_cast<QMouseEvent*>(event));
    } else if (!isFrame && event->type() == QEvent::Enter) {
      const std::string name = tip.toString().toStdString();
      forward([this, &name] { form_.ControlMouseMove(name); });
    }
  }
  if (list1_ != nullptr && watched == list1_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete) {
      forward([this] { form_.List1KeyDown(kKeyDelete); });
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      forwardBusy([this] { form_.List1KeyDown(kKeyEnter); });
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace tivolen::manager
