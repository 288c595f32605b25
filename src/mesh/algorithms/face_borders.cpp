// Borders and connectivity of face regions: the edges that close a region,
// whether a region is one piece, which faces and points lie on the open
// boundary of a mesh.
#include <algorithm>
#include <vector>

#include "hostlib/containers/next_prime.h"
#include "mesh/algorithms/internal/face_topology.h"
#include "mesh/model/face_list.h"
#include "mesh/model/point_list.h"

int CFaceList::DoesEdgeExists(const C3DEdge& edge, int faceIndex) const {
  int count = 0;
  const int* faces = GetFacesConnectedToPoint(edge.GetFirst(), count);
  for (int i = 0; i < count; ++i) {
    if (faceIndex != -1 && faces[i] != faceIndex) continue;
    const CFace* f = ElementAt(faces[i]);
    if (f != nullptr && f->IsFaceEdge(edge.GetFirst(), edge.GetSecond(), 0) >= 0) return 1;
  }
  return 0;
}

int CFaceList::IsIsolatedFace(int faceIndex) const {
  if (faceIndex < 0 || faceIndex >= GetSize()) return 0;
  const auto r = static_cast<std::uint32_t>(faceIndex);
  const int* corners = m_store.GetRecordValues(r);
  const std::uint32_t size = m_store.GetRecordSize(r);
  for (std::uint32_t k = 0; k < size; ++k) {
    int count = 0;
    GetFacesConnectedToPoint(corners[k], count);
    if (count > 1) return 0;
  }
  return 1;
}

int CFaceList::GetEdgesOnBorder(CHashMap<C3DEdge, int>& edges, const CHashTable<int>& faces) const {
  // Each edge of the region with its face, or -1 once a second face has it.
  CHashMap<C3DEdge, int> seen(NextPrime(static_cast<std::uint32_t>(std::min<std::uint64_t>(
      0x7FFFFFF0u, 8ull * static_cast<std::uint64_t>(faces.GetCount()) + 1))));
  for (int f : faces) {
    if (f < 0 || f >= GetSize() || face(f)->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    const auto r = static_cast<std::uint32_t>(f);
    const int* corners = m_store.GetRecordValues(r);
    const std::uint32_t size = m_store.GetRecordSize(r);
    for (std::uint32_t k = 0; k < size; ++k) {
      const C3DEdge e(corners[k], corners[(k + 1) % size]);
      if (int* owner = seen.Find(e)) {
        *owner = -1;
      } else {
        seen.Insert(e, f);
      }
    }
  }
  edges.Clear();
  for (auto [e, owner] : seen) {
    if (owner >= 0) edges.Insert(e, owner);
  }
  return edges.GetCount();
}

int CFaceList::AreFacesConnected(CGeomInfo* geom, const CHashTable<int>& faces) {
  if (faces.GetCount() == 0) return 1;
  InitPointToFaceGraph(geom);
  CHashTable<int> reached;
  std::vector<int> stack{*faces.begin()};
  reached.Insert(stack.back());
  while (!stack.empty()) {
    const int f = stack.back();
    stack.pop_back();
    if (f < 0 || f >= GetSize()) continue;
    const auto r = static_cast<std::uint32_t>(f);
    const int* corners = m_store.GetRecordValues(r);
    const std::uint32_t size = m_store.GetRecordSize(r);
    for (std::uint32_t k = 0; k < size; ++k) {
      int count = 0;
      const int* around = GetFacesConnectedToPoint(corners[k], count);
      for (int i = 0; i < count; ++i) {
        if (faces.Contains(around[i]) && reached.Insert(around[i])) stack.push_back(around[i]);
      }
    }
  }
  return reached.GetCount() == faces.GetCount() ? 1 : 0;
}

void CFaceList::SetBorderFacesStatus(CGeomInfo* geom) {
  InitEdgeToFaceGraph(geom);
  SetFacesFlags(FACE_BORDER, 0);
  const CAssociationMap<C3DEdge>* graph = GetEdgeGraph();
  if (graph == nullptr) return;
  for (const auto& entry : *graph) {
    if (entry.count == 1 && entry.values[0] >= 0 && entry.values[0] < GetSize()) {
      face(entry.values[0])->SetFlags(FACE_BORDER, 1);
    }
  }
}

void CPointList::SetBorderPointsStatus(const CAssociationMap<C3DEdge>* edgeGraph) {
  SetPointsFlags(POINT_BORDER | POINT_INNER_EDGE, 0);
  if (edgeGraph == nullptr) return;
  const int n = GetSize();
  for (const auto& entry : *edgeGraph) {
    const std::uint32_t flag = entry.count == 1 ? POINT_BORDER : POINT_INNER_EDGE;
    for (int p : {entry.key.GetFirst(), entry.key.GetSecond()}) {
      if (p >= 0 && p < n) GetPt(p)->SetFlags(flag, 1);
    }
  }
}
