// Splitting points along attribute seams: renderers and formats that keep
// one attribute value per point need a point per distinct value.
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "math/point4d.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace {

constexpr std::uint32_t kSeamFlags = POINT_UV_FRONTIER | POINT_VC_FRONTIER | POINT_NORMAL_BREAK;
constexpr std::uint32_t kNoData = FACE_INVALID | FACE_CHANNEL_INVALID;
constexpr float kNormalSeamAngle = 0.17453294f;  // 10 degrees

// Marks the seams of the stored channels on the mesh points; returns the
// channels that took part.
std::vector<CChannel*> markStoredSeams(C3DBaseObject& object) {
  std::vector<CChannel*> marked;
  CGeomInfo geom(&object);
  CDependentChannels& channels = *object.GetChannels();
  for (int i = 0; i < channels.GetSize(); ++i) {
    CChannel* c = channels.GetChannelByIndex(i);
    if (c->IsOneFlagSet(CHANNEL_INVALID | CHANNEL_COMPUTED)) continue;
    switch (c->GetType()) {
      case CHANNEL_VC:
        static_cast<CVCChannel*>(c)->InitVCFrontierFlag(&geom, 0, 1);
        break;
      case CHANNEL_UVW:
        static_cast<CUVWChannel*>(c)->InitShareUVFlag(&geom, 0.0f, 1);
        break;
      case CHANNEL_SPEC_NORMAL:
        static_cast<CSpecNormalChannel*>(c)->InitNormalBreakFlag(&geom, kNormalSeamAngle, 1);
        break;
      default:
        continue;
    }
    marked.push_back(c);
  }
  return marked;
}

// The values every marked channel gives face `f`'s corner at point `p`, as
// bytes: faces with the same bytes may keep sharing the point. A corner
// without data counts as four zeros.
std::string cornerKey(const std::vector<CChannel*>& channels, const C3DFace& meshFace, int f,
                      int p) {
  std::string key;
  const int k = meshFace.IsFacePoint(p);
  for (CChannel* channel : channels) {
    C4DPoint value(4, 1);
    const CPointList* points = channel->GetPointList();
    const CFaceList* faces = channel->GetFaceList();
    int index = p;
    if (faces != nullptr) {
      const CFace* cf = faces->ElementAt(f);
      index = cf == nullptr || cf->IsOneFlagSet(kNoData) || k < 0 ||
                      static_cast<std::uint32_t>(k) >= cf->GetSize()
                  ? -1
                  : (*cf)[static_cast<std::uint32_t>(k)];
    }
    if (points != nullptr && index >= 0 && index < points->GetSize()) {
      points->GetPt(index)->To4DPoint(value);
    }
    // -0 and +0 are one value.
    const float v[4] = {value[0] + 0.0f, value[1] + 0.0f, value[2] + 0.0f, value[3] + 0.0f};
    key.append(reinterpret_cast<const char*>(v), sizeof v);
  }
  return key;
}

}  // namespace

int C3DBaseObject::DisconnectBorderFaces() {
  if (!m_points || !m_faces || IsFlagSet(OBJECT_EMPTY)) return 0;
  CGeomInfo geom(this);
  m_faces->InitPointToFaceGraph(&geom);
  m_points->SetPointsFlags(kSeamFlags, 0);
  const std::vector<CChannel*> channels = markStoredSeams(*this);
  if (channels.empty()) return 0;

  const int count = m_points->GetSize();
  std::size_t extra = 0;
  for (int p = 0; p < count; ++p) {
    if (!m_points->GetPt(p)->IsOneFlagSet(kSeamFlags)) continue;
    int n = 0;
    m_faces->GetFacesConnectedToPoint(p, n);
    if (n > 1) extra += static_cast<std::size_t>(n - 1);
  }
  if (extra == 0) return 0;

  // Faces are rewritten below, so the graph is read into one list first.
  std::vector<std::pair<int, std::vector<int>>> seamPoints;
  for (int p = 0; p < count; ++p) {
    if (!m_points->GetPt(p)->IsOneFlagSet(kSeamFlags)) continue;
    int n = 0;
    const int* around = m_faces->GetFacesConnectedToPoint(p, n);
    if (n > 1) seamPoints.emplace_back(p, std::vector<int>(around, around + n));
  }

  m_points->SetSize(count, static_cast<int>(std::min<std::size_t>(extra, 1u << 30)));
  std::unordered_map<std::string, int> pointOf;
  int created = 0;
  for (const auto& [p, faces] : seamPoints) {
    pointOf.clear();
    for (int f : faces) {
      C3DFace* face = m_faces->ElementAt(f);
      if (face == nullptr) continue;
      const auto [it, isNew] = pointOf.emplace(cornerKey(channels, *face, f, p), -1);
      if (isNew) {
        if (pointOf.size() == 1) {
          it->second = p;
        } else {
          const C3DPoint copy = m_points->ElementAt(p);
          it->second = m_points->Add(copy);
          ++created;
        }
      }
      int position = -1;
      if (it->second != p) face->ReplaceIndex(p, it->second, position);
    }
  }
  m_points->SetPointsFlags(kSeamFlags, 0);
  m_points->FreeExtra();
  if (created == 0) return 0;
  Invalidate(OBJECT_CHANGED_POINTS | OBJECT_CHANGED_FACES, 1);
  return 1;
}
