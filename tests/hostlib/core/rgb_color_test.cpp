#include "hostlib/core/rgb_color.h"

#include <gtest/gtest.h>

#include <vector>

#include "hostlib/core/archive.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(RGBColor, ColorRefHasRedInTheLowByte) {
  const CRGBColor red(0x000000FFu);
  EXPECT_EQ(red, CRGBColor(255, 0, 0, 0));
  const CRGBColor c(0x80C0FF01u);
  EXPECT_EQ(c, CRGBColor(0x01, 0xFF, 0xC0, 0x80));
  EXPECT_EQ(c.GetColorRef(), 0x80C0FF01u);
  EXPECT_EQ(c.GetRGB(), 0x00C0FF01u);  // profile form: no fourth byte
}

TEST(RGBColor, SetRGBKeepsTheFourthByte) {
  CRGBColor c(1, 2, 3, 200);
  c.SetRGB(0x00C0C0C0u);
  EXPECT_EQ(c, CRGBColor(0xC0, 0xC0, 0xC0, 200));
  c.SetRGB(7, 8, 9);
  EXPECT_EQ(c, CRGBColor(7, 8, 9, 200));
}

TEST(RGBColor, ArchiveHoldsTheFourBytesInOrder) {
  CRGBColor c(0x11, 0x22, 0x33, 0x44);
  Bytes b;
  {
    CArchive ar(b, CArchive::store);
    c.Serialize(ar);
    ar << c.GetColorRef();  // the same bytes as the COLORREF value
  }
  EXPECT_EQ(b, (Bytes{0x11, 0x22, 0x33, 0x44, 0x11, 0x22, 0x33, 0x44}));

  CArchive in(b, CArchive::load);
  CRGBColor back;
  back.Serialize(in);
  EXPECT_EQ(back, c);
}

TEST(RGBColor, TruncatedArchiveRaisesEndOfFile) {
  const Bytes b = {1, 2, 3};
  CArchive ar(b, CArchive::load);
  CRGBColor c;
  try {
    c.Serialize(ar);
    FAIL() << "no exception";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
  }
}

}  // namespace
