#include "hostlib/io/plugin_loader.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "hostlib/core/fourcc.h"
#include "hostlib/files/file_class.h"
#include "hostlib/io/file_io_frame.h"
#include "hostlib/io/io_report.h"
#include "hostlib/io/plugin_api.h"

#ifndef VEX3D_PLUGIN_SUBDIR
#define VEX3D_PLUGIN_SUBDIR "vex3d/plugins"
#endif

namespace vex3d {

namespace {

namespace fs = std::filesystem;

// Bounds on what a module may declare; beyond them the records are taken
// for garbage rather than read on.
constexpr std::uint32_t kMaxClasses = 256;
constexpr std::size_t kMaxText = 1024;

struct DlCloser {
  void operator()(void* handle) const {
    if (handle) ::dlclose(handle);
  }
};
using DlHandle = std::unique_ptr<void, DlCloser>;

// One loaded module. It is the factory of its classes' parsers, so the
// registry and every IO holding a parser keep it (and its code) alive.
class PluginModule final : public ParserFactory {
 public:
  PluginModule(DlHandle handle, PluginModuleInfo info, VexCreateParserFn create)
      : m_handle(std::move(handle)), m_info(std::move(info)), m_create(create) {}

  std::unique_ptr<CFileParser> CreateParser(std::uint32_t fileClass, CFileIo& io) override {
    return std::unique_ptr<CFileParser>(m_create(fileClass, &io));
  }
  std::string GetModulePath() const override { return m_info.path; }
  const PluginModuleInfo& Info() const { return m_info; }

 private:
  DlHandle m_handle;
  PluginModuleInfo m_info;
  VexCreateParserFn m_create;
};

struct LoadedPlugin {
  std::shared_ptr<PluginModule> module;
  std::uint32_t registeredKind;  // the RegisterIOPlugins kind that loaded it
};

struct LoaderState {
  std::mutex mutex;
  std::map<std::uint32_t, int> counts;
  std::vector<LoadedPlugin> modules;
  std::vector<PluginLoadError> errors;
};

// Never destroyed, so that no module is unloaded while other libraries'
// statics are being torn down at exit.
LoaderState& state() {
  static LoaderState& s = *new LoaderState;
  return s;
}

// A string of the module, read no further than kMaxText characters.
std::optional<std::string> boundedText(const char* text) {
  if (!text) return std::nullopt;
  const std::size_t n = ::strnlen(text, kMaxText + 1);
  if (n > kMaxText) return std::nullopt;
  return std::string(text, n);
}

// Non-empty items of a list.
std::vector<std::string> splitList(const std::string& text, char separator) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(separator, start), text.size());
    if (end > start) items.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return items;
}

// The registry's view of one class record; a refusal when the record is
// unreadable. What the classes mean is checked by the registry.
std::optional<FileClassInfo> convertClass(const VexPluginFileClass& record,
                                          std::uint32_t pluginKind, std::string& why) {
  const std::string name = "class '" + fourccToString(record.fileClass) + "'";
  if (record.kind == 0 || (record.kind & ~pluginKind) != 0) {
    why = name + ": its kind is not of the plug-in's kind";
    return std::nullopt;
  }
  if ((record.abilities & ~(VEX_PLUGIN_CAN_READ | VEX_PLUGIN_CAN_WRITE)) != 0 ||
      record.abilities == 0) {
    why = name + ": bad abilities";
    return std::nullopt;
  }
  const auto extensions = boundedText(record.extensions);
  const auto description = boundedText(record.description);
  const auto mimeTypes = record.mimeTypes ? boundedText(record.mimeTypes) : std::string();
  if (!extensions || !description || !mimeTypes) {
    why = name + ": missing or overlong text";
    return std::nullopt;
  }
  FileClassInfo info;
  info.fileClass = record.fileClass;
  info.kind = record.kind;
  info.extensions = splitList(*extensions, '|');
  info.description = *description;
  info.mimeTypes = splitList(*mimeTypes, '|');
  info.canRead = (record.abilities & VEX_PLUGIN_CAN_READ) != 0;
  info.canWrite = (record.abilities & VEX_PLUGIN_CAN_WRITE) != 0;
  return info;
}

