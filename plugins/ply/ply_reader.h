#pragma once
// PLY reading (text, binary little and big endian) from bytes in memory.
// Vertex positions, normals, colours and texture coordinates are read;
// faces come from the "vertex_indices" (or "vertex_index") list, with
// per-corner texture coordinates from a "texcoord" list when present.
// Other elements and properties are skipped.
#include <memory>
#include <span>
#include <string>

class C3DScene;

namespace vex3d::ply {

struct ReadResult {
  std::unique_ptr<C3DScene> scene;  // null on error
  std::string error;
};

ReadResult readPly(std::span<const unsigned char> bytes);

}  // namespace vex3d::ply
