#include "io/scripting.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hostlib/commands/command_test_support.h"
#include "hostlib/core/message_box.h"
#include "scene/scene.h"

namespace {

using vex3d::test::kValue;
using vex3d::test::makeId;
using vex3d::test::RecordingCommand;

// Copies the input scene into a new one whose file name tells the
// parameter value it ran with.
class SceneCommand : public RecordingCommand {
 public:
  using RecordingCommand::RecordingCommand;
  CommandResult OnApplyCommand() override {
    const CommandResult result = RecordingCommand::OnApplyCommand();
    if (result != cmdDone) return result;
    const auto* in = static_cast<const C3DScene*>(GetInputData().GetPtr(vex3d::kSceneDataKey));
    if (in == nullptr) return cmdNoScene;
    auto* out = new C3DScene;
    out->SetFilename(CFileNameSpec(std::to_string(GetParameters().GetUInt(kValue)), 0));
    GetOutputData().SetPtr(vex3d::kSceneDataKey, out);
    return cmdDone;
  }
};

struct Messages {
  std::vector<std::string> shown;
  vex3d::MessageBoxHandler previous;
  Messages() {
    previous = vex3d::setMessageBoxHandler([this](const std::string& text, unsigned) {
      shown.push_back(text);
      return 1;
    });
  }
  ~Messages() { vex3d::setMessageBoxHandler(std::move(previous)); }
};

struct Fixture {
  CCommandMgr manager;
  SceneCommand* command = nullptr;
  Fixture() {
    auto owned = std::make_unique<SceneCommand>(makeId("SIMP", "TOOL", "COPY"));
    command = static_cast<SceneCommand*>(manager.AddCommand(std::move(owned)));
    command->GetParameters().SetUInt(kValue, 5);
  }
  unsigned id() const { return command->GetCommandID().GetCode(); }
};

TEST(Apply3DCommandTest, RunsWithTheGivenParametersAndRestoresTheOwnOnes) {
  Fixture f;
  Messages messages;
  C3DScene scene;
  CCustomData parameters;
  parameters.SetUInt(kValue, 21);
  std::unique_ptr<C3DScene> out(Apply3DCommand(&f.manager, f.id(), &scene, parameters));
  ASSERT_TRUE(out);
  EXPECT_EQ(out->GetFilename().GetName(), "21");
  EXPECT_TRUE(f.command->sawScripting);
  EXPECT_EQ(f.command->GetParameters().GetUInt(kValue), 5u);
  EXPECT_TRUE(messages.shown.empty());
}

TEST(Apply3DCommandTest, FailuresAreToldAndAnswerNull) {
  Fixture f;
  Messages messages;
  C3DScene scene;
  scene.SetFilename(CFileNameSpec("/data/box.obj", 0));
  CCustomData rejected;
  rejected.SetUInt(kValue, vex3d::test::kMaxValue + 1);
  EXPECT_EQ(Apply3DCommand(&f.manager, f.id(), &scene, rejected), nullptr);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("/data/box.obj"), std::string::npos);
  EXPECT_EQ(f.command->GetParameters().GetUInt(kValue), 5u);

  EXPECT_EQ(Apply3DCommand(&f.manager, 0x12345678, &scene, rejected), nullptr);
  EXPECT_EQ(messages.shown.back(), "This command is not available.");
  const std::size_t before = messages.shown.size();
  EXPECT_EQ(Apply3DCommand(nullptr, f.id(), &scene, rejected), nullptr);
  EXPECT_EQ(messages.shown.size(), before) << "no manager, no message";
}

TEST(Show3DCommandDialogTest, RejectedParametersComeBackAsTheCommandsOwn) {
  Fixture f;
  Messages messages;
  f.command->dialogResult = cmdDone;
  f.command->dialogValue = 5;
  CCustomData parameters;
  parameters.SetUInt(kValue, vex3d::test::kMaxValue + 1);
  EXPECT_EQ(Show3DCommandDialog(&f.manager, f.id(), parameters), 1);
  EXPECT_EQ(parameters.GetUInt(kValue), 5u);
  EXPECT_EQ(f.command->callList(), "dialog");

  f.command->dialogValue = 42;
  parameters.SetUInt(kValue, 7);
  EXPECT_EQ(Show3DCommandDialog(&f.manager, f.id(), parameters), 1);
  EXPECT_EQ(parameters.GetUInt(kValue), 42u);
  EXPECT_EQ(f.command->GetParameters().GetUInt(kValue), 5u) << "the command keeps its own";

  f.command->dialogResult = cmdCancelled;
  EXPECT_EQ(Show3DCommandDialog(&f.manager, f.id(), parameters), 0);
  EXPECT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(Show3DCommandDialog(nullptr, f.id(), parameters), 0);
}

}  // namespace
