// Command ids, access data and timers.
#include <gtest/gtest.h>

#include <memory>
#include <unordered_set>

#include "command_test_support.h"
#include "hostlib/commands/command_access.h"
#include "hostlib/commands/command_id.h"
#include "hostlib/core/timer_service.h"

namespace {

using vex3d::fourcc;
using vex3d::test::makeId;
using vex3d::test::RecordingCommand;

TEST(CommandId, WordsAreGroupTwiceKindCategoryCodeVersion) {
  const CCommandID id = makeId("SIMP", "ANIM", "PLAY");
  const std::array<std::uint32_t, 6> expected = {0x3344434F,     0x3344434F,     fourcc("SIMP"),
                                                 fourcc("ANIM"), fourcc("PLAY"), 1};
  EXPECT_EQ(id.GetWords(), expected);
  EXPECT_TRUE(id.IsSimple());
  EXPECT_FALSE(id.IsInteractive());
  EXPECT_TRUE(makeId("INTE", "MOVE", "ROTA").IsInteractive());
  EXPECT_TRUE(makeId("DIAL", "FILE", "SAVB").IsDialog());
  EXPECT_TRUE(CCommandID().IsNull());
  EXPECT_EQ(id.ToString(), "3DCO/3DCO/SIMP/ANIM/PLAY/1");
}

TEST(CommandId, ComparesWordByWordAndHashesByValue) {
  const CCommandID a = makeId("SIMP", "ANIM", "PLAY");
  const CCommandID b = makeId("SIMP", "ANIM", "PRFR");
  const CCommandID v2 = makeId("SIMP", "ANIM", "PLAY", 2);
  EXPECT_EQ(a, makeId("SIMP", "ANIM", "PLAY"));
  EXPECT_NE(a, v2);
  // The category decides before the code, the code before the version.
  EXPECT_LT(makeId("SIMP", "ANIM", "ZZZZ"), makeId("SIMP", "LIGH", "AAAA"));
  EXPECT_LT(a, b);
  EXPECT_LT(a, v2);
  // An owner differing from the group makes another id.
  const CCommandID owned(
      {a.GetGroup(), fourcc("XXXX"), a.GetKind(), a.GetCategory(), a.GetCode(), 1});
  EXPECT_NE(a, owned);

  std::unordered_set<CCommandID> set = {a, b, v2, owned};
  EXPECT_EQ(set.size(), 4u);
  EXPECT_EQ(set.count(makeId("SIMP", "ANIM", "PLAY")), 1u);
}

TEST(CommandId, BytesRoundTripLittleEndian) {
  const CCommandID id = makeId("DIAL", "FILE", "SAVB", 3);
  const auto bytes = id.ToBytes();
  // '3DCO' = 0x3344434F stored low byte first.
  EXPECT_EQ(bytes[0], 0x4F);
  EXPECT_EQ(bytes[3], 0x33);
  EXPECT_EQ(bytes[20], 3);
  CCommandID back;
  ASSERT_TRUE(back.FromBytes(bytes.data(), bytes.size()));
  EXPECT_EQ(back, id);
  EXPECT_FALSE(back.FromBytes(bytes.data(), bytes.size() - 1));
  EXPECT_FALSE(back.FromBytes(nullptr, 24));
  EXPECT_EQ(back, id);
}

TEST(CommandAccess, ShortcutMatchesExactModifiers) {
  using namespace vex3d;
  CCommandAccess access;
  EXPECT_FALSE(access.MatchesShortcut(0, 0));
  access.SetAccess('L', kAccessMenu | kModCtrl | kModShift);
  EXPECT_TRUE(access.MatchesShortcut('L', kModCtrl | kModShift));
  EXPECT_FALSE(access.MatchesShortcut('L', kModCtrl));
  EXPECT_FALSE(access.MatchesShortcut('L', kModCtrl | kModShift | kModAlt));
  EXPECT_FALSE(access.MatchesShortcut('M', kModCtrl | kModShift));
  EXPECT_EQ(access.GetShortcutText(), "Ctrl+Shift+L");
  EXPECT_TRUE(access.IsInMenu());
  EXPECT_FALSE(access.IsOnToolbar());

  // A toolbar-only command: placed, but no key.
  access.SetAccess(0, kAccessMenu | kAccessToolbar | kAccessToolbarMenu);
  EXPECT_FALSE(access.HasShortcut());
  EXPECT_FALSE(access.MatchesShortcut(0, 0));
  EXPECT_TRUE(access.HasToolbarMenu());
  EXPECT_EQ(access.GetShortcutText(), "");
}

TEST(CommandAccess, ShortcutTextsAndPositions) {
  using namespace vex3d;
  EXPECT_EQ(shortcutText(kKeyNumpad0 + 5, kModCtrl), "Ctrl+Num 5");
  EXPECT_EQ(shortcutText(kKeyNumpadSubtract, kModShift), "Shift+Num -");
  EXPECT_EQ(shortcutText(kKeyF1 + 3, kModAlt), "Alt+F4");
  EXPECT_EQ(shortcutText(kKeySpace, kModCtrl), "Ctrl+Space");
  EXPECT_EQ(shortcutText(kKeyTab, 0), "Tab");
  EXPECT_EQ(shortcutText('S', kModCtrl | kModAlt), "Ctrl+Alt+S");

  CCommandAccess access;
  access.SetMenuPosition(8, packPosition(3, 1));
  access.SetToolbarPosition(2, packPosition(0, 4));
  access.SetBitmap(9001, 9002);
  EXPECT_EQ(access.GetMenuPosition(), 0x00030001u);
  EXPECT_EQ(positionIndex(access.GetMenuPosition()), 3);
  EXPECT_EQ(positionGroup(access.GetToolbarPosition()), 4);
  EXPECT_EQ(access.GetHighlightedBitmap(), 9002u);
}

TEST(ManualTimers, PeriodicTimersFireInTimeOrder) {
  vex3d::ManualTimerService timers;
  std::string log;
  const auto fast = timers.start(40, [&] { log += "f"; });
  const auto slow = timers.start(100, [&] { log += "s"; });
  EXPECT_EQ(timers.advance(39), 0u);
  EXPECT_EQ(timers.advance(1), 1u);  // 40
  // 80 fast, 100 slow, 120 fast.
  EXPECT_EQ(timers.advance(80), 3u);
  EXPECT_EQ(log, "ffsf");
  EXPECT_EQ(timers.now(), 120u);

  timers.stop(fast);
  EXPECT_FALSE(timers.isRunning(fast));
  EXPECT_TRUE(timers.fire(slow));
  EXPECT_FALSE(timers.fire(fast));
  EXPECT_EQ(log, "ffsfs");
  // Firing by hand does not move the schedule: slow is still due at 200.
  EXPECT_EQ(timers.advance(80), 1u);
  timers.stop(fast);  // stopping twice is harmless
}

TEST(ManualTimers, CallbackMayStopItselfAndStartOthers) {
  vex3d::ManualTimerService timers;
  int first = 0;
  int second = 0;
  vex3d::TimerHandle self = 0;
  self = timers.start(10, [&] {
    ++first;
    timers.stop(self);
    timers.start(5, [&] { ++second; });
  });
  // 10: first (stops, starts second due at 15); 15, 20, 25, 30: second.
  EXPECT_EQ(timers.advance(30), 5u);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 4);
  EXPECT_EQ(timers.runningCount(), 1u);
  EXPECT_EQ(timers.start(10, nullptr), 0u);
}

