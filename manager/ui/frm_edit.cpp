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
#include <array>

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

// List1 with a line on how to fill it while it is empty.
class HintedListView final : public QListView {
 public:
  using QListView::QListView;
  // Sixteen rows where the screen has room; on a small screen at a large
  // scale it gives way to the controls beside it before the page scrolls.
  [[nodiscard]] QSize sizeHint() const override {
    return {fontMetrics().horizontalAdvance(QLatin1Char('M')) * 28,
            fontMetrics().lineSpacing() * 16};
  }
  [[nodiscard]] QSize minimumSizeHint() const override {
    return {fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24,
            fontMetrics().lineSpacing() * 6};
  }

 protected:
  // A key that moves the focus frame selects the row it lands on, also the
  // row the frame is on already, as a list box of the system does; Qt
  // selects only when the frame moves.
  void keyPressEvent(QKeyEvent* event) override {
    QListView::keyPressEvent(event);
    static constexpr std::array kMoves{Qt::Key_Home, Qt::Key_End,    Qt::Key_Up,
                                       Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown};
    if (std::ranges::find(kMoves, event->key()) == kMoves.end() ||
        (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) != 0) {
      return;
    }
    const QModelIndex current = currentIndex();
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (current.isValid() && (selected.size() != 1 || selected.front() != current)) {
      selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
    }
  }
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

// Around and between the controls of a frame, in the layout's pixels.
constexpr int kFrameMargin = 4;

// The message frame's label: three lines, never more, so a long message
// cannot take the list's room. Lines that name a file or folder are elided
// in the middle to the width, keeping the name's end in view; other lines
// wrap.
class MessageLabel final : public QLabel {
 public:
  MessageLabel() {
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The details text has three lines, the tips two; half a line more
    // keeps the last line's descenders.
    setFixedHeight(fontMetrics().lineSpacing() * 7 / 2);
    // Its text's width never widens the window.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  }
  void setMessage(const QString& message) {
    message_ = message;
    showMessage();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    showMessage();
  }

 private:
  void showMessage() {
    QStringList lines = message_.split(QLatin1Char('\n'));
    const int width = contentsRect().width();
    for (QString& line : lines) {
      if (line.contains(QLatin1Char('/')) || line.contains(QLatin1Char('\\'))) {
        line = fontMetrics().elidedText(line, Qt::ElideMiddle, width);
      }
    }
    const QString shown = lines.join(QLatin1Char('\n'));
    if (shown != text()) setText(shown);
  }
  QString message_;
};

// A page's own scroll area. It asks for the whole page, so the window is
// sized to show every page without a scroll bar; only a window the screen
// keeps smaller than that lets the page scroll. Each page scrolls on its
// own, so an offset never carries over to the next page shown.
class PageScroll final : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;
  [[nodiscard]] QSize sizeHint() const override {
    const QWidget* page = widget();
    if (page == nullptr) return QScrollArea::sizeHint();
    return page->sizeHint().expandedTo(page->minimumSizeHint());
  }

