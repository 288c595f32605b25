#pragma once
// PLY writing: the scene's polygonal objects as one vertex and one face
// element, binary little endian by default or text. Vertices are split
// where faces meeting at a point disagree on its texture coordinates,
// colour or normal, since PLY keeps those per vertex.
#include <string>

class C3DScene;

namespace vex3d::ply {

bool writePly(const C3DScene& scene, const std::string& path, bool text, std::string& error);

}  // namespace vex3d::ply
