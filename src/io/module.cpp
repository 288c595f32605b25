#include "io/module.h"

#include <dlfcn.h>

#include <mutex>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/files/profile.h"
#include "hostlib/io/plugin_loader.h"
#include "hostlib/text/string_ids.h"
#include "io/maya_io.h"
#include "mesh/model/base_object.h"
#include "scene/preferences.h"
#include "scene/scene.h"

namespace {

std::mutex g_mutex;
int g_starts = 0;
// Only what this module registered is freed: a light start registers no
// plug-ins, and freeing then would take another starter's away.
bool g_registered = false;

struct NameEntry {
  std::uint32_t code;
  std::uint32_t stringId;
};

// In the order the menus show them.
constexpr NameEntry kCategories[] = {
    {0x544F4F4C, 9231},  // 'TOOL'
    {0x56494557, 9248},  // 'VIEW'
    {0x4C494748, 9171},  // 'LIGH'
    {0x504F5657, 9186},  // 'POVW'
    {0x52454E44, 9193},  // 'REND'
    {0x46494C45, 9158},  // 'FILE'
    {0x48454C50, 9166},  // 'HELP'
};
constexpr int kDefaultSmoothDegrees = 30;
constexpr int kDefaultPatchLevel = 1;

void loadSceneSettings() {
  CAppProfile& profile = CAppProfile::Get();
  const int degrees = profile.GetProfileInt("Render", "smooth", kDefaultSmoothDegrees);
  const float radians = static_cast<float>(degrees) * 3.1415927f / 180.0f;
  vex3d::setGlobalSmoothAngle(radians);
  GlobalSceneData.smoothAngle = radians;
  const int level = profile.GetProfileInt("Render", "patchlevel", kDefaultPatchLevel);
  GlobalSceneData.patchLevel = static_cast<unsigned int>(level < 0 ? 0 : level);
}

}  // namespace

int vex3d::moduleStartCount() {
  std::lock_guard lock(g_mutex);
  return g_starts;
}

void* Vex3DResourceHandle() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&Vex3DResourceHandle), &info) == 0 ||
      info.dli_fname == nullptr) {
    return nullptr;
  }
  // RTLD_NOLOAD hands back the handle of the module already loaded; the
  // reference it adds is dropped at once, the module stays loaded.
  void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle;
}

void Init3DVex(unsigned flags) {
  std::lock_guard lock(g_mutex);
  if (++g_starts != 1) return;
  // Resources are looked up through the module handle on this platform:
  // joining a caller's resource chain (VEX3D_START_RESOURCE_CHAIN) needs
  // nothing more.
  loadSceneSettings();
  if (!(flags & VEX3D_START_LIGHT)) {
    RegisterIOPlugins(vex3d::kPluginKind3D);
    g_registered = true;
    CCommandMgr::RegisterGroupName(vex3d::kCommandGroup3D, vex3d::kStrCommandGroup);
    for (const NameEntry& c : kCategories) CCommandMgr::RegisterCategoryName(c.code, c.stringId);
  }
  Get3DPreferences().Init();
  // A new Maya folder stops the program started from the old one, so that
  // the next exchange starts the new one.
  Get3DPreferences().SetMayaHooks({[](const std::string& folder) { CMayaIo::ShowMayaInfo(folder); },
                                   [] { CMayaIo::StopMayaLibrary(); }});
}

void Close3DVex(unsigned flags) {
  std::lock_guard lock(g_mutex);
  if (g_starts == 0 || --g_starts != 0) return;
  Get3DPreferences().Save();
  if (!(flags & VEX3D_STOP_KEEP_PLUGINS) && g_registered) {
    FreeIOPlugins(vex3d::kPluginKind3D);
    g_registered = false;
  }
}
