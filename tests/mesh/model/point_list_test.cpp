#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "hostlib/containers/int_map.h"
#include "hostlib/core/archive.h"
#include "mesh/model/point_lists.h"

namespace {

void fill(C3DPointList& list, std::initializer_list<C3DPoint> points) {
  for (const C3DPoint& p : points) list.Add(p);
}

}  // namespace

TEST(PointList, RemoveAllMarksChangedAndUpdateListClearsOnce) {
  C3DPointList list;
  list.Add(C3DPoint(1, 2, 3));
  EXPECT_EQ(list.UpdateList(nullptr), 0);
  list.RemoveAll();
  EXPECT_EQ(list.GetSize(), 0);
  EXPECT_TRUE(list.IsFlagSet(POINTLIST_CHANGED));
  EXPECT_EQ(list.UpdateList(nullptr), 1);
  EXPECT_EQ(list.UpdateList(nullptr), 0);
}

TEST(PointList, SameClassAssignmentCopiesPointsFlagsAndParameterRecords) {
  C3DPointList a;
  a.Add(C3DPoint(1, 2, 3));
  a[0].SetFlag(POINT_BORDER, 1);
  a[0].GetCustomData(1)->SetUInt(7, 9);
  a.SetFlag(POINTLIST_CHANGED, 1);
  C3DPointList b;
  b = a;
  ASSERT_EQ(b.GetSize(), 1);
  EXPECT_EQ(b[0], C3DPoint(1, 2, 3));
  EXPECT_TRUE(b[0].IsFlagSet(POINT_BORDER));
  EXPECT_EQ(b[0].GetCustomData()->GetUInt(7), 9u);
  EXPECT_TRUE(b.IsFlagSet(POINTLIST_CHANGED));
  a[0].GetCustomData(1)->SetUInt(7, 1);
  EXPECT_EQ(b[0].GetCustomData()->GetUInt(7), 9u) << "records are copies, not shared";
}

TEST(PointList, CrossClassAssignmentGoesThroughTheExchangeForm) {
  C3DPointList points;
  fill(points, {C3DPoint(0.25f, 0.5f, 1), C3DPoint(2, 3, 4)});
  points[1].SetFlag(POINT_INVALID, 1);
  CUVWPointList uvw;
  uvw.Add(CUVWPoint(9, 9, 9));
  uvw.Add(CUVWPoint(9, 9, 9));
  uvw.Add(CUVWPoint(9, 9, 9));
  CPointList& base = uvw;
  base = points;
  ASSERT_EQ(uvw.GetSize(), 2);
  EXPECT_EQ(uvw[0], CUVWPoint(0.25f, 0.5f, 1));
  EXPECT_EQ(uvw[1], CUVWPoint(2, 3, 4));
  EXPECT_TRUE(uvw[1].IsFlagSet(POINT_INVALID));

  C2DPointList flat;
  static_cast<CPointList&>(flat) = points;
  EXPECT_EQ(flat[1], C2DPoint(2, 3));
}

TEST(PointList, FlagCountsUseAllBitsOrAnyBit) {
  C3DPointList list;
  fill(list, {C3DPoint(), C3DPoint(), C3DPoint(), C3DPoint()});
  list[0].SetFlags(POINT_BORDER | POINT_INNER_EDGE, 1);
  list[1].SetFlag(POINT_BORDER, 1);
  const auto both = static_cast<_POINT_PROPERTIES>(POINT_BORDER | POINT_INNER_EDGE);
  EXPECT_EQ(list.GetNumberOfPoints(both, 1), 1);
  EXPECT_EQ(list.GetNumberOfPoints(both, 0), 3);
  EXPECT_EQ(list.GetNumberOfPoints(static_cast<unsigned int>(both), 1), 2);
  EXPECT_EQ(list.GetNumberOfPoints(static_cast<unsigned int>(both), 0), 2);
  list.SetPointsFlags(POINT_INVALID, 1);
  EXPECT_EQ(list.GetNumberOfPoints(POINT_INVALID, 1), 4);
  list.SetPointsFlags(POINT_INVALID | POINT_BORDER, 0);
  EXPECT_EQ(list.GetNumberOfPoints(static_cast<unsigned int>(POINT_INVALID | POINT_BORDER), 1), 0);
  EXPECT_EQ(list.GetNumberOfPoints(POINT_INNER_EDGE, 1), 1);
}

