#pragma once
// Helpers of the IO frame and plug-in loader tests.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "hostlib/io/io_report.h"

namespace vex3d::test {

// Sets an environment variable for the scope's duration.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (m_old)
      ::setenv(m_name, m_old->c_str(), 1);
    else
      ::unsetenv(m_name);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

// Collects the IO reports made in its scope.
class ReportCapture {
 public:
  ReportCapture()
      : m_previous(setIoReportHandler([this](const IoReport& r) { reports.push_back(r); })) {}
  ~ReportCapture() { setIoReportHandler(m_previous); }
  ReportCapture(const ReportCapture&) = delete;
  ReportCapture& operator=(const ReportCapture&) = delete;

  std::vector<IoReport> reports;

 private:
  IoReportHandler m_previous;
};

// An empty folder under the build folder, for one test.
inline std::string freshTestDir(const std::string& name) {
  const auto dir = std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "io_frame_test" / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

}  // namespace vex3d::test
