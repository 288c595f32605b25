#include "math/point3d.h"

#include <algorithm>

#include "hostlib/core/archive.h"
#include "math/quaternion.h"
#include "math/uvw_point.h"

namespace {

// 2 pi as the float the wave has always used.
constexpr float kTwoPi = 6.2831855f;

}  // namespace

void C3DPoint::Serialize(CArchive& ar) {
  CPt::Serialize(ar);
  if (ar.IsStoring())
    ar << x << y << z;
  else
    ar >> x >> y >> z;
}

C3DPoint& C3DPoint::operator=(const CPt& other) {
  if (this != &other) {
    assignBase(other);
    C4DPoint p;
    other.To4DPoint(p);
    C3DPoint::operator=(p);
  }
  return *this;
}

C3DPoint& C3DPoint::operator=(const C3DVector& v) {
  assignBase(v);
  x = v.x;
  y = v.y;
  z = v.z;
  return *this;
}

void C3DPoint::NoisyWaveFunc(const C3DPoint& origin, const C3DVector& period, float amplitude,
                             float frequency, float phase) {
  const float a = period.Length() * amplitude;
  if (period.x != 0.0f) z += a * std::sin(kTwoPi * ((x - origin.x) * frequency / period.x + phase));
  if (period.y != 0.0f) x += a * std::sin(kTwoPi * ((y - origin.y) * frequency / period.y + phase));
  if (period.z != 0.0f) y += a * std::sin(kTwoPi * ((z - origin.z) * frequency / period.z + phase));
}

namespace {

// 4 when x < 0, else 2 when y < 0, else 1 when z < 0, else 0: the three
// cross products of a point inside a triangle share one class.
int signClass(const C3DVector& v) {
  if (v.x < 0.0f) return 4;
  if (v.y < 0.0f) return 2;
  if (v.z < 0.0f) return 1;
  return 0;
}

bool outside(float p, float a, float b, float c) {
  return p < std::min({a, b, c}) || p > std::max({a, b, c});
}

}  // namespace

int C3DPoint::IsInTriangle(const C3DPoint& a, const C3DPoint& b, const C3DPoint& c) const {
  if (outside(x, a.x, b.x, c.x) || outside(y, a.y, b.y, c.y) || outside(z, a.z, b.z, c.z)) {
    return 0;
  }
  const int ab = signClass(C3DVector(a, b) ^ C3DVector(a, *this));
  const int bc = signClass(C3DVector(b, c) ^ C3DVector(b, *this));
  const int ca = signClass(C3DVector(c, a) ^ C3DVector(c, *this));
  return ab == bc && bc == ca ? 1 : 0;
}

C3DVector::C3DVector(const CQuaternion& q) : x(q.x), y(q.y), z(q.z) {}

void C3DVector::Serialize(CArchive& ar) {
  CPt::Serialize(ar);
  if (ar.IsStoring())
    ar << x << y << z;
  else
    ar >> x >> y >> z;
}

C3DVector& C3DVector::operator=(const CPt& other) {
  if (this != &other) {
    assignBase(other);
    C4DPoint p;
    other.To4DPoint(p);
    C3DVector::operator=(p);
  }
  return *this;
}

void C3DVector::InitFromUVWPoints(const CUVWPoint& a, const CUVWPoint& b) {
  x = b.u - a.u;
  y = b.v - a.v;
  z = b.w - a.w;
}
