#pragma once
// Starting the viewer: the GL format every window asks for, the 3D module
// for the life of the program, and the files given at start.
#include <QString>
#include <string>
#include <vector>

#include "viewer_export.h"

class C3DFrameViewer;

namespace vex3d::viewer {

// Before the application object: a compatibility-profile context with a
// depth buffer, which the fixed-function renderer needs, and the
// application's names.
VEX3D_VIEWER_EXPORT void prepareApplication();

// The module (plug-ins, command names, preferences) while it lives.
class VEX3D_VIEWER_EXPORT ModuleScope {
 public:
  ModuleScope();
  ~ModuleScope();
  ModuleScope(const ModuleScope&) = delete;
  ModuleScope& operator=(const ModuleScope&) = delete;
};

// The first file is shown; all of them go in the scenes list.
VEX3D_VIEWER_EXPORT void openFiles(C3DFrameViewer& frame, const std::vector<std::string>& files);

// "front", "back", "left", "right", "top", "bottom" or "three-quarter";
// false for any other name.
VEX3D_VIEWER_EXPORT bool setPointOfView(C3DFrameViewer& frame, const std::string& name);

// Waits for the window's first complete frame and writes the window's
// picture to `file` (nothing for an empty name); false when it could not be
// written or nothing was drawn.
VEX3D_VIEWER_EXPORT bool saveScreenshot(C3DFrameViewer& frame, const QString& file);

// Frames per second of the view while the scene turns: `frames` frames
// drawn one after the other, each with a new rotation, as a drag draws
// them. `fastDisplay` turns the fast-display mode on for the run.
VEX3D_VIEWER_EXPORT double measureRotation(C3DFrameViewer& frame, int frames, bool fastDisplay);

// Milliseconds from a click on the first material of the materials list to
// the next frame on screen, for `toggles` clicks (hiding, then showing
// again, in turn). Empty without a material.
VEX3D_VIEWER_EXPORT std::vector<double> measureMaterialToggle(C3DFrameViewer& frame, int toggles);

}  // namespace vex3d::viewer
