#pragma once
// Runs the vex3d command as a shell would, its two streams kept apart.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace cli_run {

struct Run {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string readAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of the test's own, emptied.
inline std::filesystem::path testDir() {
  const auto* test = testing::UnitTest::GetInstance()->current_test_info();
  const std::filesystem::path dir = std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "cli-test" /
                                    (std::string(test->test_suite_name()) + "." + test->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

// `vex3d ARGS` through the shell, so that ARGS may hold redirections;
// `prefix` goes before the command ("LANG=fr_FR.UTF-8", "cd DIR &&").
inline Run vex3d(const std::string& args, const std::string& prefix = {}) {
  static int serial = 0;
  const std::filesystem::path err =
      std::filesystem::path(VEX3D_TEST_BINARY_DIR) / "cli-test" /
      ("stderr-" + std::to_string(::getpid()) + "-" + std::to_string(++serial) + ".txt");
  std::filesystem::create_directories(err.parent_path());
  const std::string command = prefix + " " + VEX3D_CLI + " " + args + " 2>" + err.string();
  Run run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.err = readAll(err);
  std::filesystem::remove(err);
  return run;
}

inline std::string sample(const char* name) {
  return std::string(VEX3D_TEST_DATA_DIR) + "/samples/" + name;
}

inline bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace cli_run
