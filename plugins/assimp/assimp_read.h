#pragma once
// Turns a scene the exchange library read into a module scene.
#include <memory>

struct aiScene;
class C3DScene;
class CIoOptions;

namespace vex3d::assimp {

// What a read scene is for. A scene for the archive only goes into a scene
// archive: its meshes store their faces straight from the arrays gathered
// from the library's (see GatheredObject) and hold none until then.
enum class SceneUse { use, archive };

// Never null; the caller runs the import check-out on it. Embedded images
// are attached to their maps unchecked; what cannot be one is a warning in
// `log`. The vertex and face arrays of `source`'s meshes are released as
// soon as the last node that uses each has been built: the rest of `source`
// stays as it was.
std::unique_ptr<C3DScene> sceneFromAssimp(aiScene& source, CIoOptions& log,
                                          SceneUse use = SceneUse::use);

}  // namespace vex3d::assimp
