#include "animation/time_range.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(TimeRange, IncludesBothEnds) {
  const CTimeRange range(-2, 7);
  EXPECT_TRUE(range.IsInInterval(-2));
  EXPECT_TRUE(range.IsInInterval(7));
  EXPECT_FALSE(range.IsInInterval(-3));
  EXPECT_FALSE(range.IsInInterval(8));
  EXPECT_FALSE(CTimeRange(7, -2).IsInInterval(0));
}

TEST(TimeRange, AdjustTimeClampsBothWays) {
  const CTimeRange range(10, 20);
  EXPECT_EQ(range.AdjustTime(3), 10);
  EXPECT_EQ(range.AdjustTime(10), 10);
  EXPECT_EQ(range.AdjustTime(15), 15);
  EXPECT_EQ(range.AdjustTime(20), 20);
  EXPECT_EQ(range.AdjustTime(99), 20);
  // Reversed: below the start gives the start, anything else the smaller of
  // the time and the end.
  const CTimeRange reversed(20, 10);
  EXPECT_EQ(reversed.AdjustTime(5), 20);
  EXPECT_EQ(reversed.AdjustTime(25), 10);
}

TEST(TimeRange, LengthIsOneForASingleTime) {
  EXPECT_EQ(CTimeRange(5, 5).GetLength(), 1u);
  EXPECT_EQ(CTimeRange().GetLength(), 1u);
  EXPECT_EQ(CTimeRange(5, 6).GetLength(), 1u);
  EXPECT_EQ(CTimeRange(-3, 7).GetLength(), 10u);
  EXPECT_EQ(
      CTimeRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max()).GetLength(),
      0xFFFFFFFFu);
  // Reversed ranges wrap as unsigned.
  EXPECT_EQ(CTimeRange(1, 0).GetLength(), 0xFFFFFFFFu);
}

TEST(TimeRange, UnionAndIntersection) {
  CTimeRange range(0, 10);
  range |= CTimeRange(-5, 3);
  EXPECT_EQ(range, CTimeRange(-5, 10));
  range |= CTimeRange(4, 12);
  EXPECT_EQ(range, CTimeRange(-5, 12));

  CTimeRange common(0, 10);
  common &= CTimeRange(-5, 3);
  EXPECT_EQ(common, CTimeRange(0, 3));
  common &= CTimeRange(5, 8);
  EXPECT_EQ(common, CTimeRange(5, 3));
  EXPECT_FALSE(common.IsInInterval(4));

  CTimeRange copy;
  copy = range;
  EXPECT_EQ(copy, range);
}

}  // namespace
