#pragma once
// Reading and writing through the real format plug-ins, as the browser
// does, with files in a fresh folder of the build tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/io/plugin_loader.h"
#include "io/io.h"
#include "mesh/model/base_object.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "scene/scene_node.h"
#include "scoped_config_dir.h"

namespace vex3d::test {

class NativeFormatTest : public testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("VEX3D_PLUGIN_PATH");
    RegisterIOPlugins(0x4000);
    std::filesystem::create_directories(m_config.Path());
  }
  void TearDown() override { FreeIOPlugins(0x4000); }

  std::string path(const std::string& name) const { return (m_config.Path() / name).string(); }

  std::string writeFile(const std::string& name, const std::string& bytes) const {
    const std::string p = path(name);
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }

  static std::string readFile(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  // The scene, or null with the IO's error text in `error`.
  std::unique_ptr<C3DScene> read(const std::string& file, std::string* error = nullptr,
                                 CSceneImportOptions* options = nullptr) {
    C3DIo io(CFileNameSpec(file, 0), IO_FLAG_READ | IO_FLAG_SILENT);
    std::unique_ptr<C3DScene> scene = io.Read(0, options);
    if (error != nullptr) *error = io.GetIoErrorText();
    return scene;
  }

  std::unique_ptr<C3DScene> readBytes(const std::string& name, const std::string& bytes,
                                      std::string* error = nullptr) {
    return read(writeFile(name, bytes), error);
  }

  int save(C3DScene& scene, const std::string& file, CSceneExportOptions* options = nullptr) {
    C3DIo io(CFileNameSpec(file, 0), IO_FLAG_SILENT);
    return io.Save(0, &scene, options);
  }

  static std::vector<C3DSceneNode*> meshNodes(const C3DScene& scene) {
    std::vector<C3DSceneNode*> nodes;
    C3DBaseObject* object = nullptr;
    CSceneIterator it = scene.Begin();
    while (C3DSceneNode* node = scene.GetNextNode(object, it)) {
      if (object != nullptr && object->GetKindOf() == OBJECT_POLYGONAL) nodes.push_back(node);
    }
    return nodes;
  }

  static C3DObject* firstMesh(const C3DScene& scene) {
    const auto nodes = meshNodes(scene);
    if (nodes.empty()) return nullptr;
    return *nodes.front()->GetObject();
  }

 private:
  ScopedConfigDir m_config{"plugins"};
};

}  // namespace vex3d::test
