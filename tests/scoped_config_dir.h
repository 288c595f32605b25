#pragma once
// Points the user configuration folder (VEX3D_CONFIG_DIR) at a fresh folder
// of the build tree for one test, and puts everything back afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace vex3d::test {

class ScopedConfigDir {
 public:
  // The folder is named after the running test and its suite (tests of
  // different suites may share a name and run at once), under `group`.
  explicit ScopedConfigDir(const std::string& group) {
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    m_dir = std::filesystem::path(VEX3D_TEST_BINARY_DIR) / group / test->test_suite_name() /
            test->name();
    std::filesystem::remove_all(m_dir);
    if (const char* old = std::getenv("VEX3D_CONFIG_DIR")) m_old = old;
    ::setenv("VEX3D_CONFIG_DIR", m_dir.c_str(), 1);
  }
  ~ScopedConfigDir() {
    if (m_old) {
      ::setenv("VEX3D_CONFIG_DIR", m_old->c_str(), 1);
    } else {
      ::unsetenv("VEX3D_CONFIG_DIR");
    }
    std::filesystem::remove_all(m_dir);
  }
  ScopedConfigDir(const ScopedConfigDir&) = delete;
  ScopedConfigDir& operator=(const ScopedConfigDir&) = delete;

  const std::filesystem::path& Path() const { return m_dir; }

 private:
  std::filesystem::path m_dir;
  std::optional<std::string> m_old;
};

}  // namespace vex3d::test
