#pragma once
// A test that reads and writes files through the built plug-ins, with a
// configuration folder of its own that it may also write files into.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "hostlib/io/plugin_loader.h"
#include "scoped_config_dir.h"

namespace vex3d::test {

class PluginTestBase : public testing::Test {
 protected:
  // `group` names the folder of the build tree the test's files go under.
  explicit PluginTestBase(const char* group) : m_config(group) {}
  void SetUp() override {
    // The plug-ins of this build, whatever the environment names.
    ::unsetenv("VEX3D_PLUGIN_PATH");
    RegisterIOPlugins(0x4000);
    std::filesystem::create_directories(m_config.Path());
  }
  void TearDown() override { FreeIOPlugins(0x4000); }

  const std::filesystem::path& ConfigPath() const { return m_config.Path(); }

 private:
  ScopedConfigDir m_config;
};

}  // namespace vex3d::test
