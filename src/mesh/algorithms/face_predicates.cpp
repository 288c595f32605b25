// Small geometric questions about one face: its normal, convexity and shape.
#include <cmath>

#include "math/point3d.h"
#include "mesh/algorithms/internal/triangulate.h"
#include "mesh/model/face.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace vex3d {

namespace {

// 4 sqrt(3): the compacity of an equilateral triangle is then 1.
constexpr float kCompacityScale = 6.928203f;

bool allPointsExist(const C3DFace& face, const C3DPointList* points, std::uint32_t count) {
  if (points == nullptr) return false;
  const int size = points->GetSize();
  for (std::uint32_t k = 0; k < count; ++k) {
    const int index = face[k];
    if (index < 0 || index >= size) return false;
  }
  return true;
}

}  // namespace

bool newellNormal(const C3DFace& face, const C3DPointList* points, double out[3]) {
  const std::uint32_t n = face.GetSize();
  if (!allPointsExist(face, points, n)) return false;
  const C3DPoint* data = points->GetData();
  double sum[3] = {0.0, 0.0, 0.0};
  for (std::uint32_t j = 0, i = n - 1; j < n; i = j++) {
    const C3DPoint& a = data[face[i]];
    const C3DPoint& b = data[face[j]];
    sum[0] += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
    sum[1] += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
    sum[2] += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
  }
  out[0] = sum[0];
  out[1] = sum[1];
  out[2] = sum[2];
  return true;
}

void unitNormal(const C3DFace& face, const C3DPointList* points, C3DVector& normal) {
  if (face.GetSize() < 3) return;
  double n[3];
  if (!newellNormal(face, points, n)) {
    normal.Init(0.0f, 0.0f, 0.0f);
    return;
  }
  normal.Init(static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2]));
  normal.Normalize();
}

}  // namespace vex3d

void C3DFace::GetNormal(const CGeomInfo& geom, C3DVector& normal) const {
  vex3d::unitNormal(*this, geom.GetSrc3DPointList(), normal);
}

int C3DFace::IsConvex(const CGeomInfo* geom) const {
  const std::uint32_t n = GetSize();
  if (n <= 3) return 1;
  const C3DPointList* points = geom != nullptr ? geom->GetSrc3DPointList() : nullptr;
  if (!vex3d::allPointsExist(*this, points, n)) return 0;
  auto turn = [&](std::uint32_t i) {
    const C3DPoint& a = (*points)[(*this)[i % n]];
    const C3DPoint& b = (*points)[(*this)[(i + 1) % n]];
    const C3DPoint& c = (*points)[(*this)[(i + 2) % n]];
    return C3DVector(a, b) ^ C3DVector(b, c);
  };
  const C3DVector reference = turn(0);
  for (std::uint32_t i = 0; i < n; ++i) {
    if (turn(i) * reference < 0.0f) return 0;
  }
  return 1;
}

float C3DFace::GetCompacityFactor(const CGeomInfo* geom) const {
  const C3DPointList* points = geom != nullptr ? geom->GetSrc3DPointList() : nullptr;
  if (GetSize() < 3 || !vex3d::allPointsExist(*this, points, 3)) return 0.0f;
  const C3DPoint& a = (*points)[(*this)[0]];
  const C3DPoint& b = (*points)[(*this)[1]];
  const C3DPoint& c = (*points)[(*this)[2]];
  const C3DVector ab(a, b);
  const C3DVector bc(b, c);
  const C3DVector ca(c, a);
  const float area = (ab ^ C3DVector(a, c)).Length() * 0.5f;
  const float squares = ab.Length2() + bc.Length2() + ca.Length2();
  // Three coincident points: no shape at all.
  if (squares == 0.0f) return 0.0f;
  return vex3d::kCompacityScale * area / squares;
}
