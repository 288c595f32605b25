#pragma once
// Playback and stepping through the scene's time.
#include "viewer/commands/viewer_command.h"

class VEX3D_VIEWER_EXPORT C3DPlayCommand : public C3DViewerCommand {
 public:
  static constexpr std::uint32_t kTimer = 1;
  static constexpr unsigned kPeriodMs = 40;

  C3DPlayCommand();
  void UpdateState() override;
  CommandResult OnApplyCommand(C3DScene* scene) override;
  void OnTimer(std::uint32_t id) override;
  // One tick of playback: the next time, 0 after the end of the range.
  static int NextPlayTime(int now, int end);
};

// Moves the scene's time by one tick, or to the previous or next key.
class VEX3D_VIEWER_EXPORT C3DTimeStepCommand : public C3DViewerCommand {
 public:
  enum Step { previousFrame, nextFrame, previousKey, nextKey };
  C3DTimeStepCommand(const vex3d::viewer::CommandInfo& info, Step step);
  CommandResult OnApplyCommand(C3DScene* scene) override;

 private:
  Step m_step;
};

class VEX3D_VIEWER_EXPORT C3DPrevFrameCommand : public C3DTimeStepCommand {
 public:
  C3DPrevFrameCommand();
};
class VEX3D_VIEWER_EXPORT C3DNextFrameCommand : public C3DTimeStepCommand {
 public:
  C3DNextFrameCommand();
};
class VEX3D_VIEWER_EXPORT C3DPrevKeyframeCommand : public C3DTimeStepCommand {
 public:
  C3DPrevKeyframeCommand();
};
class VEX3D_VIEWER_EXPORT C3DNextKeyframeCommand : public C3DTimeStepCommand {
 public:
  C3DNextKeyframeCommand();
};
