#pragma once
// Scenes the scene tests build again and again.
#include <cstdint>
#include <string>
#include <vector>

#include "hostlib/core/archive.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"

namespace vex3d::test {

// A node holding a polygonal object of `points` points and `faces` faces.
inline C3DSceneNode* meshNode(const char* name, int points = 3, int faces = 1) {
  auto* object = new C3DObject;
  object->Init(points, faces, 3, 0, 0);
  for (int i = 0; i < faces; ++i) object->GetFaceList()->ElementAt(i)->SetTriangle(0, 1, 2);
  auto* node = new C3DSceneNode;
  node->SetName(name);
  node->SetObject(object);
  return node;
}

inline C3DSceneNode* groupNode(const char* name) {
  auto* node = new C3DSceneNode;
  node->SetName(name);
  node->SetObject(new C3DGroup);
  return node;
}

inline std::vector<std::string> names(const C3DScene& scene) {
  std::vector<std::string> out;
  CSceneIterator it = scene.Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = scene.GetNextNode(object, it)) out.push_back(node->GetName());
  return out;
}

inline std::vector<std::uint8_t> store(C3DScene& scene) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  scene.Serialize(ar);
  return bytes;
}

inline void load(C3DScene& scene, const std::vector<std::uint8_t>& bytes) {
  CArchive ar(bytes, CArchive::load);
  scene.Serialize(ar);
}

}  // namespace vex3d::test
