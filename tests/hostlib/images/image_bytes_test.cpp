// Images held in memory are accepted or refused as image files are, and a
// PNG that announces more than it holds is refused before it is decoded.
#include "hostlib/images/image_bytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/images/layer_bitmap.h"

namespace {

std::vector<std::uint8_t> png(int width, int height) {
  rgbBitmap image(width, height);
  std::vector<std::uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(vex3d::encodePngBytes(image, bytes, error)) << error;
  return bytes;
}

TEST(ImageBytesTest, TheHeaderGivesSizeAndFormatAndTheBytesDecode) {
  const std::vector<std::uint8_t> bytes = png(5, 3);
  vex3d::ImageBytesInfo info;
  std::string error;
  ASSERT_TRUE(vex3d::probeImageBytes(bytes, info, error)) << error;
  EXPECT_EQ(info.width, 5);
  EXPECT_EQ(info.height, 3);
  EXPECT_EQ(info.extension, "png");
  const auto image = vex3d::decodeImageBytes(bytes, error);
  ASSERT_NE(image, nullptr) << error;
  EXPECT_EQ(image->GetWidth(), 5);
}

TEST(ImageBytesTest, BytesThatAreNoWholeImageAreRefused) {
  std::vector<std::uint8_t> bytes = png(2, 2);
  vex3d::ImageBytesInfo info;
  std::string error;
  // The first chunk after the signature claims a gigabyte.
  std::vector<std::uint8_t> huge = bytes;
  huge[8] = 0x40;
  EXPECT_FALSE(vex3d::probeImageBytes(huge, info, error));
  EXPECT_EQ(vex3d::decodeImageBytes(huge, error), nullptr);
  // Cut before its end chunk.
  const std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 12);
  EXPECT_FALSE(vex3d::probeImageBytes(cut, info, error));
  // TGA has no signature: bytes are never guessed to be one.
  const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o', 0, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(vex3d::probeImageBytes(text, info, error));
  EXPECT_FALSE(vex3d::probeImageBytes({}, info, error));
}

TEST(ImageBytesTest, ThePixelBudgetOfImageFilesApplies) {
  const std::vector<std::uint8_t> bytes = png(4, 4);
  vex3d::setImagePixelLimit(15);
  vex3d::ImageBytesInfo info;
  std::string error;
  EXPECT_FALSE(vex3d::probeImageBytes(bytes, info, error));
  EXPECT_NE(error.find("larger than allowed"), std::string::npos) << error;
  vex3d::setImagePixelLimit(16);
  EXPECT_TRUE(vex3d::probeImageBytes(bytes, info, error)) << error;
  vex3d::setImagePixelLimit(0);
}

}  // namespace
