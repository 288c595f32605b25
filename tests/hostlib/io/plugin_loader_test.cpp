#include "hostlib/io/plugin_loader.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "hostlib/core/fourcc.h"
#include "hostlib/files/file_class.h"
#include "hostlib/io/file_io_frame.h"
#include "io_test_support.h"

namespace {

namespace fs = std::filesystem;
using vex3d::fourcc;
using vex3d::test::ReportCapture;
using vex3d::test::ScopedEnv;

constexpr std::uint32_t kTst3 = fourcc("TST3");
constexpr std::uint32_t kTstR = fourcc("TSTR");

const std::string kPluginDir = std::string(VEX3D_TEST_BINARY_DIR) + "/lib/vex3d/test-plugins";
const std::string kGoodModule = kPluginDir + "/tst3.so";

// What the test module counts (tst3_plugin.cpp).
struct Tst3Counters {
  int created;
  int destroyed;
  int dialogQueries;
  std::uint32_t lastClass;
  const CFileIo* lastIo;
};

bool isModuleLoaded(const std::string& path) {
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) ::dlclose(handle);
  return handle != nullptr;
}

Tst3Counters moduleCounters() {
  Tst3Counters counters{};
  void* handle = ::dlopen(kGoodModule.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (!handle) return counters;
  using GetCounters = void (*)(Tst3Counters*);
  if (auto get = reinterpret_cast<GetCounters>(::dlsym(handle, "tst3_get_counters")))
    get(&counters);
  ::dlclose(handle);
  return counters;
}

const vex3d::PluginLoadError* errorFor(const std::vector<vex3d::PluginLoadError>& errors,
                                       const std::string& file) {
  for (const auto& e : errors)
    if (fs::path(e.path).filename() == file) return &e;
  return nullptr;
}

const vex3d::PluginModuleInfo* loadedModule(const std::string& file) {
  static std::vector<vex3d::PluginModuleInfo> modules;
  modules = vex3d::getLoadedPlugins();
  for (const auto& m : modules)
    if (fs::path(m.path).filename() == file) return &m;
  return nullptr;
}

class PluginLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs::exists(kGoodModule)) << "test plug-ins not built";
    ASSERT_EQ(vex3d::getPluginRegistrationCount(vex3d::kFileKind3D), 0);
  }
  void TearDown() override {
    while (vex3d::getPluginRegistrationCount(vex3d::kFileKind3D) > 0)
      FreeIOPlugins(vex3d::kFileKind3D);
  }

  ScopedEnv path{"VEX3D_PLUGIN_PATH", kPluginDir};
  ReportCapture capture;
};

TEST_F(PluginLoader, LoadsTheGoodModuleAndFreesIt) {
  EXPECT_EQ(fileGetKindOf("scene.tst3"), 0u);
  EXPECT_GE(RegisterIOPlugins(vex3d::kFileKind3D), 1);
  const auto* module = loadedModule("tst3.so");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(module->name, "Test format");
  EXPECT_EQ(module->version, "1.2");
  EXPECT_EQ(module->kind, vex3d::kFileKind3D);
  EXPECT_EQ(module->fileClasses, (std::vector<std::uint32_t>{kTst3, kTstR}));
  EXPECT_TRUE(isModuleLoaded(kGoodModule));

  EXPECT_EQ(fileGetKindOf("/a/scene.TST3"), vex3d::kFileKind3D);
  EXPECT_EQ(fileGetClassOf("scene.tst3z"), kTst3);
  vex3d::FileClassInfo info;
  ASSERT_TRUE(fileGetExtensionInfo(kTst3, &info));
  EXPECT_EQ(info.extensions, (std::vector<std::string>{"tst3", "tst3z"}));
  EXPECT_EQ(info.description, "Test 3D scene");
  EXPECT_EQ(info.mimeTypes, (std::vector<std::string>{"model/x-tst3"}));
  EXPECT_TRUE(info.canRead && info.canWrite);
  EXPECT_EQ(info.modulePath, module->path);
  ASSERT_TRUE(fileGetExtensionInfo(kTstR, &info));
  EXPECT_TRUE(info.canRead);
  EXPECT_FALSE(info.canWrite);
  EXPECT_TRUE(info.mimeTypes.empty());

  FreeIOPlugins(vex3d::kFileKind3D);
  EXPECT_EQ(loadedModule("tst3.so"), nullptr);
  EXPECT_EQ(fileGetKindOf("scene.tst3"), 0u);
  EXPECT_FALSE(fileGetExtensionInfo(kTstR));
  EXPECT_FALSE(isModuleLoaded(kGoodModule));
}

TEST_F(PluginLoader, RefusesBrokenModulesWithAMessage) {
  RegisterIOPlugins(vex3d::kFileKind3D);
  const auto errors = vex3d::getPluginLoadErrors();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"bad.so", ""},  // the loader's own wording
      {"broken_abi.so", "interface version 2"},
      {"broken_symbol.so", "no entry point vex3d_plugin_entry"},
      {"broken_null.so", "no descriptor"},
      {"broken_class.so", "missing or overlong text"},
      {"broken_taken.so", "class 'PNG ' is already registered"},
      {"broken_ext.so", "extension \"brk\" is declared twice"},
  };
  for (const auto& [file, words] : expected) {
    const auto* error = errorFor(errors, file);
    ASSERT_NE(error, nullptr) << file;
    EXPECT_NE(error->message.find(words), std::string::npos) << error->message;
    const auto reported =
        std::count_if(capture.reports.begin(), capture.reports.end(), [&](const auto& r) {
          return r.fileName == error->path && r.reportCode == vex3d::kIoReportPlugin &&
                 r.text.find(error->message) != std::string::npos;
        });
    EXPECT_EQ(reported, 1) << file;
    EXPECT_EQ(loadedModule(file), nullptr) << file;
  }
  EXPECT_EQ(errorFor(errors, "tst3.so"), nullptr);
  // Nothing of a refused module is registered, not even its valid classes.
  EXPECT_FALSE(fileGetExtensionInfo(fourcc("BRK1")));
  EXPECT_EQ(fileGetClassOf("x.png"), fourcc("PNG "));
  EXPECT_TRUE(fileGetExtensionInfo(kTst3));
}

