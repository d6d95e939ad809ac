// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <exception>
#include <string>

#include "common/texts.h"
#include "common/unexpected_failure.h"
#include "manager/edit_form.h"
#include "manager/single_manager.h"
#include "manager/ui/close_on_signal.h"
#include "manager/ui/frm_edit.h"
#include "manager/ui/japanese_qt_texts.h"
#include "platform/linux/gui_application.h"
#include "platform/linux/linux_platform.h"
#include "platform/linux/local_instance_lock.h"
#include "platform/linux/qt_messages.h"

namespace {

constexpr std::string_view kNoDisplay = "画面に接続できないため、壁紙の設定を開けません。";

// Qt falls back glyph by glyph to any CJK face; naming the Japanese one keeps
// kanji in their Japanese forms and the metrics even.
void preferJapaneseFont() {
  const QString family = QStringLiteral("Noto Sans CJK JP");
  if (!QFontDatabase::hasFamily(family)) return;
  QFont font = QApplication::font();
  font.setFamilies({family});
  QApplication::setFont(font);
}

int runManager() {
  // The user waits for the window's answer: a desktop that is not running is
  // reported at once, not waited for as at log-on.
  tivolen::LinuxPlatform linuxPlatform(tivolen::text::kManagerCaption, tivolen::DesktopWait::Never);
  tivolen::Platform& platform = linuxPlatform.platform();
  if (!tivolen::EnsureGuiApplication()) {
    platform.messages.show(kNoDisplay);
    return 1;
  }
  preferJapaneseFont();
  tivolen::manager::InstallJapaneseQtTexts(*QApplication::instance());
  tivolen::LocalInstanceLock instanceLock;
  if (tivolen::manager::ClaimList(instanceLock, platform.messages, platform.dataFolder()) ==
      tivolen::manager::StartChoice::Leave) {
    return 0;
  }
  tivolen::manager::EditForm form(platform);
  tivolen::manager::FrmEdit window(form);
  window.load();
  instanceLock.serve([&window] { window.bringForward(); },
                     static_cast<std::uintptr_t>(window.winId()));
  tivolen::manager::EndSessionOnTerminationSignals(window, [&form] { form.EndSession(); });
  window.show();
  return QApplication::exec();
}

}  // namespace

int main() {
  // What escapes the window (a row that is not there, memory run out) ends
  // with a box rather than an abort that loses the user's view of why.
  try {
    return runManager();
  } catch (const std::exception& error) {
    tivolen::QtMessages messages{std::string(tivolen::text::kManagerCaption)};
    return tivolen::EndOnUnexpectedFailure(messages, error.what(), tivolen::FailureBox::Show);
  } catch (...) {
    tivolen::QtMessages messages{std::string(tivolen::text::kManagerCaption)};
    return tivolen::EndOnUnexpectedFailure(messages, "unexpected failure",
                                           tivolen::FailureBox::Show);
  }
}
