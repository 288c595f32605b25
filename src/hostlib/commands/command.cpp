#include "hostlib/commands/command.h"

#include "hostlib/commands/command_mgr.h"

CVexCommand::CVexCommand() = default;

CVexCommand::~CVexCommand() {
  // The services' callbacks point at this command.
  CloseAllTimers();
}

std::string CVexCommand::GetName() const { return LoadCommandString(GetNameId()); }

bool CVexCommand::GetHelp(int kind, std::string& text) const {
  (void)kind;
  return GetCommandHelp(GetHelpId(), text);
}

bool CVexCommand::GetCommandHelp(std::uint32_t stringId, std::string& text) const {
  text = LoadCommandString(stringId);
  return !text.empty();
}

std::string CVexCommand::LoadCommandString(std::uint32_t stringId) const {
  if (stringId == 0) return {};
  return CCommandMgr::LoadCommandString(m_resourceModule, stringId);
}

void CVexCommand::SetState(std::uint32_t state, bool on) {
  if (on)
    m_state |= state;
  else
    m_state &= ~state;
}

bool CVexCommand::AreParametersValid(const CCustomData& parameters) const {
  (void)parameters;
  return true;
}

bool CVexCommand::IsScripting() const {
  return m_manager != nullptr && m_manager->GetScriptMode() != CCommandMgr::scriptNone;
}

vex3d::ITimerService* CVexCommand::timerService() const {
  return m_manager != nullptr ? m_manager->GetTimerService() : nullptr;
}

bool CVexCommand::SetTimer(std::uint32_t id, unsigned milliseconds) {
  CloseTimer(id);
  vex3d::ITimerService* service = timerService();
  if (service == nullptr) return false;
  const vex3d::TimerHandle handle = service->start(milliseconds, [this, id] { OnTimer(id); });
  if (handle == 0) return false;
  m_timers[id] = {service, handle};
  return true;
}

void CVexCommand::CloseTimer(std::uint32_t id) {
  const auto it = m_timers.find(id);
  if (it == m_timers.end()) return;
  const auto [service, handle] = it->second;
  m_timers.erase(it);
  service->stop(handle);
}

void CVexCommand::CloseAllTimers() {
  while (!m_timers.empty()) CloseTimer(m_timers.begin()->first);
}
