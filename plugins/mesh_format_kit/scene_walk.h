#pragma once
// What the writers need of an export scene: its polygonal objects with
// their node names, in scene order. Export preparation has already baked
// the node transforms into the points.
#include <string>
#include <vector>

#include "mesh/model/base_object.h"
#include "scene/scene.h"
#include "scene/scene_node.h"

namespace vex3d::native {

struct NamedObject {
  std::string name;
  C3DObject* object;
};

std::vector<NamedObject> polygonalObjects(const C3DScene& scene);

// A face worth writing: valid, at least a triangle, every index a point.
inline bool writableFace(const CFace& face, int pointCount) {
  if (face.IsOneFlagSet(FACE_INVALID) || face.GetSize() < 3) return false;
  for (std::uint32_t k = 0; k < face.GetSize(); ++k) {
    if (face[k] < 0 || face[k] >= pointCount) return false;
  }
  return true;
}

}  // namespace vex3d::native
