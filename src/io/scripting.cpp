#include "io/scripting.h"

#include <memory>

#include "hostlib/commands/command.h"
#include "hostlib/commands/command_mgr.h"
#include "hostlib/core/custom_data.h"
#include "hostlib/core/message_box.h"
#include "hostlib/text/strings.h"
#include "scene/scene.h"

namespace {

// Puts a command's own parameters back however the call ends.
class SavedParameters {
 public:
  explicit SavedParameters(CVexCommand& command)
      : m_command(command), m_saved(command.GetParameters()) {}
  ~SavedParameters() { m_command.SetParameters(m_saved); }
  SavedParameters(const SavedParameters&) = delete;
  SavedParameters& operator=(const SavedParameters&) = delete;

 private:
  CVexCommand& m_command;
  CCustomData m_saved;
};

// Script mode for the length of one stacking.
class ScriptMode {
 public:
  ScriptMode(CCommandMgr& manager, int mode) : m_manager(manager) { m_manager.SetScriptMode(mode); }
  ~ScriptMode() { m_manager.SetScriptMode(CCommandMgr::scriptNone); }
  ScriptMode(const ScriptMode&) = delete;
  ScriptMode& operator=(const ScriptMode&) = delete;

 private:
  CCommandMgr& m_manager;
};

CVexCommand* findCommand(CCommandMgr& manager, unsigned commandID) {
  CVexCommand* command = manager.GetCommandById(static_cast<std::uint32_t>(commandID));
  if (command == nullptr) AfxMessageBox(LoadStringW(vex3d::kStrNoCommand));
  return command;
}

}  // namespace

C3DScene* Apply3DCommand(CCommandMgr* manager, unsigned commandID, const C3DScene* scene,
                         const CCustomData& parameters) {
  if (manager == nullptr) return nullptr;
  CVexCommand* command = findCommand(*manager, commandID);
  if (command == nullptr) return nullptr;
  CommandResult result = cmdFailed;
  C3DScene* produced = nullptr;
  {
    SavedParameters saved(*command);
    command->SetParameters(parameters);
    CCustomData input;
    input.SetPtr(vex3d::kSceneDataKey, const_cast<C3DScene*>(scene));
    command->SetInputData(input);
    {
      ScriptMode mode(*manager, CCommandMgr::scriptApply);
      result = manager->StackCommand(command, CCommandMgr::stackApply);
    }
    produced = static_cast<C3DScene*>(command->GetOutputData().GetPtr(vex3d::kSceneDataKey));
  }
  if (result == cmdDone && produced != nullptr) return produced;
  const std::string file = scene != nullptr ? scene->GetFilename().GetName() : std::string();
  AfxMessageBox(FormatString(vex3d::kStrCommandFailed, command->GetName().c_str(), file.c_str()));
  return nullptr;
}

int Show3DCommandDialog(CCommandMgr* manager, unsigned commandID, CCustomData& parameters) {
  if (manager == nullptr) return 0;
  CVexCommand* command = findCommand(*manager, commandID);
  if (command == nullptr) return 0;
  SavedParameters saved(*command);
  if (command->AreParametersValid(parameters)) {
    command->SetParameters(parameters);
  } else {
    parameters = command->GetParameters();
  }
  auto scratch = std::make_unique<C3DScene>();
  CCustomData input;
  input.SetPtr(vex3d::kSceneDataKey, scratch.get());
  command->SetInputData(input);
  CommandResult result = cmdFailed;
  {
    ScriptMode mode(*manager, CCommandMgr::scriptDialog);
    result = manager->StackCommand(command, CCommandMgr::stackDefault);
  }
  if (result != cmdDone) {
    AfxMessageBox(FormatString(vex3d::kStrDialogFailed, command->GetName().c_str()));
  } else {
    parameters = command->GetParameters();
  }
  return result == cmdDone ? 1 : 0;
}
