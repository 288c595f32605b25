#include "viewer/command_3d.h"

#include <utility>

#include "io/scripting.h"

namespace vex3d {
namespace {

FrameViewerLink& link() {
  static FrameViewerLink installed;
  return installed;
}

}  // namespace

void setFrameViewerLink(FrameViewerLink installed) { link() = std::move(installed); }

const FrameViewerLink& frameViewerLink() { return link(); }

WaitCursor::WaitCursor() {
  if (frameViewerLink().waitCursor) m_restore = frameViewerLink().waitCursor();
}

WaitCursor::~WaitCursor() {
  if (m_restore) m_restore();
}

}  // namespace vex3d

C3DCommand::C3DCommand() {
  SetInputDataFormat(vex3d::kDataFormatScene);
  SetOutputDataFormat(vex3d::kDataFormatScene);
}

int C3DCommand::OnInitCommand(CCommandFrameWnd* frame) {
  const vex3d::FrameViewerLink& frames = vex3d::frameViewerLink();
  m_frame = frame != nullptr && frames.viewerOf ? frames.viewerOf(frame) : nullptr;
  m_view = m_frame != nullptr && frames.viewOf ? frames.viewOf(m_frame) : nullptr;
  return 0;
}

C3DScene* C3DCommand::InputScene() const {
  return static_cast<C3DScene*>(GetInputData().GetPtr(vex3d::kSceneDataKey));
}

C3DScene* C3DCommand::FrameScene() const {
  const vex3d::FrameViewerLink& frames = vex3d::frameViewerLink();
  return m_frame != nullptr && frames.currentScene ? frames.currentScene(m_frame) : nullptr;
}

CommandResult C3DCommand::OnApplyCommand() {
  vex3d::WaitCursor wait;
  C3DScene* scene = InputScene();
  if (scene == nullptr) scene = FrameScene();
  if (scene == nullptr) return cmdNoScene;
  const vex3d::FrameViewerLink& frames = vex3d::frameViewerLink();
  if (m_frame != nullptr && frames.beforeSceneEdit) frames.beforeSceneEdit(m_frame);
  const CommandResult result = OnApplyCommand(scene);
  if (result != cmdDone) return result;
  GetOutputData().SetPtr(vex3d::kSceneDataKey, scene);
  return cmdDone;
}

CommandResult C3DCommand::OnOpenDialog() {
  C3DScene* scene = InputScene();
  if (scene == nullptr && !IsScripting()) scene = FrameScene();
  return OnOpenDialog(scene);
}

CommandResult C3DCommand::OnApplyCommand(C3DScene* scene) {
  (void)scene;
  return cmdDone;
}

CommandResult C3DCommand::OnOpenDialog(C3DScene* scene) {
  (void)scene;
  return cmdCancelled;
}

void C3DCommand::SetHelpLine(const std::string& text) const {
  const vex3d::FrameViewerLink& frames = vex3d::frameViewerLink();
  if (m_frame != nullptr && frames.setHelpLine) frames.setHelpLine(m_frame, text);
}
