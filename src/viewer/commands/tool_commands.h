#pragma once
// The mouse tools: rotate, pan and zoom by dragging with the left button.
#include "math/matrix4x4.h"
#include "shared/gl_view_settings.h"
#include "viewer/commands/viewer_command.h"

class VEX3D_VIEWER_EXPORT C3DToolCommand : public C3DViewerCommand {
 public:
  using C3DViewerCommand::C3DViewerCommand;
  // Becoming the active tool is all a run does.
  CommandResult OnApplyCommand() override { return cmdDone; }
  bool OnLButtonDown(const vex3d::MouseEvent& e) override;
  bool OnLButtonUp(const vex3d::MouseEvent& e) override;
  bool OnMouseMove(const vex3d::MouseEvent& e) override;

 protected:
  // One step of the drag from the previous point (dx, dy); `total` is the
  // motion since the press.
  virtual void Drag(int dx, int dy, int totalX, int totalY, float speed) = 0;
  virtual void Pressed() {}
  int ClientWidth() const;
  int ClientHeight() const;
  void Apply(_GlViewSettings& s, std::uint32_t mask);

  bool m_dragging = false;
  int m_pressX = 0;
  int m_pressY = 0;
  int m_lastX = 0;
  int m_lastY = 0;
};

class VEX3D_VIEWER_EXPORT C3DRotateCommand : public C3DToolCommand {
 public:
  C3DRotateCommand();
  bool OnMouseMove(const vex3d::MouseEvent& e) override;
  std::uint32_t SetCursor(const vex3d::MouseEvent& e) override;
  void OnDraw() override;
  void OnGetFocus() override;
  void OnLooseFocus() override;
  int GetMode() const;

 protected:
  void Pressed() override;
  void Drag(int dx, int dy, int totalX, int totalY, float speed) override;

 private:
  C4x4Matrix m_pressRotation;
};

class VEX3D_VIEWER_EXPORT C3DMoveCommand : public C3DToolCommand {
 public:
  C3DMoveCommand();
  std::uint32_t SetCursor(const vex3d::MouseEvent& e) override;

 protected:
  void Drag(int dx, int dy, int totalX, int totalY, float speed) override;
};

class VEX3D_VIEWER_EXPORT C3DZoomCommand : public C3DToolCommand {
 public:
  C3DZoomCommand();
  std::uint32_t SetCursor(const vex3d::MouseEvent& e) override;

 protected:
  void Drag(int dx, int dy, int totalX, int totalY, float speed) override;
};
