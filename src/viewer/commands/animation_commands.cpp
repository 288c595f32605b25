#include "viewer/commands/animation_commands.h"

#include "animation/animatable.h"
#include "hostlib/commands/command_access.h"
#include "hostlib/text/string_ids.h"
#include "render/view.h"
#include "scene/scene.h"
#include "viewer/commands/menu_places.h"
#include "viewer/frame/frame_viewer.h"

using vex3d::fourcc;
using vex3d::viewer::CommandInfo;

namespace {

constexpr std::uint32_t kCtrl = vex3d::kModCtrl;
constexpr std::uint32_t kShift = vex3d::kModShift;

// After a time change: the frame's listeners, then the picture.
void timeChanged(C3DFrameViewer* frame) {
  if (frame == nullptr) return;
  frame->SceneChanged(SCENE_CHANGED_TIME);
  frame->UpdateView(0);
}

CommandInfo stepInfo(std::uint32_t code, std::uint32_t name, std::uint32_t help, std::uint32_t key,
                     std::uint32_t access, std::uint16_t index) {
  return vex3d::viewer::commandInfo(fourcc("ANIM"), code, name, help, key, access, vex3d::kMenuView,
                                    vex3d::viewer::kGroupAnimation, index);
}

}  // namespace

C3DPlayCommand::C3DPlayCommand()
    : C3DViewerCommand(stepInfo(fourcc("PLAY"), vex3d::kStrPlayAnimation,
                                vex3d::kStrPlayAnimationHelp, vex3d::kKeySpace, kCtrl, 0)) {}

void C3DPlayCommand::UpdateState() {
  SetState(cmdStateEnabled, Get3DView() != nullptr && !InWireframe());
  SetState(cmdStateChecked, IsTimerEnabled(kTimer));
}

CommandResult C3DPlayCommand::OnApplyCommand(C3DScene* scene) {
  (void)scene;
  if (IsTimerEnabled(kTimer)) {
    CloseTimer(kTimer);
  } else {
    SetTimer(kTimer, kPeriodMs);
  }
  UpdateState();
  return cmdDone;
}

int C3DPlayCommand::NextPlayTime(int now, int end) { return now >= end ? 0 : now + 1; }

void C3DPlayCommand::OnTimer(std::uint32_t id) {
  if (id != kTimer) return;
  C3DFrameViewer* frame = Get3DFrameWnd();
  C3DScene* scene = frame != nullptr ? frame->GetCurrentScene() : nullptr;
  if (scene == nullptr) return;
  const int next = NextPlayTime(scene->GetTickCount(), scene->GetTimeRange().GetEnd());
  const vex3d::FrameViewerLink& frames = vex3d::frameViewerLink();
  if (frames.beforeSceneEdit) frames.beforeSceneEdit(frame);
  if (scene->SetCurrentTime(next)) timeChanged(frame);
}

C3DTimeStepCommand::C3DTimeStepCommand(const CommandInfo& info, Step step)
    : C3DViewerCommand(info), m_step(step) {}

CommandResult C3DTimeStepCommand::OnApplyCommand(C3DScene* scene) {
  const int now = scene->GetTickCount();
  int t = now;
  switch (m_step) {
    case previousFrame:
      t = now - 1;
      break;
    case nextFrame:
      t = now + 1;
      break;
    case previousKey:
      t = scene->GetKeyTime(now, vex3d::kFindPrevious, vex3d::kAnyKeyClass);
      break;
    case nextKey:
      t = scene->GetKeyTime(now, vex3d::kFindNext, vex3d::kAnyKeyClass);
      break;
  }
  // The scene clamps to its range and says whether the time moved.
  if (scene->SetCurrentTime(t)) timeChanged(Get3DFrameWnd());
  return cmdDone;
}

C3DPrevFrameCommand::C3DPrevFrameCommand()
    : C3DTimeStepCommand(stepInfo(fourcc("PRFR"), vex3d::kStrPrevImage, vex3d::kStrPrevImageHelp,
                                  vex3d::kKeyNumpadSubtract, kCtrl, 1),
                         previousFrame) {}

C3DNextFrameCommand::C3DNextFrameCommand()
    : C3DTimeStepCommand(stepInfo(fourcc("NXFR"), vex3d::kStrNextImage, vex3d::kStrNextImageHelp,
                                  vex3d::kKeyNumpadAdd, kCtrl, 2),
                         nextFrame) {}

C3DPrevKeyframeCommand::C3DPrevKeyframeCommand()
    : C3DTimeStepCommand(
          stepInfo(fourcc("PRKF"), vex3d::kStrPrevKeyframe, vex3d::kStrPrevKeyframeHelp,
                   vex3d::kKeyNumpadSubtract, kShift | vex3d::kAccessNumpadShift, 3),
          previousKey) {}

C3DNextKeyframeCommand::C3DNextKeyframeCommand()
    : C3DTimeStepCommand(
          stepInfo(fourcc("NXKF"), vex3d::kStrNextKeyframe, vex3d::kStrNextKeyframeHelp,
                   vex3d::kKeyNumpadAdd, kShift | vex3d::kAccessNumpadShift, 4),
          nextKey) {}