 protected:
  // The page sits in the viewport, which has no layout: a page that grows
  // would not tell the window. Its layout's request does.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == widget() && event->type() == QEvent::LayoutRequest) updateGeometry();
    return QScrollArea::eventFilter(watched, event);
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

FrmEdit::FrmEdit(EditForm& form, QWidget* parent)
    : QMainWindow(parent), form_(form), driver_(form, *this) {
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
  previewPool_.setMaxThreadCount(1);
  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  connect(timer1_, &QTimer::timeout, this, [this] { driver_.timerTick(); });

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(kFrameMargin, kFrameMargin / 2, kFrameMargin, kFrameMargin);
  layout->setSpacing(kFrameMargin);
  // The pages: the menu bar shows one at a time. A stack is as large as its
  // largest page, so the window keeps its size. On a small screen at a large
  // scale the window may be smaller than a page; the page scrolls, while the
  // message frame and OK below it always stay in view.
  stack_ = new QStackedWidget;
  for (int page = 0; page < kPageCount; ++page) {
    auto* pageWidget = new QWidget;
    auto* pageLayout = new QVBoxLayout(pageWidget);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    pageLayout->addLayout(grid, page == kPageList ? 1 : 0);
    // The list page fills the window; the others stay at the top.
    if (page != kPageList) pageLayout->addStretch(1);
    for (int column = 0; column < PageGrid(page).columns; ++column)
      grid->setColumnStretch(column, 1);
    auto* scroll = new PageScroll;
    scroll->setObjectName(QStringLiteral("PageScroll%1").arg(page));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidget(pageWidget);
    stack_->addWidget(scroll);
  }
  layout->addWidget(stack_, 1);
  auto* band = new QGridLayout;
  band->setColumnStretch(0, 1);
  layout->addLayout(band);
  setCentralWidget(central);

  // Ctrl+1 to Ctrl+4 reach the pages from the keyboard, as tabs of a
  // settings window do; the menu bar itself takes no focus.
  const auto controls = WindowControls();
  widgets_.assign(controls.size(), nullptr);
  int menus = 0;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const ControlEntry& control = controls[i];
    if (control.kind == ControlKind::Menu) {
      QAction* action = menuBar()->addAction(qs(CaptionOf(control.name)));
      action->setObjectName(qs(control.name));
      action->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + menus++)));
      connect(action, &QAction::triggered, this, [this, &control] { driver_.activated(control); });
      continue;
    }
    QWidget* widget = create(control);
    widgets_[i] = widget;
    QGridLayout* grid = nullptr;
    Qt::Alignment alignment;
    if (!control.parent.empty()) {
      const ControlEntry* parentSpec = FindControl(control.parent);
      grid = static_cast<QGridLayout*>(
          widgets_[static_cast<std::size_t>(parentSpec - controls.data())]->layout());
      // A frame inside a frame is as tall as its controls: one that folds
      // takes its room back.
      if (control.kind == ControlKind::Frame) alignment = Qt::AlignTop;
    } else if (control.page == kEveryPage) {
      grid = band;
      if (control.kind == ControlKind::Button) alignment = Qt::AlignBottom;
    } else {
      grid = static_cast<QGridLayout*>(pageWidget(control.page)->layout()->itemAt(0)->layout());
    }
    grid->addWidget(widget, control.cell.row, control.cell.column, control.cell.rows,
                    control.cell.columns, alignment);
    connectControl(control, widget);
  }

  // The Tab key goes through each page in the description's order, then to OK.
  std::vector<const ControlEntry*> chain;
  for (const ControlEntry& control : controls) {
    if (control.tab >= 0) chain.push_back(&control);
  }
  std::ranges::stable_sort(chain, [](const ControlEntry* a, const ControlEntry* b) {
    const int pageA = a->page == kEveryPage ? kPageCount : a->page;
    const int pageB = b->page == kEveryPage ? kPageCount : b->page;
    return pageA != pageB ? pageA < pageB : a->tab < b->tab;
  });
  auto widgetOf = [&](const ControlEntry* control) {
    return widgets_[static_cast<std::size_t>(control - controls.data())];
  };
  for (std::size_t i = 1; i < chain.size(); ++i) {
    QWidget::setTabOrder(widgetOf(chain[i - 1]), widgetOf(chain[i]));
  }
}

