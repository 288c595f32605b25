#include "math/point4d.h"

#include "hostlib/core/archive.h"
#include "math/point3d.h"

C4DVector::C4DVector(const C3DPoint& a, const C3DPoint& b)
    : x(b.x - a.x), y(b.y - a.y), z(b.z - a.z), w(1.0f) {}

void C4DVector::Serialize(CArchive& ar) {
  if (ar.IsStoring())
    ar << x << y << z << w;
  else
    ar >> x >> y >> z >> w;
}

void C4DVector::InitFromPoints(const C3DPoint& a, const C3DPoint& b) {
  x = b.x - a.x;
  y = b.y - a.y;
  z = b.z - a.z;
  w = 1.0f;
}

void C4DVector::InitFromPoint(const C3DPoint& p) {
  x = p.x;
  y = p.y;
  z = p.z;
  w = 1.0f;
}

C4DVector& C4DVector::operator=(const C3DVector& v) {
  x = v.x;
  y = v.y;
  z = v.z;
  w = 1.0f;
  return *this;
}

void C4DVector::GetPlaneVector(const C3DPoint& p1, const C3DPoint& p2, const C3DPoint& p3) {
  const C3DVector n = C3DVector(p1, p2) ^ C3DVector(p1, p3);
  x = n.x;
  y = n.y;
  z = n.z;
  Normalize();
  w = -(x * p1.x + y * p1.y + z * p1.z);
}
