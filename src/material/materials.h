#pragma once
// The materials of one scene, keyed by material id. Id 0 is the default
// material, made on first request.
#include <cstdint>
#include <memory>
#include <string>

#include "hostlib/containers/hash_map.h"
#include "hostlib/containers/hash_table.h"
#include "hostlib/core/object.h"
#include "material/material.h"
#include "vex3d_export.h"

// CopyMaterials flags.
enum : std::uint32_t {
  COPY_MATERIALS_ASSIGN = 1,  // assign into a material already under the id
  COPY_MATERIALS_CLEAR = 2,   // empty this set first
  COPY_MATERIALS_FILTER = 4,  // only ids of the filter (none without one)
};

class VEX3D_EXPORT CMaterials : public CObject {
  DECLARE_SERIAL(CMaterials)

 public:
  using MaterialMap = CHashMap<std::uint32_t, std::unique_ptr<C3DMaterial>>;

  CMaterials();
  CMaterials(const CMaterials&) = delete;
  CMaterials& operator=(const CMaterials&) = delete;
  ~CMaterials() override;

  // A new material under `id` (its own fresh id for 0xFFFFFFFF), replacing
  // what was there; id 0 is named "Default material".
  C3DMaterial* CreateNewMaterial(std::uint32_t id);
  // Null for a missing id, except 0, which makes the default material.
  C3DMaterial* GetMaterial(std::uint32_t id);
  // The default material takes the parameters of `material`; a new one is
  // named "Default material".
  void SetDefaultMaterial(const C3DMaterial& material);
  void RemoveMaterial(std::uint32_t id);
  void RemoveAll();
  int GetMaterialNbr() const { return m_materials.GetCount(); }

  // Id of the first material (in slot order) named `name`, or 0xFFFFFFFF.
  std::uint32_t IsMaterialExist(const std::string& name) const;
  // The first material with the same name and parameters as `material`.
  bool IsMaterialExist(const C3DMaterial& material, std::uint32_t& id) const;

  // Copies the materials of `source` under their ids (COPY_MATERIALS_*).
  void CopyMaterials(const CMaterials& source, std::uint32_t flags,
                     const CHashTable<std::uint32_t>* filter);

  // Slot-order walk: for (auto [id, material] : materials.GetMap()).
  const MaterialMap& GetMap() const { return m_materials; }

  void Serialize(CArchive& ar) override;

 private:
  C3DMaterial* Enter(std::unique_ptr<C3DMaterial> material);

  MaterialMap m_materials;
};
