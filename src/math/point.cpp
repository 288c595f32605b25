#include "math/point.h"

#include "hostlib/core/archive.h"

void CPt::Serialize(CArchive& ar) {
  if (ar.IsStoring())
    ar << m_flags;
  else
    ar >> m_flags;
}
