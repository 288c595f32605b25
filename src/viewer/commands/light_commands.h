#pragma once
// Brightness of the view's lights: a step up, a step down, or back to 1.
#include "viewer/commands/viewer_command.h"

class VEX3D_VIEWER_EXPORT C3DBrightnessCommand : public C3DViewerCommand {
 public:
  C3DBrightnessCommand(const vex3d::viewer::CommandInfo& info, int step);
  CommandResult OnApplyCommand(C3DScene* scene) override;

 private:
  int m_step;
};

class VEX3D_VIEWER_EXPORT C3DLessBrightnessCommand : public C3DBrightnessCommand {
 public:
  C3DLessBrightnessCommand();
};
class VEX3D_VIEWER_EXPORT C3DMoreBrightnessCommand : public C3DBrightnessCommand {
 public:
  C3DMoreBrightnessCommand();
};
class VEX3D_VIEWER_EXPORT C3DDefaultBrightnessCommand : public C3DBrightnessCommand {
 public:
  C3DDefaultBrightnessCommand();
};
