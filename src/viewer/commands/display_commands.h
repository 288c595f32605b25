#pragma once
// Render modes (with the smoothing menu of the smooth ones) and the display
// toggles: textures, vertex colours, specified normals.
#include <optional>

#include "viewer/commands/viewer_command.h"

class VEX3D_VIEWER_EXPORT C3DRenderModeCommand : public C3DViewerCommand {
 public:
  C3DRenderModeCommand(const vex3d::viewer::CommandInfo& info, std::uint32_t mode);
  void UpdateState() override;
  CommandResult OnApplyCommand(C3DScene* scene) override;
  bool OnToolbarMenu(int x, int y) override;

  // The smoothing choice of the menu in whole degrees (10, 20, 30), or the
  // custom angle; nothing when the menu was dismissed. Tests replace the
  // pop-up with their own answer.
  using SmoothingChooser = std::function<std::optional<int>(int x, int y, int currentDegrees)>;
  static void SetSmoothingChooser(SmoothingChooser chooser);
  // Applies a new angle in degrees when it differs from the scene's.
  bool ApplySmoothing(int degrees);

 private:
  std::uint32_t m_mode;
};

class VEX3D_VIEWER_EXPORT C3DWireframeModeCommand : public C3DRenderModeCommand {
 public:
  C3DWireframeModeCommand();
};
class VEX3D_VIEWER_EXPORT C3DFlatModeCommand : public C3DRenderModeCommand {
 public:
  C3DFlatModeCommand();
};
class VEX3D_VIEWER_EXPORT C3DSmoothModeCommand : public C3DRenderModeCommand {
 public:
  C3DSmoothModeCommand();
};
class VEX3D_VIEWER_EXPORT C3DWireFlatModeCommand : public C3DRenderModeCommand {
 public:
  C3DWireFlatModeCommand();
};
class VEX3D_VIEWER_EXPORT C3DWireSmoothModeCommand : public C3DRenderModeCommand {
 public:
  C3DWireSmoothModeCommand();
};

// Toggles one viewMode bit and rebuilds the display lists.
class VEX3D_VIEWER_EXPORT C3DDisplayToggleCommand : public C3DViewerCommand {
 public:
  C3DDisplayToggleCommand(const vex3d::viewer::CommandInfo& info, std::uint32_t bit);
  void UpdateState() override;
  CommandResult OnApplyCommand(C3DScene* scene) override;

 private:
  std::uint32_t m_bit;
};

class VEX3D_VIEWER_EXPORT C3DTextureCommand : public C3DDisplayToggleCommand {
 public:
  C3DTextureCommand();
};
class VEX3D_VIEWER_EXPORT C3DVCCommand : public C3DDisplayToggleCommand {
 public:
  C3DVCCommand();
};
class VEX3D_VIEWER_EXPORT C3DSpecNormalCommand : public C3DDisplayToggleCommand {
 public:
  C3DSpecNormalCommand();
};

// Textures and vertex colours together: off, remembering which were on,
// and back on as they were.
class VEX3D_VIEWER_EXPORT C3DTexVCCommand : public C3DViewerCommand {
 public:
  C3DTexVCCommand();
  void UpdateState() override;
  CommandResult OnApplyCommand(C3DScene* scene) override;
  bool OnToolbarMenu(int x, int y) override;
  // Toggles one of the menu's bits (textures, vertex colours, specified
  // normals).
  void ToggleBit(std::uint32_t bit);

 private:
  std::uint32_t m_remembered = 0;
};

// Applies `viewMode` with a rebuild of every display list.
VEX3D_VIEWER_EXPORT void applyDisplayMode(C3DView& view, std::uint32_t viewMode);
