#include "viewer/commands/display_commands.h"

#include <QAction>
#include <QMenu>
#include <cmath>
#include <numbers>

#include "hostlib/commands/command_access.h"
#include "hostlib/commands/command_mgr.h"
#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/scene.h"
#include "viewer/commands/menu_places.h"
#include "viewer/commands/smooth_angle_dialog.h"
#include "viewer/frame/frame_viewer.h"
#include "viewer/frame/viewer_resources.h"

using vex3d::fourcc;
using vex3d::viewer::CommandInfo;

namespace {

constexpr std::uint32_t kDisplayOptionMask = GLVS_VIEW_MODE | GLVS_UPDATE | UPDATE_VIEW_REBUILD;

CommandInfo modeInfo(std::uint32_t code, std::uint32_t name, std::uint32_t help, std::uint32_t key,
                     std::uint32_t toolbar, std::uint16_t index, std::uint32_t bitmap,
                     std::uint32_t highlighted) {
  return vex3d::viewer::withButton(
      vex3d::viewer::commandInfo(fourcc("REND"), code, name, help, key, vex3d::kModCtrl | toolbar,
                                 vex3d::kMenuRender, vex3d::viewer::kGroupRenderModes, index),
      vex3d::viewer::kToolbarRender, index, bitmap, highlighted);
}

CommandInfo toggleInfo(std::uint32_t code, std::uint32_t name, std::uint32_t help,
                       std::uint32_t key, std::uint32_t access, std::uint16_t index) {
  return vex3d::viewer::commandInfo(fourcc("REND"), code, name, help, key, access,
                                    vex3d::kMenuRender, vex3d::viewer::kGroupDisplay, index);
}

C3DRenderModeCommand::SmoothingChooser& chooser() {
  static C3DRenderModeCommand::SmoothingChooser installed;
  return installed;
}

// The pop-up of the smooth buttons: three fixed angles and a custom one.
std::optional<int> smoothingMenu(int x, int y, int current) {
  QMenu menu;
  menu.setObjectName("smoothingMenu");
  QAction* low = menu.addAction(QString::fromStdString(LoadStringW(vex3d::kStrLowSmoothing)));
  QAction* medium = menu.addAction(QString::fromStdString(LoadStringW(vex3d::kStrMediumSmoothing)));
  QAction* strong = menu.addAction(QString::fromStdString(LoadStringW(vex3d::kStrStrongSmoothing)));
  QAction* custom =
      menu.addAction(QString::fromStdString(FormatString(vex3d::kStrCustomSmoothing, current)));
  QAction* chosen = menu.exec(QPoint(x, y));
  if (chosen == low) return 10;
  if (chosen == medium) return 20;
  if (chosen == strong) return 30;
  if (chosen == custom) return CSmoothAngleDialog::AskAngle(nullptr, current);
  return std::nullopt;
}

}  // namespace

void applyDisplayMode(C3DView& view, std::uint32_t viewMode) {
  _GlViewSettings s = view.GetViewSettings();
  s.viewMode = viewMode;
  s.mask = kDisplayOptionMask;
  view.SetViewSettings(&s);
}

// ---- render modes

C3DRenderModeCommand::C3DRenderModeCommand(const CommandInfo& info, std::uint32_t mode)
    : C3DViewerCommand(info), m_mode(mode) {}

void C3DRenderModeCommand::UpdateState() {
  SetState(cmdStateEnabled, Get3DView() != nullptr);
  SetState(cmdStateChecked, RenderMode() == m_mode);
}

CommandResult C3DRenderModeCommand::OnApplyCommand(C3DScene* scene) {
  (void)scene;
  if (Get3DFrameWnd() != nullptr) Get3DFrameWnd()->ChangeViewMode(m_mode);
  return cmdDone;
}

void C3DRenderModeCommand::SetSmoothingChooser(SmoothingChooser chooser_) {
  chooser() = std::move(chooser_);
}

