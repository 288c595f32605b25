#pragma once
// PLY reading (text, binary little and big endian) from bytes in memory.
// Vertex positions, normals, colours and texture coordinates are read;
// faces come from the "vertex_indices" (or "vertex_index") list, with
// per-corner texture coordinates from a "texcoord" list when present.
// Other elements and properties are skipped.
#include <memory>
#include <span>
#include <string>
#include <vector>

class C3DScene;

namespace vex3d::native {
class ReadProgress;
}

namespace vex3d::ply {

struct ReadResult {
  std::unique_ptr<C3DScene> scene;  // null on error
  std::string error;
  std::vector<std::string> warnings;  // what was skipped
};

// `progress` (may be null) hears how far reading got and can stop it.
ReadResult readPly(std::span<const unsigned char> bytes, native::ReadProgress* progress = nullptr);

}  // namespace vex3d::ply
