#pragma once
// Base of every command: identity, texts, state marks, parameters, the data
// exchanged with whoever stacks it, timers, and the handlers through which
// the command manager hands it menu, keyboard and mouse input.
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "hostlib/commands/command_access.h"
#include "hostlib/commands/command_id.h"
#include "hostlib/commands/command_input.h"
#include "hostlib/core/custom_data.h"
#include "hostlib/core/timer_service.h"
#include "hostlib/hostlib_export.h"

class CCommandMgr;
// The viewer's frame window; commands only pass it along.
class CCommandFrameWnd;

enum CommandResult : int {
  cmdDone = 0,
  cmdFailed = 7,
  cmdNoScene = 8,
  cmdCancelled = 11,
};

// State bits (SetState). A command starts enabled and visible.
enum CommandState : std::uint32_t {
  cmdStateEnabled = 0x2,
  cmdStateChecked = 0x8,
  // Shown in menus and toolbars; clear for a hidden command.
  cmdStateVisible = 0x4000,
  // A mouse tool: stays the active command until another tool is chosen.
  cmdStateTool = 0x8000,
};

namespace vex3d {

// Formats of a command's input and output records.
inline constexpr std::uint32_t kDataFormatNone = 0;
inline constexpr std::uint32_t kDataFormatBitmap = 1;
inline constexpr std::uint32_t kDataFormatScene = 2;

}  // namespace vex3d

class VEXHOST_EXPORT CVexCommand {
 public:
  // Kinds of help text (GetHelp). Other values are the caller's own and get
  // the command's description.
  enum HelpKind : int {
    helpDescription = 0,
    // A summary of the command's current parameters.
    helpParameters = 7,
  };

  CVexCommand();
  virtual ~CVexCommand();
  CVexCommand(const CVexCommand&) = delete;
  CVexCommand& operator=(const CVexCommand&) = delete;

  // ---- identity and texts
  virtual CCommandID GetCommandID() const = 0;
  // String ids of the name and the description; 0 for none.
  virtual std::uint32_t GetNameId() const { return 0; }
  virtual std::uint32_t GetHelpId() const { return 0; }
  // Default: the string of GetNameId.
  virtual std::string GetName() const;
  // Default: the string of GetHelpId whatever the kind. False when there is
  // no text.
  virtual bool GetHelp(int kind, std::string& text) const;
  // Puts the string `stringId` from the command's resources into `text`;
  // false (and `text` empty) when it has none.
  bool GetCommandHelp(std::uint32_t stringId, std::string& text) const;
  // A string from the command's resources (through the manager's loader).
  std::string LoadCommandString(std::uint32_t stringId) const;

  // ---- state
  void SetState(std::uint32_t state, bool on = true);
  std::uint32_t GetState() const { return m_state; }
  // All bits of `state`.
  bool IsStateSet(std::uint32_t state) const { return (m_state & state) == state; }
  bool IsEnabled() const { return IsStateSet(cmdStateEnabled); }
  bool IsChecked() const { return IsStateSet(cmdStateChecked); }
  bool IsVisible() const { return IsStateSet(cmdStateVisible); }
  // Refreshes the state marks from what the command acts on; called before
  // menus are shown and before an interactive run.
  virtual void UpdateState() {}

  CCommandAccess& GetAccess() { return m_access; }
  const CCommandAccess& GetAccess() const { return m_access; }

  // ---- parameters and data
  CCustomData& GetParameters() { return m_parameters; }
  const CCustomData& GetParameters() const { return m_parameters; }
  void SetParameters(const CCustomData& parameters) { m_parameters = parameters; }
  // Whether `parameters` would be acceptable as this command's parameters.
  virtual bool AreParametersValid(const CCustomData& parameters) const;

