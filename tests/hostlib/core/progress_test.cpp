#include "hostlib/core/progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using namespace vex3d;

// What a long operation does: announce, then report and ask at each step.
int runOperation(int steps) {
  ProcessProgressInfo info;
  info.title = "Merging...";
  info.text = "Merging coplanar  faces";
  progressCallCallback(kProgressOpen, &info);
  for (int i = 0; i < steps; ++i) {
    info.position = 100 * i / steps;
    progressCallCallback(kProgressSetPosition, &info);
    if (progressCallCallback(kProgressIsCancelled, &info) != 0) {
      progressCallCallback(kProgressClose, &info);
      return -1;
    }
  }
  progressCallCallback(kProgressClose, &info);
  return steps;
}

TEST(Progress, WithoutHandlerEveryCallAnswersZero) {
  ASSERT_FALSE(setProgressHandler(nullptr));
  ProcessProgressInfo info;
  EXPECT_EQ(progressCallCallback(kProgressIsCancelled, &info), 0);
  EXPECT_EQ(progressCallCallback(kProgressOpen, nullptr), 0);
  EXPECT_EQ(runOperation(10), 10);
}

TEST(Progress, ScopesNestAndRestore) {
  int outerCalls = 0;
  int innerCalls = 0;
  {
    const ProgressHandlerScope outer([&](int, ProcessProgressInfo*) { return ++outerCalls, 0; });
    progressCallCallback(kProgressSetPosition, nullptr);
    {
      const ProgressHandlerScope inner([&](int, ProcessProgressInfo*) { return ++innerCalls, 7; });
      EXPECT_EQ(progressCallCallback(kProgressIsCancelled, nullptr), 7);
    }
    progressCallCallback(kProgressSetPosition, nullptr);
  }
  EXPECT_EQ(outerCalls, 2);
  EXPECT_EQ(innerCalls, 1);
  EXPECT_EQ(progressCallCallback(kProgressIsCancelled, nullptr), 0);
}

TEST(Progress, RecorderRecordsTheSequence) {
  ProgressRecorder recorder;
  const ProgressHandlerScope scope(recorder.handler());
  EXPECT_EQ(runOperation(3), 3);
  EXPECT_EQ(recorder.codes(), (std::vector<int>{15, 2, 18, 2, 18, 2, 18, 32}));
  const auto events = recorder.events();
  ASSERT_EQ(events.size(), 8u);
  EXPECT_EQ(events[0].info.title, "Merging...");
  EXPECT_EQ(events[0].info.text, "Merging coplanar  faces");
  EXPECT_EQ(events[0].info.maximum, 100);
  EXPECT_EQ(events[3].info.position, 33);
  EXPECT_EQ(recorder.count(kProgressIsCancelled), 3);
}

TEST(Progress, ScriptedCancelStopsAtTheNthQuestion) {
  ProgressRecorder recorder(2);
  const ProgressHandlerScope scope(recorder.handler());
  EXPECT_EQ(runOperation(10), -1);
  EXPECT_EQ(recorder.codes(), (std::vector<int>{15, 2, 18, 2, 18, 32}));
  // Once cancelled, stays cancelled.
  EXPECT_NE(progressCallCallback(kProgressIsCancelled, nullptr), 0);
  // Only the cancel question is ever answered non-zero.
  EXPECT_EQ(progressCallCallback(kProgressSetPosition, nullptr), 0);
}

TEST(Progress, HandlerMayReplaceItselfWhileRunning) {
  int calls = 0;
  setProgressHandler([&](int, ProcessProgressInfo*) {
    ++calls;
    setProgressHandler(nullptr);  // must not wait for its own call
    return 5;
  });
  EXPECT_EQ(progressCallCallback(0, nullptr), 5);
  EXPECT_EQ(progressCallCallback(0, nullptr), 0);
  EXPECT_EQ(calls, 1);
}

TEST(Progress, ReplacingWaitsForCallsInFlight) {
  std::atomic<bool> entered{false};
  std::atomic<bool> release{false};
  std::atomic<bool> finished{false};
  setProgressHandler([&](int, ProcessProgressInfo*) {
    entered = true;
    while (!release) std::this_thread::yield();
    finished = true;
    return 1;
  });
  std::thread worker([] { progressCallCallback(kProgressIsCancelled, nullptr); });
  while (!entered) std::this_thread::yield();
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    release = true;
  });
  setProgressHandler(nullptr);
  EXPECT_TRUE(finished);  // the old handler was done before the swap returned
  worker.join();
  releaser.join();
}

TEST(Progress, ConcurrentCallsAndSwapsAreSafe) {
  std::atomic<bool> stop{false};
  std::atomic<int> recorded{0};
  std::vector<std::thread> callers;
  for (int t = 0; t < 3; ++t) {
    callers.emplace_back([&] {
      ProcessProgressInfo info;
      info.title = "worker";
      while (!stop) progressCallCallback(kProgressIsCancelled, &info);
    });
  }
  // Swap recorders in and out (each destroyed right after its scope) while
  // the workers keep calling, until plenty of calls have reached them.
  for (int i = 0; i < 100000 && (i < 200 || recorded < 1000); ++i) {
    ProgressRecorder recorder(1 + i % 3);
    {
      const ProgressHandlerScope scope(recorder.handler());
      std::this_thread::yield();
    }
    recorded += static_cast<int>(recorder.events().size());
  }
  stop = true;
  for (auto& th : callers) th.join();
  EXPECT_GE(recorded.load(), 1000);
  EXPECT_FALSE(setProgressHandler(nullptr));
}

}  // namespace
