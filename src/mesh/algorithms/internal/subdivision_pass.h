#pragma once
// What the subdivision schemes share: one pass numbers the edges of the
// faces it refines, asks the scheme where the vertex, edge and face points
// go, and rebuilds the faces and the stored channels from the scheme's
// child pattern. Every old point keeps its index; edge points follow, then
// face points.
#include <cstdint>
#include <vector>

#include "math/point3d.h"
#include "mesh/model/edge.h"
#include "mesh/model/geom_info.h"

class C3DBaseObject;
class C3DFaceList;
class C3DPointList;

namespace vex3d::subdivision {

// Corner references of a child face: 0..3 the parent's corner k, kEdgeRef +
// k the edge point of the parent's side k (corner k to corner k + 1),
// kCentreRef the parent's face point.
constexpr int kEdgeRef = 8;
constexpr int kCentreRef = 16;

struct ChildPattern {
  int childCount;
  int childSize;
  int refs[4][4];
};

// The mesh of one pass, with its graphs and border flags built.
struct Topology {
  CGeomInfo geom;
  C3DPointList* points = nullptr;
  C3DFaceList* faces = nullptr;
  // Per face, where its sides start in sideEdge; -1 for a carried face.
  std::vector<int> firstSide;
  std::vector<int> sideEdge;
  // Both ends of each numbered edge.
  std::vector<C3DEdge> edges;
  // Per face, the rank of its face point; -1 for a carried face.
  std::vector<int> centreRank;
  int refinedFaces = 0;
};

class Scheme {
 public:
  virtual ~Scheme() = default;
  // The corner count of the faces the scheme refines.
  virtual std::uint32_t FaceSize() const = 0;
  virtual bool HasFacePoints() const = 0;
  virtual const ChildPattern& Children() const = 0;
  // New positions: one per old point, per numbered edge and (with face
  // points) per refined face.
  virtual void Place(const Topology& topology, std::vector<C3DPoint>& vertex,
                     std::vector<C3DPoint>& edge, std::vector<C3DPoint>& centre) const = 0;
};

// `level` passes of the scheme over the object.
void run(C3DBaseObject& object, int level, const Scheme& scheme);

}  // namespace vex3d::subdivision
