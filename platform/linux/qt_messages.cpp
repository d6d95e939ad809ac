// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/qt_messages.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QString>
#include <QStyle>
#include <algorithm>
#include <iostream>

#include "platform/linux/gui_application.h"

namespace tivolen {
namespace {

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// A box sizes itself by its text alone, and the window manager then cuts a
// title wider than a short text ("リストなし") to "壁…". The title bar also
// holds the box's icon and the manager's buttons: room for four of them.
int widthForTitle(const QMessageBox& box, const QString& title) {
  const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
  const int bar = std::max(box.style()->pixelMetric(QStyle::PM_TitleBarHeight), metrics.height());
  return metrics.horizontalAdvance(title) + 4 * bar + 2 * metrics.averageCharWidth();
}

void keepTitleWhole(QMessageBox& box, const QString& title) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  // QMessageBox ignores a minimum width of its own; a spacer across its
  // grid is what its layout obeys.
  grid->addItem(
      new QSpacerItem(widthForTitle(box, title), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
      grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace

void QtMessages::detail(std::string_view text) {
  std::cerr << caption_ << ": " << MessageLine(text) << std::endl;
}

Answer QtMessages::show(std::string_view text, Buttons buttons) {
  std::cerr << caption_ << ": " << MessageLine(text) << std::endl;
  return ShowQtBox(caption_, text, buttons).value_or(CautiousAnswer(buttons));
}

std::optional<Answer> ShowQtBox(std::string_view caption, std::string_view text, Buttons buttons) {
  if (!EnsureGuiApplication()) return std::nullopt;

  QMessageBox box;
  box.setWindowTitle(fromUtf8(caption));
  // Qt breaks lines at LF; the texts keep the CR LF they are stored with.
  QString shown = fromUtf8(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box.setText(shown);
  switch (buttons) {
    case Buttons::Ok:
      box.setIcon(QMessageBox::NoIcon);
      box.setStandardButtons(QMessageBox::Ok);
      box.setDefaultButton(QMessageBox::Ok);
      break;
    case Buttons::OkCancel:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Ok);
      break;
    case Buttons::YesNo:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      break;
  }
  keepTitleWhole(box, box.windowTitle());
  switch (box.exec()) {
    case QMessageBox::Cancel:
      return Answer::Cancel;
    case QMessageBox::Yes:
      return Answer::Yes;
    case QMessageBox::No:
      return Answer::No;
    case QMessageBox::Ok:
      return Answer::Ok;
    default:
      // Closed by the window manager: the box's escape answer.
      return buttons == Buttons::Ok ? Answer::Ok : CautiousAnswer(buttons);
  }
}

}  // namespace tivolen
