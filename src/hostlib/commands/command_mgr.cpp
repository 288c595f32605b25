#include "hostlib/commands/command_mgr.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "hostlib/text/strings.h"

namespace {

struct NameEntry {
  std::uint32_t code;
  std::uint32_t stringId;
};

// Names are registered when the module starts, before any frame exists, so
// they live outside the managers.
struct Registry {
  std::mutex mutex;
  std::vector<NameEntry> groups;
  std::vector<NameEntry> categories;
  vex3d::CommandStringLoader loader;
};

Registry& registry() {
  static Registry r;
  return r;
}

void registerName(std::vector<NameEntry>& names, std::uint32_t code, std::uint32_t stringId) {
  std::lock_guard lock(registry().mutex);
  for (NameEntry& e : names) {
    if (e.code == code) {
      e.stringId = stringId;
      return;
    }
  }
  names.push_back({code, stringId});
}

std::uint32_t nameId(const std::vector<NameEntry>& names, std::uint32_t code) {
  std::lock_guard lock(registry().mutex);
  for (const NameEntry& e : names)
    if (e.code == code) return e.stringId;
  return 0;
}

std::vector<std::uint32_t> codes(const std::vector<NameEntry>& names) {
  std::lock_guard lock(registry().mutex);
  std::vector<std::uint32_t> out;
  out.reserve(names.size());
  for (const NameEntry& e : names) out.push_back(e.code);
  return out;
}

}  // namespace

// ---- names

void CCommandMgr::RegisterGroupName(std::uint32_t code, std::uint32_t stringId) {
  registerName(registry().groups, code, stringId);
}

void CCommandMgr::RegisterCategoryName(std::uint32_t code, std::uint32_t stringId) {
  registerName(registry().categories, code, stringId);
}

std::uint32_t CCommandMgr::GetGroupNameId(std::uint32_t code) {
  return nameId(registry().groups, code);
}

std::uint32_t CCommandMgr::GetCategoryNameId(std::uint32_t code) {
  return nameId(registry().categories, code);
}

std::string CCommandMgr::GetGroupName(std::uint32_t code) {
  const std::uint32_t id = GetGroupNameId(code);
  return id != 0 ? LoadCommandString(nullptr, id) : std::string();
}

std::string CCommandMgr::GetCategoryName(std::uint32_t code) {
  const std::uint32_t id = GetCategoryNameId(code);
  return id != 0 ? LoadCommandString(nullptr, id) : std::string();
}

std::vector<std::uint32_t> CCommandMgr::GetGroups() { return codes(registry().groups); }

std::vector<std::uint32_t> CCommandMgr::GetCategories() { return codes(registry().categories); }

void CCommandMgr::SetStringLoader(vex3d::CommandStringLoader loader) {
  std::lock_guard lock(registry().mutex);
  registry().loader = std::move(loader);
}

std::string CCommandMgr::LoadCommandString(void* module, std::uint32_t id) {
  vex3d::CommandStringLoader loader;
  {
    std::lock_guard lock(registry().mutex);
    loader = registry().loader;
  }
  return loader ? loader(module, id) : LoadStringW(id);
}

// ---- environment

CCommandMgr::CCommandMgr() = default;

CCommandMgr::~CCommandMgr() {
  // No focus calls while tearing down; the commands close their timers as
  // they die, while the timer service pointer is still valid.
  m_active = nullptr;
  m_volatile = nullptr;
  m_byId.clear();
  m_commands.clear();
}

void CCommandMgr::SetFrame(CCommandFrameWnd* frame) {
  m_frame = frame;
  for (const auto& command : m_commands) command->OnInitCommand(frame);
}

void CCommandMgr::SetTimerService(vex3d::ITimerService* service) {
  if (service == m_timerService) return;
  for (const auto& command : m_commands) command->CloseAllTimers();
  m_timerService = service;
}

// ---- commands

