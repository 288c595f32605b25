#pragma once
// Every command of the viewer, and the menus they are placed in.
#include <vector>

#include "hostlib/ui/command_frame_wnd.h"
#include "viewer_export.h"

class CCommandMgr;

namespace vex3d::viewer {

// Adds one object of every viewer command to `commands`.
VEX3D_VIEWER_EXPORT void addViewerCommands(CCommandMgr& commands);
// The menu bar: File, View, Render, Help.
VEX3D_VIEWER_EXPORT std::vector<ui::MenuLayout> menuLayout();

}  // namespace vex3d::viewer
