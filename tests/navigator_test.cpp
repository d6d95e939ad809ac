// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <filesystem>

#include "changer/navigator_form.h"
#include "common/change_log.h"
#include "common/list_file.h"
#include "common/texts.h"
#include "platform/fake/fake_platform.h"
#include "tests/picture_files.h"
#include "tests/temp_dir.h"

namespace tivolen {
namespace {

QApplication& application() {
  static int argc = 1;
  static char name[] = "navigator_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// The application directory is dir/app; three small pictures A, B, C in
// dir/pics, listed in that order, stepping mode.
class NavigatorTest : public ::testing::Test {
 protected:
  NavigatorTest() {
    application();
    dir.mkdir("app");
    for (const char* name : {"A", "B", "C"}) {
      paths.push_back(testing::writeBytes(
          dir.mkdir("pics") + "/" + name + ".gif",
          testing::encode(testing::twoColourImage(300 + static_cast<int>(paths.size()), 200),
                          "gif")));
    }
  }

  void writeList(std::optional<std::string> launcher = std::nullopt) {
    ImageList list;
    list.settings = {0, 0, 2};
    for (const std::string& path : paths)
      list.entries.push_back({path, kKindImage, kStyleCentred, 5});
    list.launcherPath = std::move(launcher);
    dir.write("app/List.txt", writeImageList(list));
  }
  void writeLog(int position, const std::string& path) {
    dir.write("app/WallPaper.log", writeChangeLog(Date{2026, 12, 1}, position, path));
  }

  template <typename T>
  T* child(NavigatorForm& form, const char* name) {
    T* found = form.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  // The whole name: the label itself may show it shortened.
  std::string wallName(NavigatorForm& form) {
    return child<QLabel>(form, "LblWallName")->toolTip().toStdString();
  }
  std::string position(NavigatorForm& form) {
    return child<QLabel>(form, "Label1")->text().toStdString();
  }
  void click(NavigatorForm& form, const char* button) {
    QTest::mouseClick(child<QPushButton>(form, button), Qt::LeftButton);
  }

  testing::TempDir dir;
  fake::FakePlatform fake{dir / "app"};
  std::vector<std::string> paths;
};

TEST_F(NavigatorTest, OpensAtTopLeftWithTheLoggedLabelAndChangesNothing) {
  writeList();
  writeLog(2, paths[1]);
  NavigatorForm form(fake.platform());
  form.show();

  EXPECT_EQ(form.objectName(), "Form1");
  EXPECT_EQ(form.windowTitle().toStdString(), text::kChangerCaption);
  EXPECT_EQ(form.pos(), QPoint(0, 0));
  EXPECT_EQ(wallName(form), std::string(kChangeLabelPrefix) + paths[1]);
  EXPECT_TRUE(fake.events.empty());

  // One row, left to right: "<", "↑↓", ">", then the manager button.
  auto* back = child<QPushButton>(form, "BtnBzck");
  auto* random = child<QPushButton>(form, "BtnRnd");
  auto* next = child<QPushButton>(form, "BtnNext");
  auto* manager = child<QPushButton>(form, "Command1");
  EXPECT_EQ(back->text(), "<");
  EXPECT_EQ(random->text(), "↑↓");
  EXPECT_EQ(next->text(), ">");
  EXPECT_LT(back->x(), random->x());
  EXPECT_LT(random->x(), next->x());
  EXPECT_LT(next->x(), manager->x());
  EXPECT_EQ(back->y(), next->y());
  EXPECT_FALSE(manager->icon().isNull());
}

// A long file name is shortened in the middle, never cut at the window's
// edge, and shown whole as the label's tip; a wider window shows more of it.
// Every button says what it does when the pointer rests on it.
TEST_F(NavigatorTest, ALongNameIsShortenedAndEveryButtonHasATip) {
  const std::string folder = dir.mkdir("pics/" + std::string(60, 'f') + "/" + std::string(60, 'g'));
  const std::string deep = testing::writeBytes(folder + "/Z.gif", "x");
  writeList();
  writeLog(2, deep);
  NavigatorForm form(fake.platform());
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  auto* label = child<QLabel>(form, "LblWallName");
  const QString whole = QString::fromStdString(std::string(kChangeLabelPrefix) + deep);
  EXPECT_EQ(label->toolTip(), whole);
  const auto fits = [label] {
    return QFontMetrics(label->font()).horizontalAdvance(label->text()) <=
           label->contentsRect().width();
  };
  EXPECT_TRUE(fits()) << label->text().toStdString();
  EXPECT_TRUE(label->text().contains(QChar(0x2026))) << label->text().toStdString();
  EXPECT_TRUE(label->text().endsWith(QStringLiteral("Z.gif")));
  EXPECT_TRUE(label->text().startsWith(QString::fromUtf8(kChangeLabelPrefix.data())));

  form.resize(3000, form.height());
  EXPECT_EQ(label->width(), 3000);
  EXPECT_EQ(label->text(), whole);
  form.resize(200, form.height());  // never narrower than the buttons
  EXPECT_GE(form.width(), child<QPushButton>(form, "Command1")->geometry().right());
  EXPECT_TRUE(fits());

  const std::pair<const char*, std::string_view> tips[] = {{"BtnBzck", text::kTipBack},
                                                           {"BtnRnd", text::kTipRandom},
                                                           {"BtnNext", text::kTipNext},
                                                           {"Command1", text::kTipManager}};
  for (const auto& [name, tip] : tips) {
    SCOPED_TRACE(name);
    QWidget* button = child<QPushButton>(form, name);
    QTest::mouseMove(button);
    QTest::mouseMove(button, button->rect().center() + QPoint(1, 1));
    const QString expected = QString::fromUtf8(tip.data(), static_cast<qsizetype>(tip.size()));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QToolTip::isVisible() && QToolTip::text() == expected; }, 5000))
        << QToolTip::text().toStdString();
  }
}

TEST_F(NavigatorTest, ForwardThenBackReturnsToThePicture) {
  writeList();
  writeLog(1, paths[0]);
  NavigatorForm form(fake.platform());
  form.show();
  const std::string wallpaper = dir / "app/wallpaper.bmp";

  click(form, "BtnNext");
  EXPECT_EQ(wallName(form), paths[1]);
  EXPECT_EQ(position(form), "2");
  EXPECT_EQ(testing::readBitmapHeader(wallpaper).width, 301);

  click(form, "BtnBzck");
  EXPECT_EQ(wallName(form), paths[0]);
  EXPECT_EQ(position(form), "1");
  EXPECT_EQ(testing::readBitmapHeader(wallpaper).width, 300);

  const fake::EventLog oneChange{fake::layoutEvent(WallpaperLayout::Centred),
                                 fake::wallpaperEvent(wallpaper)};
  fake::EventLog twoChanges = oneChange;
  twoChanges.insert(twoChanges.end(), oneChange.begin(), oneChange.end());
  EXPECT_EQ(fake.events, twoChanges);
  // The log follows every press.
  const auto log = readChangeLog(dir.read("app/WallPaper.log"), ChangeLogPart::All);
  ASSERT_TRUE(log);
  EXPECT_EQ(log->changePosition, 1);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(form.isVisible());
}

TEST_F(NavigatorTest, BackFromTheFirstGoesToTheLast) {
  writeList();
  writeLog(1, paths[0]);
  NavigatorForm form(fake.platform());
  click(form, "BtnBzck");
  EXPECT_EQ(wallName(form), paths[2]);
  EXPECT_EQ(position(form), "3");
}

TEST_F(NavigatorTest, EveryPressStartsTheLauncherAfterTheChange) {
  const std::string launcher = dir.write("tools/launcher", "#!/bin/sh\n");
  writeList(launcher);
  writeLog(1, paths[0]);
  NavigatorForm form(fake.platform());
  click(form, "BtnRnd");
  click(form, "BtnNext");
  const std::string start = fake::startEvent(launcher, WindowState::Minimized);
  ASSERT_EQ(fake.events.size(), 6u);
  EXPECT_EQ(fake.events[2], start);
  EXPECT_EQ(fake.events[5], start);
}

TEST_F(NavigatorTest, ManagerButtonStartsTheManagerAndStaysOpen) {
  writeList();
  NavigatorForm form(fake.platform());
  form.show();
  click(form, "Command1");
  EXPECT_EQ(fake.events, fake::EventLog{fake::startEvent(dir / "app/管理", WindowState::Normal)});
  EXPECT_TRUE(form.isVisible());
}

TEST_F(NavigatorTest, MissingListEndsTheProgram) {
  NavigatorForm form(fake.platform());
  form.show();
  click(form, "BtnNext");
  EXPECT_EQ(fake.messages.shown, std::vector<std::string>{std::string(text::kNoList)});
  EXPECT_TRUE(form.programEnded());
  EXPECT_FALSE(form.isVisible());
}

TEST_F(NavigatorTest, UnreadablePictureIsReportedAndTheWindowStays) {
  testing::writeBytes(paths[1], "not a picture at all");
  writeList();
  writeLog(1, paths[0]);
  NavigatorForm form(fake.platform());
  form.show();
  click(form, "BtnNext");
  EXPECT_EQ(fake.messages.details.size(), 1U);

  // The box says which picture of the list is broken.
  ASSERT_EQ(fake.messages.shown.size(), 1U);
  EXPECT_TRUE(
      fake.messages.shown[0].starts_with(std::string(text::kCannotLoadPicture) + "\r\n" + paths[1]))
      << fake.messages.shown[0];
  EXPECT_FALSE(form.programEnded());
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(position(form), "2");  // logged before rendering
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  click(form, "BtnNext");  // the next picture still works
  EXPECT_EQ(wallName(form), paths[2]);
  EXPECT_EQ(fake.events.back(), fake::wallpaperEvent(dir / "app/wallpaper.bmp"));

  // A picture gone since the list was written is named too.
  for (const std::string& path : paths) std::filesystem::remove(path);
  fake.messages.shown.clear();
  click(form, "BtnNext");
  EXPECT_EQ(fake.messages.shown,
            std::vector<std::string>{std::string(text::kFileNotFound) + "\r\n" + wallName(form)});
}

}  // namespace
}  // namespace tivolen
