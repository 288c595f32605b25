// One texture channel for the whole object, merged from the per-material
// ones: formats and renderers that take a single set of coordinates per
// mesh read this one.
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "hostlib/containers/hash_table.h"
#include "material/material.h"
#include "material/material_map.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/map_channel_id.h"
#include "mesh/model/point_lists.h"
#include "scene/scene.h"

namespace {

constexpr std::uint32_t kNoData = FACE_INVALID | FACE_CHANNEL_INVALID;

}  // namespace

CChannel* C3DBaseObject::MakeGlobalChannel(CHashTable<CMapChannelID>*& pairs, _Channel3DType type) {
  if (pairs == nullptr || pairs->IsEmpty() || !m_faces) return nullptr;
  std::unique_ptr<CChannel> merged = CChannel::Create(type);
  if (!merged || merged->GetFaceList() == nullptr || merged->GetPointList() == nullptr) {
    return nullptr;
  }
  CFaceList& faces = *merged->GetFaceList();
  CPointList& points = *merged->GetPointList();
  faces.SetSizeAndFlags(0, 0);
  faces.SetSizeAndFlags(*m_faces, kNoData);
  faces.SetFacesFlags(kNoData, 1);

  // One new point per (source channel, source point) pair met.
  std::unordered_map<std::uint64_t, int> made;
  for (int f = 0; f < m_faces->GetSize(); ++f) {
    const CMapChannelID* pair = pairs->Find({m_faces->ElementAt(f)->GetMaterialID(), 0});
    if (pair == nullptr) continue;
    CFaceList* sourceFaces = nullptr;
    CPointList* sourcePoints = nullptr;
    CChannel* source = m_channels->GetChannelByID(pair->channelId, sourceFaces, sourcePoints);
    if (source == nullptr || source->GetType() != type || sourceFaces == nullptr ||
        sourcePoints == nullptr) {
      continue;
    }
    const CFace* from = sourceFaces->ElementAt(f);
    if (from == nullptr || from->IsOneFlagSet(kNoData)) continue;
    CFace* to = faces.ElementAt(f);
    to->SetSize(from->GetSize());
    to->SetFlags(kNoData, 0);
    for (std::uint32_t k = 0; k < from->GetSize(); ++k) {
      const int p = (*from)[k];
      if (p < 0 || p >= sourcePoints->GetSize()) {
        (*to)[k] = 0;
        continue;
      }
      const std::uint64_t key = (std::uint64_t{pair->channelId} << 32) | std::uint32_t(p);
      auto [it, isNew] = made.emplace(key, 0);
      if (isNew) {
        it->second = points.Add();
        *points.GetPt(it->second) = *sourcePoints->GetPt(p);
      }
      (*to)[k] = it->second;
    }
  }
  points.FreeExtra();
  return merged.release();
}

int C3DBaseObject::GlobalizeChannels(C3DScene* scene, int removeSources) {
  if (GetFaceNbr() == 0 || IsFlagSet(OBJECT_EMPTY) || scene == nullptr) return 0;
  CChannel* global = m_channels->GetChannelByID(m_globalUVW, CHANNEL_UVW);
  if (global != nullptr && !global->IsFlagSet(CHANNEL_INVALID)) return 0;
  const CHashTable<unsigned int>* used = GetMaterialsHash();
  if (used == nullptr) return 0;

  CHashTable<CMapChannelID> recorded;
  for (unsigned int id : *used) {
    C3DMaterial* material = scene->GetMaterial(id);
    const CMaterialMap* map = material != nullptr ? material->GetDiffuseMaps() : nullptr;
    if (map == nullptr || map->GetChannelID() == vex3d::kNoChannelId) continue;
    recorded.Insert({id, map->GetChannelID()});
  }
  CHashTable<CMapChannelID>* pairs = &recorded;
  std::unique_ptr<CChannel> merged(MakeGlobalChannel(pairs, CHANNEL_UVW));
  if (!merged) return 0;
  if (removeSources) {
    for (const CMapChannelID& pair : recorded) m_channels->RemoveChannelByID(pair.channelId);
  }
  const std::uint32_t id = merged->GetChannelID();
  m_channels->AddChannel(merged.release());
  SetGlobalUVWChannel(id);
  m_update |= UPDATE_MODIFIED;
  return 1;
}