QWidget* FrmEdit::create(const ControlEntry& control) {
  const QString caption = qs(CaptionOf(control.name));
  QWidget* widget = nullptr;
  switch (control.kind) {
    case ControlKind::Menu:
      break;
    case ControlKind::Frame: {
      auto* box = new QGroupBox(caption);
      auto* grid = new QGridLayout(box);
      // Close spacing, so that every page fits a 1280x800 screen at 200 %
      // (640x400 for the layout) without scrolling.
      grid->setContentsMargins(kFrameMargin, kFrameMargin / 2, kFrameMargin, kFrameMargin);
      grid->setSpacing(kFrameMargin);
      for (int column = 0; column < control.grid.columns; ++column) {
        grid->setColumnStretch(column, 1);
      }
      widget = box;
      break;
    }
    case ControlKind::List: {
      list1_ = new HintedListView;
      list1_->setModel(model_);
      list1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
      list1_->setUniformItemSizes(true);  // keeps 32,767 rows cheap to lay out
      list1_->setEditTriggers(QAbstractItemView::NoEditTriggers);
      list1_->setDragDropMode(QAbstractItemView::NoDragDrop);
      list1_->setAcceptDrops(true);
      list1_->viewport()->setAcceptDrops(true);
      list1_->installEventFilter(this);
      list1_->viewport()->installEventFilter(this);
      widget = list1_;
      break;
    }
    case ControlKind::Preview: {
      imgPV_ = new QLabel;
      imgPV_->setFrameShape(QFrame::StyledPanel);
      imgPV_->setAlignment(Qt::AlignCenter);
      const int em = imgPV_->fontMetrics().horizontalAdvance(QChar(0x3042));
      // Full size where there is room; on a small screen at a large scale
      // the box gives way before the page has to scroll.
      imgPV_->setMinimumSize(em * 6, em * 4);
      imgPV_->setMaximumSize(em * 12, em * 9);
      imgPV_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
      widget = imgPV_;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(caption);
      button->setAutoDefault(false);
      widget = button;
      break;
    }
    case ControlKind::Choice:
      widget = new QComboBox;
      break;
    case ControlKind::Label:
    case ControlKind::Title: {
      if (control.parent == "FrameMSG") {
        widget = new MessageLabel;
        break;
      }
      auto* label = new QLabel(caption);
      if (control.kind == ControlKind::Title) {
        QFont big = label->font();
        big.setPointSizeF(big.pointSizeF() * 1.6);
        big.setBold(true);
        label->setFont(big);
      }
      widget = label;
      break;
    }
    case ControlKind::Link: {
      auto* label = new QLabel;
      label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
      widget = label;
      break;
    }
    case ControlKind::HBar:
    case ControlKind::VBar: {
      auto* bar = new QScrollBar(control.kind == ControlKind::HBar ? Qt::Horizontal : Qt::Vertical);
      bar->setPageStep(control.action == Action::SetPace ? 5 : 1);
      bar->setFocusPolicy(Qt::StrongFocus);  // arrows and Home/End move it
      if (control.kind == ControlKind::VBar) {
        bar->setMinimumHeight(bar->fontMetrics().lineSpacing() * 6);
      } else {
        // Qt turns a scroll bar's keys around; Right moves it right, as ▶.
        bar->setInvertedControls(false);
        bar->setMinimumWidth(bar->fontMetrics().horizontalAdvance(QChar(0x3042)) * 8);
      }
      widget = bar;
      break;
    }
    case ControlKind::Radio:
      widget = new QRadioButton(caption);
      break;
    case ControlKind::Check:
      widget = new QCheckBox(caption);
      break;
    case ControlKind::Edit: {
      widget = new QLineEdit;
      break;
    }
    case ControlKind::ReadOnly: {
      auto* edit = new QLineEdit;
      edit->setReadOnly(true);
      edit->setFocusPolicy(Qt::NoFocus);
      edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 6);
      widget = edit;
      break;
    }
  }
  widget->setObjectName(qs(control.name));
  // The form hides the controls of the pages not shown, and some on a page
  // (the launcher's box while unticked): their room stays, so the window is
  // sized for every page and ticking a box moves nothing.
  QSizePolicy keepRoom = widget->sizePolicy();
  keepRoom.setRetainSizeWhenHidden(true);
  widget->setSizePolicy(keepRoom);
  // Tips: the controls that have one, and the frames that follow the mouse.
  if (control.follows || !TipOf(control.name).empty()) {
    widget->setProperty("tip", qs(control.name));
    widget->installEventFilter(this);
  }
  // The frames answer every move over their own area, as the tips of the
  // controls on them are replaced by the frame's as soon as the mouse leaves
  // a control.
  if (control.follows) widget->setMouseTracking(true);
  if (control.frame == kFrameList && control.kind == ControlKind::Frame) {
    frame0_ = widget;
    widget->setAcceptDrops(true);
    widget->installEventFilter(this);
  }
  return widget;
}

