#include "scene/preferences.h"

#include <cstring>

#include "hostlib/files/file_utils.h"
#include "hostlib/files/profile.h"
#include "hostlib/files/user_paths.h"
#include "material/material_map.h"
#include "shared/gl_view_settings.h"

namespace {

constexpr std::uint32_t kTexturePathsKey = 0x54585450;  // 'TXTP'
constexpr std::uint32_t kLWPathsKey = 0x4C575650;       // 'LWVP'
constexpr std::uint32_t kViewSettingsKey = 0x474C5347;  // 'GLSG'
constexpr std::uint32_t kMayaPathKey = 0x4D415950;      // 'MAYP'
constexpr std::uint32_t kMayaDateKey = 0x4D415944;      // 'MAYD'
constexpr std::uint32_t kPrefsSection = 0x33445657;     // '3DVW'
constexpr std::uint32_t kPrefsEntry = 0x50524546;       // 'PREF'

// A stored default: version, view mode, point of view, the orientation,
// a reserved word, then a reserved settings image of 152 bytes.
constexpr std::size_t kEntryBytes = 232;
constexpr std::size_t kSettingsImageBytes = 152;
constexpr std::uint32_t kEntryVersion = 1;
constexpr std::uint32_t kDefaultViewMode = 0x700784;
constexpr std::uint32_t kDefaultViewPos = 5;

void putU32(std::uint8_t* at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t getU32(const std::uint8_t* at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | at[i];
  return v;
}

void putFloat(std::uint8_t* at, float f) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &f, sizeof bits);
  putU32(at, bits);
}

float getFloat(const std::uint8_t* at) {
  const std::uint32_t bits = getU32(at);
  float f = 0.0f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

std::uint32_t entryKey(std::uint32_t fileClass) {
  return fileClass == 0 ? kViewSettingsKey : fileClass;
}

std::string withSeparator(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace

C3DPreferences& Get3DPreferences() {
  // Texture search asks the module's preferences for its folders.
  static C3DPreferences& preferences = []() -> C3DPreferences& {
    static C3DPreferences instance;
    vex3d::setTexturePathsProvider([] { return Get3DPreferences().GetTexturePaths(); });
    return instance;
  }();
  return preferences;
}

std::string C3DPreferences::GetPreferencesFile() {
  return GetUserPreferencesPath() + "3dprefs.prefs";
}

void C3DPreferences::Init() {
  if (m_loaded) return;
  m_record.LoadFromPrefs(GetPreferencesFile(), kPrefsSection, kPrefsEntry);
  m_loaded = 1;
  m_texturePaths.clear();
  m_lwPaths.clear();
  m_record.GetStringArray(kTexturePathsKey, m_texturePaths);
  m_record.GetStringArray(kLWPathsKey, m_lwPaths);
}

bool C3DPreferences::Save() const {
  return m_record.SaveToPrefs(GetPreferencesFile(), kPrefsSection, kPrefsEntry);
}

void C3DPreferences::SetTexturePaths(const std::vector<std::string>& paths) {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  m_texturePaths = paths;
  m_record.SetStringArray(kTexturePathsKey, paths);
}

std::vector<std::string> C3DPreferences::GetLWPaths() const {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  return m_lwPaths;
}

void C3DPreferences::SetLWPaths(const std::vector<std::string>& paths) {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  m_lwPaths = paths;
  m_record.SetStringArray(kLWPathsKey, paths);
}

void C3DPreferences::SetBinaryData(std::uint32_t key, const void* data, std::size_t size) {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  m_record.SetBinary(key, data, size);
}

bool C3DPreferences::GetBinaryData(std::uint32_t key, void* buffer, std::size_t size) const {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  const std::vector<std::uint8_t>* bytes = m_record.GetBinary(key);
  if (bytes == nullptr) return false;
  if (size > 0 && !bytes->empty())
    std::memcpy(buffer, bytes->data(), std::min(size, bytes->size()));
  return true;
}

void C3DPreferences::SetDefaultGLViewSettings(const _GlViewSettings& settings,
                                              std::uint32_t fileClass) {
  std::uint8_t entry[kEntryBytes] = {};
  putU32(entry, kEntryVersion);
  putU32(entry + 4, settings.viewMode);
  putU32(entry + 8, settings.viewPos);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) putFloat(entry + 12 + 4 * (4 * r + c), settings.rotation(r, c));
  }
  // The reserved image of a default record: its size, then an empty mask.
  putU32(entry + 80, static_cast<std::uint32_t>(kSettingsImageBytes));
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  m_record.GetCustomData(kViewSettingsKey, true)
      ->SetBinary(entryKey(fileClass), entry, sizeof entry);
}

