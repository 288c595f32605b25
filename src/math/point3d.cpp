#include "math/point3d.h"

#include "hostlib/archive.h"
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