  CCustomData& GetInputData() { return m_input; }
  const CCustomData& GetInputData() const { return m_input; }
  void SetInputData(const CCustomData& data) { m_input = data; }
  CCustomData& GetOutputData() { return m_output; }
  const CCustomData& GetOutputData() const { return m_output; }
  void SetOutputData(const CCustomData& data) { m_output = data; }
  void SetInputDataFormat(std::uint32_t format) { m_inputFormat = format; }
  std::uint32_t GetInputDataFormat() const { return m_inputFormat; }
  void SetOutputDataFormat(std::uint32_t format) { m_outputFormat = format; }
  std::uint32_t GetOutputDataFormat() const { return m_outputFormat; }

  // ---- the manager
  // Null until the command is added to a manager.
  CCommandMgr* GetManager() const { return m_manager; }
  void* GetResourceModule() const { return m_resourceModule; }
  // The manager runs a script (script mode non-zero): no message boxes, no
  // progress windows, and dialogs only when the script asked for one.
  bool IsScripting() const;

  // ---- timers (periodic, through the manager's timer service)
  // (Re)starts timer `id` with the given period; false without a timer
  // service or when the service refuses.
  bool SetTimer(std::uint32_t id, unsigned milliseconds);
  void CloseTimer(std::uint32_t id);
  bool IsTimerEnabled(std::uint32_t id) const { return m_timers.count(id) != 0; }
  void CloseAllTimers();
  virtual void OnTimer(std::uint32_t id) { (void)id; }

  // ---- handlers
  // The manager's frame, when the command is added or the frame changes.
  virtual int OnInitCommand(CCommandFrameWnd* frame) {
    (void)frame;
    return 0;
  }
  virtual CommandResult OnApplyCommand() { return cmdDone; }
  // The command's parameter dialog: cmdDone when the user accepted it (the
  // parameters then hold the choice), cmdCancelled when refused. A command
  // without a dialog answers cmdCancelled.
  virtual CommandResult OnOpenDialog() { return cmdCancelled; }
  // The drop-down menu of the command's toolbar button, at screen point
  // (x, y); true when the command showed one.
  virtual bool OnToolbarMenu(int x, int y) {
    (void)x;
    (void)y;
    return false;
  }

  // Mouse and keyboard, while the command is the one the manager routes
  // input to. True when handled.
  virtual bool OnMouseMove(const vex3d::MouseEvent& e) { return ignore(e); }
  virtual bool OnLButtonDown(const vex3d::MouseEvent& e) { return ignore(e); }
  virtual bool OnLButtonUp(const vex3d::MouseEvent& e) { return ignore(e); }
  virtual bool OnRButtonDown(const vex3d::MouseEvent& e) { return ignore(e); }
  virtual bool OnRButtonUp(const vex3d::MouseEvent& e) { return ignore(e); }
  virtual bool OnMouseWheel(const vex3d::MouseEvent& e) { return ignore(e); }
  // Resource id of the cursor to show at the event's point; 0 for the
  // view's own.
  virtual std::uint32_t SetCursor(const vex3d::MouseEvent& e) {
    (void)e;
    return 0;
  }
  virtual bool OnKeyDown(const vex3d::KeyEvent& e) { return ignore(e); }
  virtual bool OnKeyUp(const vex3d::KeyEvent& e) { return ignore(e); }
  // Overlay drawing after the view painted the scene.
  virtual void OnDraw() {}
  // The command starts or stops receiving the mouse.
  virtual void OnGetFocus() {}
  virtual void OnLooseFocus() {}

 private:
  friend class CCommandMgr;

  template <class Event>
  static bool ignore(const Event&) {
    return false;
  }
  vex3d::ITimerService* timerService() const;

  CCommandMgr* m_manager = nullptr;
  void* m_resourceModule = nullptr;
  std::uint32_t m_state = cmdStateEnabled | cmdStateVisible;
  CCommandAccess m_access;
  CCustomData m_parameters;
  CCustomData m_input;
  CCustomData m_output;
  std::uint32_t m_inputFormat = vex3d::kDataFormatNone;
  std::uint32_t m_outputFormat = vex3d::kDataFormatNone;
  // Timer id -> the service that runs it and its handle there.
  std::map<std::uint32_t, std::pair<vex3d::ITimerService*, vex3d::TimerHandle>> m_timers;
};
