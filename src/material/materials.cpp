#include "material/materials.h"

#include <utility>

#include "hostlib/core/archive.h"
#include "hostlib/text/strings.h"

IMPLEMENT_SERIAL(CMaterials, CObject, 1)

namespace {

constexpr std::uint32_t kDefaultMaterialId = 0;
constexpr std::uint32_t kNoId = 0xFFFFFFFFu;
constexpr std::uint32_t kInitialSlots = 101;
// Smallest stored material: a two-byte class back reference, then flags,
// a one-byte empty name, four factors, three colours, four map-present
// words, vertex-colour factor and channel, smoothing angle and id.
constexpr std::size_t kMinStoredMaterial = 2 + 4 + 1 + 4 * 4 + 3 * 4 + 4 * 4 + 4 * 4;

}  // namespace

CMaterials::CMaterials() : m_materials(kInitialSlots) {}

CMaterials::~CMaterials() = default;

C3DMaterial* CMaterials::Enter(std::unique_ptr<C3DMaterial> material) {
  C3DMaterial* raw = material.get();
  m_materials.Insert(raw->GetMaterialID(), std::move(material));
  return raw;
}

C3DMaterial* CMaterials::CreateNewMaterial(std::uint32_t id) {
  auto material = std::make_unique<C3DMaterial>();
  if (id != kNoId) material->SetMaterialID(id);
  if (id == kDefaultMaterialId) material->SetName(LoadStringW(vex3d::kStrDefaultMaterial));
  return Enter(std::move(material));
}

C3DMaterial* CMaterials::GetMaterial(std::uint32_t id) {
  if (auto* found = m_materials.Find(id)) return found->get();
  if (id != kDefaultMaterialId) return nullptr;
  SetDefaultMaterial(C3DMaterial());
  return m_materials.Find(kDefaultMaterialId)->get();
}

void CMaterials::SetDefaultMaterial(const C3DMaterial& material) {
  if (auto* found = m_materials.Find(kDefaultMaterialId)) {
    C3DMaterial& current = **found;
    // Assignment copies the name, but the default material keeps its own.
    const std::string name = current.GetName();
    current = material;
    current.SetName(name);
    return;
  }
  auto created = std::make_unique<C3DMaterial>();
  *created = material;
  created->SetMaterialID(kDefaultMaterialId);
  created->SetName(LoadStringW(vex3d::kStrDefaultMaterial));
  Enter(std::move(created));
}

void CMaterials::RemoveMaterial(std::uint32_t id) { m_materials.Remove(id); }

void CMaterials::RemoveAll() { m_materials.InitHashTable(kInitialSlots); }

std::uint32_t CMaterials::IsMaterialExist(const std::string& name) const {
  for (auto [id, material] : m_materials)
    if (material->GetName() == name) return id;
  return kNoId;
}

bool CMaterials::IsMaterialExist(const C3DMaterial& material, std::uint32_t& id) const {
  for (auto [key, candidate] : m_materials) {
    if (candidate->GetName() == material.GetName() && candidate->HasSameParameters(material)) {
      id = key;
      return true;
    }
  }
  return false;
}

void CMaterials::CopyMaterials(const CMaterials& source, std::uint32_t flags,
                               const CHashTable<std::uint32_t>* filter) {
  if (&source == this) return;
  if ((flags & COPY_MATERIALS_CLEAR) != 0) RemoveAll();
  if ((flags & COPY_MATERIALS_FILTER) != 0 && filter == nullptr) return;
  for (auto [id, material] : source.m_materials) {
    if ((flags & COPY_MATERIALS_FILTER) != 0 && !filter->Contains(id)) continue;
    if ((flags & COPY_MATERIALS_ASSIGN) != 0) {
      if (auto* present = m_materials.Find(id)) {
        **present = *material;
        (*present)->SetMaterialID(id);
        continue;
      }
    }
    auto copy = std::make_unique<C3DMaterial>();
    *copy = *material;
    copy->SetMaterialID(id);
    Enter(std::move(copy));
  }
}

void CMaterials::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<std::uint64_t>(m_materials.GetCount()));
    for (auto [id, material] : m_materials) ar << static_cast<const CObject*>(material.get());
    return;
  }
  const std::uint64_t count = ar.ReadCount(kMinStoredMaterial);
  // Read aside so that a set cut short leaves this one unchanged.
  MaterialMap loaded(kInitialSlots);
  for (std::uint64_t i = 0; i < count; ++i) {
    std::unique_ptr<C3DMaterial> material(
        static_cast<C3DMaterial*>(ar.ReadOwnedObject(RUNTIME_CLASS(C3DMaterial))));
    if (material == nullptr)
      AfxThrowArchiveException(CArchiveException::genericException, "null material in a set");
    const std::uint32_t id = material->GetMaterialID();
    loaded.Insert(id, std::move(material));
  }
  m_materials = std::move(loaded);
}
