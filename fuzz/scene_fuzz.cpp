// Loads a whole scene from arbitrary bytes: the parameter record, the
// materials, the node tree with every node's keys and object. A scene that
// loads must be walkable and store again; a refused one raises
// CArchiveException and keeps the scene it had.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "hostlib/core/archive.h"
#include "mesh/model/base_object.h"
#include "scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  C3DScene scene;
  CArchive ar(std::span<const std::uint8_t>(data, size));
  try {
    scene.Serialize(ar);
  } catch (const CArchiveException&) {
    if (scene.GetNodeNbr(0) != 0 || scene.GetSceneRoot() == nullptr) std::abort();
    return 0;
  }
  if (scene.GetSceneRoot() == nullptr) std::abort();
  CSceneIterator it = scene.Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = scene.GetNextNode(object, it)) {
    if (object == nullptr || node->GetScene() != &scene) std::abort();
    C3DPoint min;
    C3DPoint max;
    object->GetBoundingBox(min, max, 1);
  }
  (void)scene.GetTimeRange();
  std::vector<std::uint8_t> again;
  CArchive out(again, CArchive::store);
  scene.Serialize(out);
  return 0;
}
