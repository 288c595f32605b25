#include "math/point2d.h"

#include "hostlib/core/archive.h"

void C2DPoint::Serialize(CArchive& ar) {
  CPt::Serialize(ar);
  if (ar.IsStoring())
    ar << x << y;
  else
    ar >> x >> y;
}

C2DPoint& C2DPoint::operator=(const CPt& other) {
  if (this != &other) {
    assignBase(other);
    C4DPoint p;
    other.To4DPoint(p);
    C2DPoint::operator=(p);
  }
  return *this;
}
