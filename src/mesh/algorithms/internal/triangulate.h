#pragma once
// Ear clipping of planar polygons (C3DFace::Triangulate and
// C3DFaceList::Triangulate). One FaceTriangulator serves a whole face list:
// its ring and channel tables keep their room from face to face, so a list of
// polygons allocates nothing per face once the largest polygon was seen.
#include <vector>

#include "mesh/model/face.h"

class C3DPointList;
class CFaceList;
class C3DFaceList;
class CGeomInfo;

namespace vex3d {

// One corner of the polygon being clipped. The nodes sit in one array, one
// per corner in face order; clipping only relinks them.
struct TriangulationNode {
  float x = 0.0f;  // the corner in the polygon's plane
  float y = 0.0f;
  int convex = 0;      // 1 when angle >= 0
  float angle = 0.0f;  // signed: negative at a reflex corner
  int pointIndex = 0;  // into the 3D point list
  int corner = 0;      // position in the source face, picks channel indices
  int previous = 0;    // ring links, as positions in the node array
  int next = 0;
};

// Newell's normal of the face's points into out[3], unnormalised. False
// (out untouched) when a corner names a point the list lacks.
bool newellNormal(const C3DFace& face, const C3DPointList* points, double out[3]);

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

  void buildRing(const C3DFace& face);
  void updateAngle(TriangulationNode& node) const;
  int smallestConvexFrom(int from) const;
  bool earBlocked(int ear) const;
  void writeTriangle(const C3DFace& face, int e, int q, int p, int k);

  const C3DPointList* m_points = nullptr;
  C3DFaceList* m_destination = nullptr;
  std::vector<ChannelLists> m_channels;
  std::vector<TriangulationNode> m_ring;
};

}  // namespace vex3d
