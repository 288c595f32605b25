// The drawing commands, loaded from their module the first time one runs:
// reading and converting stay free of OpenGL, EGL and X, whose loading
// alone costs more than reading a small file.
#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "io/module_info.h"

namespace vex3d::cli {

namespace {

using Entry = int (*)(const std::vector<std::string>&);

constexpr const char* kModule = "libvex3d-images.so";

// The module lies beside the 3D library, installed or not. Its path is
// taken from where that library was loaded rather than left to the search
// path: a sanitizer's dlopen looks from its own library, not the command's.
std::string modulePath() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&Vex3DVersion), &info) == 0 || info.dli_fname == nullptr) {
    return kModule;
  }
  const std::string library = info.dli_fname;
  const std::size_t slash = library.rfind('/');
  return slash == std::string::npos ? kModule : library.substr(0, slash + 1) + kModule;
}

// The module stays loaded to the end of the process: the graphics driver
// does not expect to be unloaded.
int runFromModule(const char* name, const std::vector<std::string>& args) {
  void* module = ::dlopen(modulePath().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (module == nullptr) {
    std::fprintf(stderr, "vex3d: cannot load the drawing module: %s\n", ::dlerror());
    return 1;
  }
  auto entry = reinterpret_cast<Entry>(::dlsym(module, name));
  if (entry == nullptr) {
    std::fprintf(stderr, "vex3d: the drawing module has no %s\n", name);
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
