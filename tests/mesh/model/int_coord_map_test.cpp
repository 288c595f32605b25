#include "mesh/model/int_coord_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

#include "mesh/model/point_lists.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Two far corners spanning a box of diagonal 100 (60, 80, 0), then `more`.
void boxOf100(C3DPointList& list, std::initializer_list<C3DPoint> more) {
  list.Add(C3DPoint(0, 0, 0));
  list.Add(C3DPoint(60, 80, 0));
  for (const C3DPoint& p : more) list.Add(p);
}

// The middle of cell c for cells of 0.001: away from every border.
float mid(int c) { return (static_cast<float>(c) + 0.5f) * 0.001f; }

std::vector<int> proximity(const C3DPointList& list, int i, const CIntCoordMap* map) {
  int n = -1;
  std::unique_ptr<int[]> found = list.Get3DProximityPoints(i, map, n);
  if (!found) {
    EXPECT_EQ(n, 0);
    return {};
  }
  return std::vector<int>(found.get(), found.get() + n);
}

bool contains(const std::vector<int>& v, int x) {
  return std::find(v.begin(), v.end(), x) != v.end();
}

}  // namespace

TEST(IntCoordMap, CellSizeComesFromTheDiagonalAndTheTolerance) {
  C3DPointList list;
  boxOf100(list, {});
  const std::unique_ptr<CIntCoordMap> fine = list.InitIntCoordMap(0.0f);
  ASSERT_NE(fine, nullptr);
  EXPECT_NEAR(fine->GetCellSize(), 0.001, 1e-9);
  EXPECT_NEAR(list.InitIntCoordMap(0.5f)->GetCellSize(), 0.5, 1e-9);
  EXPECT_NEAR(CIntCoordMap::CellSizeFor(10.0, 0.0f), 1e-4, 1e-12);
  EXPECT_EQ(fine->GetPointNbr(), 2);
  EXPECT_EQ(fine->GetCellNbr(), 2);
}

TEST(IntCoordMap, AdjacentCellsAreNeighboursTwoCellsApartAreNot) {
  // Points 2, 3 and 4 sit in cells (50000, 20000, 10), (50001, 20000, 10)
  // and (50002, 20000, 10); point 5 is diagonally adjacent to point 2.
  C3DPointList list;
  boxOf100(list,
           {C3DPoint(mid(50000), mid(20000), mid(10)), C3DPoint(mid(50001), mid(20000), mid(10)),
            C3DPoint(mid(50002), mid(20000), mid(10)), C3DPoint(mid(49999), mid(19999), mid(9))});
  const std::unique_ptr<CIntCoordMap> map = list.InitIntCoordMap(0.0f);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->CellOf(list[2]), (vex3d::IntCell{50000, 20000, 10}));
  EXPECT_EQ(map->GetPointCell(4), (vex3d::IntCell{50002, 20000, 10}));

  EXPECT_EQ(proximity(list, 2, map.get()), (std::vector<int>{5, 2, 3}));  // cell by cell
  const std::vector<int> around3 = proximity(list, 3, map.get());
  EXPECT_TRUE(contains(around3, 2) && contains(around3, 4) && contains(around3, 3));
  EXPECT_FALSE(contains(around3, 5));
  EXPECT_EQ(proximity(list, 4, map.get()), (std::vector<int>{3, 4}));
  // A lone point finds only itself: no array.
  EXPECT_TRUE(proximity(list, 0, map.get()).empty());

  int n = -1;
  const int* inCell = map->Find(50001, 20000, 10, n);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(inCell[0], 3);
  EXPECT_EQ(map->Find(50003, 20000, 10, n), nullptr);
  EXPECT_EQ(n, 0);

  EXPECT_EQ(list.Get3DProximityPoints(map.get()), 4);  // all but the corners
  EXPECT_EQ(list.Get3DProximityPoints(nullptr), 0);
}

