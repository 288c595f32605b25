#include "hostlib/core/rgb_color.h"

#include "hostlib/core/archive.h"

void CRGBColor::Serialize(CArchive& ar) {
  if (ar.IsStoring())
    ar.Write(m_bytes, sizeof m_bytes);
  else
    ar.ReadExact(m_bytes, sizeof m_bytes);
}
