#include "viewer/commands/view_commands.h"

#include "hostlib/commands/command_access.h"
#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "hostlib/ui/notify_dlg.h"
#include "render/navigation.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "viewer/commands/menu_places.h"
#include "viewer/frame/frame_viewer.h"

using vex3d::fourcc;
using vex3d::viewer::CommandInfo;

namespace {

CommandInfo viewInfo(std::uint32_t code, std::uint32_t name, std::uint32_t help, std::uint32_t key,
                     std::uint32_t access, std::uint16_t index) {
  return vex3d::viewer::commandInfo(fourcc("POVW"), code, name, help, key, access,
                                    vex3d::kMenuRender, vex3d::viewer::kGroupPointOfView, index);
}

}  // namespace

// ---- points of view

C3DViewCommand::C3DViewCommand(const CommandInfo& s, std::uint32_t viewPos)
    : C3DViewerCommand(s), m_viewPos(viewPos) {}

void C3DViewCommand::UpdateState() {
  SetState(cmdStateEnabled, Get3DView() != nullptr);
  SetState(cmdStateChecked,
           Get3DView() != nullptr && Get3DView()->GetViewSettings().viewPos == m_viewPos);
}

CommandResult C3DViewCommand::OnApplyCommand(C3DScene* scene) {
  (void)scene;
  if (Get3DView() != nullptr) Get3DView()->SetView(m_viewPos, 1);
  return cmdDone;
}

C3DViewLeftCommand::C3DViewLeftCommand()
    : C3DViewCommand(viewInfo(fourcc("VLEF"), vex3d::kStrLeftView, vex3d::kStrLeftViewHelp,
                              vex3d::kKeyNumpad0 + 4, 0, 0),
                     RVIEW_LEFT) {}
C3DViewRightCommand::C3DViewRightCommand()
    : C3DViewCommand(viewInfo(fourcc("VRIG"), vex3d::kStrRightView, vex3d::kStrRightViewHelp,
                              vex3d::kKeyNumpad0 + 6, 0, 1),
                     RVIEW_RIGHT) {}
C3DViewTopCommand::C3DViewTopCommand()
    : C3DViewCommand(viewInfo(fourcc("VTOP"), vex3d::kStrTopView, vex3d::kStrTopViewHelp,
                              vex3d::kKeyNumpad0 + 8, 0, 2),
                     RVIEW_TOP) {}
C3DViewBottomCommand::C3DViewBottomCommand()
    : C3DViewCommand(viewInfo(fourcc("VBOT"), vex3d::kStrBottomView, vex3d::kStrBottomViewHelp,
                              vex3d::kKeyNumpad0 + 2, 0, 3),
                     RVIEW_BOTTOM) {}
C3DViewFrontCommand::C3DViewFrontCommand()
    : C3DViewCommand(viewInfo(fourcc("VFRO"), vex3d::kStrFrontView, vex3d::kStrFrontViewHelp,
                              vex3d::kKeyNumpad0 + 5, 0, 4),
                     RVIEW_FRONT) {}
C3DViewBackCommand::C3DViewBackCommand()
    : C3DViewCommand(viewInfo(fourcc("VBAC"), vex3d::kStrBackView, vex3d::kStrBackViewHelp,
                              vex3d::kKeyNumpad0 + 5, vex3d::kModCtrl, 5),
                     RVIEW_BACK) {}

// ---- the frame's lists and auto fit

C3DFrameToggleCommand::C3DFrameToggleCommand(const CommandInfo& s, Target target)
    : C3DViewerCommand(s), m_target(target) {}

void C3DFrameToggleCommand::UpdateState() {
  C3DFrameViewer* frame = Get3DFrameWnd();
  SetState(cmdStateEnabled, frame != nullptr);
  bool on = false;
  if (frame != nullptr) {
    switch (m_target) {
      case scenes:
        on = frame->AreScenesShown();
        break;
      case materials:
        on = frame->IsSettingsFlagSet(FRAME_SHOW_MATERIALS);
        break;
      case objects:
        on = frame->IsSettingsFlagSet(FRAME_SHOW_OBJECTS);
        break;
      case autoFit:
        on = frame->IsSettingsFlagSet(FRAME_AUTO_FIT);
        break;
    }
  }
  SetState(cmdStateChecked, on);
}

CommandResult C3DFrameToggleCommand::OnApplyCommand() {
  C3DFrameViewer* frame = Get3DFrameWnd();
  if (frame == nullptr) return cmdDone;
  switch (m_target) {
    case scenes:
      frame->ShowScenes(LEFTBAR_TOGGLE);
      break;
    case materials:
      frame->ShowMaterials(LEFTBAR_TOGGLE);
      break;
    case objects:
      frame->ShowObjects(LEFTBAR_TOGGLE);
      break;
    case autoFit:
      frame->SetSettingsFlag(FRAME_AUTO_FIT, !frame->IsSettingsFlagSet(FRAME_AUTO_FIT));
      break;
  }
  UpdateState();
  return cmdDone;
}

C3DDisplaySceneCommand::C3DDisplaySceneCommand()
    : C3DFrameToggleCommand(
          vex3d::viewer::commandInfo(fourcc("VIEW"), fourcc("DSSC"), vex3d::kStrDisplayScenes,
                                     vex3d::kStrDisplayScenesHelp, 'L', 0, vex3d::kMenuView,
                                     vex3d::viewer::kGroupLists, 0),
          scenes) {}
