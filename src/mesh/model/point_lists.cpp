#include "mesh/model/point_lists.h"

#include <algorithm>

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
