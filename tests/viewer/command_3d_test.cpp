#include "viewer/command_3d.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "hostlib/commands/command_mgr.h"
#include "io/scripting.h"
#include "scene/scene.h"

namespace {

// Records the scene it was applied to; fails on request.
class ProbeCommand : public C3DCommand {
 public:
  using C3DCommand::OnApplyCommand;
  CCommandID GetCommandID() const override {
    return CCommandID(vex3d::fourcc("3DCO"), vex3d::kCommandKindSimple, vex3d::fourcc("TEST"),
                      vex3d::fourcc("PROB"));
  }
  CommandResult OnApplyCommand(C3DScene* scene) override {
    applied = scene;
    return answer;
  }
  C3DScene* applied = nullptr;
  CommandResult answer = cmdDone;
};

// Stands for the viewer's frame window, which commands only pass along.
struct FakeFrame {
  C3DScene scene;
  std::string helpLine;
};

class Command3DTest : public testing::Test {
 protected:
  Command3DTest() {
    m_probe = static_cast<ProbeCommand*>(m_manager.AddCommand(std::make_unique<ProbeCommand>()));
  }
  ~Command3DTest() override { vex3d::setFrameViewerLink({}); }

  CommandResult applyWith(C3DScene* scene) {
    CCustomData input;
    if (scene != nullptr) input.SetPtr(vex3d::kSceneDataKey, scene);
    return m_manager.StackCommand(m_probe, CCommandMgr::stackApply, &input);
  }

  CCommandMgr m_manager;
  ProbeCommand* m_probe = nullptr;
};

TEST_F(Command3DTest, TheInputSceneGoesInAndOut) {
  EXPECT_EQ(m_probe->GetInputDataFormat(), vex3d::kDataFormatScene);
  EXPECT_EQ(m_probe->GetOutputDataFormat(), vex3d::kDataFormatScene);
  C3DScene scene;
  EXPECT_EQ(applyWith(&scene), cmdDone);
  EXPECT_EQ(m_probe->applied, &scene);
  EXPECT_EQ(m_probe->GetOutputData().GetPtr(vex3d::kSceneDataKey), &scene);

  // A failure is passed on as is, with no scene handed out.
  m_probe->answer = cmdFailed;
  EXPECT_EQ(applyWith(&scene), cmdFailed);
  EXPECT_EQ(m_probe->GetOutputData().GetPtr(vex3d::kSceneDataKey), nullptr);
}

TEST_F(Command3DTest, WithoutASceneOrAFrameThereIsNothingToDo) {
  EXPECT_EQ(applyWith(nullptr), cmdNoScene);
  EXPECT_EQ(m_probe->applied, nullptr);
  EXPECT_EQ(m_probe->Get3DFrameWnd(), nullptr);
}

TEST_F(Command3DTest, TheFramesSceneStandsInForAMissingInput) {
  FakeFrame frame;
  auto* window = reinterpret_cast<CCommandFrameWnd*>(&frame);
  vex3d::FrameViewerLink link;
  link.viewerOf = [&](CCommandFrameWnd* w) {
    return w == window ? reinterpret_cast<C3DFrameViewer*>(&frame) : nullptr;
  };
  link.currentScene = [](C3DFrameViewer* f) { return &reinterpret_cast<FakeFrame*>(f)->scene; };
  vex3d::setFrameViewerLink(link);

  m_manager.SetFrame(window);
  EXPECT_NE(m_probe->Get3DFrameWnd(), nullptr);
  EXPECT_EQ(applyWith(nullptr), cmdDone);
  EXPECT_EQ(m_probe->applied, &frame.scene);
  C3DScene input;
  EXPECT_EQ(applyWith(&input), cmdDone);
  EXPECT_EQ(m_probe->applied, &input);

  // Any other frame is no 3D viewer.
  int other = 0;
  m_manager.SetFrame(reinterpret_cast<CCommandFrameWnd*>(&other));
  EXPECT_EQ(m_probe->Get3DFrameWnd(), nullptr);
  EXPECT_EQ(applyWith(nullptr), cmdNoScene);
}

}  // namespace
