#pragma once
// 3DS files keep the module's node tree and names through the exchange
// library. Its writer stores the scene's root as a node of the file and
// each mesh as a node of its own under the mesh's node, named
// "<node>_<mesh index>"; its reader gives both back as nodes.
struct aiScene;

namespace vex3d::assimp {

// Before writing: the root goes as a dummy without a name of its own, and
// meshes go unnamed, so that their nodes are "<node>_<index>".
void mark3dsWrapping(aiScene& scene);

// After reading, once the library's turn is out of the root: a top dummy
// without a name of its own gives way to its children, and mesh nodes of
// the writer's pattern give their meshes back to their parent.
void undo3dsWrapping(aiScene& scene);

}  // namespace vex3d::assimp
