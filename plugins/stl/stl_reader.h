#pragma once
// STL reading, binary or text, from bytes already in memory. Points shared
// by facets (same coordinates bit for bit) become one point, so that the
// mesh is connected and smooths like the surface it describes.
#include <memory>
#include <span>
#include <string>

class C3DScene;

namespace vex3d::native {
class ReadProgress;
}

namespace vex3d::stl {

struct ReadResult {
  std::unique_ptr<C3DScene> scene;  // null on error
  std::string error;                // why, with a line number for text files
};

// `progress` (may be null) hears how far reading got and can stop it.
ReadResult readStl(std::span<const unsigned char> bytes, native::ReadProgress* progress = nullptr);

// Whether the bytes are laid out as a binary STL (a text file that starts
// with "solid" may still be one, since writers fill the header freely).
bool isBinaryStl(std::span<const unsigned char> bytes);

}  // namespace vex3d::stl
