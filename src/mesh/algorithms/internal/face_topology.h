#pragma once
// The adjacency state a face list keeps for the mesh algorithms. A list
// creates it on first use: most lists (channel faces, small objects) never
// ask for a graph, and an empty list should stay small.
#include <cstdint>

#include "hostlib/containers/association_map.h"
#include "hostlib/containers/hash_table.h"
#include "hostlib/containers/simple_collection.h"
#include "mesh/model/edge.h"

namespace vex3d {

struct FaceTopology {
  // One record per point: the faces using it, in face order. Counts are
  // 32-bit: the apex of a fan of 100,000 triangles is a real-world point.
  CSimpleCollection<int, std::uint32_t> pointToFaces;
  bool pointGraphValid = false;
  bool pointGraphRequested = false;

  CAssociationMap<C3DEdge> edgeToFaces;
  bool edgeGraphValid = false;
  bool edgeGraphRequested = false;

  // Working set of the set operations.
  CHashTable<int> workSet;
};

}  // namespace vex3d