// Opens one module and registers its classes. Answers the module, or null
// with `refusal` set when it is refused (left empty when the module is
// simply of another kind).
std::shared_ptr<PluginModule> openModule(const std::string& path, std::uint32_t kind,
                                         std::string& refusal) {
  ::dlerror();
  DlHandle handle(::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
  if (!handle) {
    const char* err = ::dlerror();
    refusal = err ? err : "cannot be opened";
    // The loader's message names the file, which the report names already.
    if (refusal.starts_with(path + ": ")) refusal.erase(0, path.size() + 2);
    return nullptr;
  }
  void* symbol = ::dlsym(handle.get(), VEX3D_PLUGIN_ENTRY_SYMBOL);
  if (!symbol) {
    refusal = "no entry point " VEX3D_PLUGIN_ENTRY_SYMBOL;
    return nullptr;
  }
  const auto entry = reinterpret_cast<VexPluginEntryFn>(symbol);
  const VexPluginDescriptor* d = nullptr;
  try {
    d = entry();
  } catch (...) {
    refusal = "the entry point failed";
    return nullptr;
  }
  if (!d) {
    refusal = "the entry point answered no descriptor";
    return nullptr;
  }
  // Nothing beyond the version is read before the version is known.
  if (d->abiVersion != VEX3D_PLUGIN_ABI_VERSION) {
    refusal = "built for plug-in interface version " + std::to_string(d->abiVersion) +
              ", this application has version " + std::to_string(VEX3D_PLUGIN_ABI_VERSION);
    return nullptr;
  }
  if (d->descriptorSize != sizeof(VexPluginDescriptor)) {
    refusal = "bad descriptor size " + std::to_string(d->descriptorSize);
    return nullptr;
  }
  if (d->kind == 0) {
    refusal = "the descriptor has no kind";
    return nullptr;
  }
  if ((d->kind & kind) == 0) return nullptr;
  if (!d->createParser) {
    refusal = "the descriptor has no parser factory";
    return nullptr;
  }
  if (d->classCount == 0 || d->classCount > kMaxClasses || !d->classes) {
    refusal = "bad class count " + std::to_string(d->classCount);
    return nullptr;
  }

  PluginModuleInfo info;
  info.path = path;
  info.kind = d->kind;
  info.name = boundedText(d->name).value_or(fs::path(path).filename().string());
  info.version = d->version ? boundedText(d->version).value_or(std::string()) : std::string();
  std::vector<FileClassInfo> classes;
  for (std::uint32_t i = 0; i < d->classCount; ++i) {
    auto c = convertClass(d->classes[i], d->kind, refusal);
    if (!c) return nullptr;
    info.fileClasses.push_back(c->fileClass);
    classes.push_back(std::move(*c));
  }
  auto module = std::make_shared<PluginModule>(std::move(handle), std::move(info), d->createParser);
  if (!registerFileClasses(classes, module, &refusal)) return nullptr;
  return module;
}

std::vector<std::string> modulesIn(const std::string& folder) {
  std::vector<std::string> files;
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return files;
  for (const auto& entry : it) {
    std::error_code fileEc;
    if (entry.path().extension() == ".so" && entry.is_regular_file(fileEc))
      files.push_back(entry.path().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}

void reportRefusals(const std::vector<PluginLoadError>& refusals) {
  for (const auto& r : refusals) {
    IoReport report;
    report.reportCode = kIoReportPlugin;
    report.level = CIoOptions::logWarning;
    report.fileName = r.path;
    report.text = "plug-in skipped: " + r.message;
    reportIo(report);
  }
}

// An object of this library, to find where the library lies.
const char kLibraryAnchor = 0;

}  // namespace

std::string getLibraryFolder() {
  Dl_info info{};
  if (::dladdr(&kLibraryAnchor, &info) == 0 || !info.dli_fname) return {};
  std::error_code ec;
  fs::path lib = fs::canonical(info.dli_fname, ec);
  if (ec) lib = info.dli_fname;
  return lib.parent_path().string();
}

std::vector<std::string> getPluginFolders() {
  std::vector<std::string> folders;
  if (const char* env = std::getenv("VEX3D_PLUGIN_PATH")) folders = splitList(env, ':');
  if (const std::string lib = getLibraryFolder(); !lib.empty())
    folders.push_back(lib + "/" VEX3D_PLUGIN_SUBDIR);
  return folders;
}

std::vector<PluginModuleInfo> getLoadedPlugins() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  std::vector<PluginModuleInfo> out;
  for (const auto& m : s.modules) out.push_back(m.module->Info());
  return out;
}

std::vector<PluginLoadError> getPluginLoadErrors() {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  return s.errors;
}

int getPluginRegistrationCount(std::uint32_t kind) {
  auto& s = state();
  std::lock_guard lock(s.mutex);
  const auto it = s.counts.find(kind);
  return it == s.counts.end() ? 0 : it->second;
}

}  // namespace vex3d

int RegisterIOPlugins(std::uint32_t kind) {
  using namespace vex3d;
  if (kind == 0) return 0;
  auto& s = state();
  std::vector<PluginLoadError> refusals;
  int loaded = 0;
  {
    std::lock_guard lock(s.mutex);
    if (s.counts[kind]++ == 0) {
      for (const auto& folder : getPluginFolders()) {
        for (const auto& file : modulesIn(folder)) {
          std::error_code ec;
          std::string path = fs::canonical(file, ec).string();
          if (ec) path = file;
          // The same module may be reached through several folders.
          if (std::any_of(s.modules.begin(), s.modules.end(),
                          [&](const LoadedPlugin& m) { return m.module->Info().path == path; }))
            continue;
          std::string refusal;
          if (auto module = openModule(path, kind, refusal))
            s.modules.push_back(LoadedPlugin{std::move(module), kind});
          else if (!refusal.empty())
            refusals.push_back(PluginLoadError{path, refusal});
        }
      }
      s.errors = refusals;
    }
    for (const auto& m : s.modules) loaded += m.registeredKind == kind ? 1 : 0;
  }
  // Outside the lock: a report handler may ask about the plug-ins.
  reportRefusals(refusals);
  return loaded;
}

void FreeIOPlugins(std::uint32_t kind) {
  using namespace vex3d;
  auto& s = state();
  std::vector<LoadedPlugin> freed;
  {
    std::lock_guard lock(s.mutex);
    const auto it = s.counts.find(kind);
    if (it == s.counts.end() || it->second == 0) return;
    if (--it->second > 0) return;
    s.counts.erase(it);
    auto keep =
        std::stable_partition(s.modules.begin(), s.modules.end(),
                              [kind](const LoadedPlugin& m) { return m.registeredKind != kind; });
    std::move(keep, s.modules.end(), std::back_inserter(freed));
    s.modules.erase(keep, s.modules.end());
  }
  // Modules go in the reverse order of loading; one whose parsers are still
  // open stays loaded until they are closed.
  for (auto it = freed.rbegin(); it != freed.rend(); ++it) {
    unregisterFileClasses(it->module.get());
    it->module.reset();
  }
}