bool C3DRenderModeCommand::ApplySmoothing(int degrees) {
  C3DFrameViewer* frame = Get3DFrameWnd();
  C3DScene* scene = frame != nullptr ? frame->GetCurrentScene() : nullptr;
  if (scene == nullptr) return false;
  const float angle = static_cast<float>(degrees) * std::numbers::pi_v<float> / 180.0f;
  if (angle == scene->GetGlobalSmoothAngle()) return false;
  scene->SetGlobalSmoothAngle(angle);
  frame->UpdateView(UPDATE_VIEW_REBUILD);
  return true;
}

bool C3DRenderModeCommand::OnToolbarMenu(int x, int y) {
  if (!GetAccess().HasToolbarMenu()) return false;
  C3DFrameViewer* frame = Get3DFrameWnd();
  C3DScene* scene = frame != nullptr ? frame->GetCurrentScene() : nullptr;
  if (scene == nullptr) return true;
  const int current =
      static_cast<int>(scene->GetGlobalSmoothAngle() * 180.0f / std::numbers::pi_v<float>);
  const std::optional<int> degrees =
      chooser() ? chooser()(x, y, current) : smoothingMenu(x, y, current);
  if (degrees) ApplySmoothing(*degrees);
  return true;
}

C3DWireframeModeCommand::C3DWireframeModeCommand()
    : C3DRenderModeCommand(
          modeInfo(fourcc("WIRE"), vex3d::kStrWireframe, vex3d::kStrWireframeHelp,
                   vex3d::kKeyNumpad0, vex3d::kAccessToolbar, 0, vex3d::viewer::kBitmapWireframe,
                   vex3d::viewer::kBitmapWireframeHighlighted),
          1) {}

C3DFlatModeCommand::C3DFlatModeCommand()
    : C3DRenderModeCommand(
          modeInfo(fourcc("FLAT"), vex3d::kStrFlat, vex3d::kStrFlatHelp, vex3d::kKeyNumpad0 + 1,
                   vex3d::kAccessToolbar, 1, vex3d::viewer::kBitmapFlat,
                   vex3d::viewer::kBitmapFilledHighlighted),
          2) {}

C3DWireFlatModeCommand::C3DWireFlatModeCommand()
    : C3DRenderModeCommand(
          modeInfo(fourcc("FLWI"), vex3d::kStrFlatWireframe, vex3d::kStrFlatWireframeHelp,
                   vex3d::kKeyNumpad0 + 3, vex3d::kAccessToolbar, 2,
                   vex3d::viewer::kBitmapFlatWireframe, vex3d::viewer::kBitmapWireHighlighted),
          3) {}

C3DSmoothModeCommand::C3DSmoothModeCommand()
    : C3DRenderModeCommand(
          modeInfo(fourcc("SMOO"), vex3d::kStrSmooth, vex3d::kStrSmoothHelp, vex3d::kKeyNumpad0 + 2,
                   vex3d::kAccessToolbar | vex3d::kAccessToolbarMenu, 3,
                   vex3d::viewer::kBitmapSmooth, vex3d::viewer::kBitmapFilledHighlighted),
          4) {}

C3DWireSmoothModeCommand::C3DWireSmoothModeCommand()
    : C3DRenderModeCommand(
          modeInfo(fourcc("SMWI"), vex3d::kStrSmoothWireframe, vex3d::kStrSmoothWireframeHelp,
                   vex3d::kKeyNumpad0 + 4, vex3d::kAccessToolbar | vex3d::kAccessToolbarMenu, 4,
                   vex3d::viewer::kBitmapSmoothWireframe, vex3d::viewer::kBitmapWireHighlighted),
          5) {}

// ---- display toggles

C3DDisplayToggleCommand::C3DDisplayToggleCommand(const CommandInfo& info, std::uint32_t bit)
    : C3DViewerCommand(info), m_bit(bit) {}

void C3DDisplayToggleCommand::UpdateState() {
  SetState(cmdStateEnabled, Get3DView() != nullptr && !InWireframe());
  SetState(cmdStateChecked, Get3DView() != nullptr && (Get3DView()->GetViewFlag() & m_bit) != 0);
}

CommandResult C3DDisplayToggleCommand::OnApplyCommand(C3DScene* scene) {
  (void)scene;
  if (Get3DView() == nullptr) return cmdDone;
  applyDisplayMode(*Get3DView(), Get3DView()->GetViewFlag() ^ m_bit);
  return cmdDone;
}

