#pragma once
// A node's mesh on its way into a scene archive: it stores exactly what the
// object MeshGather::ToObject makes would store, straight from the gathered
// arrays, so that the worker never builds the million face records the
// caller is about to build again from the archive.
#include <memory>

#include "mesh/model/base_object.h"
#include "mesh_gather.h"

namespace vex3d::assimp {

// Stored under the object's own class: loading makes a plain object. Its
// own lists stay empty, so it is for storing and nothing else.
class GatheredObject final : public C3DObject {
 public:
  // `gather` must fit its records (MeshGather::FitsRecords).
  explicit GatheredObject(std::unique_ptr<MeshGather> gather);

  void Serialize(CArchive& ar) override;

 private:
  std::unique_ptr<MeshGather> m_gather;
};

}  // namespace vex3d::assimp
