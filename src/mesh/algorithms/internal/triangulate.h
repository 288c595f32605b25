#pragma once
// Ear clipping of planar polygons (C3DFace::Triangulate and
// C3DFaceList::Triangulate). One FaceTriangulator serves a whole face list:
// its ring and channel tables keep their room from face to face, so a list of
// polygons allocates nothing per face once the largest polygon was seen.
#include <vector>

#include "mesh/algorithms/internal/triangulate_ring.h"
#include "mesh/model/face.h"

class C3DPointList;
class CFaceList;
class C3DFaceList;
class CGeomInfo;

namespace vex3d {

// Newell's normal of the face's points into out[3], unnormalised. False
// (out untouched) when a corner names a point the list lacks.
bool newellNormal(const C3DFace& face, const C3DPointList* points, double out[3]);
// C3DFace::GetNormal with the point list at hand: a list of faces looks
// the list up once rather than once per face.
void unitNormal(const C3DFace& face, const C3DPointList* points, C3DVector& normal);

class FaceTriangulator {
 public:
  FaceTriangulator() = default;

  // Takes the destination 3D list, the source point list and the channels
  // that have a source and a destination face list. False without a usable
  // destination: none, or the list holding the source faces (`sourceStore`).
  bool bind(const CGeomInfo& geom, const IndexStore* sourceStore);

  // Faces of fewer than 4 corners: copies the face and its channel faces to
  // slot k. Returns 1.
  int copy(const C3DFace& face, int faceIndex, int k);
  // Clips the face into slots k onward; returns the triangles written.
  int clip(const C3DFace& face, int faceIndex, int k);

  // Every destination list emptied and sized to n faces with room for 3
  // indices (`capacities` null) or for the given counts.
  void prepareDestinations(int n, const int* capacities);
  // Every destination list cut down to n faces and marked changed.
  void finishDestinations(int n, bool markChanged);

 private:
  struct ChannelLists {
    const CFaceList* source = nullptr;
    CFaceList* destination = nullptr;
    const CFace* face = nullptr;  // the source face of the polygon in hand
    bool matches = false;         // valid, with one index per polygon corner
  };

  class RingWalk;
  class IndexedSearch;

  void buildRing(const C3DFace& face);
  void updateAngle(TriangulationNode& node) const;
  template <class Search>
  int clipRing(const C3DFace& face, int k, Search& search);
  void writeTriangle(const C3DFace& face, int e, int q, int p, int k);

  const C3DPointList* m_points = nullptr;
  C3DFaceList* m_destination = nullptr;
  std::vector<ChannelLists> m_channels;
  std::vector<TriangulationNode> m_ring;
  // Kept for large polygons only, and like the ring from face to face.
  SharpestCornerIndex m_sharpest;
  ReflexCornerIndex m_reflex;
};

}  // namespace vex3d