CVexCommand* CCommandMgr::AddCommand(std::unique_ptr<CVexCommand> command, void* resourceModule) {
  if (!command) return nullptr;
  const CCommandID id = command->GetCommandID();
  if (id.IsNull() || m_byId.count(id) != 0) return nullptr;
  CVexCommand* raw = command.get();
  raw->m_manager = this;
  raw->m_resourceModule = resourceModule;
  m_commands.push_back(std::move(command));
  m_byId.emplace(id, raw);
  applyRemembered(*raw);
  raw->OnInitCommand(m_frame);
  return raw;
}

CVexCommand* CCommandMgr::AddCommand(CVexCommand* command, void* resourceModule) {
  return AddCommand(std::unique_ptr<CVexCommand>(command), resourceModule);
}

bool CCommandMgr::RemoveCommand(const CCommandID& id) {
  const auto found = m_byId.find(id);
  if (found == m_byId.end()) return false;
  CVexCommand* command = found->second;
  if (m_volatile == command) ClearVolatileCommand();
  if (m_active == command) SetActiveCommand(nullptr);
  m_byId.erase(found);
  const auto it = std::find_if(m_commands.begin(), m_commands.end(),
                               [command](const auto& c) { return c.get() == command; });
  std::unique_ptr<CVexCommand> owned = std::move(*it);
  m_commands.erase(it);
  owned->CloseAllTimers();
  owned->m_manager = nullptr;
  return true;
}

CVexCommand* CCommandMgr::GetCommandById(const CCommandID& id) const {
  const auto it = m_byId.find(id);
  return it != m_byId.end() ? it->second : nullptr;
}

CVexCommand* CCommandMgr::GetCommandById(std::uint32_t code) const {
  for (const auto& command : m_commands)
    if (command->GetCommandID().GetCode() == code) return command.get();
  return nullptr;
}

std::vector<CVexCommand*> CCommandMgr::GetCommands() const {
  std::vector<CVexCommand*> out;
  out.reserve(m_commands.size());
  for (const auto& command : m_commands) out.push_back(command.get());
  return out;
}

std::vector<CVexCommand*> CCommandMgr::GetCommandsInCategory(std::uint32_t category) const {
  std::vector<CVexCommand*> out;
  for (const auto& command : m_commands)
    if (command->GetCommandID().GetCategory() == category) out.push_back(command.get());
  return out;
}

CVexCommand* CCommandMgr::FindShortcut(std::uint32_t key, std::uint32_t modifiers) const {
  for (const auto& command : m_commands)
    if (command->GetAccess().MatchesShortcut(key, modifiers)) return command.get();
  return nullptr;
}

void CCommandMgr::UpdateStates() {
  for (const auto& command : m_commands) command->UpdateState();
}

bool CCommandMgr::owns(const CVexCommand* command) const {
  return command != nullptr && command->m_manager == this;
}

// ---- running

CommandResult CCommandMgr::StackCommand(CVexCommand* command, int mode, const CCustomData* data) {
  if (!owns(command)) return cmdFailed;
  if (mode != stackDefault && mode != stackDialogAndApply && mode != stackApply) return cmdFailed;
  if (data != nullptr) command->SetInputData(*data);

  const bool interactive = m_scriptMode == scriptNone;
  if (interactive) {
    command->UpdateState();
    if (!command->IsEnabled()) return cmdFailed;
  }

  enum class Action { apply, dialog, dialogThenApply, activate };
  Action action = Action::apply;
  if (mode == stackApply || (m_scriptMode != scriptNone && m_scriptMode != scriptDialog))
    action = Action::apply;
  else if (m_scriptMode == scriptDialog)
    action = Action::dialog;
  else if (mode == stackDialogAndApply)
    action = Action::dialogThenApply;
  else if (command->GetCommandID().IsDialog())
    action = Action::dialog;
  else if (command->GetCommandID().IsInteractive())
    action = Action::activate;

  switch (action) {
    case Action::activate:
      SetActiveCommand(command);
      return cmdDone;
    case Action::dialog:
    case Action::dialogThenApply: {
      const CommandResult result = command->OnOpenDialog();
      if (result != cmdDone) return result;
      if (action == Action::dialogThenApply) return apply(*command);
      if (interactive) RememberParameters(*command);
      return cmdDone;
    }
    case Action::apply:
      break;
  }
  return apply(*command);
}

