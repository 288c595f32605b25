#include "viewer/commands/viewer_command.h"

#include "render/view.h"
#include "render/view_flags.h"

C3DViewerCommand::C3DViewerCommand(const vex3d::viewer::CommandSpec& spec) : m_spec(spec) {
  CCommandAccess& access = GetAccess();
  access.SetAccess(spec.key, spec.access | vex3d::kAccessMenu);
  if (spec.menu != 0) access.SetMenuPosition(spec.menu, spec.menuPosition);
  if (spec.access & vex3d::kAccessToolbar) {
    access.SetToolbarPosition(vex3d::viewer::kViewerToolbar, spec.toolbarPosition);
  }
  if (spec.bitmap != 0) access.SetBitmap(spec.bitmap, spec.highlightedBitmap);
  SetState(cmdStateVisible, true);
  if (spec.kind == vex3d::kCommandKindInteractive) SetState(cmdStateTool, true);
}

CCommandID C3DViewerCommand::GetCommandID() const {
  return CCommandID(vex3d::viewer::kViewerGroup, m_spec.kind, m_spec.category, m_spec.code);
}

std::uint32_t C3DViewerCommand::RenderMode() const {
  return Get3DView() != nullptr ? Get3DView()->GetViewFlag() & VIEW_RENDER_MODE_MASK : 0u;
}