TEST_F(PluginLoader, RegistrationsNest) {
  const int first = RegisterIOPlugins(vex3d::kFileKind3D);
  const std::size_t reports = capture.reports.size();
  EXPECT_EQ(RegisterIOPlugins(vex3d::kFileKind3D), first);
  EXPECT_EQ(capture.reports.size(), reports);  // no second scan
  EXPECT_EQ(vex3d::getPluginRegistrationCount(vex3d::kFileKind3D), 2);
  FreeIOPlugins(vex3d::kFileKind3D);
  EXPECT_TRUE(fileGetExtensionInfo(kTst3));
  FreeIOPlugins(vex3d::kFileKind3D);
  EXPECT_FALSE(fileGetExtensionInfo(kTst3));
  FreeIOPlugins(vex3d::kFileKind3D);  // one too many: ignored
  EXPECT_EQ(vex3d::getPluginRegistrationCount(vex3d::kFileKind3D), 0);

  // Another kind loads none of the 3D modules.
  EXPECT_EQ(RegisterIOPlugins(vex3d::kFileKindRasterImage), 0);
  EXPECT_FALSE(fileGetExtensionInfo(kTst3));
  FreeIOPlugins(vex3d::kFileKindRasterImage);

  // Loading again after a full free works.
  RegisterIOPlugins(vex3d::kFileKind3D);
  EXPECT_TRUE(fileGetExtensionInfo(kTst3));
}

TEST_F(PluginLoader, InitParserUsesTheModulesParser) {
  RegisterIOPlugins(vex3d::kFileKind3D);
  const Tst3Counters before = moduleCounters();
  CFileIo io(std::string("model.tst3z"), IO_FLAG_READ);
  CFileParser* parser = io.InitParser();
  ASSERT_NE(parser, nullptr);
  Tst3Counters now = moduleCounters();
  EXPECT_EQ(now.created, before.created + 1);
  EXPECT_EQ(now.lastClass, kTst3);
  EXPECT_EQ(now.lastIo, &io);
  EXPECT_EQ(parser->MustShowDialog(), IO_DIALOG_ALWAYS);  // the module's override
  EXPECT_EQ(moduleCounters().dialogQueries, before.dialogQueries + 1);
  io.CloseParser();
  EXPECT_EQ(moduleCounters().destroyed, before.destroyed + 1);
}

TEST_F(PluginLoader, AnOpenParserKeepsItsModuleLoaded) {
  RegisterIOPlugins(vex3d::kFileKind3D);
  CFileIo io(std::string("model.tst3"), 0);
  ASSERT_NE(io.InitParser(), nullptr);
  FreeIOPlugins(vex3d::kFileKind3D);
  EXPECT_FALSE(fileGetExtensionInfo(kTst3));  // the class is gone at once ...
  EXPECT_TRUE(isModuleLoaded(kGoodModule));   // ... the code stays for the parser
  io.CloseParser();
  EXPECT_FALSE(isModuleLoaded(kGoodModule));
}

TEST_F(PluginLoader, FoldersComeFromTheEnvironmentThenTheLibrary) {
  {
    ScopedEnv twice("VEX3D_PLUGIN_PATH", kPluginDir + "::/no/such/folder:" + kPluginDir);
    const auto folders = vex3d::getPluginFolders();
    ASSERT_EQ(folders.size(), 4u);
    EXPECT_EQ(folders[0], kPluginDir);
    EXPECT_EQ(folders[1], "/no/such/folder");
    EXPECT_EQ(folders[2], kPluginDir);
    const fs::path builtIn = folders[3];
    EXPECT_EQ(builtIn.filename(), "plugins");
    EXPECT_EQ(builtIn.parent_path().filename(), "vex3d");
    EXPECT_TRUE(fs::exists(builtIn.parent_path().parent_path() / "libvexhost.so"));

    // A folder listed twice loads its modules once, without complaint.
    RegisterIOPlugins(vex3d::kFileKind3D);
    const auto modules = vex3d::getLoadedPlugins();
    EXPECT_EQ(std::count_if(modules.begin(), modules.end(),
                            [](const auto& m) { return m.path.ends_with("/tst3.so"); }),
              1);
    EXPECT_EQ(errorFor(vex3d::getPluginLoadErrors(), "tst3.so"), nullptr);
    FreeIOPlugins(vex3d::kFileKind3D);
  }
  ::unsetenv("VEX3D_PLUGIN_PATH");
  EXPECT_EQ(vex3d::getPluginFolders().size(), 1u);
  RegisterIOPlugins(vex3d::kFileKind3D);
  EXPECT_EQ(loadedModule("tst3.so"), nullptr);  // the test folder is not a default
}

}  // namespace
