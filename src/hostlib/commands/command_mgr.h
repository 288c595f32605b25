#pragma once
// The command manager: owns the commands of a frame, runs them (StackCommand),
// routes mouse and keyboard input to the active tool, and remembers each
// command's parameters between runs and sessions.
//
// Running a command, StackCommand(command, mode, data):
//   - `data`, when given, becomes the command's input data;
//   - in an interactive run (script mode 0) the command's state is refreshed
//     and a disabled command is refused with cmdFailed;
//   - what runs then depends on the stack mode and the script mode:
//       stack mode 2 (stackApply): the command is applied, whatever its kind;
//       script mode 2 (scriptApply): applied, no dialog is ever opened;
//       script mode 1 (scriptDialog): only the parameter dialog is opened
//         (OnOpenDialog) and its answer returned; nothing is applied;
//       stack mode 1 (stackDialogAndApply): the dialog, then, when accepted,
//         the command is applied;
//       stack mode 0 (stackDefault), by kind: 'SIMP' is applied, 'INTE'
//         becomes the active command (the tool that takes the mouse), 'DIAL'
//         opens its dialog (a modeless dialog applies the command itself with
//         stackApply when the user confirms).
//   - applying empties the output data, refuses parameters the command
//     judges invalid with cmdFailed (OnApplyCommand is then not called), and
//     returns OnApplyCommand's answer; the output data is what the command
//     left there.
//   - after a successful interactive run or an accepted interactive dialog
//     the command's parameters are remembered. Scripted runs never change
//     what is remembered.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "hostlib/commands/command.h"
#include "hostlib/hostlib_export.h"

namespace vex3d {

// Loads string `id` of a resource module (null: the application's own).
using CommandStringLoader = std::function<std::string(void* module, std::uint32_t id)>;

}  // namespace vex3d

class VEXHOST_EXPORT CCommandMgr {
 public:
  enum ScriptMode : int { scriptNone = 0, scriptDialog = 1, scriptApply = 2 };
  enum StackMode : int { stackDefault = 0, stackDialogAndApply = 1, stackApply = 2 };

  // Preferences of remembered parameters: section of the preferences file;
  // the entry is the command group.
  static constexpr std::uint32_t kPrefsSection = vex3d::fourcc("CMDP");

  CCommandMgr();
  ~CCommandMgr();
  CCommandMgr(const CCommandMgr&) = delete;
  CCommandMgr& operator=(const CCommandMgr&) = delete;

  // ---- names of command groups and categories, shared by every manager.
  // Registering a code again changes its string id and keeps its place.
  static void RegisterGroupName(std::uint32_t code, std::uint32_t stringId);
  static void RegisterCategoryName(std::uint32_t code, std::uint32_t stringId);
  // 0 when the code is not registered.
  static std::uint32_t GetGroupNameId(std::uint32_t code);
  static std::uint32_t GetCategoryNameId(std::uint32_t code);
  static std::string GetGroupName(std::uint32_t code);
  static std::string GetCategoryName(std::uint32_t code);
  // Codes in registration order.
  static std::vector<std::uint32_t> GetGroups();
  static std::vector<std::uint32_t> GetCategories();

  // How command and category names are loaded; without a loader they come
  // from the module's string table.
  static void SetStringLoader(vex3d::CommandStringLoader loader);
  static std::string LoadCommandString(void* module, std::uint32_t id);

  // ---- environment
  // Passed to every command's OnInitCommand, now and when added.
  void SetFrame(CCommandFrameWnd* frame);
  CCommandFrameWnd* GetFrame() const { return m_frame; }
  // Not owned; it must outlive the manager. Changing it closes every
  // running command timer.
  void SetTimerService(vex3d::ITimerService* service);
  vex3d::ITimerService* GetTimerService() const { return m_timerService; }

  // ---- commands
  // Takes ownership and answers the command, or null (the command is then
  // destroyed) when one with the same id is already there. Remembered
  // parameters the command accepts become its parameters.
  CVexCommand* AddCommand(std::unique_ptr<CVexCommand> command, void* resourceModule = nullptr);
  CVexCommand* AddCommand(CVexCommand* command, void* resourceModule);
  // Destroys the command; false when there is none with that id.
  bool RemoveCommand(const CCommandID& id);
  CVexCommand* GetCommandById(const CCommandID& id) const;
  // By command code alone: the first added command with that code.
  CVexCommand* GetCommandById(std::uint32_t code) const;
  std::size_t GetCommandNbr() const { return m_commands.size(); }
  // In the order they were added.
  std::vector<CVexCommand*> GetCommands() const;
  std::vector<CVexCommand*> GetCommandsInCategory(std::uint32_t category) const;
  // The command whose shortcut is this key with exactly these modifiers.
  CVexCommand* FindShortcut(std::uint32_t key, std::uint32_t modifiers) const;
  // UpdateState of every command.
  void UpdateStates();