TEST(PointList, InvalidatePointsKeepsOnlyTheMapKeys) {
  C3DPointList list;
  fill(list, {C3DPoint(), C3DPoint(), C3DPoint()});
  CIntMap keep;
  keep.Insert(1, 0);
  list.InvalidatePoints(nullptr, &keep);
  EXPECT_TRUE(list[0].IsFlagSet(POINT_INVALID));
  EXPECT_FALSE(list[1].IsFlagSet(POINT_INVALID));
  EXPECT_TRUE(list[2].IsFlagSet(POINT_INVALID));
}

TEST(PointList, SavePointsIndexStoresPOOI) {
  C3DPointList list;
  fill(list, {C3DPoint(), C3DPoint(), C3DPoint()});
  list.SavePointsIndex();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(list[i].GetCustomData()->GetUInt(0x504F4F49, 99), i);
}

TEST(PointList, BoundingBoxFiltersByFlag) {
  C3DPointList list;
  fill(list, {C3DPoint(-1, 5, 2), C3DPoint(3, -2, 0), C3DPoint(100, 100, 100)});
  list[2].SetFlag(POINT_INVALID, 1);
  C3DPoint min;
  C3DPoint max;
  EXPECT_EQ(list.GetBoundingBox(min, max, POINT_INVALID, 0), 2);
  EXPECT_EQ(min, C3DPoint(-1, -2, 0));
  EXPECT_EQ(max, C3DPoint(3, 5, 2));
  EXPECT_EQ(list.GetBoundingBox(min, max), 3);
  EXPECT_EQ(max, C3DPoint(100, 100, 100));
  EXPECT_EQ(list.GetCenterOfBoudingBox(), C3DPoint(49.5f, 49, 50));
  C3DPointList empty;
  EXPECT_EQ(empty.GetBoundingBox(min, max), 0);
  EXPECT_EQ(empty.GetCenterOfBoudingBox(), C3DPoint(0, 0, 0));
}

TEST(PointList, NoisyWaveMovesOnlyMatchingPoints) {
  C3DPointList list;
  fill(list, {C3DPoint(0.25f, 0, 0), C3DPoint(0.25f, 0, 0)});
  list[1].SetFlag(POINT_BORDER, 1);
  C3DPoint single(0.25f, 0, 0);
  single.NoisyWaveFunc(C3DPoint(), C3DVector(1, 0, 0), 2, 1, 0);
  list.NoisyWaveFunc(C3DPoint(), C3DVector(1, 0, 0), 2, 1, 0, POINT_BORDER, 1);
  EXPECT_EQ(list[0], C3DPoint(0.25f, 0, 0));
  EXPECT_EQ(list[1], single);
  EXPECT_NE(single.z, 0.0f);
}

TEST(PointList, ArchiveFormIsCountThenEachPoint) {
  C3DPointList list;
  fill(list, {C3DPoint(1, 2, 3)});
  list[0].SetFlag(POINT_BORDER, 1);
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    list.Serialize(ar);
  }
  const std::vector<std::uint8_t> golden = {1,    0, 2, 0, 0,    0, 0, 0,    0x80,
                                            0x3F, 0, 0, 0, 0x40, 0, 0, 0x40, 0x40};
  EXPECT_EQ(bytes, golden);
  C3DPointList back;
  CArchive in(bytes, CArchive::load);
  back.Serialize(in);
  ASSERT_EQ(back.GetSize(), 1);
  EXPECT_EQ(back[0], C3DPoint(1, 2, 3));
  EXPECT_TRUE(back[0].IsFlagSet(POINT_BORDER));
}

TEST(PointList, HostileCountIsRefusedBeforeAllocating) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2, 3};
  C3DPointList list;
  CArchive in(bytes, CArchive::load);
  EXPECT_THROW(list.Serialize(in), CArchiveException);
}
