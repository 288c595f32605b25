#include "viewer/commands/light_commands.h"

#include "hostlib/commands/command_access.h"
#include "hostlib/text/string_ids.h"
#include "render/view.h"
#include "viewer/commands/menu_places.h"
#include "viewer/frame/frame_viewer.h"

using vex3d::fourcc;
using vex3d::viewer::CommandInfo;

namespace {

CommandInfo lightInfo(std::uint32_t code, std::uint32_t name, std::uint32_t help,
                      std::uint32_t access, std::uint16_t index) {
  return vex3d::viewer::commandInfo(fourcc("LIGH"), code, name, help, 'L', access, vex3d::kMenuFile,
                                    vex3d::viewer::kGroupLight, index);
}

}  // namespace

C3DBrightnessCommand::C3DBrightnessCommand(const CommandInfo& info, int step)
    : C3DViewerCommand(info), m_step(step) {}

CommandResult C3DBrightnessCommand::OnApplyCommand(C3DScene* scene) {
  (void)scene;
  if (Get3DView() != nullptr) Get3DView()->Brightness(m_step);
  return cmdDone;
}

C3DLessBrightnessCommand::C3DLessBrightnessCommand()
    : C3DBrightnessCommand(lightInfo(fourcc("BRGL"), vex3d::kStrLessLight, vex3d::kStrLessLightHelp,
                                     vex3d::kModCtrl, 0),
                           -1) {}

C3DMoreBrightnessCommand::C3DMoreBrightnessCommand()
    : C3DBrightnessCommand(lightInfo(fourcc("BRGM"), vex3d::kStrMoreLight, vex3d::kStrMoreLightHelp,
                                     vex3d::kModShift, 1),
                           1) {}

C3DDefaultBrightnessCommand::C3DDefaultBrightnessCommand()
    : C3DBrightnessCommand(
          lightInfo(fourcc("BRGD"), vex3d::kStrDefaultLight, vex3d::kStrDefaultLightHelp,
                    vex3d::kModCtrl | vex3d::kModShift, 2),
          0) {}
