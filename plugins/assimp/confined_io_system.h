#pragma once
// The exchange library's file access for reads confined to the model's
// folder (CSceneImportOptions::m_confined): a file nobody chose to open, say
// one a file browser came across, must not make the library read the
// user's other files through its references (a glTF buffer, a texture, a
// material library, an external reference of a scene). Paths are resolved,
// symbolic links included, before they are compared.
#include <assimp/DefaultIOSystem.h>

#include <filesystem>
#include <set>
#include <string>

class CIoOptions;

namespace vex3d::assimp {

class ConfinedIoSystem : public Assimp::DefaultIOSystem {
 public:
  // Everything inside the folder of `modelPath` (and the model itself,
  // wherever a link to it leads) may be read; a refusal is logged in `log`
  // as a warning, once per file.
  ConfinedIoSystem(const std::string& modelPath, CIoOptions& log);

  bool Exists(const char* file) const override;
  Assimp::IOStream* Open(const char* file, const char* mode = "rb") override;
  // Reading changes nothing on disk.
  bool CreateDirectory(const std::string& path) override;
  bool DeleteFile(const std::string& file) override;

 private:
  bool allowed(const char* file) const;

  std::filesystem::path m_model;
  std::filesystem::path m_folder;
  CIoOptions& m_log;
  mutable std::set<std::string> m_refused;
};

}  // namespace vex3d::assimp
