#include "io/texture_names.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "hostlib/files/file_utils.h"
#include "hostlib/io/io_options.h"
#include "material/material.h"
#include "material/material_map.h"
#include "material/materials.h"
#include "scene/scene.h"

namespace {

// A found texture's path, which may be relative to the scene's folder.
std::string resolved(const std::string& sceneFolder, const std::string& found) {
  return std::filesystem::absolute(std::filesystem::path(sceneFolder) / found)
      .lexically_normal()
      .string();
}

}  // namespace

void vex3d::confineTextureNames(C3DScene& scene, const std::string& sourceFolder, CIoOptions& log) {
  const std::vector<std::string> folders = texturePaths();
  const auto allowed = [&](const std::string& found) {
    const std::string path = resolved(sourceFolder, found);
    if (fileIsInside(path, sourceFolder)) return true;
    return std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) {
      return !folder.empty() && fileIsInside(path, folder);
    });
  };
  const auto check = [&](const std::string& name, auto&& clear) {
    std::string found;
    if (name.empty() || !CMaterialMap::FindBitmap(name, found, sourceFolder, folders)) return;
    if (allowed(found)) return;
    log.AddLogInfo(CIoOptions::logWarning,
                   "texture " + name + " lies outside the model's folder: skipped");
    clear();
  };
  for (auto [id, material] : scene.GetMaterials().GetMap()) {
    (void)id;
    for (MapType type : {MAP_DIFFUSE, MAP_AMBIENT, MAP_SPECULAR, MAP_TRANSPARENCY}) {
      CMaterialMap* map = material->GetMaterialMap(type);
      if (map == nullptr) continue;
      check(map->GetFileName(), [map] { map->SetFileName(std::string()); });
      check(map->GetAlphaFileName(), [map] { map->SetAlphaFileName(std::string()); });
    }
  }
}

void vex3d::rebaseTextureNames(C3DScene& scene, const std::string& sourceFolder,
                               const std::string& targetFile) {
  std::error_code error;
  const std::string to =
      std::filesystem::absolute(targetFile, error).parent_path().lexically_normal().string();
  if (error) return;
  for (auto [id, material] : scene.GetMaterials().GetMap()) {
    (void)id;
    for (MapType type : {MAP_DIFFUSE, MAP_AMBIENT, MAP_SPECULAR, MAP_TRANSPARENCY}) {
      CMaterialMap* map = material->GetMaterialMap(type);
      if (map == nullptr) continue;
      std::string found;
      if (!map->GetFileName().empty() &&
          CMaterialMap::FindBitmap(map->GetFileName(), found, sourceFolder)) {
        map->SetFileName(resolved(sourceFolder, found), to);
      }
      if (!map->GetAlphaFileName().empty() &&
          CMaterialMap::FindBitmap(map->GetAlphaFileName(), found, sourceFolder)) {
        map->SetAlphaFileName(resolved(sourceFolder, found), to);
      }
    }
  }
}