void FrmEdit::connectControl(const ControlEntry& control, QWidget* widget) {
  const ControlEntry* described = &control;
  switch (control.kind) {
    case ControlKind::Button:
      connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, this, [this, described] {
        if (driver_.activated(*described)) close();
      });
      break;
    case ControlKind::Radio:
      connect(static_cast<QRadioButton*>(widget), &QRadioButton::clicked, this,
              [this, described] { driver_.activated(*described); });
      break;
    case ControlKind::Check:
      connect(static_cast<QCheckBox*>(widget), &QCheckBox::clicked, this,
              [this, described](bool checked) { driver_.activated(*described, checked ? 1 : 0); });
      break;
    case ControlKind::Choice:
      connect(static_cast<QComboBox*>(widget), &QComboBox::activated, this,
              [this, described](int index) { driver_.activated(*described, index); });
      break;
    case ControlKind::HBar:
    case ControlKind::VBar:
      connect(static_cast<QScrollBar*>(widget), &QScrollBar::valueChanged, this,
              [this, described](int value) { driver_.activated(*described, value); });
      break;
    case ControlKind::Edit:
      connect(static_cast<QLineEdit*>(widget), &QLineEdit::textEdited, this,
              [this, described](const QString& value) {
                driver_.textEdited(*described, value.toStdString());
              });
      break;
    case ControlKind::Link:
      connect(static_cast<QLabel*>(widget), &QLabel::linkActivated, this,
              [this, described] { driver_.activated(*described); });
      break;
    case ControlKind::List: {
      // Selection signals come in pairs (selection, current row) and while
      // Qt is still changing the view; they are handled once, after it is
      // done.
      auto changed = [this] {
        if (driver_.selectionChanged()) {
          QMetaObject::invokeMethod(
              this, [this] { driver_.selectionSettled(); }, Qt::QueuedConnection);
        }
      };
      QItemSelectionModel* selection = list1_->selectionModel();
      connect(selection, &QItemSelectionModel::selectionChanged, this, changed);
      connect(selection, &QItemSelectionModel::currentChanged, this, changed);
      connect(list1_, &QListView::doubleClicked, this,
              [this, described] { driver_.activated(*described); });
      break;
    }
    default:
      break;
  }
}

FrmEdit::~FrmEdit() {
  previewPool_.clear();
  previewPool_.waitForDone();
  form_.setObserver(nullptr);
}

void FrmEdit::showPage(int page) {
  stack_->setCurrentIndex(page);
}

void FrmEdit::showControl(const ControlEntry& control, const ControlState& state) {
  QWidget* widget = widgets_[static_cast<std::size_t>(&control - WindowControls().data())];
  widget->setVisible(state.shown);
  widget->setEnabled(state.enabled);
  const QString text = QString::fromStdString(state.text);
  switch (control.kind) {
    case ControlKind::Frame:
      static_cast<QGroupBox*>(widget)->setTitle(text);
      break;
    case ControlKind::Button:
      static_cast<QPushButton*>(widget)->setText(text);
      break;
    case ControlKind::Label:
    case ControlKind::Title:
      if (auto* message = dynamic_cast<MessageLabel*>(widget)) {
        message->setMessage(shownText(state.text));
      } else {
        static_cast<QLabel*>(widget)->setText(shownText(state.text));
      }
      break;
    case ControlKind::Link:
      static_cast<QLabel*>(widget)->setText(
          QStringLiteral("<a href=\"open\">%1</a>").arg(text.toHtmlEscaped()));
      break;
    case ControlKind::Radio:
    case ControlKind::Check: {
      auto* button = static_cast<QAbstractButton*>(widget);
      button->setText(text);
      button->setChecked(state.checked);
      break;
    }
    case ControlKind::HBar:
    case ControlKind::VBar: {
      auto* bar = static_cast<QScrollBar*>(widget);
      bar->setRange(state.min, state.max);
      bar->setValue(state.value);
      break;
    }
    case ControlKind::Choice: {
      auto* choice = static_cast<QComboBox*>(widget);
      if (choice->count() != static_cast<int>(state.entries.size())) {
        choice->clear();
        for (const std::string& entry : state.entries) {
          choice->addItem(QString::fromStdString(entry));
        }
      }
      choice->setCurrentIndex(state.value);
      break;
    }
    case ControlKind::Edit:
    case ControlKind::ReadOnly: {
      // Setting the same text would move the cursor under the user's hands.
      auto* edit = static_cast<QLineEdit*>(widget);
      if (edit->text() != text) edit->setText(text);
      break;
    }
    default:
      break;
  }
}

void FrmEdit::focusControl(const ControlEntry& control) {
  widgets_[static_cast<std::size_t>(&control - WindowControls().data())]->setFocus(
      Qt::TabFocusReason);
}

