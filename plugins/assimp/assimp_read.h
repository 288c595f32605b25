#pragma once
// Turns a scene the exchange library read into a module scene.
#include <memory>

struct aiScene;
class C3DScene;

namespace vex3d::assimp {

// Never null; the caller runs the import check-out on it.
std::unique_ptr<C3DScene> sceneFromAssimp(const aiScene& source);

}  // namespace vex3d::assimp
