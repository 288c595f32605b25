#pragma once
// The object kinds that carry no polygonal geometry of their own: groups
// give a node children, curves are point runs with one material.
#include <cstdint>

#include "mesh/model/base_object.h"

class VEX3D_EXPORT C3DGroup : public C3DBaseObject {
  DECLARE_SERIAL(C3DGroup)

 public:
  C3DGroup();
};

class VEX3D_EXPORT C3DCurve : public C3DBaseObject {
  DECLARE_SERIAL(C3DCurve)

 public:
  C3DCurve();
  using C3DBaseObject::Copy;
  void SetMaterialID(std::uint32_t id) { m_materialId = id; }
  std::uint32_t GetMaterialID() const { return m_materialId; }
  // The base object's form, then the material id (u32).
  void Serialize(CArchive& ar) override;

 protected:
  int Copy(std::unique_ptr<C3DBaseObject>& target, int mode,
           C3DObjectCreator* creator) const override;

 private:
  std::uint32_t m_materialId = 0;
};
