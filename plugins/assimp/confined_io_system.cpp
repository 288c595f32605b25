#include "confined_io_system.h"

#include <cstring>

#include "hostlib/io/io_options.h"
#include "hostlib/text/strings.h"

namespace vex3d::assimp {

namespace {

namespace fs = std::filesystem;

// The file `path` names once links and dot-dots are followed; empty when
// that cannot be told.
fs::path resolved(const fs::path& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  if (ec) return {};
  fs::path real = fs::weakly_canonical(absolute, ec);
  return ec ? fs::path() : real;
}

bool inside(const fs::path& path, const fs::path& folder) {
  const fs::path relative = path.lexically_relative(folder);
  return !relative.empty() && relative.is_relative() && *relative.begin() != "..";
}

}  // namespace

ConfinedIoSystem::ConfinedIoSystem(const std::string& modelPath, CIoOptions& log)
    : m_model(resolved(modelPath)), m_log(log) {
  std::error_code ec;
  m_folder = resolved(fs::absolute(modelPath, ec).parent_path());
}

bool ConfinedIoSystem::allowed(const char* file) const {
  if (file == nullptr) return false;
  const fs::path path = resolved(file);
  if (!path.empty() && !m_folder.empty() && (path == m_model || inside(path, m_folder)))
    return true;
  if (m_refused.insert(file).second)
    m_log.AddLogInfo(CIoOptions::logWarning, FormatString(kStrReferenceOutsideFolder, file));
  return false;
}

bool ConfinedIoSystem::Exists(const char* file) const {
  return allowed(file) && DefaultIOSystem::Exists(file);
}

Assimp::IOStream* ConfinedIoSystem::Open(const char* file, const char* mode) {
  if (mode == nullptr || std::strpbrk(mode, "wa+") != nullptr) return nullptr;
  return allowed(file) ? DefaultIOSystem::Open(file, mode) : nullptr;
}

bool ConfinedIoSystem::CreateDirectory(const std::string&) { return false; }

bool ConfinedIoSystem::DeleteFile(const std::string&) { return false; }

}  // namespace vex3d::assimp
