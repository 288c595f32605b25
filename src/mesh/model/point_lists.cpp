#include "mesh/model/point_lists.h"

#include <algorithm>
#include <cmath>

#include "math/matrix4x4.h"
#include "mesh/model/int_coord_map.h"

IMPLEMENT_SERIAL(C2DPointList, CPointList, 1)
IMPLEMENT_SERIAL(C3DPointList, CPointList, 1)
IMPLEMENT_SERIAL(C3DVectorList, CPointList, 1)
IMPLEMENT_SERIAL(CUVWPointList, CPointList, 1)
IMPLEMENT_SERIAL(CVCPointList, CPointList, 1)

int C3DPointList::GetBoundingBox(C3DPoint& min, C3DPoint& max, _POINT_PROPERTIES flag,
                                 int value) const {
  const bool wanted = value != 0;
  int count = 0;
  min.Init();
  max.Init();
  const int n = GetSize();
  const C3DPoint* points = GetData();
  for (int i = 0; i < n; ++i) {
    const C3DPoint& p = points[i];
    if (p.IsFlagSet(flag) != wanted) continue;
    if (count++ == 0) {
      min.Init(p.x, p.y, p.z);
      max.Init(p.x, p.y, p.z);
      continue;
    }
    min.Init(std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z));
    max.Init(std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z));
  }
  return count;
}

C3DPoint C3DPointList::GetCenterOfBoudingBox() const {
  C3DPoint min;
  C3DPoint max;
  GetBoundingBox(min, max);
  return (min + max) / 2.0f;
}

void C3DPointList::NoisyWaveFunc(const C3DPoint& origin, const C3DVector& period, float amplitude,
                                 float frequency, float phase, _POINT_PROPERTIES flag, int value) {
  const bool wanted = value != 0;
  const int n = GetSize();
  C3DPoint* points = GetData();
  for (int i = 0; i < n; ++i) {
    if (points[i].IsFlagSet(flag) == wanted) {
      points[i].NoisyWaveFunc(origin, period, amplitude, frequency, phase);
      SetFlag(POINTLIST_CHANGED, 1);
    }
  }
}

namespace {

template <class TPoint>
int transformAll(TPoint* points, int n, const C4x4Matrix& m) {
  if (n <= 0 || m.IsIdentity()) return 0;
  // Stores into the points are float stores that could alias the matrix:
  // locals spare a reload of all twelve elements per point.
  const float m00 = m.m[0][0], m01 = m.m[0][1], m02 = m.m[0][2], m03 = m.m[0][3];
  const float m10 = m.m[1][0], m11 = m.m[1][1], m12 = m.m[1][2], m13 = m.m[1][3];
  const float m20 = m.m[2][0], m21 = m.m[2][1], m22 = m.m[2][2], m23 = m.m[2][3];
  for (int i = 0; i < n; ++i) {
    TPoint& p = points[i];
    const float x = p.x;
    const float y = p.y;
    const float z = p.z;
    p.x = m00 * x + m01 * y + m02 * z + m03;
    p.y = m10 * x + m11 * y + m12 * z + m13;
    p.z = m20 * x + m21 * y + m22 * z + m23;
  }
  return 1;
}

}  // namespace

int C3DPointList::MatrixTransform(const C4x4Matrix& m) {
  if (!transformAll(GetData(), GetSize(), m)) return 0;
  SetFlag(POINTLIST_CHANGED, 1);
  return 1;
}

int C3DVectorList::MatrixTransform(const C4x4Matrix& m) {
  if (!transformAll(GetData(), GetSize(), m)) return 0;
  SetFlag(POINTLIST_CHANGED, 1);
  return 1;
}

std::unique_ptr<CIntCoordMap> C3DPointList::InitIntCoordMap(float tolerance) const {
  const int n = GetSize();
  if (n == 0) return nullptr;
  // Points with a NaN or infinite coordinate would make the box, and with
  // it every cell, meaningless; they get cells of their own in the map.
  const C3DPoint* points = GetData();
  double lo[3] = {0.0, 0.0, 0.0};
  double hi[3] = {0.0, 0.0, 0.0};
  bool any = false;
  for (int i = 0; i < n; ++i) {
    const float* v = points[i].ValPtr();
    if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) continue;
    for (int a = 0; a < 3; ++a) {
      if (!any || v[a] < lo[a]) lo[a] = v[a];
      if (!any || v[a] > hi[a]) hi[a] = v[a];
    }
    any = true;
  }
  const double dx = hi[0] - lo[0];
  const double dy = hi[1] - lo[1];
  const double dz = hi[2] - lo[2];
  const double diagonal = std::sqrt(dx * dx + dy * dy + dz * dz);
  return std::make_unique<CIntCoordMap>(points, n, CIntCoordMap::CellSizeFor(diagonal, tolerance));
}

std::unique_ptr<int[]> C3DPointList::Get3DProximityPoints(int i, const CIntCoordMap* map,
                                                          int& n) const {
  n = 0;
  if (map == nullptr || i < 0 || i >= map->GetPointNbr()) return nullptr;
  CIntCoordMap::Neighbourhood cells;
  const int total = map->GetNeighbourhood(map->GetPointCell(i), cells);
  if (total < 2) return nullptr;
  auto found = std::make_unique_for_overwrite<int[]>(static_cast<std::size_t>(total));
  int* out = found.get();
  for (const CIntCoordMap::CellPoints& cell : cells) out = std::copy_n(cell.points, cell.n, out);
  n = total;
  return found;
}

int C3DPointList::Get3DProximityPoints(const CIntCoordMap* map) const {
  if (map == nullptr) return 0;
  // Every point of a cell has the same 27 cells around it: one look per cell.
  int count = 0;
  CIntCoordMap::Neighbourhood cells;
  const int occupied = map->GetCellNbr();
  for (int c = 0; c < occupied; ++c) {
    if (map->GetNeighbourhood(map->GetCell(c), cells) >= 2)
      count += cells[CIntCoordMap::kOwnCell].n;
  }
  return count;
}
