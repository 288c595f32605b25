// The exchange library never loads into the caller's process: it runs in the
// exchange worker, so listing the formats and reading native files do not
// pay for it, and reading or writing an exchange format cannot be brought
// down by it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "hostlib/io/plugin_loader.h"
#include "io/io.h"
#include "scene/scene.h"
#include "scoped_config_dir.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kKind = 0x4000;
constexpr const char* kLoadError = "The exchange-format library could not be loaded: ";

const char kTriangleObj[] = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

// One triangle, its three corners embedded in the file.
const char kTriangleGltf[] = R"({
  "asset": {"version": "2.0"},
  "scene": 0,
  "scenes": [{"nodes": [0]}],
  "nodes": [{"mesh": 0}],
  "meshes": [{"primitives": [{"attributes": {"POSITION": 0}}]}],
  "buffers": [{"byteLength": 36,
    "uri": "data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}],
  "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}],
  "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3",
    "min": [0, 0, 0], "max": [1, 1, 0]}]
})";

bool resident(const char* library) {
  void* handle = ::dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  ::dlclose(handle);
  return true;
}

// The exchange library, by the name the module links it under.
bool exchangeLibraryLoaded() { return resident("libassimp.so.5"); }

class AssimpLazyTest : public testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("VEX3D_PLUGIN_PATH");
    fs::create_directories(m_config.Path());
  }

  std::string writeFile(const std::string& name, const std::string& bytes) const {
    const std::string path = (m_config.Path() / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  // The scene, or null with the IO's error text in `error`.
  static std::unique_ptr<C3DScene> read(const std::string& file, std::string& error) {
    C3DIo io(CFileNameSpec(file, 0), IO_FLAG_READ | IO_FLAG_SILENT);
    std::unique_ptr<C3DScene> scene = io.Read(0, nullptr);
    error = io.GetIoErrorText();
    return scene;
  }

  static int save(const std::string& file, C3DScene& scene, std::string& error) {
    C3DIo io(CFileNameSpec(file, 0), IO_FLAG_SILENT);
    const int result = io.Save(0, &scene, nullptr);
    error = io.GetIoErrorText();
    return result;
  }

  // The exchange-format plug-in as the loader found it, empty when missing.
  static std::string exchangePluginPath() {
    for (const auto& plugin : vex3d::getLoadedPlugins()) {
      if (fs::path(plugin.path).filename() == "assimp.so") return plugin.path;
    }
    return {};
  }

  // Runs in a process of its own, where nothing has loaded the library
  // before; answers what went wrong, empty when all is well.
  std::string loadingProblem() const {
    if (RegisterIOPlugins(kKind) == 0) return "no plug-in was loaded";
    if (exchangePluginPath().empty()) return "the exchange-format plug-in was not loaded";
    if (exchangeLibraryLoaded()) return "listing the formats loaded the exchange library";
    std::string error;
    if (!read(writeFile("triangle.obj", kTriangleObj), error)) return "OBJ not read: " + error;
    if (exchangeLibraryLoaded()) return "reading an OBJ loaded the exchange library";
    const auto triangle = read(writeFile("triangle.gltf", kTriangleGltf), error);
    if (!triangle) return "glTF not read: " + error;
    if (exchangeLibraryLoaded()) return "reading a glTF loaded the exchange library";
    if (save(writeFile("copy.gltf", ""), *triangle, error) == 0)
      return "glTF not written: " + error;
    if (exchangeLibraryLoaded()) return "writing a glTF loaded the exchange library";
    FreeIOPlugins(kKind);
    return {};
  }

 private:
  vex3d::test::ScopedConfigDir m_config{"assimp_lazy"};
};

// Earlier tests of this program may have loaded the library for good, so
// the check runs in a freshly started copy of the program.
TEST_F(AssimpLazyTest, TheLibraryNeverLoadsInTheCaller) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        const std::string problem = loadingProblem();
        if (!problem.empty()) std::fprintf(stderr, "%s\n", problem.c_str());
        std::fflush(stderr);
        ::_exit(problem.empty() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

// A plug-in installed without its worker still lists its formats, and says
// why it cannot read or write them.
TEST_F(AssimpLazyTest, MissingModuleIsAnIoError) {
  RegisterIOPlugins(kKind);
  const std::string installed = exchangePluginPath();
  FreeIOPlugins(kKind);
  ASSERT_FALSE(installed.empty());

  const fs::path alone =
      fs::path(writeFile("triangle.gltf", kTriangleGltf)).parent_path() / "alone";
  fs::create_directories(alone);
  fs::copy_file(installed, alone / "assimp.so", fs::copy_options::overwrite_existing);
  // The copy is found first and serves the formats; the installed plug-in is
  // refused as a duplicate.
  ::setenv("VEX3D_PLUGIN_PATH", alone.c_str(), 1);
  RegisterIOPlugins(kKind);
  ::unsetenv("VEX3D_PLUGIN_PATH");
  EXPECT_EQ(exchangePluginPath(), fs::canonical(alone / "assimp.so").string());

  std::string error;
  EXPECT_EQ(read((alone.parent_path() / "triangle.gltf").string(), error), nullptr);
  EXPECT_EQ(error.rfind(kLoadError, 0), 0u) << error;
  EXPECT_NE(error.find("vex3d-assimp-worker"), std::string::npos) << error;

  const auto triangle = read(writeFile("triangle.obj", kTriangleObj), error);
  ASSERT_NE(triangle, nullptr) << error;
  EXPECT_EQ(save((alone / "box.gltf").string(), *triangle, error), 0);
  EXPECT_EQ(error.rfind(kLoadError, 0), 0u) << error;
  EXPECT_FALSE(fs::exists(alone / "box.gltf"));
  FreeIOPlugins(kKind);
}

}  // namespace