TEST(CommandTimers, StartFireCloseThroughTheManager) {
  vex3d::ManualTimerService timers;
  CCommandMgr mgr;
  auto owned = std::make_unique<RecordingCommand>(makeId("SIMP", "ANIM", "PLAY"));
  RecordingCommand& lone = *owned;
  // Not in a manager yet: no timer service to ask.
  EXPECT_FALSE(lone.SetTimer(1, 40));
  EXPECT_FALSE(lone.IsTimerEnabled(1));

  mgr.AddCommand(std::move(owned));
  EXPECT_FALSE(lone.SetTimer(1, 40));  // the manager has no service either
  mgr.SetTimerService(&timers);
  ASSERT_TRUE(lone.SetTimer(1, 40));
  EXPECT_TRUE(lone.IsTimerEnabled(1));
  EXPECT_FALSE(lone.IsTimerEnabled(2));
  timers.advance(100);
  EXPECT_EQ(lone.ticks[1], 2);

  // Setting it again restarts it with the new period instead of adding one.
  ASSERT_TRUE(lone.SetTimer(1, 10));
  EXPECT_EQ(timers.runningCount(), 1u);
  timers.advance(30);
  EXPECT_EQ(lone.ticks[1], 5);

  lone.CloseTimer(1);
  EXPECT_FALSE(lone.IsTimerEnabled(1));
  EXPECT_EQ(timers.runningCount(), 0u);
  timers.advance(100);
  EXPECT_EQ(lone.ticks[1], 5);
}

TEST(CommandTimers, ClosingFromOnTimerAndOnRemoval) {
  vex3d::ManualTimerService timers;
  CCommandMgr mgr;
  mgr.SetTimerService(&timers);
  auto* cmd = static_cast<RecordingCommand*>(
      mgr.AddCommand(std::make_unique<RecordingCommand>(makeId("SIMP", "ANIM", "PLAY"))));
  cmd->closeAfter = 3;
  ASSERT_TRUE(cmd->SetTimer(1, 40));
  ASSERT_TRUE(cmd->SetTimer(2, 1000));
  timers.advance(400);
  EXPECT_EQ(cmd->ticks[1], 3);
  EXPECT_FALSE(cmd->IsTimerEnabled(1));
  EXPECT_TRUE(cmd->IsTimerEnabled(2));

  // A removed command must not be called back any more.
  ASSERT_TRUE(mgr.RemoveCommand(makeId("SIMP", "ANIM", "PLAY")));
  EXPECT_EQ(timers.runningCount(), 0u);
  timers.advance(2000);
}

TEST(CommandTimers, ChangingTheServiceClosesRunningTimers) {
  vex3d::ManualTimerService first;
  vex3d::ManualTimerService second;
  CCommandMgr mgr;
  mgr.SetTimerService(&first);
  auto* cmd = static_cast<RecordingCommand*>(
      mgr.AddCommand(std::make_unique<RecordingCommand>(makeId("SIMP", "ANIM", "PLAY"))));
  ASSERT_TRUE(cmd->SetTimer(1, 40));
  mgr.SetTimerService(&second);
  EXPECT_FALSE(cmd->IsTimerEnabled(1));
  EXPECT_EQ(first.runningCount(), 0u);
  ASSERT_TRUE(cmd->SetTimer(1, 40));
  EXPECT_EQ(second.runningCount(), 1u);
}

TEST(CommandTimers, ManagerDestructionStopsCommandTimers) {
  vex3d::ManualTimerService timers;
  {
    CCommandMgr mgr;
    mgr.SetTimerService(&timers);
    auto* cmd = mgr.AddCommand(std::make_unique<RecordingCommand>(makeId("SIMP", "ANIM", "PLAY")));
    ASSERT_TRUE(cmd->SetTimer(1, 40));
  }
  EXPECT_EQ(timers.runningCount(), 0u);
}

}  // namespace
