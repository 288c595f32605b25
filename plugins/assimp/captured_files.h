#pragma once
// Files an exchange-library writer produces, kept in memory: the exchange
// worker has no write access, and the plug-in writes what it sends back
// (see assimp_plugin.cpp). The library writes the target and side files
// beside it (a glTF's buffer); anything else is refused. Its own in-memory
// export is no use here: it names side files after a placeholder, so a
// glTF written that way points at a buffer that does not exist.
#include <assimp/DefaultIOSystem.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace vex3d::assimp {

class CapturedFiles {
 public:
  explicit CapturedFiles(const std::string& target);

  // The name `path` is kept under (its name in the target's folder), or
  // empty when it lies elsewhere.
  std::string nameOf(const char* path) const;
  // A new, empty file under `name`, replacing one of that name.
  std::vector<std::uint8_t>& create(const std::string& name);
  std::vector<std::uint8_t>* find(const std::string& name);
  bool remove(const std::string& name) { return m_files.erase(name) != 0; }

  const std::map<std::string, std::vector<std::uint8_t>>& files() const { return m_files; }

 private:
  std::filesystem::path m_folder;
  std::map<std::string, std::vector<std::uint8_t>> m_files;
};

// The library's file access while it writes: files opened for writing are
// captured, the others read from disk.
class CapturingIoSystem : public Assimp::DefaultIOSystem {
 public:
  explicit CapturingIoSystem(CapturedFiles& files) : m_files(files) {}

  bool Exists(const char* file) const override;
  Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
  bool CreateDirectory(const std::string& path) override;
  bool DeleteFile(const std::string& file) override;

 private:
  CapturedFiles& m_files;
};

}  // namespace vex3d::assimp
