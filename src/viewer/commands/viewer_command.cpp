#include "viewer/commands/viewer_command.h"

#include "render/view.h"
#include "render/view_flags.h"

namespace vex3d::viewer {

CommandInfo commandInfo(std::uint32_t category, std::uint32_t code, std::uint32_t nameId,
                        std::uint32_t helpId, std::uint32_t key, std::uint32_t access,
                        std::uint32_t menu, std::uint16_t group, std::uint16_t index,
                        std::uint32_t kind) {
  CommandInfo info;
  info.category = category;
  info.code = code;
  info.kind = kind;
  info.nameId = nameId;
  info.helpId = helpId;
  info.key = key;
  info.access = access;
  info.menu = menu;
  info.menuPosition = packPosition(index, group);
  return info;
}

CommandInfo withButton(CommandInfo info, std::uint16_t group, std::uint16_t index,
                       std::uint32_t bitmap, std::uint32_t highlighted) {
  info.access |= kAccessToolbar;
  info.toolbarPosition = packPosition(index, group);
  info.bitmap = bitmap;
  info.highlightedBitmap = highlighted;
  return info;
}

}  // namespace vex3d::viewer

C3DViewerCommand::C3DViewerCommand(const vex3d::viewer::CommandInfo& info) : m_info(info) {
  CCommandAccess& access = GetAccess();
  access.SetAccess(info.key, info.access | vex3d::kAccessMenu);
  if (info.menu != 0) access.SetMenuPosition(info.menu, info.menuPosition);
  if (info.access & vex3d::kAccessToolbar) {
    access.SetToolbarPosition(vex3d::viewer::kViewerToolbar, info.toolbarPosition);
  }
  if (info.bitmap != 0) access.SetBitmap(info.bitmap, info.highlightedBitmap);
  SetState(cmdStateVisible, true);
  if (info.kind == vex3d::kCommandKindInteractive) SetState(cmdStateTool, true);
}

CCommandID C3DViewerCommand::GetCommandID() const {
  return CCommandID(vex3d::viewer::kViewerGroup, m_info.kind, m_info.category, m_info.code);
}

std::uint32_t C3DViewerCommand::RenderMode() const {
  return Get3DView() != nullptr ? Get3DView()->GetViewFlag() & VIEW_RENDER_MODE_MASK : 0u;
}
