#include "viewer/dialogs/info_dialogs.h"

namespace vex3d::viewer {

int showNodeInfo(C3DFrameViewer*, C3DScene*, C3DSceneNode*) { return 0; }

int showMaterialInfo(C3DFrameViewer*, C3DScene*, std::uint32_t) { return 0; }

}  // namespace vex3d::viewer
