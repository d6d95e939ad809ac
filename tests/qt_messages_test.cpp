// SPDX-License-Identifier: GPL-3.0-or-later
// Message boxes on a display (the offscreen one): what the user sees of them.
#include "platform/linux/qt_messages.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QTimer>
#include <QWidget>

#include "common/texts.h"
#include "platform/linux/gui_application.h"

namespace tivolen {
namespace {

// A short message must not narrow its box below its title: the window
// manager would cut "壁紙の変更" to "壁…".
TEST(MessagesOnADisplay, AShortMessageKeepsItsTitleWhole) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ASSERT_TRUE(EnsureGuiApplication());
  QtMessages messages{std::string(text::kChangerCaption)};
  int width = 0;
  int titleWidth = 0;
  QTimer::singleShot(0, [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    width = box->width();
    titleWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"))
                     .horizontalAdvance(box->windowTitle());
    box->close();
  });
  ::testing::internal::CaptureStderr();
  messages.show(text::kNoList, Buttons::Ok);
  ::testing::internal::GetCapturedStderr();
  ASSERT_GT(titleWidth, 0);
  // The title, and a window manager's icon and three buttons beside it.
  EXPECT_GE(width, titleWidth + 4 * 20) << "title " << titleWidth;
}

}  // namespace
}  // namespace tivolen
