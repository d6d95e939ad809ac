// SPDX-License-Identifier: GPL-3.0-or-later
// The manager's 壁紙に on a fake screen of 1024x768: the changer's fit rule and
// desktop hand-over, no change log, no save.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>

#include "common/folder_walk.h"
#include "common/texts.h"
#include "manager/edit_form.h"
#include "manager/preview.h"
#include "platform/fake/fake_platform.h"
#include "tests/manager_test_support.h"
#include "tests/picture_files.h"

namespace tivolen {
namespace {

using testing::listBytes;
using testing::ManagerBench;

struct WallpaperCase {
  const char* name;
  const char* file;
  int width;
  int height;
  int style;
  WallpaperLayout layout;
  bool fileItself;  // the desktop gets the picture file, not wallpaper.bmp
  int bitmapWidth;  // of wallpaper.bmp when written
  int bitmapHeight;
};

TEST(ManagerSetWallpaper, StylesAndFitsAsTheChangerGivesThem) {
  using enum WallpaperLayout;
  const WallpaperCase cases[] = {
      {"upper-case BMP, tiled", "tile.BMP", 64, 48, 1, Tiled, true, 0, 0},
      {"JPEG stretched", "photo.jpg", 640, 480, 2, Stretched, false, 640, 480},
      {"255x600 is small", "narrow.jpg", 255, 600, 4, Tiled, false, 255, 600},
      {"256x192 fits to the screen", "small.jpg", 256, 192, 3, Centred, false, 1024, 768},
      {"2048x768 fitted inside", "wide.jpg", 2048, 768, 3, Centred, false, 1024, 384},
      // Covering scales to 2048 x 768; what the screen cannot show is cut.
      {"2048x768 covering", "wide.jpg", 2048, 768, 4, Centred, false, 1024, 768},
      {"1020x765 is the screen", "near.jpg", 1020, 765, 3, Centred, false, 1020, 765},
  };
  for (const WallpaperCase& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench bench;
    const bool bitmap = PictureTypeOf(c.file) == "bmp";
    const std::string picture = testing::writeBytes(
        bench.root / c.file,
        testing::encode(testing::twoColourImage(c.width, c.height), bitmap ? "bmp" : "jpg"));
    const std::string earlier = bench.root.write("app/wallpaper.bmp", "earlier");
    bench.writeList(
        listBytes(0, 0, 2, {"\"" + picture + "\",0," + std::to_string(c.style) + ",5"}));
    const std::string list = bench.list();
    manager::EditForm& form = bench.open();
    form.SetSelection({0}, 0);
    bench.fake().events.clear();
    form.List1KeyDown(manager::kKeyEnter);

    EXPECT_EQ(bench.fake().events,
              (fake::EventLog{fake::layoutEvent(c.layout),
                              fake::wallpaperEvent(c.fileItself ? picture : earlier)}));
    const Picture& handed = bench.fake().desktop.rendered;
    if (c.fileItself) {
      EXPECT_EQ(bench.root.read("app/wallpaper.bmp"), "earlier");
      EXPECT_TRUE(handed.empty()) << "nothing rendered, so the desktop reads the file";
    } else {
      const auto header = testing::readBitmapHeader(earlier);
      EXPECT_EQ(header.width, c.bitmapWidth);
      EXPECT_EQ(std::abs(header.height), c.bitmapHeight);
      // The desktop is handed the very pixels of wallpaper.bmp.
      const LoadedPicture written = fake::NativePictures(bench.fake().files)->load(earlier);
      ASSERT_TRUE(written.status.isOk());
      ASSERT_EQ(handed.size(), written.pixels.size());
      for (const auto& [x, y] : {std::pair{0, 0}, std::pair{c.bitmapWidth - 1, c.bitmapHeight / 2},
                                 std::pair{c.bitmapWidth / 2, c.bitmapHeight - 1}}) {
        EXPECT_EQ(handed.at(x, y), written.pixels.at(x, y)) << x << "," << y;
      }
    }
    EXPECT_FALSE(bench.root.exists("app/WallPaper.log"));
    EXPECT_EQ(bench.list(), list);
    EXPECT_TRUE(bench.messages().empty());
  }
}

// The preview decodes on a thread of its own while Enter renders and sets
// on the window's, both through the one picture service; the preview may
// well be decoding wallpaper.bmp itself (the application folder registered).
// Built with -fsanitize=thread this shows any state the two share.
TEST(ManagerSetWallpaper, APreviewDecodingMeanwhileSharesNothingWithTheWallpaper) {
  ManagerBench bench;
  const std::string photo = testing::writeBytes(
      bench.root / "photo.png", testing::encode(testing::twoColourImage(640, 480), "png"));
  const std::string other = testing::writeBytes(
      bench.root / "other.png", testing::encode(testing::twoColourImage(300, 200), "png"));
  bench.writeList(listBytes(0, 0, 2, {"\"" + photo + "\",0,3,5"}));
  manager::EditForm& form = bench.open();
  form.SetSelection({0}, 0);
  const std::string wallpaper = bench.root / "app/wallpaper.bmp";
  Pictures& pictures = *bench.fake().pictures;

  std::atomic<bool> done = false;
  std::atomic<int> previews = 0;
  std::thread previewThread([&] {
    while (!done) {
      for (const std::string& path : {other, wallpaper}) {
        if (manager::LoadPreview(pictures, path, {120, 90}).status.isOk()) ++previews;
      }
    }
  });
  int sets = 0;
  // Until the preview has shown several pictures, and at least twenty times.
  for (int round = 0; round < 2000 && (round < 20 || previews < 20); ++round) {
    bench.fake().events.clear();
    form.List1KeyDown(manager::kKeyEnter);
    if (bench.fake().events == fake::EventLog{fake::layoutEvent(WallpaperLayout::Centred),
                                              fake::wallpaperEvent(wallpaper)}) {
      ++sets;
    } else {
      ADD_FAILURE() << "round " << round << ": " << ::testing::PrintToString(bench.fake().events);
      break;
    }
  }
  done = true;
  previewThread.join();
  EXPECT_GE(sets, 20);
  EXPECT_GE(previews, 1);
  EXPECT_TRUE(bench.messages().empty());
}

TEST(ManagerSetWallpaper, FolderRowsAndNoSelectionDoNothing) {
  ManagerBench bench;
  bench.picture("trip/a.jpg");
  bench.writeList(listBytes(0, 0, 2, {"\"" + bench.root / "trip/" + "\",4,3,5"}));
  manager::EditForm& form = bench.open();
  bench.fake().events.clear();
  form.SetWallpaperFromSelection();
  form.SetSelection({0}, 0);
  form.SetWallpaperFromSelection();
  form.List1DblClick();  // a folder row folds out instead
  EXPECT_TRUE(bench.fake().events.empty());
  EXPECT_EQ(form.BtnUnstrech().caption, "たたむ");
}

// --- Slideshow ----------------------------------------------------------------

class ManagerSlideshow : public ::testing::Test {
 protected:
  std::string jpeg(const std::string& relative) {
    return bench.root.write(relative, testing::encode(testing::twoColourImage(64, 48), "jpg"));
  }
  // How often the desktop was handed a wallpaper since the last call.
  int wallpapersSet() {
    int count = 0;
    for (const std::string& event : bench.fake().events) {
      count += event.starts_with(fake::wallpaperEvent("")) ? 1 : 0;
    }
    bench.fake().events.clear();
    return count;
  }
  ManagerBench bench;
};

TEST_F(ManagerSlideshow, TheBarSetsOneToSixtyFiveSecondsAtTheNextStart) {
  manager::EditForm& form = bench.open();
  EXPECT_EQ(form.TxtShowdt().text, "5");
  const std::pair<int, const char*> cases[] = {{61, "5"}, {1, "65"}, {65, "1"}, {30, "36"}};
  for (const auto& [value, seconds] : cases) {
    form.SetBardt(value);
    EXPECT_EQ(form.TxtShowdt().text, seconds);
    form.BtnShowStartClick();
    EXPECT_EQ(form.Timer1().interval, std::stoi(seconds) * 1000);
    form.BtnShowStartClick();
  }
}

TEST_F(ManagerSlideshow, WalksDownPassingFolderRowsAndEndsAtTheLastRow) {
  const std::string a = jpeg("a.jpg");
  jpeg("trip/t1.jpg");
  jpeg("trip/t2.jpg");
  bench.writeList(
      listBytes(0, 0, 2, {"\"" + bench.root / "trip/" + "\",5,3,5", "\"" + a + "\",0,3,5"}));
  manager::EditForm& form = bench.open();
  form.SetSelection({0}, 0);  // the folder row: nothing to apply at the start
  bench.fake().events.clear();
  form.BtnShowStartClick();
  EXPECT_EQ(form.BtnUnstrech().caption, "たたむ");  // its pictures became rows
  EXPECT_EQ(form.BtnShowStart().caption, "Stop");
  EXPECT_TRUE(form.minimized());
  EXPECT_TRUE(form.Timer1().enabled);
  EXPECT_EQ(wallpapersSet(), 0);
  // The first tick passes over the folder row within itself.
  for (const int row : {1, 2, 3}) {
    form.Timer1Timer();
    EXPECT_EQ(form.List1().listIndex, row);
    EXPECT_EQ(wallpapersSet(), 1);
  }
  form.Timer1Timer();
  EXPECT_FALSE(form.Timer1().enabled);
  EXPECT_FALSE(form.minimized());
  EXPECT_EQ(form.BtnShowStart().caption, "Start");
  EXPECT_EQ(form.Lbl().caption, "壁紙スライドショーを修了しました.");
  EXPECT_EQ(wallpapersSet(), 0);
}

TEST_F(ManagerSlideshow, StopLeavesTheWindowRestored) {
  const std::string a = jpeg("a.jpg");
  bench.writeList(listBytes(0, 0, 2, {"\"" + a + "\",0,3,5"}));
  manager::EditForm& form = bench.open();
  form.BtnShowStartClick();
  EXPECT_TRUE(form.minimized());
  form.BtnShowStartClick();
  EXPECT_FALSE(form.Timer1().enabled);
  EXPECT_FALSE(form.minimized());
  EXPECT_EQ(form.Lbl().caption, "壁紙スライドショーを中断しました.");
}

TEST_F(ManagerSlideshow, StartsAtOnceFromTheSelectionOrAtTheFirstTickWithout) {
  const std::string a = jpeg("a.jpg");
  const std::string b = jpeg("b.jpg");
  bench.writeList(listBytes(0, 0, 2, {"\"" + a + "\",0,3,5", "\"" + b + "\",0,3,5"}));
  manager::EditForm& form = bench.open();
  form.BtnShowStartClick();  // nothing selected: nothing yet
  EXPECT_EQ(wallpapersSet(), 0);
  form.Timer1Timer();
  EXPECT_EQ(form.List1().listIndex, 0);
  EXPECT_EQ(wallpapersSet(), 1);

  form.BtnShowStartClick();  // Stop
  EXPECT_EQ(form.Lbl().caption, "壁紙スライドショーを中断しました.");
  form.SetSelection({1}, 1);
  form.BtnShowStartClick();  // the last row: applied at once, ended by the tick
  EXPECT_EQ(wallpapersSet(), 1);
  form.Timer1Timer();
  EXPECT_EQ(form.Lbl().caption, "壁紙スライドショーを修了しました.");
  EXPECT_EQ(wallpapersSet(), 0);
}

TEST_F(ManagerSlideshow, StopExpandsACollapsedViewAndClosingEndsTheShow) {
  jpeg("trip/t1.jpg");
  const std::string a = jpeg("a.jpg");
  bench.writeList(
      listBytes(0, 0, 2, {"\"" + bench.root / "trip/" + "\",4,3,5", "\"" + a + "\",0,3,5"}));
  const std::string written = bench.list();
  manager::EditForm& form = bench.open();
  form.BtnShowStartClick();
  form.ToggleFolderView();  // the user folds the list meanwhile
  EXPECT_EQ(form.rowCount(), 2);
  form.BtnShowStartClick();
  EXPECT_EQ(form.BtnUnstrech().caption, "たたむ");
  EXPECT_EQ(form.rowCount(), 3);
  form.BtnShowStartClick();
  form.QueryUnload();
  EXPECT_FALSE(form.Timer1().enabled);
  EXPECT_EQ(bench.list(), written);
}

// A desktop that cannot be reached takes no picture of the show: one message,
// and the show is told as interrupted, never as finished.
TEST_F(ManagerSlideshow, ADesktopThatTakesNothingStopsTheShowWithOneMessage) {
  const std::string a = jpeg("a.jpg");
  const std::string b = jpeg("b.jpg");
  const std::string c = jpeg("c.jpg");
  bench.writeList(
      listBytes(0, 0, 2, {"\"" + a + "\",0,3,5", "\"" + b + "\",0,3,5", "\"" + c + "\",0,3,5"}));
  manager::EditForm& form = bench.open();
  bench.fake().desktop.failWith = Status::unavailable("no display");
  form.SetSelection({0}, 0);
  form.BtnShowStartClick();
  for (int tick = 0; tick < 3 && form.Timer1().enabled; ++tick) form.Timer1Timer();

  EXPECT_EQ(bench.messages(),
            std::vector<std::string>{std::string(tivolen::text::kDesktopUnreachable)});
  EXPECT_FALSE(form.Timer1().enabled);
  EXPECT_FALSE(form.minimized());
  EXPECT_EQ(form.BtnShowStart().caption, "Start");
  EXPECT_EQ(form.Lbl().caption, "壁紙スライドショーを中断しました.");
}

// A picture that cannot be decoded must not halt the show on a box while
// nobody watches: it is named in Lbl, passed over at once, and counted at
// the end below the end message.
TEST_F(ManagerSlideshow, APictureThatCannotBeShownIsNamedAndPassedOver) {
  const std::string a = jpeg("a.jpg");
  const std::string broken = bench.root.write("broken.jpg", "not a picture at all");
  const std::string c = jpeg("c.jpg");
  bench.writeList(listBytes(
      0, 0, 2, {"\"" + a + "\",0,3,5", "\"" + broken + "\",0,3,5", "\"" + c + "\",0,3,5"}));
  manager::EditForm& form = bench.open();
  form.ToggleFolderView();  // as Start would: the selection then holds
  form.SetSelection({0}, 0);
  form.BtnShowStartClick();
  EXPECT_EQ(wallpapersSet(), 1);
  form.Timer1Timer();
  EXPECT_TRUE(bench.messages().empty()) << bench.messages().front();
  EXPECT_TRUE(form.Timer1().enabled);
  EXPECT_EQ(form.List1().listIndex, 2);  // the next picture, in the same tick
  EXPECT_EQ(wallpapersSet(), 1);
  const std::string named =
      "飛ばしました：" + std::string(tivolen::text::kCannotLoadPicture) + "\r\n" + broken;
  EXPECT_TRUE(form.Lbl().caption.starts_with(named)) << form.Lbl().caption;

  form.Timer1Timer();
  EXPECT_FALSE(form.Timer1().enabled);
  EXPECT_EQ(
      form.Lbl().caption,
      "壁紙スライドショーを修了しました.\r\n表示できない画像を飛ばしました（1 枚）：" + broken);
  EXPECT_TRUE(bench.messages().empty());
  // The button still tells the user in a box.
  form.SetSelection({1}, 1);
  form.SetWallpaperFromSelection();
  ASSERT_EQ(bench.messages().size(), 1U);
  EXPECT_TRUE(bench.messages()[0].starts_with(named.substr(std::string("飛ばしました：").size())));
}

// The end message stays when the window comes back under a resting pointer:
// the window system reports the control beneath it, which is no request for
// its tip. Pointing at another control shows that control's tip.
TEST_F(ManagerSlideshow, TheEndMessageStaysUntilThePointerMovesElsewhere) {
  const std::string a = jpeg("a.jpg");
  bench.writeList(listBytes(0, 0, 2, {"\"" + a + "\",0,3,5"}));
  manager::EditForm& form = bench.open();
  form.MnuOpeClick();
  form.ToggleFolderView();
  form.SetSelection({0}, 0);
  form.ControlMouseMove("FrameShow");
  form.BtnShowStartClick();
  form.Timer1Timer();
  ASSERT_EQ(form.Lbl().caption, "壁紙スライドショーを修了しました.");
  form.ControlMouseMove("FrameShow");  // restored under the pointer
  form.ControlMouseMove("FrameShow");
  EXPECT_EQ(form.Lbl().caption, "壁紙スライドショーを修了しました.");
  form.ControlMouseMove("BtnChkW");
  EXPECT_EQ(form.Lbl().caption, "画像リスト重複をチェックします。");
  form.ControlMouseMove("FrameShow");
  EXPECT_EQ(form.Lbl().caption, "壁紙を順次変えていきます.");
}

TEST_F(ManagerSlideshow, AnEmptyListEndsAtTheFirstTick) {
  manager::EditForm& form = bench.open();
  form.BtnShowStartClick();
  form.Timer1Timer();
  EXPECT_FALSE(form.Timer1().enabled);
  EXPECT_EQ(form.Lbl().caption, "壁紙スライドショーを修了しました.");
}

}  // namespace
}  // namespace tivolen
