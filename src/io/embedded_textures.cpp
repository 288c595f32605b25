#include "io/embedded_textures.h"

#include <filesystem>
#include <map>

#include "hostlib/files/atomic_file.h"
#include "hostlib/io/io_options.h"
#include "hostlib/text/strings.h"
#include "material/embedded_image.h"
#include "material/material.h"
#include "material/material_map.h"
#include "material/materials.h"
#include "scene/scene.h"

namespace fs = std::filesystem;

std::vector<vex3d::TextureFile> vex3d::planTextureFiles(C3DScene& scene,
                                                        const std::string& targetFile) {
  const fs::path target(targetFile);
  const std::string stem = target.stem().string();
  std::vector<TextureFile> files;
  std::map<const CEmbeddedImage*, std::string> nameOf;
  for (auto [id, material] : scene.GetMaterials().GetMap()) {
    (void)id;
    for (MapType type : {MAP_DIFFUSE, MAP_AMBIENT, MAP_SPECULAR, MAP_TRANSPARENCY}) {
      CMaterialMap* map = material->GetMaterialMap(type);
      if (map == nullptr || map->GetEmbeddedImage() == nullptr) continue;
      std::shared_ptr<const CEmbeddedImage> image = map->GetEmbeddedImage();
      auto known = nameOf.find(image.get());
      if (known == nameOf.end()) {
        const std::string name =
            stem + "_texture" + std::to_string(files.size()) + "." + image->GetExtension();
        known = nameOf.emplace(image.get(), name).first;
        files.push_back({(target.parent_path() / name).string(), image});
      }
      map->SetEmbeddedImage(nullptr);
      map->SetFileName(known->second);
    }
  }
  return files;
}

bool vex3d::writeTextureFiles(const std::vector<TextureFile>& files, CIoOptions& log,
                              std::vector<std::string>& written, std::string& why) {
  for (const TextureFile& file : files) {
    const auto bytes = file.image->GetBytes();
    if (!writeFileAtomically(file.path, bytes.data(), bytes.size(), why)) {
      log.AddLogInfo(CIoOptions::logError,
                     FormatString(kStrTextureNotWritten, file.path.c_str(), why.c_str()));
      return false;
    }
    written.push_back(file.path);
    log.AddLogInfo(CIoOptions::logInfo, FormatString(kStrTextureWritten, file.path.c_str()));
  }
  return true;
}
