#include "assimp_io_module.h"

#include <dlfcn.h>

#include <filesystem>

namespace vex3d::assimp {

namespace {

// An object of this plug-in, to find where the plug-in lies.
const char kPluginAnchor = 0;

std::string ioModulePath() {
  Dl_info info{};
  if (::dladdr(&kPluginAnchor, &info) == 0 || info.dli_fname == nullptr) return kIoModulePath;
  return (std::filesystem::path(info.dli_fname).parent_path() / kIoModulePath).string();
}

std::string dlText(const char* fallback) {
  const char* text = ::dlerror();
  return text != nullptr ? text : fallback;
}

}  // namespace

const IoModule& IoModule::instance() {
  static const IoModule module(ioModulePath());
  return module;
}

IoModule::IoModule(const std::string& path) {
  constexpr const char* kCannotLoad = "the exchange-format library could not be loaded: ";
  ::dlerror();
  // Never closed: the exchange library then stays until the process ends,
  // is not unloaded while other libraries' statics are torn down at exit,
  // and a plug-in loaded again finds it in place.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    m_error = kCannotLoad + dlText(path.c_str());
    return;
  }
  m_read = reinterpret_cast<VexAssimpReadFn>(::dlsym(handle, kReadSymbol));
  m_write = reinterpret_cast<VexAssimpWriteFn>(::dlsym(handle, kWriteSymbol));
  if (m_read == nullptr || m_write == nullptr) {
    m_error = kCannotLoad + dlText(path.c_str());
    m_read = nullptr;
    m_write = nullptr;
    ::dlclose(handle);
  }
}

}  // namespace vex3d::assimp
