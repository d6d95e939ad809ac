// SPDX-License-Identifier: GPL-3.0-or-later
// One manager per list: a second start on the same data folder brings the
// first one forward instead of opening a window whose save would undo the
// first one's edits.
#include <gtest/gtest.h>

#include <memory>

#include "manager/manager_texts.h"
#include "manager/single_manager.h"
#include "platform/fake/fake_instance_lock.h"
#include "platform/fake/fake_platform.h"

namespace tivolen {
namespace {

using manager::ClaimList;
using manager::StartChoice;

struct Start {
  explicit Start(fake::FakeInstanceSystem& system) : lock(system), messages(log) {}
  StartChoice run(const std::string& folder) {
    const StartChoice choice = ClaimList(lock, messages, folder);
    if (choice == StartChoice::Open) lock.serve([this] { ++broughtForward; }, 0);
    return choice;
  }
  fake::FakeInstanceLock lock;
  fake::EventLog log;
  fake::ScriptedMessages messages;
  int broughtForward = 0;
};

TEST(ManagerStart, ASecondStartOnTheSameListBringsTheFirstForwardAndLeaves) {
  fake::FakeInstanceSystem system;
  Start first(system);
  Start second(system);
  Start otherList(system);
  EXPECT_EQ(first.run("/home/u/app"), StartChoice::Open);
  EXPECT_EQ(second.run("/home/u/app"), StartChoice::Leave);
  EXPECT_EQ(first.broughtForward, 1);
  EXPECT_TRUE(second.messages.shown.empty());
  // Another install keeps another list: both open.
  EXPECT_EQ(otherList.run("/opt/other"), StartChoice::Open);
}

TEST(ManagerStart, AHolderThatDoesNotAnswerIsToldOfAndNeverShared) {
  fake::FakeInstanceSystem system;
  Start first(system);
  ASSERT_EQ(first.run("/app"), StartChoice::Open);
  first.lock.answers = false;
  Start second(system);
  EXPECT_EQ(second.run("/app"), StartChoice::Leave);
  EXPECT_EQ(second.messages.shown,
            (std::vector<std::string>{std::string(manager::text::kManagerAlreadyOpen)}));
}

TEST(ManagerStart, AManagerThatEndedOrCrashedBlocksNoLaterStart) {
  fake::FakeInstanceSystem system;
  auto crashed = std::make_unique<Start>(system);
  ASSERT_EQ(crashed->run("/app"), StartChoice::Open);
  crashed.reset();  // the system lets go of whatever the process held
  Start next(system);
  EXPECT_EQ(next.run("/app"), StartChoice::Open);
  EXPECT_TRUE(next.messages.shown.empty());
}

TEST(ManagerStart, WhenTheSystemCannotTellTheManagerStillOpens) {
  fake::FakeInstanceSystem system;
  system.unavailable = true;
  Start only(system);
  EXPECT_EQ(only.run("/app"), StartChoice::Open);
  EXPECT_TRUE(only.messages.shown.empty());
  EXPECT_EQ(only.messages.details.size(), 1U);
}

}  // namespace
}  // namespace tivolen
