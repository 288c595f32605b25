// Running commands, input routing, names and remembered parameters.
#include "hostlib/commands/command_mgr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "command_test_support.h"
#include "hostlib/files/file_io.h"
#include "hostlib/text/strings.h"

namespace {

using vex3d::fourcc;
using vex3d::test::kInput;
using vex3d::test::kResult;
using vex3d::test::kValue;
using vex3d::test::makeId;
using vex3d::test::RecordingCommand;

RecordingCommand* add(CCommandMgr& mgr, const CCommandID& id) {
  return static_cast<RecordingCommand*>(mgr.AddCommand(std::make_unique<RecordingCommand>(id)));
}

CCustomData withValue(std::uint32_t value) {
  CCustomData d;
  d.SetUInt(kValue, value);
  return d;
}

CCustomData sceneInput(void* scene) {
  CCustomData d;
  d.SetPtr(kInput, scene);
  return d;
}

// ---- stacking

TEST(CommandStack, InteractiveSimpleCommandAppliesAndRemembers) {
  CCommandMgr mgr;
  RecordingCommand* cmd = add(mgr, makeId("SIMP", "LIGH", "BRGL"));
  cmd->SetParameters(withValue(21));
  int scene = 0;
  const CCustomData input = sceneInput(&scene);

  EXPECT_EQ(mgr.StackCommand(fourcc("BRGL"), CCommandMgr::stackDefault, &input), cmdDone);
  EXPECT_EQ(cmd->callList(), "apply");
  EXPECT_EQ(cmd->updates, 1);  // the marks are refreshed before a user run
  EXPECT_FALSE(cmd->sawScripting);
  EXPECT_EQ(cmd->sawInput.GetPtr(kInput), &scene);
  EXPECT_EQ(cmd->GetOutputData().GetUInt(kResult), 42u);
  ASSERT_NE(mgr.GetRememberedParameters(cmd->GetCommandID()), nullptr);
  EXPECT_EQ(*mgr.GetRememberedParameters(cmd->GetCommandID()), withValue(21));
}

TEST(CommandStack, ScriptedApplyRunsWithoutDialogAndForgetsNothing) {
  // The scripted run of a dialog command: parameters given by the script,
  // applied without the dialog, the user's remembered parameters untouched.
  CCommandMgr mgr;
  RecordingCommand* cmd = add(mgr, makeId("DIAL", "FILE", "SAVB"));
  cmd->enabled = false;  // a script does not look at the viewer's marks
  int scene = 0;
  cmd->SetInputData(sceneInput(&scene));
  cmd->SetParameters(withValue(5));

  mgr.SetScriptMode(CCommandMgr::scriptApply);
  const CommandResult result = mgr.StackCommand(cmd, CCommandMgr::stackApply, nullptr);
  mgr.SetScriptMode(CCommandMgr::scriptNone);

  EXPECT_EQ(result, cmdDone);
  EXPECT_EQ(cmd->callList(), "apply");
  EXPECT_EQ(cmd->updates, 0);
  EXPECT_TRUE(cmd->sawScripting);
  EXPECT_EQ(cmd->sawValue, 5u);
  EXPECT_EQ(cmd->sawInput.GetPtr(kInput), &scene);
  EXPECT_EQ(cmd->GetOutputData().GetUInt(kResult), 10u);
  EXPECT_EQ(mgr.GetRememberedParameters(cmd->GetCommandID()), nullptr);
  EXPECT_FALSE(cmd->IsScripting());

  // Script mode 2 alone keeps dialogs shut even with the default stack mode.
  mgr.SetScriptMode(CCommandMgr::scriptApply);
  EXPECT_EQ(mgr.StackCommand(cmd), cmdDone);
  mgr.SetScriptMode(CCommandMgr::scriptNone);
  EXPECT_EQ(cmd->callList(), "apply apply");
}

TEST(CommandStack, ScriptedDialogOnlyEditsParameters) {
  CCommandMgr mgr;
  RecordingCommand* cmd = add(mgr, makeId("DIAL", "FILE", "SAVB"));
  cmd->dialogValue = 64;

  mgr.SetScriptMode(CCommandMgr::scriptDialog);
  EXPECT_EQ(mgr.StackCommand(cmd, CCommandMgr::stackDefault, nullptr), cmdDone);
  EXPECT_EQ(cmd->callList(), "dialog");
  EXPECT_TRUE(cmd->sawScripting);
  EXPECT_EQ(cmd->GetParameters().GetUInt(kValue), 64u);
  EXPECT_TRUE(cmd->GetOutputData().IsEmpty());

  // Even a simple command or the dialog-and-apply mode stop at the dialog.
  RecordingCommand* simple = add(mgr, makeId("SIMP", "LIGH", "BRGM"));
  EXPECT_EQ(mgr.StackCommand(simple, CCommandMgr::stackDialogAndApply, nullptr), cmdDone);
  EXPECT_EQ(simple->callList(), "dialog");

  cmd->dialogResult = cmdCancelled;
  EXPECT_EQ(mgr.StackCommand(cmd, CCommandMgr::stackDefault, nullptr), cmdCancelled);
  mgr.SetScriptMode(CCommandMgr::scriptNone);
  EXPECT_EQ(mgr.GetRememberedParameters(cmd->GetCommandID()), nullptr);
}

TEST(CommandStack, InteractiveDialogCommand) {
  CCommandMgr mgr;
  RecordingCommand* cmd = add(mgr, makeId("DIAL", "FILE", "SAVB"));
  cmd->dialogValue = 7;

  // Default mode: the dialog only; it applies the command itself.
  EXPECT_EQ(mgr.StackCommand(cmd), cmdDone);
  EXPECT_EQ(cmd->callList(), "dialog");
  ASSERT_NE(mgr.GetRememberedParameters(cmd->GetCommandID()), nullptr);
  EXPECT_EQ(*mgr.GetRememberedParameters(cmd->GetCommandID()), withValue(7));

  cmd->calls.clear();
  cmd->dialogValue = 8;
  EXPECT_EQ(mgr.StackCommand(cmd, CCommandMgr::stackDialogAndApply, nullptr), cmdDone);
  EXPECT_EQ(cmd->callList(), "dialog apply");
  EXPECT_EQ(cmd->sawValue, 8u);

  cmd->calls.clear();
  cmd->dialogResult = cmdCancelled;
  EXPECT_EQ(mgr.StackCommand(cmd, CCommandMgr::stackDialogAndApply, nullptr), cmdCancelled);
  EXPECT_EQ(cmd->callList(), "dialog");
}

TEST(CommandStack, InteractiveToolBecomesActiveInsteadOfApplying) {
  CCommandMgr mgr;
  RecordingCommand* rotate = add(mgr, makeId("INTE", "MOVE", "ROTA"));
  RecordingCommand* pan = add(mgr, makeId("INTE", "MOVE", "MOVE"));

  EXPECT_EQ(mgr.StackCommand(fourcc("ROTA")), cmdDone);
  EXPECT_EQ(mgr.GetActiveCommand(), rotate);
  EXPECT_EQ(rotate->callList(), "focus+");
  // Choosing it again changes nothing.
  EXPECT_EQ(mgr.StackCommand(fourcc("ROTA")), cmdDone);
  EXPECT_EQ(rotate->callList(), "focus+");

  EXPECT_EQ(mgr.StackCommand(fourcc("MOVE")), cmdDone);
  EXPECT_EQ(mgr.GetActiveCommand(), pan);
  EXPECT_EQ(rotate->callList(), "focus+ focus-");

  // Applied explicitly, a tool runs like any command and stays inactive.
  EXPECT_EQ(mgr.StackCommand(rotate, CCommandMgr::stackApply, nullptr), cmdDone);
  EXPECT_EQ(rotate->callList(), "focus+ focus- apply");
  EXPECT_EQ(mgr.GetActiveCommand(), pan);
}

TEST(CommandStack, InvalidParametersAreRefusedBeforeApplying) {
  CCommandMgr mgr;
  RecordingCommand* cmd = add(mgr, makeId("SIMP", "LIGH", "BRGD"));
  cmd->SetParameters(withValue(10));
  ASSERT_EQ(mgr.StackCommand(cmd), cmdDone);
  ASSERT_EQ(cmd->GetOutputData().GetUInt(kResult), 20u);

  cmd->SetParameters(withValue(vex3d::test::kMaxValue + 1));
  EXPECT_EQ(mgr.StackCommand(cmd), cmdFailed);
  EXPECT_EQ(cmd->callList(), "apply");
  // The previous run's output must not be read as this run's.
  EXPECT_FALSE(cmd->GetOutputData().HasKey(kResult));
  // What the user last ran successfully stays remembered.
  EXPECT_EQ(*mgr.GetRememberedParameters(cmd->GetCommandID()), withValue(10));

  mgr.SetScriptMode(CCommandMgr::scriptApply);
  EXPECT_EQ(mgr.StackCommand(cmd, CCommandMgr::stackApply, nullptr), cmdFailed);
  mgr.SetScriptMode(CCommandMgr::scriptNone);
  EXPECT_EQ(cmd->callList(), "apply");
}

TEST(CommandStack, FailuresOfTheCommandAreReturnedAndNotRemembered) {
  CCommandMgr mgr;
  RecordingCommand* cmd = add(mgr, makeId("SIMP", "FILE", "SAVS"));
  cmd->applyResult = cmdNoScene;
  EXPECT_EQ(mgr.StackCommand(cmd), cmdNoScene);
  EXPECT_EQ(mgr.GetRememberedParameters(cmd->GetCommandID()), nullptr);

  cmd->applyResult = cmdDone;
  cmd->enabled = false;
  EXPECT_EQ(mgr.StackCommand(cmd), cmdFailed);
  EXPECT_EQ(cmd->callList(), "apply");
}

TEST(CommandStack, UnknownOrForeignCommandsFail) {
  CCommandMgr mgr;
  CCommandMgr other;
  add(mgr, makeId("SIMP", "LIGH", "BRGL"));
  RecordingCommand* foreign = add(other, makeId("SIMP", "LIGH", "BRGM"));

  EXPECT_EQ(mgr.StackCommand(fourcc("NONE")), cmdFailed);
  EXPECT_EQ(mgr.StackCommand(makeId("SIMP", "LIGH", "BRGL", 2)), cmdFailed);
  EXPECT_EQ(mgr.StackCommand(static_cast<CVexCommand*>(nullptr)), cmdFailed);
  EXPECT_EQ(mgr.StackCommand(foreign), cmdFailed);
  EXPECT_EQ(mgr.StackCommand(makeId("SIMP", "LIGH", "BRGL"), 3, nullptr), cmdFailed);
  EXPECT_TRUE(foreign->calls.empty());
  EXPECT_EQ(mgr.StackCommand(makeId("SIMP", "LIGH", "BRGL")), cmdDone);
}

// ---- the command list

TEST(CommandList, AddLookUpRemove) {
  CCommandMgr mgr;
  RecordingCommand* play = add(mgr, makeId("SIMP", "ANIM", "PLAY"));
  ASSERT_NE(play, nullptr);
  EXPECT_EQ(play->GetManager(), &mgr);
  // The same id twice is refused.
  EXPECT_EQ(add(mgr, makeId("SIMP", "ANIM", "PLAY")), nullptr);
  RecordingCommand* light = add(mgr, makeId("SIMP", "LIGH", "BRGL"));
  RecordingCommand* next = add(mgr, makeId("SIMP", "ANIM", "NXFR"));
  // Same code in another category: lookups by code find the first added.
  RecordingCommand* twin = add(mgr, makeId("SIMP", "OTHR", "PLAY"));
  ASSERT_NE(twin, nullptr);
  EXPECT_EQ(mgr.GetCommandNbr(), 4u);

  EXPECT_EQ(mgr.GetCommandById(fourcc("PLAY")), play);
  EXPECT_EQ(mgr.GetCommandById(makeId("SIMP", "OTHR", "PLAY")), twin);
  EXPECT_EQ(mgr.GetCommandById(makeId("DIAL", "ANIM", "PLAY")), nullptr);
  EXPECT_EQ(mgr.GetCommandsInCategory(fourcc("ANIM")), (std::vector<CVexCommand*>{play, next}));
  EXPECT_EQ(mgr.GetCommands(), (std::vector<CVexCommand*>{play, light, next, twin}));

  mgr.SetActiveCommand(play);
  EXPECT_TRUE(mgr.RemoveCommand(makeId("SIMP", "ANIM", "PLAY")));
  EXPECT_EQ(mgr.GetActiveCommand(), nullptr);
  EXPECT_FALSE(mgr.RemoveCommand(makeId("SIMP", "ANIM", "PLAY")));
  EXPECT_EQ(mgr.GetCommandById(fourcc("PLAY")), twin);
}

TEST(CommandList, ShortcutsStackTheirCommand) {
  CCommandMgr mgr;
  RecordingCommand* less = add(mgr, makeId("SIMP", "LIGH", "BRGL"));
  RecordingCommand* reset = add(mgr, makeId("SIMP", "LIGH", "BRGD"));
  less->GetAccess().SetAccess('L', vex3d::kAccessMenu | vex3d::kModCtrl);
  reset->GetAccess().SetAccess('L', vex3d::kAccessMenu | vex3d::kModCtrl | vex3d::kModShift);

  EXPECT_EQ(mgr.FindShortcut('L', vex3d::kModCtrl | vex3d::kModShift), reset);
  EXPECT_TRUE(mgr.OnKeyDown({'L', vex3d::kModCtrl, false}));
  EXPECT_EQ(less->callList(), "apply");
  EXPECT_TRUE(reset->calls.empty());
  EXPECT_FALSE(mgr.OnKeyDown({'L', vex3d::kModAlt, false}));
}

// ---- names

TEST(CommandNames, RegistrationKeepsOrderAndPlace) {
  // The names are shared by every manager; these codes are this test's own.
  CCommandMgr::RegisterCategoryName(fourcc("TCA1"), 9001);
  CCommandMgr::RegisterCategoryName(fourcc("TCA2"), 9002);
  CCommandMgr::RegisterCategoryName(fourcc("TCA3"), 9003);
  CCommandMgr::RegisterGroupName(fourcc("TGRP"), 9100);
  // A second start registers again: new string, same place.
  CCommandMgr::RegisterCategoryName(fourcc("TCA1"), 9011);

  const auto cats = CCommandMgr::GetCategories();
  const auto pos = [&](const char* code) {
    return std::find(cats.begin(), cats.end(), fourcc(code)) - cats.begin();
  };
  EXPECT_LT(pos("TCA1"), pos("TCA2"));
  EXPECT_LT(pos("TCA2"), pos("TCA3"));
  EXPECT_EQ(std::count(cats.begin(), cats.end(), fourcc("TCA1")), 1);
  EXPECT_EQ(CCommandMgr::GetCategoryNameId(fourcc("TCA1")), 9011u);
  EXPECT_EQ(CCommandMgr::GetCategoryNameId(fourcc("NONE")), 0u);
  // Groups and categories are separate lists.
  EXPECT_EQ(CCommandMgr::GetCategoryNameId(fourcc("TGRP")), 0u);
  EXPECT_EQ(CCommandMgr::GetGroupNameId(fourcc("TGRP")), 9100u);

  CCommandMgr::SetStringLoader([](void*, std::uint32_t id) { return "s" + std::to_string(id); });
  EXPECT_EQ(CCommandMgr::GetCategoryName(fourcc("TCA2")), "s9002");
  EXPECT_EQ(CCommandMgr::GetGroupName(fourcc("NONE")), "");
  CCommandMgr::SetStringLoader(nullptr);
  EXPECT_EQ(CCommandMgr::GetCategoryName(fourcc("TCA2")), "");
}

class NamedCommand : public RecordingCommand {
 public:
  NamedCommand() : RecordingCommand(makeId("SIMP", "LIGH", "BRGL")) {}
  std::uint32_t GetNameId() const override { return 9169; }
  std::uint32_t GetHelpId() const override { return 9170; }
};

TEST(CommandNames, CommandTextsComeFromItsResourceModule) {
  int module = 0;
  CCommandMgr::SetStringLoader([&module](void* m, std::uint32_t id) {
    return (m == &module ? "mod:" : "app:") + std::to_string(id);
  });
  CCommandMgr mgr;
  CVexCommand* cmd = mgr.AddCommand(std::make_unique<NamedCommand>(), &module);
  EXPECT_EQ(cmd->GetName(), "mod:9169");
  std::string help;
  EXPECT_TRUE(cmd->GetHelp(CVexCommand::helpParameters, help));
  EXPECT_EQ(help, "mod:9170");
  // Without a loader the texts come from the module's own string table.
  CCommandMgr::SetStringLoader(nullptr);
  EXPECT_EQ(cmd->GetName(), LoadStringW(9169));
  EXPECT_FALSE(cmd->GetName().empty());
}

// ---- input routing

TEST(CommandRouting, VolatileCommandTakesTheMouseUntilCleared) {
  CCommandMgr mgr;
  RecordingCommand* rotate = add(mgr, makeId("INTE", "MOVE", "ROTA"));
  RecordingCommand* zoom = add(mgr, makeId("INTE", "ZOOM", "ZOOM"));
  vex3d::MouseEvent e;

  e.x = 1;
  EXPECT_FALSE(mgr.OnMouseMove(e));  // nobody to take it

  mgr.SetActiveCommand(rotate);
  EXPECT_TRUE(mgr.OnMouseMove(e));

  mgr.SetVolatileCommand(zoom);  // e.g. Ctrl+Alt held
  e.x = 2;
  mgr.OnLButtonDown(e);
  e.wheelDelta = -120;
  mgr.OnMouseWheel(e);
  zoom->cursor = 9017;
  EXPECT_EQ(mgr.SetCursor(e), 9017u);
  mgr.OnDraw();
  // The periodic key check sets the same tool again: no focus churn.
  mgr.SetVolatileCommand(zoom);

  mgr.ClearVolatileCommand();
  e.x = 3;
  mgr.OnMouseMove(e);

  EXPECT_EQ(rotate->callList(), "focus+ move:1 focus- focus+ move:3");
  EXPECT_EQ(zoom->callList(), "focus+ ldown:2 wheel:-120 draw focus-");

  // Changing the active tool under a volatile one moves no focus.
  mgr.SetVolatileCommand(zoom);
  rotate->calls.clear();
  zoom->calls.clear();
  mgr.SetActiveCommand(nullptr);
  EXPECT_TRUE(rotate->calls.empty());
  mgr.ClearVolatileCommand();
  EXPECT_EQ(zoom->callList(), "focus-");
  EXPECT_EQ(mgr.GetInputCommand(), nullptr);
}

TEST(CommandRouting, KeysGoToTheInputCommandBeforeShortcuts) {
  CCommandMgr mgr;
  RecordingCommand* tool = add(mgr, makeId("INTE", "MOVE", "ROTA"));
  RecordingCommand* fit = add(mgr, makeId("SIMP", "VIEW", "RSZO"));
  fit->GetAccess().SetAccess(vex3d::kKeyNumpad0, vex3d::kAccessMenu);
  mgr.SetActiveCommand(tool);
  const vex3d::KeyEvent key{vex3d::kKeyNumpad0, 0, false};

  EXPECT_TRUE(mgr.OnKeyDown(key));  // the tool does not want keys
  EXPECT_EQ(fit->callList(), "apply");
  tool->takesKeys = true;
  EXPECT_TRUE(mgr.OnKeyDown(key));
  EXPECT_EQ(fit->callList(), "apply");
  EXPECT_EQ(tool->calls.back(), "key:96");
}

// ---- remembered parameters

class RememberedParameters : public ::testing::Test {
 protected:
  void SetUp() override {
    m_dir = std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "command_prefs" /
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(m_dir);
    m_file = (m_dir / "commands.prefs").string();
  }
  std::filesystem::path m_dir;
  std::string m_file;
};

TEST_F(RememberedParameters, RoundTripThroughThePreferencesFile) {
  {
    CCommandMgr mgr;
    add(mgr, makeId("DIAL", "FILE", "SAVB"))->SetParameters(withValue(33));
    add(mgr, makeId("SIMP", "LIGH", "BRGL"))->SetParameters(withValue(44));
    add(mgr, makeId("SIMP", "LIGH", "BRGM"));  // never run: nothing stored
    ASSERT_EQ(mgr.StackCommand(fourcc("SAVB"), CCommandMgr::stackApply, nullptr), cmdDone);
    ASSERT_EQ(mgr.StackCommand(fourcc("BRGL")), cmdDone);
    // Another group goes to its own record.
    CCommandID foreign(fourcc("2DCO"), fourcc("SIMP"), fourcc("EDIT"), fourcc("CROP"));
    add(mgr, foreign)->SetParameters(withValue(55));
    ASSERT_EQ(mgr.StackCommand(foreign), cmdDone);
    ASSERT_TRUE(mgr.SaveRememberedParameters(m_file));
  }

  CCommandMgr mgr;
  // Added before loading: loading hands it its parameters.
  RecordingCommand* save = add(mgr, makeId("DIAL", "FILE", "SAVB"));
  ASSERT_TRUE(mgr.LoadRememberedParameters(m_file));
  EXPECT_EQ(save->GetParameters(), withValue(33));
  // Added after loading: adding does.
  RecordingCommand* less = add(mgr, makeId("SIMP", "LIGH", "BRGL"));
  RecordingCommand* more = add(mgr, makeId("SIMP", "LIGH", "BRGM"));
  EXPECT_EQ(less->GetParameters(), withValue(44));
  EXPECT_TRUE(more->GetParameters().IsEmpty());
  // The other group's record is only read when that group is known.
  CCommandID foreign(fourcc("2DCO"), fourcc("SIMP"), fourcc("EDIT"), fourcc("CROP"));
  EXPECT_EQ(mgr.GetRememberedParameters(foreign), nullptr);
  add(mgr, foreign);
  ASSERT_TRUE(mgr.LoadRememberedParameters(m_file));
  EXPECT_EQ(mgr.GetCommandById(foreign)->GetParameters(), withValue(55));
}

TEST_F(RememberedParameters, OnlyParametersTheCommandAcceptsAreGiven) {
  {
    CCommandMgr mgr;
    add(mgr, makeId("SIMP", "LIGH", "BRGL"));
    RecordingCommand big(makeId("SIMP", "LIGH", "BRGL"));
    big.SetParameters(withValue(vex3d::test::kMaxValue + 5));
    mgr.RememberParameters(big);
    RecordingCommand old(makeId("SIMP", "LIGH", "BRGD", 1));
    old.SetParameters(withValue(3));
    mgr.RememberParameters(old);
    ASSERT_TRUE(mgr.SaveRememberedParameters(m_file));
  }
  CCommandMgr mgr;
  RecordingCommand* less = add(mgr, makeId("SIMP", "LIGH", "BRGL"));
  // A newer version of the command does not inherit the old one's record.
  RecordingCommand* reset = add(mgr, makeId("SIMP", "LIGH", "BRGD", 2));
  less->SetParameters(withValue(1));
  ASSERT_TRUE(mgr.LoadRememberedParameters(m_file));
  EXPECT_EQ(less->GetParameters(), withValue(1));
  EXPECT_TRUE(reset->GetParameters().IsEmpty());
}

TEST_F(RememberedParameters, MissingOrDamagedFileLoadsNothing) {
  CCommandMgr mgr;
  RecordingCommand* cmd = add(mgr, makeId("SIMP", "LIGH", "BRGL"));
  cmd->SetParameters(withValue(9));
  EXPECT_FALSE(mgr.LoadRememberedParameters(m_file));
  ASSERT_TRUE(vex3d::writeSettingsFile(m_file, "not a preferences file", 22));
  EXPECT_FALSE(mgr.LoadRememberedParameters(m_file));
  EXPECT_EQ(cmd->GetParameters(), withValue(9));
}

TEST(RememberedParametersPath, LivesInTheUserPreferencesFolder) {
  const std::string path = CCommandMgr::GetParametersFilePath();
  EXPECT_EQ(path.substr(path.size() - 15), "/commands.prefs");
}

}  // namespace
