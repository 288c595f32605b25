#include "math/vc_point.h"

#include "hostlib/core/archive.h"

void CVCPoint::Serialize(CArchive& ar) {
  CPt::Serialize(ar);
  m_color.Serialize(ar);
}

CVCPoint& CVCPoint::operator=(const CPt& other) {
  if (this != &other) {
    assignBase(other);
    C4DPoint p;
    other.To4DPoint(p);
    CVCPoint::operator=(p);
  }
  return *this;
}
