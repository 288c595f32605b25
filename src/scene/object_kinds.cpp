#include "scene/object_kinds.h"

#include "hostlib/core/archive.h"

IMPLEMENT_SERIAL(C3DGroup, C3DBaseObject, 1)
IMPLEMENT_SERIAL(C3DCurve, C3DBaseObject, 1)

C3DGroup::C3DGroup() : C3DBaseObject(OBJECT_GROUP) {}

C3DCurve::C3DCurve() : C3DBaseObject(OBJECT_CURVE) {}

void C3DCurve::Serialize(CArchive& ar) {
  C3DBaseObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar << m_materialId;
  } else {
    ar >> m_materialId;
  }
}

int C3DCurve::Copy(std::unique_ptr<C3DBaseObject>& target, int mode,
                   C3DObjectCreator* creator) const {
  if (!C3DBaseObject::Copy(target, mode, creator)) return 0;
  if (auto* curve = dynamic_cast<C3DCurve*>(target.get())) curve->m_materialId = m_materialId;
  return 1;
}
