#pragma once
#include <string>
#include <vector>

namespace vex3d::cli {

// Each command answers the process exit status.
int runInfo(const std::vector<std::string>& files);

}  // namespace vex3d::cli
