#pragma once
// Loading and freeing the format plug-ins of a kind (0x4000: 3D formats).
//
// Folders searched, in order: each entry of $VEX3D_PLUGIN_PATH
// (colon-separated), then "vex3d/plugins" beside libvexhost.so. Every "*.so"
// there is opened and asked for its descriptor (plugin_api.h); its classes
// join the file class registry. A module that cannot be used (not a
// library, no entry point, another ABI version, bad class records, a class
// or extension already taken) is skipped and reported through the IO report
// handler; loading never fails as a whole.
//
// Registration is counted per kind: only the first RegisterIOPlugins(kind)
// loads and only the matching last FreeIOPlugins(kind) frees. Freeing
// removes the modules' classes at once; a module is unloaded when the last
// parser it made is closed, so IOs should close their parsers first.
#include <cstdint>
#include <string>
#include <vector>

#include "hostlib/hostlib_export.h"

// Answers how many modules of the kind are loaded.
VEXHOST_EXPORT int RegisterIOPlugins(std::uint32_t kind);
VEXHOST_EXPORT void FreeIOPlugins(std::uint32_t kind);

namespace vex3d {

struct VEXHOST_EXPORT PluginModuleInfo {
  std::string path;  // canonical path of the module
  std::string name;
  std::string version;
  std::uint32_t kind = 0;
  std::vector<std::uint32_t> fileClasses;
};

struct VEXHOST_EXPORT PluginLoadError {
  std::string path;
  std::string message;
};

// Loaded modules, in load order.
VEXHOST_EXPORT std::vector<PluginModuleInfo> getLoadedPlugins();
// Modules refused by the latest loading, with the reason.
VEXHOST_EXPORT std::vector<PluginLoadError> getPluginLoadErrors();
// The folder holding the module's libraries (installed or in a build tree);
// empty when it cannot be told.
VEXHOST_EXPORT std::string getLibraryFolder();
// The folders searched, in order (whether they exist or not).
VEXHOST_EXPORT std::vector<std::string> getPluginFolders();
// How many RegisterIOPlugins(kind) calls are not yet matched by a free.
VEXHOST_EXPORT int getPluginRegistrationCount(std::uint32_t kind);

}  // namespace vex3d
