#include "mesh_format_kit/text_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>

namespace {

using vex3d::native::scanInt;

struct Scanned {
  bool ok = false;
  std::int64_t value = 0;
  std::size_t consumed = 0;
};

// `text` scanned up to `length` bytes (all of it by default).
Scanned scan(const std::string& text, std::size_t length = std::string::npos) {
  const char* p = text.data();
  const char* end = p + std::min(length, text.size());
  Scanned s;
  s.ok = scanInt(p, end, s.value);
  s.consumed = static_cast<std::size_t>(p - text.data());
  return s;
}

TEST(TextScanTest, IntegersStopAtTheFirstByteThatIsNoDigit) {
  for (const auto& [text, value, consumed] : {std::tuple{"42", 42, 2},
                                              {"  -7 ", -7, 4},
                                              {"+5/", 5, 2},
                                              {"0//3", 0, 1},
                                              {"\t12a", 12, 3}}) {
    const Scanned s = scan(text);
    EXPECT_TRUE(s.ok) << text;
    EXPECT_EQ(s.value, value) << text;
    EXPECT_EQ(s.consumed, static_cast<std::size_t>(consumed)) << text;
  }
}

TEST(TextScanTest, IntegersOfEveryLengthUpToSixtyFourBits) {
  const std::int64_t max = std::numeric_limits<std::int64_t>::max();
  const std::int64_t min = std::numeric_limits<std::int64_t>::min();
  for (const std::int64_t v : {std::int64_t{123456789012345678}, std::int64_t{999999999999999999},
                               std::int64_t{1000000000000000000}, max, min, min + 1}) {
    const std::string text = std::to_string(v);
    const Scanned s = scan(text + " ");
    EXPECT_TRUE(s.ok) << text;
    EXPECT_EQ(s.value, v) << text;
    EXPECT_EQ(s.consumed, text.size()) << text;
  }
  // Leading zeros do not count against the length.
  EXPECT_EQ(scan("0000000000000000000000042").value, 42);
}

TEST(TextScanTest, WhatIsNoIntegerLeavesThePlaceUnchanged) {
  for (const char* text : {"", "   ", "-", "+", "x1", "- 1", "9223372036854775808",
                           "-9223372036854775809", "99999999999999999999999"}) {
    const Scanned s = scan(text);
    EXPECT_FALSE(s.ok) << text;
    EXPECT_EQ(s.consumed, 0u) << text;
  }
}

TEST(TextScanTest, AnIntegerCutByTheEndOfTheRangeEndsThere) {
  const Scanned s = scan("12345", 3);
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.value, 123);
  EXPECT_EQ(s.consumed, 3u);
  EXPECT_FALSE(scan("-5", 1).ok);
}

}  // namespace
