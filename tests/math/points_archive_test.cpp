// Stored form of every point kind: flags first, then the coordinates, 4
// little-endian bytes each; parameter records are never stored with points.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "hostlib/core/archive.h"
#include "math/point2d.h"
#include "math/point3d.h"
#include "math/point4d.h"
#include "math/uvw_point.h"
#include "math/vc_point.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

template <class T>
Bytes store(const T& value) {
  Bytes b;
  CArchive ar(b, CArchive::store);
  const_cast<T&>(value).Serialize(ar);
  return b;
}

template <class T>
T load(const Bytes& b) {
  T value;
  CArchive ar(b, CArchive::load);
  value.Serialize(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  return value;
}

template <class T>
CArchiveException::Cause loadFailure(const Bytes& b) {
  T value;
  CArchive ar(b, CArchive::load);
  try {
    value.Serialize(ar);
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  return CArchiveException::none;
}

// Stores `value` as `expected` and reads it back with its flags.
template <class T>
void expectGolden(const T& value, const Bytes& expected) {
  EXPECT_EQ(store(value), expected);
  const T back = load<T>(expected);
  EXPECT_EQ(back, value);
  if constexpr (requires { value.GetFlags(); }) {
    EXPECT_EQ(back.GetFlags(), value.GetFlags());
  }
}

TEST(PointArchive, GoldenBytesOfEveryKind) {
  C3DPoint p(1.0f, -2.0f, 0.5f);
  p.SetFlags(0x22, 1);
  p.GetCustomData(1)->SetUInt(1, 2);  // never stored
  expectGolden(p, {0x22, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0, 0xC0, 0, 0, 0, 0x3F});
  EXPECT_EQ(load<C3DPoint>(store(p)).GetCustomData(), nullptr);

  C3DVector v(0.0f, 1.0f, -1.0f);
  v.SetFlag(POINT_UNSPECIFIED, 1);
  expectGolden(v, {0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0x80, 0xBF});
  expectGolden(CUVWPoint(0.5f, 0.75f, 1.0f),
               {0, 0, 0, 0, 0, 0, 0, 0x3F, 0, 0, 0x40, 0x3F, 0, 0, 0x80, 0x3F});

  C2DPoint flat(2.0f, 0.25f);
  flat.SetFlag(POINT_INVALID, 1);
  expectGolden(flat, {0x08, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0x80, 0x3E});

  // A vertex colour stores its colour bytes; a 4D vector has no flags.
  CVCPoint colour(CRGBColor(1, 2, 3, 4));
  colour.SetFlag(POINT_VC_FRONTIER, 1);
  expectGolden(colour, {0x40, 0, 0, 0, 1, 2, 3, 4});
  expectGolden(C4DVector(1.0f, 2.0f, 3.0f, 4.0f),
               {0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x40, 0x40, 0, 0, 0x80, 0x40});
}

TEST(PointArchive, LoadingKeepsTheExistingParameterRecord) {
  C3DPoint p;
  p.GetCustomData(1)->SetUInt(5, 50);
  const Bytes bytes = store(C3DPoint(1, 2, 3));
  CArchive ar(bytes, CArchive::load);
  p.Serialize(ar);
  EXPECT_EQ(p, C3DPoint(1, 2, 3));
  ASSERT_NE(p.GetCustomData(0), nullptr);
  EXPECT_EQ(p.GetCustomData(0)->GetUInt(5), 50u);
}

TEST(PointArchive, TruncatedInputRaisesEndOfFile) {
  Bytes bytes = store(C3DPoint(1, 2, 3));
  bytes.pop_back();
  EXPECT_EQ(loadFailure<C3DPoint>(bytes), CArchiveException::endOfFile);
  Bytes colour = store(CVCPoint(CRGBColor(1, 2, 3, 4)));
  colour.resize(6);
  EXPECT_EQ(loadFailure<CVCPoint>(colour), CArchiveException::endOfFile);
  EXPECT_EQ(loadFailure<C4DVector>(Bytes(15, 0)), CArchiveException::endOfFile);
}

TEST(PointArchive, SpecialValuesRoundTripBitForBit) {
  const C3DPoint p(-0.0f, std::numeric_limits<float>::infinity(),
                   std::numeric_limits<float>::denorm_min());
  const Bytes bytes = store(p);
  EXPECT_EQ(store(load<C3DPoint>(bytes)), bytes);
}

}  // namespace
