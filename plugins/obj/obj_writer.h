#pragma once
// OBJ writing: each polygonal object as an "o" group with its points,
// texture coordinates and specified normals, faces grouped by "usemtl";
// the materials go to an MTL library beside the file.
#include <string>

class C3DScene;

namespace vex3d::obj {

bool writeObj(C3DScene& scene, const std::string& path, std::string& error);

}  // namespace vex3d::obj
