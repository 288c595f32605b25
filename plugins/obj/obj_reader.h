#pragma once
// OBJ reading from bytes in memory: objects ("o", and "g" when it starts
// new faces), points with optional per-point colours, texture coordinates
// and normals per corner, polygons, materials from the MTL libraries the
// caller's loader supplies. Relative (negative) indices are resolved;
// indices outside what the file has defined so far are an error.
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class C3DScene;

namespace vex3d::native {
class ReadProgress;
}

namespace vex3d::obj {

// Fills `bytes` with the named material library; false when it cannot be
// found (reading goes on without its materials).
using MaterialLoader = std::function<bool(const std::string& name, std::string& bytes)>;

struct ReadResult {
  std::unique_ptr<C3DScene> scene;    // null on error
  std::string error;                  // "line 12: ..." on error
  std::vector<std::string> warnings;  // what was skipped or missing
};

// `progress` (may be null) hears how far reading got and can stop it.
ReadResult readObj(std::span<const unsigned char> bytes, const MaterialLoader& loader,
                   native::ReadProgress* progress = nullptr);

}  // namespace vex3d::obj
