// SPDX-License-Identifier: GPL-3.0-or-later
// Registration of dropped files and folders, through the form class.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <tuple>

#include "common/texts.h"
#include "manager/edit_form.h"
#include "manager/manager_texts.h"
#include "tests/manager_test_support.h"

namespace tivolen {
namespace {

using manager::EditForm;
using testing::listBytes;
using testing::ManagerBench;

const std::string kUnsupported(text::kUnsupportedFormat);

TEST(ManagerRegistration, ThreeFilesGiveTwoRowsOneMessageAndTwoSaves) {
  ManagerBench bench;
  EditForm& form = bench.open();
  const std::string a = bench.picture("drop/a.jpg");
  const std::string b = bench.picture("drop/b.txt");
  const std::string c = bench.picture("drop/c.GIF");
  form.RegisterDroppedItems({a, b, c});
  EXPECT_EQ(testing::listTexts(form), (std::vector<std::string>{"a.jpg", "c.GIF"}));
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{kUnsupported}));
  EXPECT_EQ(bench.files.writes, 2);
  EXPECT_EQ(bench.list(), listBytes(0, 0, 2, {"\"" + a + "\",0,3,5", "\"" + c + "\",0,3,5"}));
}

TEST(ManagerRegistration, NamesAreJudgedByTheirLastThreeLetters) {
  struct Case {
    const char* name;
    bool accepted;
  };
  const Case cases[] = {
      {"photo.jpeg", true}, {"xbmp", true},        {"PHOTO.JPG", true}, {"photo.png", true},
      {"photo.tif", false}, {"movie.mpeg", false}, {"jpg", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench bench;
    EditForm& form = bench.open();
    form.RegisterDroppedItems({bench.picture(std::string("drop/") + c.name)});
    EXPECT_EQ(form.rowCount(), c.accepted ? 1 : 0);
    EXPECT_EQ(bench.messages().size(), c.accepted ? 0U : 1U);
  }
}

TEST(ManagerRegistration, NewRowsStartAsAuto1WithRatio5AtTheEnd) {
  ManagerBench bench;
  const std::string old = bench.picture("old.jpg");
  bench.writeList(listBytes(0, 0, 2, {"\"" + old + "\",0,1,2"}));
  EditForm& form = bench.open();
  const std::string added = bench.picture("new.bmp");
  form.RegisterDroppedItems({added, added});  // no duplicate test here
  ASSERT_EQ(form.rowCount(), 3);
  for (int row : {1, 2}) {
    EXPECT_EQ(testing::columns(form).path[static_cast<std::size_t>(row)], added);
    EXPECT_EQ(testing::columns(form).kind[static_cast<std::size_t>(row)], 0);
    EXPECT_EQ(testing::columns(form).style[static_cast<std::size_t>(row)], 3);
    EXPECT_EQ(testing::columns(form).ratio[static_cast<std::size_t>(row)], 5);
  }
  EXPECT_EQ(testing::columns(form).style[0], 1);
}

TEST(ManagerRegistration, FolderOf12ImagesAndTwoEmptySubFoldersIsKind17AtAnyDepth) {
  for (int bar : {10, 8, 0}) {
    SCOPED_TRACE(bar);
    ManagerBench bench;
    for (int i = 0; i < 12; ++i) bench.picture("pics/" + std::to_string(i) + ".jpg");
    bench.picture("pics/readme.txt");
    bench.root.mkdir("pics/empty1");
    bench.root.mkdir("pics/empty2");
    EditForm& form = bench.open();
    form.SetBarSubFolder(bar);
    const std::string folder = bench.root / "pics";
    form.RegisterDroppedItems({folder});
    ASSERT_EQ(form.rowCount(), 1);
    EXPECT_EQ(testing::columns(form).kind[0], 17);
    EXPECT_EQ(testing::listTexts(form)[0], "[フォルダ]pics");
    // The file holds the path with its trailing "/"; the row keeps the
    // dropped path, as saving changes no row.
    EXPECT_EQ(testing::columns(form).path[0], folder);
    EXPECT_NE(bench.list().find("\"" + testing::Native(folder + "/") + "\",17,3,5\r\n"),
              std::string::npos);
  }
}

TEST(ManagerRegistration, AnEmptyFolderIsListedButNeverSaved) {
  ManagerBench bench;
  const std::string a = bench.picture("a.jpg");
  bench.writeList(listBytes(0, 0, 2, {"\"" + a + "\",0,3,5"}));
  EditForm& form = bench.open();
  form.RegisterDroppedItems({bench.root.mkdir("nothing")});
  EXPECT_EQ(testing::listTexts(form), (std::vector<std::string>{"a.jpg", "[フォルダ]nothing"}));
  EXPECT_EQ(testing::columns(form).kind[1], 3);
  EXPECT_EQ(bench.list(), listBytes(0, 0, 2, {"\"" + a + "\",0,3,5"}));
}

TEST(ManagerRegistration, AttributeSetsDecideFolderFileOrSkip) {
  struct Case {
    const char* name;
    const char* item;  // a folder when it ends in "/"
    int attributes;
    int rows;
    int kind;
    int messages;
  };
  const Case cases[] = {
      {"hidden and system only: skipped silently", "sys.jpg", 6, 0, 0, 0},
      {"hidden only: tested like any file", "hid.jpg", 2, 1, 0, 0},
      {"read-only folder is a folder", "ro/", 17, 1, 4, 0},
      {"archive folder is a file and fails the name test", "arch/", 48, 0, 0, 1},
      {"archive folder named like a picture is an image row", "trip.jpg/", 48, 1, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench bench;
    EditForm& form = bench.open();
    std::string item = c.item;
    std::string path;
    if (item.ends_with('/')) {
      item.pop_back();
      path = bench.root.mkdir("drop/" + item);
      bench.picture("drop/" + item + "/inside.jpg");
    } else {
      path = bench.picture("drop/" + item);
    }
    bench.files.attributeOverrides[path] = c.attributes;
    form.RegisterDroppedItems({path});
    EXPECT_EQ(form.rowCount(), c.rows);
    if (c.rows > 0) {
      EXPECT_EQ(testing::columns(form).kind[0], c.kind);
    }
    EXPECT_EQ(static_cast<int>(bench.messages().size()), c.messages);
  }
}

TEST(ManagerRegistration, NamesTheListCannotHoldAreRefusedAndTheRestGoesOn) {
  if (PathRules::native().windows()) GTEST_SKIP() << "Windows names cannot hold a quote";
  ManagerBench bench;
  EditForm& form = bench.open();
  const std::string good = bench.picture("drop/good.jpg");
  const std::string quote = bench.picture("drop/say \"hi\".jpg");
  const std::string newline = bench.picture("drop/two\nlines.jpg");
  const std::string folder = bench.root.mkdir("drop/odd\"folder");
  bench.picture("drop/odd\"folder/x.jpg");
  form.RegisterDroppedItems({quote, good, newline, folder});
  EXPECT_EQ(testing::listTexts(form), (std::vector<std::string>{"good.jpg"}));
  ASSERT_EQ(bench.messages().size(), 3U);
  for (const std::string& message : bench.messages()) {
    EXPECT_TRUE(message.starts_with(manager::text::kNameNotStorable));
  }
  EXPECT_EQ(bench.list(), listBytes(0, 0, 2, {"\"" + good + "\",0,3,5"}));
}

TEST(ManagerRegistration, AFolderTooLargeForItsKindIsRefused) {
  ManagerBench bench;
  EditForm& form = bench.open();
  const std::string small = bench.picture("drop/small.jpg");
  const std::string big = bench.root.mkdir("drop/big");
  std::vector<FolderEntry> entries;
  for (int i = 0; i < 40000; ++i) entries.push_back({"p" + std::to_string(i) + ".jpg", 0});
  bench.files.listingOverrides[big] = entries;
  form.RegisterDroppedItems({small, big});
  EXPECT_EQ(form.rowCount(), 1);
  ASSERT_EQ(bench.messages().size(), 1U);
  EXPECT_TRUE(bench.messages()[0].starts_with(manager::text::kFolderTooLarge));
  EXPECT_EQ(bench.list(), listBytes(0, 0, 2, {"\"" + small + "\",0,3,5"}));
}

TEST(ManagerRegistration, AFullListRefusesTheRestOfTheDropOnce) {
  ManagerBench bench;
  std::string text = listBytes(0, 0, 2, {});
  for (int i = 0; i < manager::kMaxRows - 1; ++i) {
    text += "\"/nowhere/f" + std::to_string(i) + "/\",4,3,5\r\n";
  }
  bench.writeList(text);
  EditForm& form = bench.open();
  ASSERT_EQ(form.rowCount(), manager::kMaxRows - 1);
  const std::string a = bench.picture("a.jpg");
  const std::string b = bench.picture("b.jpg");
  form.RegisterDroppedItems({a, b, b});
  EXPECT_EQ(form.rowCount(), manager::kMaxRows);
  EXPECT_EQ(testing::columns(form).path[manager::kMaxRows - 1], a);
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{std::string(manager::text::kListFull)}));
  EXPECT_EQ(bench.files.writes, 1);
  EXPECT_NE(bench.list().find("\"" + a + "\",0,3,5\r\n"), std::string::npos);
}

