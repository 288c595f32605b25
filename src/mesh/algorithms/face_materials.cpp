// Whole-list operations of the mesh face list that the object and the
// renderer need: which materials are in use, material replacement, drawing
// order by material, flipping a face with its channel faces, the box of the
// used points.
#include <algorithm>
#include <utility>
#include <vector>

#include "hostlib/core/parallel_parts.h"
#include "math/point3d.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"

namespace {
constexpr std::uint32_t kBoxSkipMask = 0x07;
constexpr int kFacesPerPart = 262144;
}  // namespace

const CHashTable<unsigned int>& C3DFaceList::GetMaterialsHash(CGeomInfo* geom) {
  UpdateList(geom);
  if (!m_materialsHashCurrent) CreateMaterialsHash();
  return m_materialsHash;
}

void C3DFaceList::CreateMaterialsHash() {
  m_materialsHash.InitHashTable(vex3d::kDefaultHashSize);
  const int n = GetSize();
  // Faces come in runs of one material: each part of the list keeps the id
  // of each run, and the runs go into the table in list order, as one walk
  // would put them.
  const auto idAt = [this](int i) { return static_cast<const C3DFace*>(face(i))->GetMaterialID(); };
  const int parts = vex3d::partsFor(n, kFacesPerPart);
  std::vector<std::vector<std::uint32_t>> runs(static_cast<std::size_t>(parts));
  vex3d::forEachPart(parts, 1, [&](int first, int last) {
    for (int k = first; k < last; ++k) {
      std::vector<std::uint32_t>& ids = runs[static_cast<std::size_t>(k)];
      const int begin = vex3d::partBegin(n, parts, k);
      const int end = vex3d::partBegin(n, parts, k + 1);
      for (int i = begin; i < end; ++i) {
        const std::uint32_t id = idAt(i);
        if (i == begin || id != ids.back()) ids.push_back(id);
      }
    }
  });
  for (const std::vector<std::uint32_t>& ids : runs) {
    for (std::uint32_t id : ids) m_materialsHash.Insert(id);
  }
  m_materialsHashCurrent = true;
}

void C3DFaceList::DeleteMaterialsHash() {
  m_materialsHash.InitHashTable(vex3d::kDefaultHashSize);
  m_materialsHashCurrent = false;
}

int C3DFaceList::UpdateList(CGeomInfo* geom) {
  if (IsFlagSet(FACELIST_CHANGED) && m_materialsHashCurrent) CreateMaterialsHash();
  return CFaceList::UpdateList(geom);
}

void C3DFaceList::RemoveAll() {
  DeleteMaterialsHash();
  CFaceList::RemoveAll();
}

int C3DFaceList::ReplaceMaterial(unsigned int oldId, unsigned int newId) {
  int found = 0;
  const int n = GetSize();
  for (int i = 0; i < n; ++i) {
    C3DFace* f = static_cast<C3DFace*>(face(i));
    if (f->GetMaterialID() != oldId) continue;
    f->SetMaterialID(newId);
    found = 1;
  }
  if (found) {
    DeleteMaterialsHash();
    SetFlag(FACELIST_CHANGED, 1);
  }
  return found;
}

std::unique_ptr<int[]> C3DFaceList::SortByMaterial() const {
  const int n = GetSize();
  if (n == 0) return nullptr;
  std::vector<std::pair<unsigned int, int>> keyed(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    keyed[static_cast<std::size_t>(i)] = {static_cast<const C3DFace*>(face(i))->GetMaterialID(), i};
  }
  // Faces of one material keep no particular order, so the sort may be
  // unstable.
  std::sort(keyed.begin(), keyed.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  auto order = std::make_unique_for_overwrite<int[]>(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i)
    order[static_cast<std::size_t>(i)] = keyed[static_cast<std::size_t>(i)].second;
  return order;
}

void C3DFaceList::Flip(CGeomInfo* geom, int faceIndex) {
  C3DFace* f = ElementAt(faceIndex);
  if (f == nullptr || f->IsOneFlagSet(vex3d::kFaceSkipMask)) return;
  f->Flip();
  const CDependentChannels* channels = geom != nullptr ? geom->GetSrcChannels() : nullptr;
  if (channels == nullptr) return;
  for (int c = 0; c < channels->GetSize(); ++c) {
    CFaceList* list = channels->GetChannelByIndex(c)->GetFaceList();
    CFace* cf = list != nullptr ? list->ElementAt(faceIndex) : nullptr;
    if (cf != nullptr && !cf->IsOneFlagSet(vex3d::kFaceSkipMask)) cf->Flip();
  }
}

int C3DFaceList::CopyIndexes(CGeomInfo*, int faceIndex, int start, const int* indices, int count) {
  C3DFace* f = ElementAt(faceIndex);
  if (f == nullptr) return 0;
  const auto size = static_cast<int>(f->GetSize());
  for (int k = 0; k < count && start + k < size; ++k) {
    if (start + k >= 0) (*f)[static_cast<std::uint32_t>(start + k)] = indices[k];
  }
  return count;
}

int C3DFaceList::GetBoundingBox(CGeomInfo* geom, C3DPoint& min, C3DPoint& max) const {
  const C3DPointList* points = geom != nullptr ? geom->GetSrc3DPointList() : nullptr;
  const int pointCount = points != nullptr ? points->GetSize() : 0;
  bool any = false;
  const int n = GetSize();
  for (int i = 0; i < n; ++i) {
    const CFace* f = ElementAt(i);
    if (f->IsOneFlagSet(kBoxSkipMask)) continue;
    for (std::uint32_t k = 0; k < f->GetSize(); ++k) {
      const int p = (*f)[k];
      if (p < 0 || p >= pointCount) continue;
      const C3DPoint& q = (*points)[p];
      if (!any) {
        min.Init(q[0], q[1], q[2]);
        max.Init(q[0], q[1], q[2]);
        any = true;
        continue;
      }
      for (int axis = 0; axis < 3; ++axis) {
        min[axis] = std::min(min[axis], q[axis]);
        max[axis] = std::max(max[axis], q[axis]);
      }
    }
  }
  return any ? 1 : 0;
}
