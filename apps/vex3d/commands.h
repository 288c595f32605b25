#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace vex3d::cli {

// Each command answers the process exit status: 0 success, 1 failure,
// 2 wrong usage.
int runInfo(const std::vector<std::string>& args);
int runFormats(const std::vector<std::string>& args);
int runFormats(bool json);

struct SceneInfoOptions {
  bool json = false;
  bool verbose = false;
  std::uint32_t upAxis = 0;  // as the format has it
  std::string format;        // empty: by the extension
};
int runSceneInfo(const std::vector<std::string>& files, const SceneInfoOptions& options);
int runConvert(const std::vector<std::string>& args);
// These two load the drawing module on first use.
int runRender(const std::vector<std::string>& args);
int runThumbnail(const std::vector<std::string>& args);
int runDesktopFiles(const std::vector<std::string>& args);

}  // namespace vex3d::cli
