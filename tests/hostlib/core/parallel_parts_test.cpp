#include "hostlib/core/parallel_parts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

// Every index is visited once, by parts that tile the range in order.
TEST(ParallelPartsTest, PartsTileTheRangeOnce) {
  for (const auto& [count, minPerPart] : std::vector<std::pair<int, int>>{
           {0, 1}, {1, 1}, {5, 100}, {100, 1}, {1000, 7}, {99999, 1000}, {100, 0}}) {
    std::vector<std::atomic<int>> visits(static_cast<std::size_t>(count));
    std::mutex mutex;
    std::vector<std::pair<int, int>> parts;
    vex3d::forEachPart(count, minPerPart, [&](int begin, int end) {
      for (int i = begin; i < end; ++i) ++visits[static_cast<std::size_t>(i)];
      const std::lock_guard<std::mutex> lock(mutex);
      parts.emplace_back(begin, end);
    });
    for (int i = 0; i < count; ++i) EXPECT_EQ(visits[static_cast<std::size_t>(i)], 1) << count;
    std::sort(parts.begin(), parts.end());
    int next = 0;
    for (const auto& [begin, end] : parts) {
      EXPECT_EQ(begin, next) << count;
      EXPECT_LT(begin, end) << count;
      if (minPerPart > 0 && parts.size() > 1) {
        EXPECT_GE(end - begin, minPerPart) << count;
      }
      next = end;
    }
    EXPECT_EQ(next, count);
    if (count == 0) {
      EXPECT_TRUE(parts.empty());
    }
  }
}

// A part that fails does not stop the others; its exception comes back.
TEST(ParallelPartsTest, AFailingPartIsReportedAfterTheOthersEnd) {
  constexpr int kCount = 1 << 16;
  std::atomic<int> done{0};
  std::atomic<int> failedEnd{0};
  EXPECT_THROW(vex3d::forEachPart(kCount, 1 << 10,
                                  [&](int begin, int end) {
                                    if (begin == 0) {
                                      failedEnd = end;
                                      throw std::runtime_error("part");
                                    }
                                    done += end - begin;
                                  }),
               std::runtime_error);
  EXPECT_EQ(done + failedEnd, kCount);
}

}  // namespace
