// Reading large files shows progress and stops when the user asks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "hostlib/core/progress.h"
#include "native_format_fixture.h"

namespace {

using vex3d::ProgressRecorder;

// Enough lines, facets or vertices for every reader to ask a few times.
constexpr int kItems = 20000;

std::string bigObj() {
  std::string text;
  for (int i = 0; i < kItems; ++i) text += "v " + std::to_string(i) + " 0 1\n";
  for (int i = 1; i + 2 <= kItems; i += 3) {
    text +=
        "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
  }
  return text;
}

std::string bigStl() {
  std::string bytes(80, '\0');
  const std::uint32_t count = kItems;
  bytes.append(reinterpret_cast<const char*>(&count), 4);
  for (int i = 0; i < kItems; ++i) {
    float facet[12] = {0,
                       0,
                       1,
                       static_cast<float>(i),
                       0,
                       0,
                       static_cast<float>(i) + 1,
                       0,
                       0,
                       static_cast<float>(i),
                       1,
                       0};
    bytes.append(reinterpret_cast<const char*>(facet), sizeof facet);
    bytes.append(2, '\0');
  }
  return bytes;
}

std::string bigPly() {
  std::string text = "ply\nformat ascii 1.0\nelement vertex " + std::to_string(kItems) +
                     "\nproperty float x\nproperty float y\nproperty float z\n"
                     "element face 1\nproperty list uchar int vertex_indices\nend_header\n";
  for (int i = 0; i < kItems; ++i) text += std::to_string(i) + " 0 1\n";
  return text + "3 0 1 2\n";
}

std::string bigOff() {
  std::string text = "OFF\n" + std::to_string(kItems) + " 1 0\n";
  for (int i = 0; i < kItems; ++i) text += std::to_string(i) + " 0 1\n";
  return text + "3 0 1 2\n";
}

class ReadProgressTest : public vex3d::test::NativeFormatTest {};

TEST_F(ReadProgressTest, EveryReaderShowsProgressAndStopsWhenAsked) {
  const struct {
    const char* name;
    std::string bytes;
  } files[] = {
      {"big.obj", bigObj()}, {"big.stl", bigStl()}, {"big.ply", bigPly()}, {"big.off", bigOff()}};
  for (const auto& f : files) {
    const std::string file = writeFile(f.name, f.bytes);
    {
      ProgressRecorder progress;
      vex3d::ProgressHandlerScope scope(progress.handler());
      std::string error;
      EXPECT_NE(read(file, &error), nullptr) << f.name << ": " << error;
      const auto events = progress.events();
      ASSERT_FALSE(events.empty()) << f.name;
      EXPECT_EQ(events.front().code, vex3d::kProgressOpen) << f.name;
      EXPECT_EQ(events.front().info.title, std::string("Reading ") + f.name);
      EXPECT_EQ(events.back().code, vex3d::kProgressClose) << f.name;
      EXPECT_GE(progress.count(vex3d::kProgressIsCancelled), 1) << f.name;
    }
    {
      ProgressRecorder stopAtOnce(1);
      vex3d::ProgressHandlerScope scope(stopAtOnce.handler());
      std::string error;
      EXPECT_EQ(read(file, &error), nullptr) << f.name;
      EXPECT_NE(error.find("cancelled"), std::string::npos) << f.name << ": " << error;
      EXPECT_EQ(stopAtOnce.count(vex3d::kProgressClose), 1) << f.name;
    }
  }
}

}  // namespace
