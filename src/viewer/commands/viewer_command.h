#pragma once
// What every viewer command declares about itself: its identity, texts,
// shortcut and places in the menus and the toolbar. The families below
// share one description record each command fills in.
#include <cstdint>

#include "hostlib/core/fourcc.h"
#include "viewer/command_3d.h"
#include "viewer_export.h"

namespace vex3d::viewer {

struct CommandInfo {
  std::uint32_t category = 0;
  std::uint32_t code = 0;
  std::uint32_t kind = kCommandKindSimple;
  std::uint32_t nameId = 0;
  std::uint32_t helpId = 0;
  std::uint32_t key = 0;     // 0: no shortcut
  std::uint32_t access = 0;  // modifiers and kAccess* bits
  std::uint32_t menu = 0;    // 0: in no menu
  std::uint32_t menuPosition = 0;
  std::uint32_t toolbarPosition = 0;  // used with kAccessToolbar
  std::uint32_t bitmap = 0;
  std::uint32_t highlightedBitmap = 0;
};

inline constexpr std::uint32_t kViewerGroup = fourcc("3DCO");
inline constexpr std::uint32_t kViewerToolbar = 1;

// A command at item `index` of `group` in `menu`.
VEX3D_VIEWER_EXPORT CommandInfo commandInfo(std::uint32_t category, std::uint32_t code,
                                            std::uint32_t nameId, std::uint32_t helpId,
                                            std::uint32_t key, std::uint32_t access,
                                            std::uint32_t menu, std::uint16_t group,
                                            std::uint16_t index,
                                            std::uint32_t kind = kCommandKindSimple);
// The same command with a button at item `index` of toolbar group `group`.
VEX3D_VIEWER_EXPORT CommandInfo withButton(CommandInfo info, std::uint16_t group,
                                           std::uint16_t index, std::uint32_t bitmap,
                                           std::uint32_t highlighted);

}  // namespace vex3d::viewer

class VEX3D_VIEWER_EXPORT C3DViewerCommand : public C3DCommand {
 public:
  explicit C3DViewerCommand(const vex3d::viewer::CommandInfo& info);

  CCommandID GetCommandID() const override;
  std::uint32_t GetNameId() const override { return m_info.nameId; }
  std::uint32_t GetHelpId() const override { return m_info.helpId; }
  const vex3d::viewer::CommandInfo& GetInfo() const { return m_info; }

 protected:
  // The view's render mode (viewMode & 7); 0 without a view.
  std::uint32_t RenderMode() const;
  bool InWireframe() const { return RenderMode() == 1; }

 private:
  vex3d::viewer::CommandInfo m_info;
};
