// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcut buttons and start-up checks, writing real desktop entries that
// desktop-file-validate must accept.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>

#include "manager/edit_form.h"
#include "manager/manager_texts.h"
#include "platform/linux/desktop_entry_shortcuts.h"
#include "platform/linux/posix_file_system.h"
#include "tests/manager_test_support.h"

extern char** environ;

namespace tivolen {
namespace {

using testing::ManagerBench;

const std::string kAsk(manager::text::kAskCreateMenuEntry[1]);

std::string listBytesOf(const std::string& picture) {
  return testing::listBytes(0, 0, 2, {"\"" + picture + "\",0,3,5"});
}

// desktop-file-validate's verdict: empty when the entry passes, else its
// complaints (it prints nothing for a valid file).
std::string validate(const std::string& path) {
  const std::string report = path + ".report";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  std::string program = "desktop-file-validate";
  std::string argument = path;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return "desktop-file-validate could not be started";
  int status = 0;
  waitpid(pid, &status, 0);
  std::ifstream in(report);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::remove(report.c_str());
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "exit status; " + text;
  return text;
}

bool executable(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

class ManagerShortcuts : public ::testing::Test {
 protected:
  ManagerShortcuts() : bench(&entries) {
    folders.folders[SpecialFolder::Desktop] = bench.root / "Desktop";
  }

  [[nodiscard]] std::string autostart() const {
    return bench.root / "config/autostart/壁紙変更.desktop";
  }
  [[nodiscard]] std::string desktop() const { return bench.root / "Desktop/壁紙管理.desktop"; }
  [[nodiscard]] std::string menu() const {
    return bench.root / "share/applications/壁紙変更.desktop";
  }
  [[nodiscard]] std::string app(std::string_view program) const {
    return bench.root / "app/" + std::string(program);
  }
  void removeMenuEntry() { std::remove(menu().c_str()); }

  PosixFileSystem realFiles;
  fake::FakeSpecialFolders folders;
  DesktopEntryShortcuts entries{realFiles, folders};
  ManagerBench bench;
};

TEST_F(ManagerShortcuts, ButtonsWriteValidEntriesToTheRightPrograms) {
  removeMenuEntry();
  bench.answers().push_back(Answer::Cancel);
  manager::EditForm& form = bench.open();
  form.BtnSupWClick();
  form.BtnDskSCClick();
  form.BtnQlScClick();
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{kAsk}));