TEST(ManagerRegistration, SavesThatFailDuringADropAreToldOnceAndTheRowsStay) {
  ManagerBench bench;
  const std::string old = listBytes(0, 0, 2, {"\"" + bench.picture("old.jpg") + "\",0,3,5"});
  bench.writeList(old);
  EditForm& form = bench.open();
  bench.files.failWrites = Status::failed("List.txt: Read-only file system");
  form.RegisterDroppedItems({bench.picture("a.jpg"), bench.picture("b.jpg")});
  EXPECT_EQ(form.rowCount(), 3);
  EXPECT_EQ(bench.files.writes, 2);
  ASSERT_EQ(bench.messages().size(), 1U);
  EXPECT_TRUE(bench.messages()[0].starts_with(manager::text::kSaveFailed));
  EXPECT_EQ(bench.list(), old);
}

TEST(ManagerRegistration, VanishedItemsAreSkipped) {
  ManagerBench bench;
  EditForm& form = bench.open();
  form.RegisterDroppedItems({bench.root / "gone.jpg"});
  EXPECT_EQ(form.rowCount(), 0);
  EXPECT_TRUE(bench.messages().empty());
  EXPECT_FALSE(bench.listExists());
}

// Pictures or a folder chosen in the file dialog go in exactly as the same
// items dropped do: the same rows in the same order, the same messages and
// saves. A cancelled dialog changes nothing.
TEST(ManagerRegistration, ChosenItemsAreRegisteredAsTheSameDrop) {
  const auto run = [](bool chosen) {
    ManagerBench bench;
    EditForm& form = bench.open();
    const std::string a = bench.picture("drop/a.jpg");
    const std::string b = bench.picture("drop/b.txt");
    const std::string folder = bench.root.mkdir("drop/trip");
    bench.picture("drop/trip/t1.png");
    const std::string c = bench.picture("drop/c.GIF");
    bench.fake().events.clear();
    if (chosen) {
      form.AddChosenItems(ChooseWhat::Pictures);  // cancelled
      EXPECT_EQ(bench.files.writes, 0);
      bench.fake().fileChooser.answers.push_back({a, b, c});
      bench.fake().fileChooser.answers.push_back({folder});
      form.AddChosenItems(ChooseWhat::Pictures);
      EXPECT_NE(std::ranges::find(bench.fake().fileChooser.lastPatterns, "*.jpg"),
                bench.fake().fileChooser.lastPatterns.end());
      form.AddChosenItems(ChooseWhat::Folder);
      std::vector<std::string> asked;
      std::ranges::copy_if(bench.fake().events, std::back_inserter(asked),
                           [](const std::string& event) { return event.starts_with("choose"); });
      const std::string pictures =
          fake::chooseEvent(ChooseWhat::Pictures, manager::text::kChoosePictures);
      EXPECT_EQ(asked, (std::vector<std::string>{
                           pictures, pictures,
                           fake::chooseEvent(ChooseWhat::Folder, manager::text::kChooseFolder)}));
    } else {
      form.RegisterDroppedItems({a, b, c});
      form.RegisterDroppedItems({folder});
    }
    std::string list = bench.list();
    for (std::size_t at = list.find(bench.root.path()); at != std::string::npos;
         at = list.find(bench.root.path())) {
      list.replace(at, bench.root.path().size(), "ROOT");
    }
    return std::tuple{testing::listTexts(form), bench.messages(), bench.files.writes, list};
  };
  const auto dropped = run(false);
  const auto chosen = run(true);
  EXPECT_EQ(std::get<0>(chosen), std::get<0>(dropped));
  EXPECT_EQ(std::get<1>(chosen), std::get<1>(dropped));
  EXPECT_EQ(std::get<2>(chosen), std::get<2>(dropped));
  EXPECT_EQ(std::get<3>(chosen), std::get<3>(dropped));
  EXPECT_EQ(std::get<0>(chosen).size(), 3U);
  EXPECT_EQ(std::get<1>(chosen), (std::vector<std::string>{kUnsupported}));
}

}  // namespace
}  // namespace tivolen