TEST(IntCoordMap, CellsTruncateTowardZeroSoTheCellsAtZeroAreDoubleWidth) {
  C3DPointList list;
  boxOf100(list, {C3DPoint(-0.0009f, 0, 0), C3DPoint(0.0009f, 0, 0), C3DPoint(-0.0015f, 0, 0),
                  C3DPoint(0.0015f, 0, 0), C3DPoint(0.0025f, 0, 0)});
  const std::unique_ptr<CIntCoordMap> map = list.InitIntCoordMap(0.0f);
  EXPECT_EQ(map->CellIndex(-0.0009f), 0);
  EXPECT_EQ(map->CellIndex(0.0009f), 0);
  EXPECT_EQ(map->CellIndex(-0.0015f), -1);
  EXPECT_EQ(map->CellIndex(0.0015f), 1);
  EXPECT_EQ(map->CellIndex(-0.0025f), -2);

  int n = 0;
  const int* zero = map->Find(0, 0, 0, n);
  ASSERT_EQ(n, 3);  // the corner (0, 0, 0) and the two points 0.0018 apart
  EXPECT_EQ(zero[1], 2);
  EXPECT_EQ(zero[2], 3);
  // 0.003 apart across zero: cells -1 and 1, not neighbours; 0.001 apart
  // away from zero: cells 1 and 2, neighbours.
  const std::vector<int> aroundMinus = proximity(list, 4, map.get());
  EXPECT_FALSE(contains(aroundMinus, 5));
  EXPECT_TRUE(contains(aroundMinus, 2));
  EXPECT_TRUE(contains(proximity(list, 5, map.get()), 6));
}

TEST(IntCoordMap, MatchesABruteForceNeighbourSearch) {
  C3DPointList list;
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> coord(-1.0f, 1.0f);
  for (int i = 0; i < 3000; ++i) list.Add(C3DPoint(coord(rng), coord(rng), coord(rng)));
  for (int i = 0; i < 300; ++i) list.Add(list[i * 7]);  // exact duplicates
  const std::unique_ptr<CIntCoordMap> map = list.InitIntCoordMap(5.0f);
  ASSERT_NE(map, nullptr);
  std::vector<vex3d::IntCell> cells;
  for (int i = 0; i < list.GetSize(); ++i) {
    cells.push_back(map->CellOf(list[i]));
    ASSERT_EQ(cells.back(), map->GetPointCell(i));
  }
  int withNeighbour = 0;
  for (int i = 0; i < list.GetSize(); ++i) {
    const vex3d::IntCell& a = cells[static_cast<std::size_t>(i)];
    std::vector<int> expected;
    for (int j = 0; j < list.GetSize(); ++j) {
      const vex3d::IntCell& b = cells[static_cast<std::size_t>(j)];
      if (std::abs(a.i - b.i) <= 1 && std::abs(a.j - b.j) <= 1 && std::abs(a.k - b.k) <= 1)
        expected.push_back(j);
    }
    std::vector<int> found = proximity(list, i, map.get());
    std::sort(found.begin(), found.end());
    if (expected.size() < 2) expected.clear();
    withNeighbour += expected.empty() ? 0 : 1;
    ASSERT_EQ(found, expected) << i;
  }
  EXPECT_EQ(list.Get3DProximityPoints(map.get()), withNeighbour);
  EXPECT_GE(withNeighbour, 600);
}

TEST(IntCoordMap, EmptyListsMissingMapsAndBadIndicesGiveNothing) {
  C3DPointList empty;
  EXPECT_EQ(empty.InitIntCoordMap(0.0f), nullptr);
  C3DPointList list;
  boxOf100(list, {});
  const std::unique_ptr<CIntCoordMap> map = list.InitIntCoordMap(0.0f);
  int n = -1;
  EXPECT_EQ(list.Get3DProximityPoints(0, nullptr, n), nullptr);
  EXPECT_EQ(n, 0);
  n = -1;
  EXPECT_EQ(list.Get3DProximityPoints(2, map.get(), n), nullptr);
  EXPECT_EQ(n, 0);
  EXPECT_EQ(list.Get3DProximityPoints(-1, map.get(), n), nullptr);
}

TEST(IntCoordMap, EqualPointsShareOneCell) {
  C3DPointList list;
  for (int i = 0; i < 4; ++i) list.Add(C3DPoint(3, -2, 1));
  const std::unique_ptr<CIntCoordMap> map = list.InitIntCoordMap(0.0f);
  EXPECT_EQ(map->GetCellSize(), 0.0);
  EXPECT_EQ(map->GetCellNbr(), 1);
  EXPECT_EQ(proximity(list, 2, map.get()), (std::vector<int>{0, 1, 2, 3}));
}

