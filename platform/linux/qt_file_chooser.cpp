// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/qt_file_chooser.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QStringList>

#include "platform/linux/gui_application.h"

namespace tivolen {
namespace {

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The file's name as the system spells it: a name that is not UTF-8 keeps
// its own bytes, as a drop hands them over.
std::string systemName(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

std::vector<std::string> QtFileChooser::choose(ChooseWhat what, std::string_view title,
                                               const std::vector<std::string>& patterns) {
  if (!EnsureGuiApplication()) return {};
  QWidget* parent = QApplication::activeWindow();
  std::vector<std::string> chosen;
  if (what == ChooseWhat::Folder) {
    const QString folder =
        QFileDialog::getExistingDirectory(parent, fromUtf8(title), QDir::homePath());
    if (!folder.isEmpty()) chosen.push_back(systemName(folder));
    return chosen;
  }
  QStringList globs;
  for (const std::string& pattern : patterns) globs << fromUtf8(pattern);
  // The dialog's own words: "画像" and "すべてのファイル".
  const QString filter = QStringLiteral("画像 (%1);;すべてのファイル (*)").arg(globs.join(u' '));
  for (const QString& file :
       QFileDialog::getOpenFileNames(parent, fromUtf8(title), QDir::homePath(), filter)) {
    chosen.push_back(systemName(file));
  }
  return chosen;
}

}  // namespace tivolen