  // ---- running
  // Commands of another manager and unknown ids give cmdFailed.
  CommandResult StackCommand(CVexCommand* command, int mode = stackDefault,
                             const CCustomData* data = nullptr);
  CommandResult StackCommand(const CCommandID& id, int mode = stackDefault,
                             const CCustomData* data = nullptr);
  CommandResult StackCommand(std::uint32_t code, int mode = stackDefault,
                             const CCustomData* data = nullptr);

  // Set by a script around its run and reset to scriptNone after it.
  void SetScriptMode(int mode) { m_scriptMode = mode; }
  int GetScriptMode() const { return m_scriptMode; }
  bool IsScripting() const { return m_scriptMode != scriptNone; }

  // ---- input routing. Mouse and keys go to the volatile command when there
  // is one (a tool held by the keyboard), else to the active command. The
  // command losing the input gets OnLooseFocus, the one gaining it
  // OnGetFocus.
  void SetActiveCommand(CVexCommand* command);
  CVexCommand* GetActiveCommand() const { return m_active; }
  void SetVolatileCommand(CVexCommand* command);
  void ClearVolatileCommand() { SetVolatileCommand(nullptr); }
  CVexCommand* GetVolatileCommand() const { return m_volatile; }
  CVexCommand* GetInputCommand() const { return m_volatile != nullptr ? m_volatile : m_active; }

  // False when no command took the event.
  bool OnMouseMove(const vex3d::MouseEvent& e);
  bool OnLButtonDown(const vex3d::MouseEvent& e);
  bool OnLButtonUp(const vex3d::MouseEvent& e);
  bool OnRButtonDown(const vex3d::MouseEvent& e);
  bool OnRButtonUp(const vex3d::MouseEvent& e);
  bool OnMouseWheel(const vex3d::MouseEvent& e);
  std::uint32_t SetCursor(const vex3d::MouseEvent& e);
  void OnDraw();
  // The input command first; when it does not take the key, the command of
  // that shortcut is stacked.
  bool OnKeyDown(const vex3d::KeyEvent& e);
  bool OnKeyUp(const vex3d::KeyEvent& e);

  // ---- remembered parameters
  void RememberParameters(const CVexCommand& command);
  // Null when nothing is remembered for the id.
  const CCustomData* GetRememberedParameters(const CCommandID& id) const;
  void ForgetParameters(const CCommandID& id) { m_remembered.erase(id); }
  // GetUserPreferencesPath() + "commands.prefs".
  static std::string GetParametersFilePath();
  // Writes one record per command group. False when a record could not be
  // written.
  bool SaveRememberedParameters() const {
    return SaveRememberedParameters(GetParametersFilePath());
  }
  bool SaveRememberedParameters(const std::string& file) const;
  // Reads the records of the groups of the registered names and of the
  // commands, and gives the commands the parameters they accept. False when
  // no record was found.
  bool LoadRememberedParameters() { return LoadRememberedParameters(GetParametersFilePath()); }
  bool LoadRememberedParameters(const std::string& file);

 private:
  CommandResult apply(CVexCommand& command);
  void applyRemembered(CVexCommand& command) const;
  bool owns(const CVexCommand* command) const;
  // Runs `change` and moves the focus when it changed the input command.
  template <class Change>
  void changeInput(Change change);

  // Declared first so that they are still alive while the commands die.
  CCommandFrameWnd* m_frame = nullptr;
  vex3d::ITimerService* m_timerService = nullptr;
  int m_scriptMode = scriptNone;
  CVexCommand* m_active = nullptr;
  CVexCommand* m_volatile = nullptr;
  std::map<CCommandID, CCustomData> m_remembered;
  std::unordered_map<CCommandID, CVexCommand*> m_byId;
  std::vector<std::unique_ptr<CVexCommand>> m_commands;
};
