#pragma once
// STL writing: every polygonal object of the scene, as binary (the
// default: a fraction of the size and exact) or text. Faces of more than
// three corners are written as fans.
#include <string>

class C3DScene;

namespace vex3d::stl {

bool writeStl(const C3DScene& scene, const std::string& path, bool text, std::string& error);

}  // namespace vex3d::stl