TEST(IntCoordMap, NaNInfiniteAndHugeCoordinatesGetCellsOfTheirOwn) {
  C3DPointList list;
  boxOf100(list, {C3DPoint(kNaN, 0, 0), C3DPoint(kNaN, 0, 0), C3DPoint(kInf, -kInf, 0),
                  C3DPoint(kInf, -kInf, 0), C3DPoint(0, kNaN, kNaN)});
  const std::unique_ptr<CIntCoordMap> map = list.InitIntCoordMap(0.0f);
  ASSERT_NE(map, nullptr);
  // The box, and so the cells, come from the finite points alone.
  EXPECT_NEAR(map->GetCellSize(), 0.001, 1e-9);
  EXPECT_EQ(map->GetPointCell(2).i, CIntCoordMap::kNaNCell);
  EXPECT_EQ(map->GetPointCell(4).i, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(map->GetPointCell(4).j, CIntCoordMap::kNaNCell + 2);  // never next to NaN

  // The two NaN points meet each other and nobody else, and so do the two
  // infinite ones; the origin corner meets neither.
  EXPECT_EQ(proximity(list, 2, map.get()), (std::vector<int>{2, 3}));
  EXPECT_EQ(proximity(list, 5, map.get()), (std::vector<int>{4, 5}));
  EXPECT_TRUE(proximity(list, 0, map.get()).empty());
  EXPECT_TRUE(proximity(list, 6, map.get()).empty());
  EXPECT_EQ(list.Get3DProximityPoints(map.get()), 4);

  // A cell size so small that every quotient leaves the int range.
  C3DPointList tiny;
  tiny.Add(C3DPoint(1, 1, 1));
  tiny.Add(C3DPoint(-1, -1, -1));
  const std::unique_ptr<CIntCoordMap> clamped = tiny.InitIntCoordMap(1e-30f);
  EXPECT_TRUE(proximity(tiny, 0, clamped.get()).empty());

  // Only non-finite points: one cell size of 0, no crash.
  C3DPointList none;
  none.Add(C3DPoint(kNaN, kNaN, kNaN));
  none.Add(C3DPoint(kInf, kInf, kInf));
  const std::unique_ptr<CIntCoordMap> odd = none.InitIntCoordMap(0.0f);
  EXPECT_EQ(odd->GetCellSize(), 0.0);
  EXPECT_TRUE(proximity(none, 1, odd.get()).empty());
}

TEST(IntCoordMap, LatticeOfDistinctCellsSurvivesTableGrowth) {
  // One point in the middle of each cell of a 30 x 30 x 30 block of cells
  // of 0.5: the table has to grow several times past its first size.
  C3DPointList list;
  constexpr int kSide = 30;
  for (int i = 0; i < kSide; ++i)
    for (int j = 0; j < kSide; ++j)
      for (int k = 0; k < kSide; ++k)
        list.Add(C3DPoint(0.5f * i + 0.25f, 0.5f * j + 0.25f, 0.5f * k + 0.25f));
  const double diagonal = std::sqrt(3.0) * 0.5 * (kSide - 1);
  const std::unique_ptr<CIntCoordMap> map =
      list.InitIntCoordMap(static_cast<float>(50.0 / diagonal));
  ASSERT_NEAR(map->GetCellSize(), 0.5, 1e-6);
  ASSERT_EQ(map->GetCellNbr(), kSide * kSide * kSide);
  for (int p = 0; p < list.GetSize(); ++p) {
    const vex3d::IntCell c = map->GetPointCell(p);
    ASSERT_EQ(c, (vex3d::IntCell{p / (kSide * kSide), p / kSide % kSide, p % kSide}));
    int n = 0;
    const int* in = map->Find(c, n);
    ASSERT_EQ(n, 1);
    ASSERT_EQ(in[0], p);
  }
  int n = 0;
  const std::unique_ptr<int[]> around =
      list.Get3DProximityPoints((kSide * kSide + kSide + 1) * 5, map.get(), n);
  EXPECT_EQ(n, 27);
  const std::unique_ptr<int[]> corner = list.Get3DProximityPoints(0, map.get(), n);
  EXPECT_EQ(n, 8);
}
