// Remembered command parameters and their preferences records.
//
// One record per command group: section CCommandMgr::kPrefsSection, entry the
// group code. The record holds the commands in id order under keys 1, 2, ...,
// each a nested record with the full command id ('CMID', 24 bytes) and the
// parameters ('PARM'). Keeping the whole id means a command whose kind or
// version changed does not pick up parameters stored for the old one.
#include <set>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/files/user_paths.h"

namespace {

constexpr std::uint32_t kKeyId = vex3d::fourcc("CMID");
constexpr std::uint32_t kKeyParameters = vex3d::fourcc("PARM");

}  // namespace

void CCommandMgr::RememberParameters(const CVexCommand& command) {
  m_remembered[command.GetCommandID()] = command.GetParameters();
}

const CCustomData* CCommandMgr::GetRememberedParameters(const CCommandID& id) const {
  const auto it = m_remembered.find(id);
  return it != m_remembered.end() ? &it->second : nullptr;
}

void CCommandMgr::applyRemembered(CVexCommand& command) const {
  const CCustomData* remembered = GetRememberedParameters(command.GetCommandID());
  if (remembered != nullptr && command.AreParametersValid(*remembered))
    command.SetParameters(*remembered);
}

std::string CCommandMgr::GetParametersFilePath() {
  return GetUserPreferencesPath() + "commands.prefs";
}

bool CCommandMgr::SaveRememberedParameters(const std::string& file) const {
  bool ok = true;
  auto it = m_remembered.begin();
  while (it != m_remembered.end()) {
    // The map is ordered by id, group first: one group is one run.
    const std::uint32_t group = it->first.GetGroup();
    CCustomData record;
    std::uint32_t key = 1;
    for (; it != m_remembered.end() && it->first.GetGroup() == group; ++it) {
      CCustomData entry;
      const auto bytes = it->first.ToBytes();
      entry.SetBinary(kKeyId, bytes.data(), bytes.size());
      entry.SetCustomData(kKeyParameters, it->second);
      record.SetCustomData(key++, entry);
    }
    ok = record.SaveToPrefs(file, kPrefsSection, group) && ok;
  }
  return ok;
}

bool CCommandMgr::LoadRememberedParameters(const std::string& file) {
  std::set<std::uint32_t> groups;
  for (std::uint32_t g : GetGroups()) groups.insert(g);
  for (const auto& command : m_commands) groups.insert(command->GetCommandID().GetGroup());

  bool found = false;
  for (std::uint32_t group : groups) {
    CCustomData record;
    if (!record.LoadFromPrefs(file, kPrefsSection, group)) continue;
    found = true;
    for (std::uint32_t key : record.GetKeys()) {
      const CCustomData* entry = record.GetCustomData(key);
      if (entry == nullptr) continue;
      const std::vector<std::uint8_t>* bytes = entry->GetBinary(kKeyId);
      const CCustomData* parameters = entry->GetCustomData(kKeyParameters);
      CCommandID id;
      // A record of another group under this entry is not ours to take.
      if (bytes == nullptr || parameters == nullptr ||
          !id.FromBytes(bytes->data(), bytes->size()) || id.GetGroup() != group)
        continue;
      m_remembered[id] = *parameters;
    }
  }
  for (const auto& command : m_commands) applyRemembered(*command);
  return found;
}
