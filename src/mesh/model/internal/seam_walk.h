#pragma once
// The walks behind seam marking, shared by every per-corner channel kind: a
// mesh point is on a seam when its corners do not all carry the same value.
// Channels may come from files, so every index read from a list is checked
// and a corner that points nowhere is left out rather than trusted.
#include <algorithm>
#include <cstdint>

#include "mesh/model/channel.h"
#include "mesh/model/edge.h"
#include "mesh/model/face_list.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_list.h"

namespace vex3d::seams {

// The mesh's point count: its point list, else one past the highest index
// its faces use.
inline int meshPointCount(const CGeomInfo& geom) {
  if (const CPointList* points = geom.GetSrcPointList()) return points->GetSize();
  const CFaceList* faces = geom.GetSrcFaceList();
  if (faces == nullptr) return 0;
  int highest = -1;
  for (int i = 0; i < faces->GetSize(); ++i) {
    const CFace* f = (*faces)[i];
    for (std::uint32_t k = 0; k < f->GetSize(); ++k) highest = std::max(highest, (*f)[k]);
  }
  return highest + 1;
}

template <class TList>
bool inRange(const TList& points, int i) {
  return i >= 0 && i < points.GetSize();
}

// Marks `flag` on the mesh points whose corners carry values that `differ`,
// and on those corners' channel points.
template <class TList, class Differ>
void markSeams(CChannel& channel, TList* channelPoints, CGeomInfo* geom, std::uint32_t flag,
               int alsoMesh, Differ differ) {
  CPointList* meshPoints = geom != nullptr ? geom->GetSrcPointList() : nullptr;
  if (channelPoints != nullptr) channelPoints->SetPointsFlags(flag, 0);
  if (alsoMesh && meshPoints != nullptr) meshPoints->SetPointsFlags(flag, 0);
  if (channelPoints == nullptr || geom == nullptr) return;

  channel.CreateGraph(geom);
  const int count = meshPointCount(*geom);
  for (int p = 0; p < count; ++p) {
    int n = 0;
    int corners = 0;
    const _ChannelConnectionInfo* entries = channel.GetChannelPointsConnectedToPoint(p, n, corners);
    if (entries == nullptr) continue;
    // Corners left out of the graph (masked) count as a break.
    bool seam = n != corners;
    int first = -1;
    for (int j = 0; j < n && !seam; ++j) {
      const int cp = entries[j].point;
      if (!inRange(*channelPoints, cp)) continue;
      if (first < 0) {
        first = cp;
      } else if (cp != first) {
        seam = differ(channelPoints->ElementAt(first), channelPoints->ElementAt(cp));
      }
    }
    if (!seam) continue;
    if (alsoMesh && meshPoints != nullptr && p < meshPoints->GetSize()) {
      meshPoints->GetPt(p)->SetFlags(flag, 1);
    }
    for (int j = 0; j < n; ++j) {
      const int cp = entries[j].point;
      if (inRange(*channelPoints, cp)) channelPoints->ElementAt(cp).SetFlags(flag, 1);
    }
  }
  channel.DeleteGraph();
}

// The channel point at the corner of mesh face `face` that holds mesh point
// `meshPoint`: -1 when the corner is missing. Without a channel face list
// the channel point is the mesh point.
inline int cornerValue(const CFace& meshFace, const CFace* channelFace, int meshPoint) {
  const int k = meshFace.IsFacePoint(meshPoint);
  if (k < 0 || channelFace == nullptr) return k < 0 ? -1 : meshPoint;
  if (static_cast<std::uint32_t>(k) >= channelFace->GetSize()) return -1;
  return (*channelFace)[static_cast<std::uint32_t>(k)];
}

// Whether the edge between mesh faces f1 and f2 is a seam: the validity
// rules first, then `differ` on the channel points of each edge end in the
// two faces. Corners that point nowhere are not compared.
template <class TList, class Differ>
int isFrontier(const CChannel& channel, const TList* channelPoints, const CGeomInfo* geom,
               const C3DEdge& edge, int f1, int f2, Differ differ) {
  const CFaceList* channelFaces = channel.GetFaceList();
  const CFace* cf1 = nullptr;
  const CFace* cf2 = nullptr;
  if (channelFaces != nullptr) {
    cf1 = channelFaces->ElementAt(f1);
    cf2 = channelFaces->ElementAt(f2);
    const bool invalid1 = cf1 == nullptr || cf1->IsOneFlagSet(vex3d::kFaceSkipMask);
    const bool invalid2 = cf2 == nullptr || cf2->IsOneFlagSet(vex3d::kFaceSkipMask);
    if (invalid1 || invalid2) return invalid1 != invalid2 ? 1 : 0;
  }
  const CFaceList* meshFaces = geom != nullptr ? geom->GetSrcFaceList() : nullptr;
  const CFace* mf1 = meshFaces != nullptr ? meshFaces->ElementAt(f1) : nullptr;
  const CFace* mf2 = meshFaces != nullptr ? meshFaces->ElementAt(f2) : nullptr;
  if (mf1 == nullptr || mf2 == nullptr) return 1;
  for (int end = 0; end < 2; ++end) {
    if (mf1->IsFacePoint(edge[end]) < 0 || mf2->IsFacePoint(edge[end]) < 0) return 1;
  }
  if (channelPoints == nullptr) return 0;
  for (int end = 0; end < 2; ++end) {
    const int a = cornerValue(*mf1, cf1, edge[end]);
    const int b = cornerValue(*mf2, cf2, edge[end]);
    if (a == b || !inRange(*channelPoints, a) || !inRange(*channelPoints, b)) continue;
    if (differ(channelPoints->ElementAt(a), channelPoints->ElementAt(b))) return 1;
  }
  return 0;
}

}  // namespace vex3d::seams
