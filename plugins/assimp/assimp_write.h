#pragma once
// Turns a prepared export scene into the exchange library's scene.
#include <memory>

struct aiScene;
class C3DScene;

namespace vex3d::assimp {

// Null when the scene holds no polygonal geometry to write.
std::unique_ptr<aiScene> sceneToAssimp(const C3DScene& scene);

}  // namespace vex3d::assimp