void FrmEdit::showSelection(const ListBox& box) {
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

ShownSelection FrmEdit::shownSelection() {
  ShownSelection shown;
  const QModelIndexList selected = list1_->selectionModel()->selectedRows();
  shown.rows.reserve(static_cast<std::size_t>(selected.size()));
  for (const QModelIndex& index : selected) shown.rows.push_back(index.row());
  const QModelIndex current = list1_->selectionModel()->currentIndex();
  shown.focus = current.isValid() ? current.row() : -1;
  return shown;
}

void FrmEdit::runTimer(int milliseconds) {
  if (milliseconds == 0) {
    timer1_->stop();
  } else {
    timer1_->start(milliseconds);
  }
}

bool FrmEdit::onScreen() {
  return isVisible();
}

void FrmEdit::minimise(bool minimised) {
  if (minimised) {
    showMinimized();
  } else if (isMinimized()) {
    showNormal();
  }
}

void FrmEdit::setBusy(bool busy) {
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void FrmEdit::loadPreview(const PreviewRequest& request) {
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
  if (!driver_.previewLoaded(serial, failure)) return;
  list1_->viewport()->unsetCursor();
  if (image.isNull()) {
    imgPV_->clear();
  } else {
    imgPV_->setPixmap(QPixmap::fromImage(image));
  }
}

void FrmEdit::load() {
  driver_.load();
  list1_->setFocus();
  // As large as the layout asks for every page whole, but never beyond the
  // screen's free area. The texts just set have not reached the cached
  // hints of the containers yet, and a style changes sizes as it polishes.
  ensurePolished();
  for (int page = 0; page < kPageCount; ++page) stack_->widget(page)->updateGeometry();
  stack_->updateGeometry();
  centralWidget()->updateGeometry();
  QSize wanted = sizeHint().expandedTo(minimumSizeHint());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    wanted = wanted.boundedTo(screen->availableSize() - QSize(16, 48));
  }
  resize(wanted);
}

QWidget* FrmEdit::pageWidget(int page) const {
  return static_cast<QScrollArea*>(stack_->widget(page))->widget();
}

void FrmEdit::syncFromForm() {
  driver_.sync();
}

void FrmEdit::rowsAppended(int newCount) {
  model_->appendedUpTo(newCount);
}

void FrmEdit::rowsReset() {
  model_->reset();
  driver_.rowsReset();
}

void FrmEdit::bringForward() {
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  raise();
  activateWindow();
}

void FrmEdit::closeEvent(QCloseEvent* event) {
  if (driver_.closing()) {
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
      driver_.dropped(paths);
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

void FrmEdit::frameMouseMove(QWidget* frameWidget, const QMouseEvent& move) {
  // Moves over a control inside reach the frame too, as Qt passes unwanted
  // moves to the parent; only the frame's own area counts. Plain containers
  // that only lay the controls out are part of that area.
  const QWidget* under = frameWidget->childAt(move.position().toPoint());
  if (under != nullptr && under->metaObject() != &QWidget::staticMetaObject) return;
  driver_.mouseOver(frameWidget->property("tip").toString().toStdString());
}

bool FrmEdit::eventFilter(QObject* watched, QEvent* event) {
  // Events arrive while the window is still being built.
  const bool target = list1_ != nullptr &&
                      (watched == list1_ || watched == list1_->viewport() || watched == frame0_);
  if (target && handleDrag(event)) return true;
  const QVariant tip = watched->property("tip");
  if (tip.isValid()) {
    auto* widget = qobject_cast<QWidget*>(watched);
    // The frames follow the mouse; the controls answer its arrival.
    const bool isFrame = widget != nullptr && widget->hasMouseTracking();
    if (isFrame && event->type() == QEvent::MouseMove) {
      frameMouseMove(widget, *static_cast<QMouseEvent*>(event));
    } else if (!isFrame && event->type() == QEvent::Enter) {
      driver_.mouseOver(tip.toString().toStdString());
    } else if (!isFrame && event->type() == QEvent::Leave) {
      driver_.mouseLeft();
    }
  }
  if (list1_ != nullptr && watched == list1_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete) {
      driver_.listKey(kKeyDelete);
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      driver_.listKey(kKeyEnter);
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace tivolen::manager