  struct Case {
    std::string file;
    std::string program;
    bool navigatorAction;  // a right-click in a menu opens the navigator
    // Only file managers want launchers executable; systemd's autostart
    // generator warns about executable entries.
    bool executable;
  };
  const Case cases[] = {{autostart(), app("Tivolen"), false, false},
                        {desktop(), app("管理"), false, true},
                        {menu(), app("Tivolen"), true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_TRUE(bench.root.exists(c.file.substr(bench.root.path().size() + 1)));
    EXPECT_EQ(validate(c.file), "");
    const std::string text = realFiles.readFile(c.file).value_or("");
    EXPECT_NE(text.find("Exec=\"" + c.program + "\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Path=" + bench.root / "app" + "\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("[Desktop Action navigator]\nName=ナビゲーター\nExec=\"" + c.program +
                        "\" --navigator\n") != std::string::npos,
              c.navigatorAction)
        << text;
    EXPECT_EQ(executable(c.file), c.executable);
    // Without it, docks show the running window apart from its entry.
    EXPECT_NE(text.find("\nStartupWMClass=tivolen\n"), std::string::npos) << text;
  }
}

TEST_F(ManagerShortcuts, StartUpPointsAnExistingAutostartEntryAtThisFolder) {
  bench.root.write("config/autostart/壁紙変更.desktop",
                   "[Desktop Entry]\nType=Application\nName=壁紙変更\nExec=\"/old/place/Tivolen\"\n"
                   "Path=/old/place\nX-GNOME-Autostart-enabled=true\n");
  bench.open();
  const std::string text = realFiles.readFile(autostart()).value_or("");
  EXPECT_NE(text.find("Exec=\"" + app("Tivolen") + "\"\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("/old/place"), std::string::npos) << text;
  EXPECT_NE(text.find("X-GNOME-Autostart-enabled=true"), std::string::npos) << text;
  EXPECT_EQ(validate(autostart()), "");
  EXPECT_TRUE(bench.messages().empty());
}

TEST_F(ManagerShortcuts, AnotherInstallsAutostartEntryIsTakenOverOnlyAfterYes) {
  const std::string other = bench.root.write("portable/Tivolen", "x");
  const std::string ask = std::string(manager::text::kAskTakeOverStartup) + other;
  struct Case {
    const char* name;
    bool button;  // 登録 rather than the start-up check
    Answer answer;
    std::string startedAfter;
  };
  const Case cases[] = {
      {"start-up, No", false, Answer::No, other},
      {"start-up, Yes", false, Answer::Yes, app("Tivolen")},
      {"登録, No", true, Answer::No, other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(entries.write(autostart(), other, bench.root / "portable").isOk());
    bench.answers().clear();
    bench.fake().messages.shown.clear();
    if (c.button) {
      bench.answers().push_back(Answer::No);  // at the start-up check
      manager::EditForm& form = bench.open();
      bench.answers().push_back(c.answer);
      form.BtnSupWClick();
      EXPECT_EQ(bench.messages(), (std::vector<std::string>{ask, ask}));
    } else {
      bench.answers().push_back(c.answer);
      bench.open();
      EXPECT_EQ(bench.messages(), (std::vector<std::string>{ask}));
    }
    EXPECT_EQ(entries.target(autostart()), c.startedAfter);
  }
}

TEST_F(ManagerShortcuts, APackagedFirstStartOffersTheListOfTheInstallStartedAtLogOn) {
  const std::string portableList = listBytesOf(bench.picture("pics/sea.jpg"));
  struct Case {
    const char* name;
    bool listAlreadyThere;
    Answer answer;  // to the offer of the list
    int rows;
  };
  const Case cases[] = {
      {"copied", false, Answer::Yes, 1},
      {"declined", false, Answer::No, 0},
      {"not the first start", true, Answer::No, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench packaged(&entries);
    packaged.platform().dataDirectory = packaged.root.mkdir("data");
    const std::string other = packaged.root.write("portable/Tivolen", "x");
    const std::string theirs = packaged.root.write("portable/List.txt", portableList);
    ASSERT_TRUE(entries
                    .write(packaged.root / "config/autostart/壁紙変更.desktop", other,
                           packaged.root / "portable")
                    .isOk());
    if (c.listAlreadyThere) packaged.root.write("data/List.txt", "");
    std::vector<std::string> asked;
    if (!c.listAlreadyThere) {
      asked.push_back(std::string(manager::text::kAskCopyOtherList) + theirs);
      packaged.answers().push_back(c.answer);
    }
    // Then the entry is left to the other install.
    asked.push_back(std::string(manager::text::kAskTakeOverStartup) + other);
    packaged.answers().push_back(Answer::No);
    manager::EditForm& form = packaged.open();
    EXPECT_EQ(packaged.messages(), asked);
    EXPECT_EQ(form.rowCount(), c.rows);
    EXPECT_EQ(packaged.root.exists("data/List.txt"), c.listAlreadyThere || c.answer == Answer::Yes);
    if (c.answer == Answer::Yes) {
      EXPECT_EQ(packaged.root.read("data/List.txt"), portableList);
    }
    EXPECT_EQ(packaged.root.read("portable/List.txt"), portableList);
  }
}

TEST_F(ManagerShortcuts, StartUpCreatesNoAutostartEntryOfItsOwn) {
  bench.open();
  EXPECT_FALSE(bench.root.exists("config/autostart/壁紙変更.desktop"));
  EXPECT_TRUE(bench.messages().empty());
}

TEST_F(ManagerShortcuts, CancelAtTheQuestionLeavesEverythingAsItWasAndItAsksAgain) {
  removeMenuEntry();
  bench.answers().push_back(Answer::Cancel);
  bench.open();
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{kAsk}));
  for (const char* folder : {"share/applications", "config/autostart", "Desktop", "app"}) {
    EXPECT_EQ(realFiles.listFolder(bench.root / folder)->size(), 0U) << folder;
  }
  bench.answers().push_back(Answer::Cancel);
  bench.open();
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{kAsk, kAsk}));
}

TEST_F(ManagerShortcuts, OkAtTheQuestionCreatesTheMenuEntryEvenInAFreshAccount) {
  std::filesystem::remove_all(bench.root / "share/applications");
  bench.answers().push_back(Answer::Ok);
  bench.open();
  EXPECT_EQ(bench.messages(), (std::vector<std::string>{kAsk}));
  EXPECT_EQ(validate(menu()), "");
  bench.open();  // now present: no question
  EXPECT_EQ(bench.messages().size(), 1U);
}

TEST_F(ManagerShortcuts, QuickLaunchButtonTellsWhenThereIsNothingToDo) {
  manager::EditForm& form = bench.open();
  form.BtnQlScClick();
  EXPECT_EQ(bench.messages(),
            (std::vector<std::string>{std::string(manager::text::kAlreadyThere)}));

  bench.fake().specialFolders.folders.erase(SpecialFolder::Applications);
  bench.answers().push_back(Answer::Ok);
  bench.open();
  EXPECT_EQ(bench.messages(),
            (std::vector<std::string>{std::string(manager::text::kAlreadyThere), kAsk,
                                      std::string(manager::text::kMenuFolderNotFound[1])}));
}

TEST_F(ManagerShortcuts, RemovingTheStartupEntryAsksFirst) {
  struct Case {
    const char* name;
    bool present;
    std::optional<Answer> answer;
    std::string message;
    bool remains;
  };
  const Case cases[] = {
      {"absent", false, std::nullopt, std::string(manager::text::kNoShortcut), false},
      {"declined", true, Answer::No, std::string(manager::text::kAskRemoveStartup), true},
      {"confirmed", true, Answer::Yes, std::string(manager::text::kAskRemoveStartup), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench local(&entries);
    manager::EditForm& form = local.open();
    if (c.present) form.BtnSupWClick();
    if (c.answer) local.answers().push_back(*c.answer);
    form.BtnSupDClick();
    EXPECT_EQ(local.messages(), (std::vector<std::string>{c.message}));
    EXPECT_EQ(local.root.exists("config/autostart/壁紙変更.desktop"), c.remains);
  }
}

TEST_F(ManagerShortcuts, WritingTwiceIsSilentAndGivesTheSameEntry) {
  manager::EditForm& form = bench.open();
  form.BtnSupWClick();
  const std::string first = realFiles.readFile(autostart()).value_or("");
  form.BtnSupWClick();
  EXPECT_EQ(realFiles.readFile(autostart()).value_or(""), first);
  EXPECT_TRUE(bench.messages().empty());
}

TEST(ManagerShortcutFailures, AnEntryThatCannotBeWrittenIsReported) {
  ManagerBench bench;
  manager::EditForm& form = bench.open();
  bench.fake().shortcuts.fail = true;
  form.BtnSupWClick();
  form.BtnDskSCClick();
  ASSERT_EQ(bench.messages().size(), 2U);
  for (const std::string& message : bench.messages()) {
    EXPECT_TRUE(message.starts_with(manager::text::kShortcutFailed));
  }
}

// Each button names why its shortcut is missing, and none writes one where
// the folder it belongs in was not found.
TEST(ManagerShortcutFailures, EachButtonSaysWhyItsShortcutIsMissing) {
  const std::string failed = std::string(manager::text::kShortcutFailed);
  struct Case {
    const char* name;
    std::optional<SpecialFolder> missing;  // a folder the system cannot name
    bool writeFails;
    void (manager::EditForm::*click)();
    std::string message;
  };
  const Case cases[] = {
      {"menu entry not writable", std::nullopt, true, &manager::EditForm::BtnQlScClick,
       failed + "scripted failure"},
      {"no menu folder", SpecialFolder::Applications, false, &manager::EditForm::BtnQlScClick,
       std::string(manager::text::kMenuFolderNotFound[1])},
      {"no desktop folder", SpecialFolder::Desktop, false, &manager::EditForm::BtnDskSCClick,
       failed + "no desktop folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManagerBench bench;
    manager::EditForm& form = bench.open();
    // The menu entry the bench starts with is gone, so the button has work.
    std::filesystem::remove(bench.root /
                            ("share/applications/" + bench.fake().shortcuts.fileName("壁紙変更")));
    if (c.missing) bench.fake().specialFolders.folders.erase(*c.missing);
    bench.fake().shortcuts.fail = c.writeFails;
    bench.fake().events.clear();
    (form.*c.click)();
    EXPECT_EQ(bench.messages(), (std::vector<std::string>{c.message}));
    EXPECT_EQ(bench.fake().events, fake::EventLog{fake::messageEvent(c.message)})
        << "nothing written";
  }
}

}  // namespace
}  // namespace tivolen
