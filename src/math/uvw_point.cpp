#include "math/uvw_point.h"

#include "hostlib/core/archive.h"

void CUVWPoint::Serialize(CArchive& ar) {
  CPt::Serialize(ar);
  if (ar.IsStoring())
    ar << u << v << w;
  else
    ar >> u >> v >> w;
}

CUVWPoint& CUVWPoint::operator=(const CPt& other) {
  if (this != &other) {
    assignBase(other);
    C4DPoint p;
    other.To4DPoint(p);
    CUVWPoint::operator=(p);
  }
  return *this;
}
