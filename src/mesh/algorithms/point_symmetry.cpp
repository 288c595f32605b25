#include "mesh/algorithms/point_symmetry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "hostlib/containers/prefetch.h"
#include "mesh/model/face_list.h"
#include "mesh/model/point_lists.h"

namespace {

float coordinate(const C3DPoint& p, int axis) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; }

void setCoordinate(C3DPoint& p, int axis, float value) {
  if (axis == 0) {
    p.x = value;
  } else if (axis == 1) {
    p.y = value;
  } else {
    p.z = value;
  }
}

// Points on either side of the mid-plane closer to it than this are taken
// as lying on it.
constexpr double kSameSide = 1e-6;

}  // namespace

C3DPointSymetryMap::~C3DPointSymetryMap() = default;

C3DPointSymetryMap::SymetricEdgeInfo C3DPointSymetryMap::GetSymetricEdge(const CFaceList& faces,
                                                                         const C3DEdge& edge,
                                                                         C3DEdge& mirrored,
                                                                         int keepOrder) const {
  const int* first = Find(edge.GetFirst());
  const int* second = Find(edge.GetSecond());
  if (first == nullptr || second == nullptr) return SYMETRIC_EDGE_NONE;
  const C3DEdge candidate(*first, *second);
  if (!faces.DoesEdgeExists(candidate, -1)) return SYMETRIC_EDGE_NONE;
  if (candidate == edge) {
    mirrored = candidate;
    return SYMETRIC_EDGE_SELF;
  }
  if (keepOrder) {
    mirrored.SetInOrder(*first, *second);
  } else {
    mirrored = candidate;
  }
  return SYMETRIC_EDGE_OTHER;
}

std::unique_ptr<C3DPointSymetryMap> C3DPointList::InitSymetryMap(_AXIS_INFO axis,
                                                                 float tolerance) const {
  const int count = GetSize();
  if (count == 0) return nullptr;
  const int a = std::clamp(static_cast<int>(axis), 0, 2);
  C3DPoint min;
  C3DPoint max;
  GetBoundingBox(min, max);
  const double mid = (static_cast<double>(coordinate(min, a)) + coordinate(max, a)) / 2.0;
  // The tolerance follows the model's size along the axis, so one value
  // serves models of any scale.
  const double extent = static_cast<double>(coordinate(max, a)) - coordinate(min, a);
  const double reach = static_cast<double>(tolerance) * extent / 20.0;
  const double reach2 = reach * reach;

  const std::unique_ptr<CIntCoordMap> grid = InitIntCoordMap(0.5f);
  const std::int32_t midCell = grid->CellIndex(static_cast<float>(mid));
  const C3DPoint* points = GetData();

  // Which candidate a point would take does not depend on the pairs made
  // before it, so the nearest mirrors are found first for every point, a
  // batch at a time: the grid slots of a batch's mirror images are fetched
  // together, then the candidates they list, so that the cache misses of a
  // large scan overlap instead of adding up. The pairs are then made in
  // point order, which decides who is paired with whom.
  std::vector<int> nearest(static_cast<std::size_t>(count), -1);
  constexpr int kBatch = 32;
  constexpr int kPrefetchedCandidates = 4;
  C3DPoint images[kBatch];
  vex3d::IntCell cells[kBatch];
  const int* candidates[kBatch];
  int candidateCounts[kBatch];
  for (int base = 0; base < count; base += kBatch) {
    const int m = std::min(kBatch, count - base);
    for (int t = 0; t < m; ++t) {
      const C3DPoint& p = points[base + t];
      images[t] = p;
      setCoordinate(images[t], a, static_cast<float>(2.0 * mid - coordinate(p, a)));
      cells[t] = grid->CellOf(images[t]);
      grid->PrefetchCell(cells[t]);
    }
    for (int t = 0; t < m; ++t) {
      candidates[t] = grid->Find(cells[t], candidateCounts[t]);
      for (int c = 0; c < std::min(candidateCounts[t], kPrefetchedCandidates); ++c)
        vex3d::prefetchForRead(&points[candidates[t][c]]);
    }
    for (int t = 0; t < m; ++t) {
      const C3DPoint& image = images[t];
      const vex3d::IntCell& cell = cells[t];
      const std::int32_t cellAlong = a == 0 ? cell.i : a == 1 ? cell.j : cell.k;
      // In the cell that straddles the mid-plane, points on P's own side
      // would be found first and are not mirrors.
      const bool straddles = cellAlong == midCell;
      const double sideOfP = mid - coordinate(points[base + t], a);
      int best = -1;
      double bestDistance = std::numeric_limits<double>::infinity();
      for (int c = 0; c < candidateCounts[t]; ++c) {
        const C3DPoint& q = points[candidates[t][c]];
        if (straddles && (mid - coordinate(q, a)) * sideOfP > kSameSide) continue;
        const double dx = static_cast<double>(q.x) - image.x;
        const double dy = static_cast<double>(q.y) - image.y;
        const double dz = static_cast<double>(q.z) - image.z;
        const double d2 = dx * dx + dy * dy + dz * dz;
        if (d2 <= reach2 && d2 < bestDistance) {
          bestDistance = d2;
          best = candidates[t][c];
        }
      }
      nearest[static_cast<std::size_t>(base + t)] = best;
    }
  }

  auto map = std::make_unique<C3DPointSymetryMap>(
      std::max<std::uint32_t>(static_cast<std::uint32_t>(count / 6), 1));
  // Whether a point is in the map already, without a hash lookup per point.
  std::vector<std::uint8_t> paired(static_cast<std::size_t>(count), 0);
  constexpr int kAhead = 16;
  for (int i = 0; i < count; ++i) {
    if (i + kAhead < count) {
      const int ahead = nearest[static_cast<std::size_t>(i + kAhead)];
      if (ahead >= 0) {
        vex3d::prefetchForRead(&paired[static_cast<std::size_t>(ahead)]);
        map->Prefetch(ahead);
      }
    }
    if (paired[static_cast<std::size_t>(i)]) continue;
    const int best = nearest[static_cast<std::size_t>(i)];
    if (best < 0) continue;
    map->Insert(i, best);
    map->Insert(best, i);
    paired[static_cast<std::size_t>(i)] = 1;
    paired[static_cast<std::size_t>(best)] = 1;
  }
  return map;
}
