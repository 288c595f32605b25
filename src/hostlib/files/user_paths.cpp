#include "hostlib/files/user_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

std::string withSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string envOrEmpty(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

}  // namespace

std::string GetUserPreferencesPath() {
  if (auto dir = envOrEmpty("VEX3D_CONFIG_DIR"); !dir.empty()) return withSlash(dir);
  // XDG says a relative value is invalid and must be ignored.
  if (auto xdg = envOrEmpty("XDG_CONFIG_HOME"); !xdg.empty() && xdg[0] == '/')
    return withSlash(xdg) + "vex3d/";
  std::string home = envOrEmpty("HOME");
  if (home.empty()) {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  }
  if (home.empty()) home = "/tmp";
  return withSlash(home) + ".config/vex3d/";
}
