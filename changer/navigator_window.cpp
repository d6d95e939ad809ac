// SPDX-License-Identifier: GPL-3.0-or-later
#include "changer/navigator_window.h"

#include <QApplication>
#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QResizeEvent>
#include <QStyle>
#include <iostream>

#include "changer/navigator_form.h"
#include "common/texts.h"
#include "platform/linux/gui_application.h"

namespace tivolen {
namespace {

QString qt(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The old form's twips at 15 a pixel: buttons 73 wide at 0, 96 and 192,
// the manager button (41 square) at 296, the file label from 24 down.
constexpr int kButtonWidth = 73;
constexpr int kButtonHeight = 24;
constexpr int kManagerButtonSide = 41;
constexpr int kLabelTop = 45;
constexpr int kFormWidth = 465;

}  // namespace

NavigatorForm::NavigatorForm(Platform& platform)
    : navigator_(platform, *this),
      back_(new QPushButton(QStringLiteral("<"), this)),
      random_(new QPushButton(QStringLiteral("↑↓"), this)),
      next_(new QPushButton(QStringLiteral(">"), this)),
      manager_(new QPushButton(this)),
      wallName_(new QLabel(this)),
      position_(new QLabel(this)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(qt(text::kChangerCaption));
  // Copied without its icon, the window keeps the desktop's default one.
  if (const QString icon = QString::fromStdString(platform.iconFile()); QFile::exists(icon)) {
    setWindowIcon(QIcon(icon));
  }
  back_->setObjectName(QStringLiteral("BtnBzck"));
  random_->setObjectName(QStringLiteral("BtnRnd"));
  next_->setObjectName(QStringLiteral("BtnNext"));
  manager_->setObjectName(QStringLiteral("Command1"));
  wallName_->setObjectName(QStringLiteral("LblWallName"));
  position_->setObjectName(QStringLiteral("Label1"));

  back_->setGeometry(0, 0, kButtonWidth, kButtonHeight);
  random_->setGeometry(96, 0, kButtonWidth, kButtonHeight);
  next_->setGeometry(192, 0, kButtonWidth, kButtonHeight);
  manager_->setGeometry(296, 0, kManagerButtonSide, kManagerButtonSide);
  manager_->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
  manager_->setIconSize(QSize(28, 28));
  back_->setToolTip(qt(text::kTipBack));
  random_->setToolTip(qt(text::kTipRandom));
  next_->setToolTip(qt(text::kTipNext));
  manager_->setToolTip(qt(text::kTipManager));
  position_->setGeometry(350, 0, kFormWidth - 350, kButtonHeight);
  wallName_->setGeometry(0, kLabelTop, kFormWidth, kButtonHeight);
  // Wider for a long name, never narrower than the row of buttons.
  setMinimumSize(kFormWidth, kLabelTop + kButtonHeight + 4);
  setMaximumHeight(kLabelTop + kButtonHeight + 4);
  resize(kFormWidth, kLabelTop + kButtonHeight + 4);

  connect(back_, &QPushButton::clicked, this, [this] { press(-1); });
  connect(random_, &QPushButton::clicked, this, [this] { press(0); });
  connect(next_, &QPushButton::clicked, this, [this] { press(1); });
  connect(manager_, &QPushButton::clicked, this, [this] { navigator_.startManager(); });

  move(0, 0);
  navigator_.open();
}

void NavigatorForm::press(int direction) {
  if (navigator_.step(direction) == StepResult::EndProgram) {
    programEnded_ = true;
    close();
  }
}

void NavigatorForm::showWallpaperName(std::string_view path) {
  wallNameText_ = qt(path);
  showElidedName();
}

void NavigatorForm::showElidedName() {
  const QFontMetrics metrics(wallName_->font());
  wallName_->setText(
      metrics.elidedText(wallNameText_, Qt::ElideMiddle, wallName_->contentsRect().width()));
  wallName_->setToolTip(wallNameText_);
}

void NavigatorForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  wallName_->setGeometry(0, kLabelTop, width(), kButtonHeight);
  showElidedName();
}

void NavigatorForm::showPosition(int position) {
  position_->setText(QString::number(position));
}

void NavigatorForm::setBusy(bool busy) {
  if (busy) {
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    // The press runs to its end on this thread; show the pointer first.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  } else {
    QGuiApplication::restoreOverrideCursor();
  }
}

int ShowNavigator(Platform& platform) {
  if (!EnsureGuiApplication()) {
    std::cerr << "Tivolen: no display to show the navigator on\n";
    return 1;
  }
  NavigatorForm form(platform);
  form.show();
  QApplication::exec();
  return form.programEnded() ? 1 : 0;
}

}  // namespace tivolen
