// Stored form of every point kind: flags first, then the coordinates, 4
// little-endian bytes each; parameter records are never stored with points.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "hostlib/archive.h"
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

TEST(PointArchive, ThreeDPointGoldenBytes) {
  C3DPoint p(1.0f, -2.0f, 0.5f);
  p.SetFlags(0x22, 1);
  p.GetCustomData(1)->SetUInt(1, 2);  // never stored
  const Bytes expected = {0x22, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0, 0xC0, 0, 0, 0, 0x3F};
  EXPECT_EQ(store(p), expected);
  const C3DPoint back = load<C3DPoint>(expected);
  EXPECT_EQ(back, p);
  EXPECT_EQ(back.GetFlags(), 0x22u);
  EXPECT_EQ(back.GetCustomData(), nullptr);
}

TEST(PointArchive, VectorAndTextureCoordinateGoldenBytes) {
  C3DVector v(0.0f, 1.0f, -1.0f);
  v.SetFlag(POINT_UNSPECIFIED, 1);
  const Bytes vBytes = {0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x3F, 0, 0, 0x80, 0xBF};
  EXPECT_EQ(store(v), vBytes);
  EXPECT_EQ(load<C3DVector>(vBytes), v);
  EXPECT_EQ(load<C3DVector>(vBytes).GetFlags(), POINT_UNSPECIFIED);

  const CUVWPoint uvw(0.5f, 0.75f, 1.0f);
  const Bytes uvwBytes = {0, 0, 0, 0, 0, 0, 0, 0x3F, 0, 0, 0x40, 0x3F, 0, 0, 0x80, 0x3F};
  EXPECT_EQ(store(uvw), uvwBytes);
  EXPECT_EQ(load<CUVWPoint>(uvwBytes), uvw);
}

TEST(PointArchive, TwoDPointGoldenBytes) {
  C2DPoint p(2.0f, 0.25f);
  p.SetFlag(POINT_INVALID, 1);
  const Bytes expected = {0x08, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0x80, 0x3E};
  EXPECT_EQ(store(p), expected);
  const C2DPoint back = load<C2DPoint>(expected);
  EXPECT_EQ(back, p);
  EXPECT_EQ(back.GetFlags(), POINT_INVALID);
}

TEST(PointArchive, VertexColourStoresItsColourBytes) {
  CVCPoint p(CRGBColor(1, 2, 3, 4));
  p.SetFlag(POINT_VC_FRONTIER, 1);
  const Bytes expected = {0x40, 0, 0, 0, 1, 2, 3, 4};
  EXPECT_EQ(store(p), expected);
  const CVCPoint back = load<CVCPoint>(expected);
  EXPECT_EQ(back, p);
  EXPECT_EQ(back.GetFlags(), POINT_VC_FRONTIER);
}

TEST(PointArchive, FourDVectorStoresFourFloatsWithoutFlags) {
  const C4DVector v(1.0f, 2.0f, 3.0f, 4.0f);
  const Bytes expected = {0, 0, 0x80, 0x3F, 0, 0, 0, 0x40, 0, 0, 0x40, 0x40, 0, 0, 0x80, 0x40};
  EXPECT_EQ(store(v), expected);
  EXPECT_EQ(load<C4DVector>(expected), v);
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
