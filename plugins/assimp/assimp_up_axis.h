#pragma once
// Which way up the data of a file read by the exchange library stands.
#include <cstdint>

struct aiScene;

namespace vex3d::assimp {

// The up axis (_UP_AXIS) of `scene`'s data, for the import check-out to
// turn the scene from. Some of the library's readers stand z-up files along
// y by a turn in the root node; that turn is taken out first, so that the
// scene is turned once, by the check-out, whatever the file's format, and
// the root does not become a node of its own.
std::uint32_t takeFileUpAxis(aiScene& scene, std::uint32_t fileClass);

}  // namespace vex3d::assimp
