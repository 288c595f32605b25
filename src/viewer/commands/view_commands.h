#pragma once
// Points of view, framing, zoom steps, full screen and the left pane's
// lists.
#include "viewer/commands/viewer_command.h"

class VEX3D_VIEWER_EXPORT C3DViewCommand : public C3DViewerCommand {
 public:
  C3DViewCommand(const vex3d::viewer::CommandInfo& info, std::uint32_t viewPos);
  void UpdateState() override;
  CommandResult OnApplyCommand(C3DScene* scene) override;

 private:
  std::uint32_t m_viewPos;
};

class VEX3D_VIEWER_EXPORT C3DViewLeftCommand : public C3DViewCommand {
 public:
  C3DViewLeftCommand();
};
class VEX3D_VIEWER_EXPORT C3DViewRightCommand : public C3DViewCommand {
 public:
  C3DViewRightCommand();
};
class VEX3D_VIEWER_EXPORT C3DViewTopCommand : public C3DViewCommand {
 public:
  C3DViewTopCommand();
};
class VEX3D_VIEWER_EXPORT C3DViewBottomCommand : public C3DViewCommand {
 public:
  C3DViewBottomCommand();
};
class VEX3D_VIEWER_EXPORT C3DViewFrontCommand : public C3DViewCommand {
 public:
  C3DViewFrontCommand();
};
class VEX3D_VIEWER_EXPORT C3DViewBackCommand : public C3DViewCommand {
 public:
  C3DViewBackCommand();
};

// The frame's lists and settings: scenes, materials, objects, auto fit.
class VEX3D_VIEWER_EXPORT C3DFrameToggleCommand : public C3DViewerCommand {
 public:
  enum Target { scenes, materials, objects, autoFit };
  C3DFrameToggleCommand(const vex3d::viewer::CommandInfo& info, Target target);
  void UpdateState() override;
  CommandResult OnApplyCommand() override;

 private:
  Target m_target;
};

class VEX3D_VIEWER_EXPORT C3DDisplaySceneCommand : public C3DFrameToggleCommand {
 public:
  C3DDisplaySceneCommand();
};
class VEX3D_VIEWER_EXPORT C3DShowMaterialsCommand : public C3DFrameToggleCommand {
 public:
  C3DShowMaterialsCommand();
};
class VEX3D_VIEWER_EXPORT C3DShowObjectsCommand : public C3DFrameToggleCommand {
 public:
  C3DShowObjectsCommand();
};
class VEX3D_VIEWER_EXPORT C3DAutoZoomPrefsCommand : public C3DFrameToggleCommand {
 public:
  C3DAutoZoomPrefsCommand();
};

class VEX3D_VIEWER_EXPORT C3DFullScreenCommand : public C3DViewerCommand {
 public:
  C3DFullScreenCommand();
  void UpdateState() override;
  CommandResult OnApplyCommand() override;
};

// Fit on view, zoom in and zoom out.
class VEX3D_VIEWER_EXPORT C3DCameraStepCommand : public C3DViewerCommand {
 public:
  enum Step { fit, zoomIn, zoomOut };
  C3DCameraStepCommand(const vex3d::viewer::CommandInfo& info, Step step);
  CommandResult OnApplyCommand() override;

 private:
  Step m_step;
};

class VEX3D_VIEWER_EXPORT C3DResetZoomCommand : public C3DCameraStepCommand {
 public:
  C3DResetZoomCommand();
};
class VEX3D_VIEWER_EXPORT C3DZoomInCommand : public C3DCameraStepCommand {
 public:
  C3DZoomInCommand();
};
class VEX3D_VIEWER_EXPORT C3DZoomOutCommand : public C3DCameraStepCommand {
 public:
  C3DZoomOutCommand();
};