C3DTextureCommand::C3DTextureCommand()
    : C3DDisplayToggleCommand(toggleInfo(fourcc("ENTX"), vex3d::kStrEnableTexturing,
                                         vex3d::kStrEnableTexturingHelp, 'T', vex3d::kModShift, 1),
                              VIEW_TEXTURES) {}

C3DVCCommand::C3DVCCommand()
    : C3DDisplayToggleCommand(
          toggleInfo(fourcc("ENVC"), vex3d::kStrDisplayVC, vex3d::kStrDisplayVCHelp, 0, 0, 2),
          VIEW_VERTEX_COLORS) {}

C3DSpecNormalCommand::C3DSpecNormalCommand()
    : C3DDisplayToggleCommand(toggleInfo(fourcc("ENSN"), vex3d::kStrSpecNormals,
                                         vex3d::kStrSpecNormalsHelp, 'N', vex3d::kModShift, 3),
                              VIEW_SPECIFIED_NORMALS) {}

// ---- textures and vertex colours together

namespace {

CommandInfo texVCInfo() {
  return vex3d::viewer::withButton(
      toggleInfo(fourcc("ENTV"), vex3d::kStrTexVC, vex3d::kStrTexVCHelp, 0,
                 vex3d::kAccessToolbarMenu, 0),
      vex3d::viewer::kToolbarRender, 5, vex3d::viewer::kBitmapTexVC,
      vex3d::viewer::kBitmapTexVCHighlighted);
}

constexpr std::uint32_t kTexVCBits = VIEW_TEXTURES | VIEW_VERTEX_COLORS;

}  // namespace

C3DTexVCCommand::C3DTexVCCommand() : C3DViewerCommand(texVCInfo()) {}

void C3DTexVCCommand::UpdateState() {
  SetState(cmdStateEnabled, Get3DView() != nullptr && !InWireframe());
  SetState(cmdStateChecked,
           Get3DView() != nullptr && (Get3DView()->GetViewFlag() & kTexVCBits) != 0);
}

CommandResult C3DTexVCCommand::OnApplyCommand(C3DScene* scene) {
  (void)scene;
  if (Get3DView() == nullptr) return cmdDone;
  std::uint32_t mode = Get3DView()->GetViewFlag();
  if (mode & kTexVCBits) {
    m_remembered = mode & kTexVCBits;
    mode &= ~kTexVCBits;
  } else {
    mode |= m_remembered != 0 ? m_remembered : kTexVCBits;
  }
  applyDisplayMode(*Get3DView(), mode);
  return cmdDone;
}

void C3DTexVCCommand::ToggleBit(std::uint32_t bit) {
  if (Get3DView() == nullptr) return;
  applyDisplayMode(*Get3DView(), Get3DView()->GetViewFlag() ^ bit);
}

bool C3DTexVCCommand::OnToolbarMenu(int x, int y) {
  if (Get3DView() == nullptr) return true;
  const std::uint32_t mode = Get3DView()->GetViewFlag();
  QMenu menu;
  menu.setObjectName("texVCMenu");
  struct Item {
    std::uint32_t nameId;
    std::uint32_t bit;
    std::uint32_t bitmap;
  };
  const Item items[] = {
      {vex3d::kStrEnableTexturing, VIEW_TEXTURES, vex3d::viewer::kBitmapTexVC},
      {vex3d::kStrDisplayVC, VIEW_VERTEX_COLORS, vex3d::viewer::kBitmapSmooth},
      {vex3d::kStrSpecNormals, VIEW_SPECIFIED_NORMALS, vex3d::viewer::kBitmapFlat},
  };
  for (const Item& item : items) {
    QAction* action = menu.addAction(vex3d::viewer::commandIcon(item.bitmap),
                                     QString::fromStdString(LoadStringW(item.nameId)));
    action->setCheckable(true);
    action->setChecked((mode & item.bit) != 0);
    action->setData(item.bit);
  }
  if (QAction* chosen = menu.exec(QPoint(x, y)); chosen != nullptr) {
    ToggleBit(chosen->data().toUInt());
  }
  return true;
}
