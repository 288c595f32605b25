#include "mesh_format_kit/read_progress.h"

namespace vex3d::native {

std::string readingTitle(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return FormatString(kStrReadingFile,
                      path.substr(slash == std::string::npos ? 0 : slash + 1).c_str());
}

}  // namespace vex3d::native
