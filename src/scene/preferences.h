#pragma once
// C3DPreferences: the module's one store of user preferences that are not
// the application profile's: texture folders, LightWave content folders,
// default view settings per file class, the Maya exchange folder and byte
// blocks other parts keep. Read once at module start, written once at
// stop; every accessor but Init, Save and GetTexturePaths takes the lock.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "hostlib/core/custom_data.h"
#include "vex3d_export.h"

struct _GlViewSettings;

class VEX3D_EXPORT C3DPreferences {
 public:
  C3DPreferences() = default;
  C3DPreferences(const C3DPreferences&) = delete;
  C3DPreferences& operator=(const C3DPreferences&) = delete;

  // The user preferences folder joined with "3dprefs.prefs".
  static std::string GetPreferencesFile();

  // Reads the file once; a missing or damaged file leaves everything empty.
  void Init();
  bool IsLoaded() const { return m_loaded != 0; }
  bool Save() const;

  // Read from the interface thread without the lock.
  const std::vector<std::string>& GetTexturePaths() const { return m_texturePaths; }
  void SetTexturePaths(const std::vector<std::string>& paths);
  std::vector<std::string> GetLWPaths() const;
  void SetLWPaths(const std::vector<std::string>& paths);

  void SetBinaryData(std::uint32_t key, const void* data, std::size_t size);
  // Copies at most `size` bytes; whether the block exists.
  bool GetBinaryData(std::uint32_t key, void* buffer, std::size_t size) const;

  // File class 0 means the general default.
  void SetDefaultGLViewSettings(const _GlViewSettings& settings, std::uint32_t fileClass);
  int HasDefaultGLViewSettings(std::uint32_t fileClass) const;
  // Fills the view mode, point of view (and a custom orientation) from the
  // class's entry or the general one; false with the built-in defaults.
  bool GetDefaultGLViewSettings(_GlViewSettings& settings, std::uint32_t fileClass) const;
  void RemoveDefaultGLViewSettings(std::uint32_t fileClass);

  // The folder of the Maya exchange program, ending with a separator; empty
  // with `found` 0 when it is not known.
  std::string GetMayaPath(int& found, int checkDate);
  void SetMayaPath(const std::string& folder, int noCheck, int force);

  // What the Maya exchange needs from elsewhere: the information dialog
  // when the program is missing, and asking a running server to quit.
  struct MayaHooks {
    std::function<void(const std::string& folder)> showMayaInfo;
    std::function<void()> quitServer;
  };
  void SetMayaHooks(MayaHooks hooks);

 private:
  std::string mayaPathLocked(int& found, int checkDate);
  void setMayaPathLocked(const std::string& folder, int noCheck, int force);

  mutable std::recursive_mutex m_lock;
  int m_loaded = 0;
  CCustomData m_record;
  std::vector<std::string> m_texturePaths;
  std::vector<std::string> m_lwPaths;
  MayaHooks m_hooks;
};

// The one module-wide instance.
VEX3D_EXPORT C3DPreferences& Get3DPreferences();

namespace vex3d {
// Where the Maya exchange folder is looked up when the preferences have
// none: this entry of the application profile stands for the product's
// machine-wide registry value.
constexpr const char* kMayaProfileSection = "Maya";
constexpr const char* kMayaProfileEntry = "MAYA";
constexpr const char* kMayaExchangeProgram = "Maya2Larkspur_x64";
// The program's name on the authoring application's own system, accepted
// too so that a folder prepared there serves here unchanged.
constexpr const char* kMayaExchangeProgramExe = "Maya2Larkspur_x64.exe";
// The exchange program in `folder` (which ends with a separator): its
// complete name, the plain name first; empty when neither is there.
VEX3D_EXPORT std::string findMayaExchangeProgram(const std::string& folder);
constexpr const char* kMayaBuildDate = "Jan 26 2009";
}  // namespace vex3d
