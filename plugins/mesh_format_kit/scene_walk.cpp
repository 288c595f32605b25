#include "mesh_format_kit/scene_walk.h"

#include "scene/scene_node.h"

namespace vex3d::native {

std::vector<NamedObject> polygonalObjects(const C3DScene& scene) {
  std::vector<NamedObject> out;
  C3DBaseObject* object = nullptr;
  CSceneIterator it = scene.Begin();
  while (C3DSceneNode* node = scene.GetNextNode(object, it)) {
    if (object == nullptr || object->GetKindOf() != OBJECT_POLYGONAL) continue;
    if (object->GetPointList() == nullptr || object->GetFaceList() == nullptr) continue;
    C3DObject* mesh = *object;
    out.push_back({node->GetName(), mesh});
  }
  return out;
}

}  // namespace vex3d::native