int C3DPreferences::HasDefaultGLViewSettings(std::uint32_t fileClass) const {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  const CCustomData* all = m_record.GetCustomData(kViewSettingsKey);
  const std::vector<std::uint8_t>* entry = all ? all->GetBinary(entryKey(fileClass)) : nullptr;
  return entry != nullptr && entry->size() >= kEntryBytes && getU32(entry->data()) == kEntryVersion;
}

bool C3DPreferences::GetDefaultGLViewSettings(_GlViewSettings& settings,
                                              std::uint32_t fileClass) const {
  settings.size = static_cast<std::uint32_t>(kSettingsImageBytes);
  settings.mask = GLVS_VIEW_MODE | GLVS_VIEW_POS;
  settings.viewMode = kDefaultViewMode;
  settings.viewPos = kDefaultViewPos;
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  const CCustomData* all = m_record.GetCustomData(kViewSettingsKey);
  if (all == nullptr) return false;
  const std::uint32_t key = entryKey(fileClass);
  const std::vector<std::uint8_t>* entry = all->GetBinary(key);
  if (entry == nullptr && key != kViewSettingsKey) entry = all->GetBinary(kViewSettingsKey);
  // A damaged entry shorter than its layout counts as none.
  if (entry == nullptr || entry->size() < kEntryBytes) return false;
  const std::uint8_t* bytes = entry->data();
  settings.viewMode = getU32(bytes + 4);
  settings.viewPos = getU32(bytes + 8);
  if (settings.viewPos == kCustomViewPos) {
    settings.mask |= GLVS_ROTATION;
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) settings.rotation(r, c) = getFloat(bytes + 12 + 4 * (4 * r + c));
    }
  }
  return true;
}

void C3DPreferences::RemoveDefaultGLViewSettings(std::uint32_t fileClass) {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  if (CCustomData* all = m_record.GetCustomData(kViewSettingsKey, false)) {
    all->RemoveKey(entryKey(fileClass));
  }
}

void C3DPreferences::SetMayaHooks(MayaHooks hooks) {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  m_hooks = std::move(hooks);
}

std::string C3DPreferences::GetMayaPath(int& found, int checkDate) {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  return mayaPathLocked(found, checkDate);
}

std::string C3DPreferences::mayaPathLocked(int& found, int checkDate) {
  found = 1;
  std::string folder;
  if (m_record.GetString(kMayaPathKey, folder)) {
    if (!checkDate || m_record.GetString(kMayaDateKey) == vex3d::kMayaBuildDate) return folder;
  }
  const std::string configured =
      CAppProfile::Get().GetProfileString(vex3d::kMayaProfileSection, vex3d::kMayaProfileEntry, "");
  if (!configured.empty()) {
    folder = withSeparator(configured);
    if (!vex3d::findMayaExchangeProgram(folder).empty()) {
      setMayaPathLocked(folder, 1, 1);
      return folder;
    }
  }
  found = 0;
  return {};
}

void C3DPreferences::SetMayaPath(const std::string& folder, int noCheck, int force) {
  const std::lock_guard<std::recursive_mutex> hold(m_lock);
  setMayaPathLocked(folder, noCheck, force);
}

void C3DPreferences::setMayaPathLocked(const std::string& folder, int noCheck, int force) {
  const std::string wanted = withSeparator(folder);
  if (!force) {
    int found = 0;
    const std::string current = mayaPathLocked(found, 0);
    if (found && fileIsSameDir(current, wanted)) return;
  }
  if (!noCheck && vex3d::findMayaExchangeProgram(wanted).empty() && m_hooks.showMayaInfo) {
    m_hooks.showMayaInfo(wanted);
  }
  m_record.SetString(kMayaDateKey, vex3d::kMayaBuildDate);
  m_record.SetString(kMayaPathKey, wanted);
  if (m_hooks.quitServer) m_hooks.quitServer();
}

std::string vex3d::findMayaExchangeProgram(const std::string& folder) {
  if (folder.empty()) return {};
  for (const char* name : {kMayaExchangeProgram, kMayaExchangeProgramExe}) {
    if (fileExists(folder + name)) return folder + name;
  }
  return {};
}
