#pragma once
// C3DPointSymetryMap: for the points of a mesh, the index of their mirror
// image across the mid-plane of the mesh's box (see
// C3DPointList::InitSymetryMap). Modelling tools use it to edit one half of
// a symmetric model and carry the edit over to the other half.
#include "hostlib/containers/int_map.h"
#include "mesh/model/edge.h"
#include "vex3d_export.h"

class CFaceList;

class VEX3D_EXPORT C3DPointSymetryMap : public CIntMap {
 public:
  enum SymetricEdgeInfo : int {
    SYMETRIC_EDGE_NONE = 0,
    SYMETRIC_EDGE_OTHER = 1,
    SYMETRIC_EDGE_SELF = 2,
  };

  explicit C3DPointSymetryMap(std::uint32_t slots = vex3d::kDefaultHashSize) : CIntMap(slots) {}
  C3DPointSymetryMap(const C3DPointSymetryMap& other) = default;
  C3DPointSymetryMap& operator=(const C3DPointSymetryMap& other) = default;
  ~C3DPointSymetryMap() override;

  // The mirror of `edge` among the sides of `faces`: NONE when an end has
  // no partner or no face has the mirrored edge as a side, SELF when the
  // edge is its own mirror, else OTHER with the edge in `mirrored` (smaller
  // index first, or with `keepOrder` the partner of the edge's first end
  // first). Like every adjacency query it answers NONE while the faces'
  // point-to-face graph is not built (InitPointToFaceGraph).
  SymetricEdgeInfo GetSymetricEdge(const CFaceList& faces, const C3DEdge& edge, C3DEdge& mirrored,
                                   int keepOrder) const;
};