C3DShowMaterialsCommand::C3DShowMaterialsCommand()
    : C3DFrameToggleCommand(
          vex3d::viewer::commandInfo(fourcc("VIEW"), fourcc("SHMA"), vex3d::kStrMaterialsList,
                                     vex3d::kStrMaterialsListHelp, 'M', 0, vex3d::kMenuView,
                                     vex3d::viewer::kGroupLists, 1),
          materials) {}
C3DShowObjectsCommand::C3DShowObjectsCommand()
    : C3DFrameToggleCommand(
          vex3d::viewer::commandInfo(fourcc("VIEW"), fourcc("SHOB"), vex3d::kStrObjectsList,
                                     vex3d::kStrObjectsListHelp, 'O', 0, vex3d::kMenuView,
                                     vex3d::viewer::kGroupLists, 2),
          objects) {}
C3DAutoZoomPrefsCommand::C3DAutoZoomPrefsCommand()
    : C3DFrameToggleCommand(
          vex3d::viewer::commandInfo(fourcc("VIEW"), fourcc("ZOAP"), vex3d::kStrAutoFit,
                                     vex3d::kStrAutoFitHelp, vex3d::kKeyNumpad0, vex3d::kModAlt,
                                     vex3d::kMenuView, vex3d::viewer::kGroupFraming, 1),
          autoFit) {}

// ---- full screen

namespace {

CommandInfo fullScreenInfo() {
  return vex3d::viewer::withButton(
      vex3d::viewer::commandInfo(fourcc("VIEW"), fourcc("FULL"), vex3d::kStrFullScreen,
                                 vex3d::kStrFullScreenHelp, vex3d::kKeyTab, 0, vex3d::kMenuView,
                                 vex3d::viewer::kGroupFraming, 0),
      vex3d::viewer::kToolbarWindow, 0, vex3d::viewer::kBitmapFullScreen,
      vex3d::viewer::kBitmapFullScreenHighlighted);
}

constexpr int kNotificationMs = 3000;

}  // namespace

C3DFullScreenCommand::C3DFullScreenCommand() : C3DViewerCommand(fullScreenInfo()) {}

void C3DFullScreenCommand::UpdateState() {
  SetState(cmdStateEnabled, Get3DFrameWnd() != nullptr);
  SetState(cmdStateChecked, Get3DFrameWnd() != nullptr && Get3DFrameWnd()->IsFullScreen());
}

CommandResult C3DFullScreenCommand::OnApplyCommand() {
  C3DFrameViewer* frame = Get3DFrameWnd();
  if (frame == nullptr) return cmdDone;
  const bool entering = !frame->IsFullScreen();
  frame->SetFullScreen(entering);
  if (entering) {
    CNotifyDlg2::ShowDialog(frame,
                            "<b>" + LoadStringW(vex3d::kStrFullScreenTitle) + "</b><br>" +
                                LoadStringW(vex3d::kStrLeaveFullScreen),
                            1, kNotificationMs);
    frame->AddMessageCallback([frame](const vex3d::KeyEvent& e) {
      if (e.key != vex3d::kKeyEscape) return false;
      frame->CancelFullScreen();
      return true;
    });
  }
  return cmdDone;
}

// ---- fit and zoom steps

C3DCameraStepCommand::C3DCameraStepCommand(const CommandInfo& s, Step step)
    : C3DViewerCommand(s), m_step(step) {}

CommandResult C3DCameraStepCommand::OnApplyCommand() {
  C3DView* view = Get3DView();
  if (view == nullptr) return cmdDone;
  _GlViewSettings s = view->GetViewSettings();
  if (m_step == fit) {
    s.mask = std::uint32_t{UPDATE_VIEW_FIT_RESET} | GLVS_UPDATE;
  } else {
    vex3d::zoomCommandStep(s, m_step == zoomIn);
    s.mask = GLVS_PAN_DISTANCE | GLVS_UPDATE;
  }
  view->SetViewSettings(&s);
  return cmdDone;
}

C3DResetZoomCommand::C3DResetZoomCommand()
    : C3DCameraStepCommand(
          vex3d::viewer::commandInfo(fourcc("VIEW"), fourcc("RSZO"), vex3d::kStrFitOnView,
                                     vex3d::kStrFitOnViewHelp, vex3d::kKeyNumpad0, 0,
                                     vex3d::kMenuView, vex3d::viewer::kGroupFraming, 2),
          fit) {}
C3DZoomInCommand::C3DZoomInCommand()
    : C3DCameraStepCommand(
          vex3d::viewer::commandInfo(fourcc("ZOOM"), fourcc("ZOOI"), vex3d::kStrZoomIn,
                                     vex3d::kStrZoomInHelp, vex3d::kKeyNumpadAdd, 0,
                                     vex3d::kMenuView, vex3d::viewer::kGroupZoomSteps, 0),
          zoomIn) {}
C3DZoomOutCommand::C3DZoomOutCommand()
    : C3DCameraStepCommand(
          vex3d::viewer::commandInfo(fourcc("ZOOM"), fourcc("ZOOO"), vex3d::kStrZoomOut,
                                     vex3d::kStrZoomOutHelp, vex3d::kKeyNumpadSubtract, 0,
                                     vex3d::kMenuView, vex3d::viewer::kGroupZoomSteps, 1),
          zoomOut) {}
