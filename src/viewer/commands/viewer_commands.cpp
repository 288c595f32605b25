#include "viewer/commands/viewer_commands.h"

#include <memory>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/text/string_ids.h"
#include "viewer/commands/animation_commands.h"
#include "viewer/commands/display_commands.h"
#include "viewer/commands/file_commands.h"
#include "viewer/commands/light_commands.h"
#include "viewer/commands/menu_places.h"
#include "viewer/commands/tool_commands.h"
#include "viewer/commands/view_commands.h"
#include "viewer/frame/frame_viewer.h"

namespace vex3d::viewer {

void addViewerCommands(CCommandMgr& commands) {
  auto add = [&commands](auto command) { commands.AddCommand(std::move(command)); };
  add(std::make_unique<C3DPlayCommand>());
  add(std::make_unique<C3DPrevFrameCommand>());
  add(std::make_unique<C3DNextFrameCommand>());
  add(std::make_unique<C3DPrevKeyframeCommand>());
  add(std::make_unique<C3DNextKeyframeCommand>());
  add(std::make_unique<C3DLessBrightnessCommand>());
  add(std::make_unique<C3DMoreBrightnessCommand>());
  add(std::make_unique<C3DDefaultBrightnessCommand>());
  add(std::make_unique<C3DTexVCCommand>());
  add(std::make_unique<C3DTextureCommand>());
  add(std::make_unique<C3DVCCommand>());
  add(std::make_unique<C3DSpecNormalCommand>());
  add(std::make_unique<C3DWireframeModeCommand>());
  add(std::make_unique<C3DFlatModeCommand>());
  add(std::make_unique<C3DSmoothModeCommand>());
  add(std::make_unique<C3DWireFlatModeCommand>());
  add(std::make_unique<C3DWireSmoothModeCommand>());
  add(std::make_unique<C3DViewLeftCommand>());
  add(std::make_unique<C3DViewRightCommand>());
  add(std::make_unique<C3DViewTopCommand>());
  add(std::make_unique<C3DViewBottomCommand>());
  add(std::make_unique<C3DViewFrontCommand>());
  add(std::make_unique<C3DViewBackCommand>());
  add(std::make_unique<C3DDisplaySceneCommand>());
  add(std::make_unique<C3DFullScreenCommand>());
  add(std::make_unique<C3DAutoZoomPrefsCommand>());
  add(std::make_unique<C3DResetZoomCommand>());
  add(std::make_unique<C3DShowMaterialsCommand>());
  add(std::make_unique<C3DShowObjectsCommand>());
  add(std::make_unique<C3DRotateCommand>());
  add(std::make_unique<C3DMoveCommand>());
  add(std::make_unique<C3DZoomCommand>());
  add(std::make_unique<C3DZoomInCommand>());
  add(std::make_unique<C3DZoomOutCommand>());
  add(std::make_unique<C3DPrefsCommand>());
  add(std::make_unique<C3DCloseViewer>());
  add(std::make_unique<C3DOpen>());
  add(std::make_unique<C3DSaveAs>());
  add(std::make_unique<C3DSaveAsBitmapCommand>());
  add(std::make_unique<C3DHelp>());
  add(std::make_unique<C3DHelpOn>());
}

std::vector<ui::MenuLayout> menuLayout() {
  return {
      {kMenuFile, kStrFileMenu, {{kGroupLight, kStrLightMenu}}},
      {kMenuView, kStrViewMenu, {}},
      {kMenuRender, kStrRenderMenu, {{kGroupPointOfView, kStrPointOfViewMenu}}},
      {kMenuHelp, kStrHelpMenu, {}},
  };
}

}  // namespace vex3d::viewer
