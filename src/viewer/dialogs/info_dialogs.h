#pragma once
// What a scene holds, in small windows: the node information sheet opened
// by double-clicking an object, and the material information dialog opened
// from the materials list. Both are modal over the frame.
#include <cstdint>

#include "viewer_export.h"

class C3DFrameViewer;
class C3DScene;
class C3DSceneNode;

namespace vex3d::viewer {

// Shows the node's transformations, geometry arrays and materials. Answers
// the dialog's result (1 for OK, 0 when closed otherwise or when there is
// nothing to show).
VEX3D_VIEWER_EXPORT int showNodeInfo(C3DFrameViewer* frame, C3DScene* scene, C3DSceneNode* node);

// Shows the material `materialId` of the scene; the user may point its
// diffuse map at another file there, which then marks the scene modified
// and reloads the textures. Answers as showNodeInfo.
VEX3D_VIEWER_EXPORT int showMaterialInfo(C3DFrameViewer* frame, C3DScene* scene,
                                         std::uint32_t materialId);

}  // namespace vex3d::viewer
