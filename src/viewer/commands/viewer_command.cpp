#include "viewer/commands/viewer_command.h"

#include "render/view.h"
#include "render/view_flags.h"

namespace vex3d::viewer {

CommandSpec commandSpec(std::uint32_t category, std::uint32_t code, std::uint32_t nameId,
                        std::uint32_t helpId, std::uint32_t key, std::uint32_t access,
                        std::uint32_t menu, std::uint16_t group, std::uint16_t index,
                        std::uint32_t kind) {
  CommandSpec spec;
  spec.category = category;
  spec.code = code;
  spec.kind = kind;
  spec.nameId = nameId;
  spec.helpId = helpId;
  spec.key = key;
  spec.access = access;
  spec.menu = menu;
  spec.menuPosition = packPosition(index, group);
  return spec;
}

CommandSpec withButton(CommandSpec spec, std::uint16_t group, std::uint16_t index,
                       std::uint32_t bitmap, std::uint32_t highlighted) {
  spec.access |= kAccessToolbar;
  spec.toolbarPosition = packPosition(index, group);
  spec.bitmap = bitmap;
  spec.highlightedBitmap = highlighted;
  return spec;
}

}  // namespace vex3d::viewer

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