CommandResult CCommandMgr::StackCommand(const CCommandID& id, int mode, const CCustomData* data) {
  return StackCommand(GetCommandById(id), mode, data);
}

CommandResult CCommandMgr::StackCommand(std::uint32_t code, int mode, const CCustomData* data) {
  return StackCommand(GetCommandById(code), mode, data);
}

CommandResult CCommandMgr::apply(CVexCommand& command) {
  // Whatever a previous run left must not pass for this run's output.
  command.GetOutputData().RemoveAll();
  if (!command.AreParametersValid(command.GetParameters())) return cmdFailed;
  const CommandResult result = command.OnApplyCommand();
  if (result == cmdDone && m_scriptMode == scriptNone) RememberParameters(command);
  return result;
}

// ---- input routing

template <class Change>
void CCommandMgr::changeInput(Change change) {
  CVexCommand* before = GetInputCommand();
  change();
  CVexCommand* after = GetInputCommand();
  if (before == after) return;
  if (before != nullptr) before->OnLooseFocus();
  if (after != nullptr) after->OnGetFocus();
}

void CCommandMgr::SetActiveCommand(CVexCommand* command) {
  if (command != nullptr && !owns(command)) return;
  changeInput([&] { m_active = command; });
}

void CCommandMgr::SetVolatileCommand(CVexCommand* command) {
  if (command != nullptr && !owns(command)) return;
  changeInput([&] { m_volatile = command; });
}

bool CCommandMgr::OnMouseMove(const vex3d::MouseEvent& e) {
  CVexCommand* c = GetInputCommand();
  return c != nullptr && c->OnMouseMove(e);
}

bool CCommandMgr::OnLButtonDown(const vex3d::MouseEvent& e) {
  CVexCommand* c = GetInputCommand();
  return c != nullptr && c->OnLButtonDown(e);
}

bool CCommandMgr::OnLButtonUp(const vex3d::MouseEvent& e) {
  CVexCommand* c = GetInputCommand();
  return c != nullptr && c->OnLButtonUp(e);
}

bool CCommandMgr::OnRButtonDown(const vex3d::MouseEvent& e) {
  CVexCommand* c = GetInputCommand();
  return c != nullptr && c->OnRButtonDown(e);
}

bool CCommandMgr::OnRButtonUp(const vex3d::MouseEvent& e) {
  CVexCommand* c = GetInputCommand();
  return c != nullptr && c->OnRButtonUp(e);
}

bool CCommandMgr::OnMouseWheel(const vex3d::MouseEvent& e) {
  CVexCommand* c = GetInputCommand();
  return c != nullptr && c->OnMouseWheel(e);
}

std::uint32_t CCommandMgr::SetCursor(const vex3d::MouseEvent& e) {
  CVexCommand* c = GetInputCommand();
  return c != nullptr ? c->SetCursor(e) : 0;
}

void CCommandMgr::OnDraw() {
  if (CVexCommand* c = GetInputCommand()) c->OnDraw();
}

bool CCommandMgr::OnKeyDown(const vex3d::KeyEvent& e) {
  if (CVexCommand* c = GetInputCommand(); c != nullptr && c->OnKeyDown(e)) return true;
  CVexCommand* shortcut = FindShortcut(e.key, e.modifiers);
  if (shortcut == nullptr) return false;
  StackCommand(shortcut, stackDefault, nullptr);
  return true;
}

bool CCommandMgr::OnKeyUp(const vex3d::KeyEvent& e) {
  CVexCommand* c = GetInputCommand();
  return c != nullptr && c->OnKeyUp(e);
}
