#pragma once
// Points the runtime folder (XDG_RUNTIME_DIR, where the exchange endpoints
// live) at a fresh private folder of the build tree for one test, and puts
// everything back afterwards. The path is kept short: socket names have a
// small limit.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace vex3d::test {

class ScopedRuntimeDir {
 public:
  ScopedRuntimeDir() {
    static int serial = 0;
    m_dir = std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "rt" /
            (std::to_string(::getpid()) + "-" + std::to_string(++serial));
    std::filesystem::remove_all(m_dir);
    std::filesystem::create_directories(m_dir);
    ::chmod(m_dir.c_str(), 0700);
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_old = old;
    ::setenv("XDG_RUNTIME_DIR", m_dir.c_str(), 1);
  }
  ~ScopedRuntimeDir() {
    if (m_old) {
      ::setenv("XDG_RUNTIME_DIR", m_old->c_str(), 1);
    } else {
      ::unsetenv("XDG_RUNTIME_DIR");
    }
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  ScopedRuntimeDir(const ScopedRuntimeDir&) = delete;
  ScopedRuntimeDir& operator=(const ScopedRuntimeDir&) = delete;

  const std::filesystem::path& Path() const { return m_dir; }

 private:
  std::filesystem::path m_dir;
  std::optional<std::string> m_old;
};

}  // namespace vex3d::test
