// The drawing commands, loaded from their module the first time one runs:
// reading and converting stay free of OpenGL, EGL and X, whose loading
// alone costs more than reading a small file.
#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <vector>

#include "cli_text.h"
#include "commands.h"
#include "hostlib/io/plugin_loader.h"
#include "hostlib/text/strings.h"

namespace vex3d::cli {

namespace {

using Entry = int (*)(const std::vector<std::string>&);

constexpr const char* kModule = "libvex3d-images.so";

// The module lies in the module's own folder beside its libraries,
// installed or not. Its full path is given rather than left to the search
// path: a sanitizer's dlopen looks from its own library, not the command's.
std::string modulePath() {
  const std::string folder = getLibraryFolder();
  return folder.empty() ? kModule : folder + "/vex3d/" + kModule;
}

// The module stays loaded to the end of the process: the graphics driver
// does not expect to be unloaded.
int runFromModule(const char* name, const std::vector<std::string>& args) {
  void* module = ::dlopen(modulePath().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (module == nullptr) {
    printText(stderr, kStrCliCannotLoadModule, ::dlerror());
    return 1;
  }
  auto entry = reinterpret_cast<Entry>(::dlsym(module, name));
  if (entry == nullptr) {
    printText(stderr, kStrCliModuleLacks, name);
    return 1;
  }
  return entry(args);
}

}  // namespace

int runRender(const std::vector<std::string>& args) {
  return runFromModule("vex3dRunRender", args);
}

int runThumbnail(const std::vector<std::string>& args) {
  return runFromModule("vex3dRunThumbnail", args);
}

}  // namespace vex3d::cli
