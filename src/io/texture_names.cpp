#include "io/texture_names.h"

#include <filesystem>

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
