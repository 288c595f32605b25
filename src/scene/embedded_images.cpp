#include "scene/embedded_images.h"

#include <map>
#include <memory>

#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"
#include "hostlib/text/strings.h"
#include "material/embedded_image.h"
#include "material/material.h"
#include "material/material_map.h"
#include "material/materials.h"
#include "scene/scene.h"

namespace {

constexpr std::uint32_t kTableVersion = 1;
constexpr MapType kMapTypes[] = {MAP_DIFFUSE, MAP_AMBIENT, MAP_SPECULAR, MAP_TRANSPARENCY};
// Material id, map type and image index.
constexpr std::size_t kUseBytes = 12;

template <class Visit>
void forEachEmbeddedMap(const C3DScene& scene, Visit&& visit) {
  for (auto [id, material] : const_cast<C3DScene&>(scene).GetMaterials().GetMap()) {
    for (MapType type : kMapTypes) {
      CMaterialMap* map = material->GetMaterialMap(type);
      if (map != nullptr && map->GetEmbeddedImage() != nullptr) visit(id, type, *map);
    }
  }
}

std::string labelOf(const CMaterialMap& map, std::size_t index) {
  return map.GetFileName().empty() ? "*" + std::to_string(index) : map.GetFileName();
}

}  // namespace

bool vex3d::hasEmbeddedImages(const C3DScene& scene) {
  bool any = false;
  forEachEmbeddedMap(scene, [&](std::uint32_t, MapType, CMaterialMap&) { any = true; });
  return any;
}

void vex3d::storeEmbeddedImages(CArchive& ar, const C3DScene& scene) {
  std::vector<const CEmbeddedImage*> images;
  std::map<const CEmbeddedImage*, std::uint32_t> indexOf;
  struct Use {
    std::uint32_t material, type, image;
  };
  std::vector<Use> uses;
  forEachEmbeddedMap(scene, [&](std::uint32_t id, MapType type, CMaterialMap& map) {
    const CEmbeddedImage* image = map.GetEmbeddedImage().get();
    const auto [at, added] = indexOf.emplace(image, static_cast<std::uint32_t>(images.size()));
    if (added) images.push_back(image);
    uses.push_back({id, static_cast<std::uint32_t>(type), at->second});
  });
  ar << kTableVersion;
  ar.WriteCount(images.size());
  for (const CEmbeddedImage* image : images) {
    ar.WriteCount(image->GetBytes().size());
    ar.Write(image->GetBytes().data(), image->GetBytes().size());
  }
  ar.WriteCount(uses.size());
  for (const Use& use : uses) ar << use.material << use.type << use.image;
}

void vex3d::loadEmbeddedImages(CArchive& ar, C3DScene& scene, EmbeddedImageCheck check,
                               std::vector<std::string>& warnings) {
  std::uint32_t version = 0;
  ar >> version;
  if (version != kTableVersion) throw CArchiveException(CArchiveException::badSchema);
  // Every image takes at least its count's byte.
  const std::uint64_t imageCount = ar.ReadCount(1);
  std::vector<std::vector<std::uint8_t>> bytes(static_cast<std::size_t>(imageCount));
  for (std::vector<std::uint8_t>& image : bytes) {
    image.resize(static_cast<std::size_t>(ar.ReadCount(1)));
    ar.ReadExact(image.data(), image.size());
  }
  const std::uint64_t useCount = ar.ReadCount(kUseBytes);
  struct Use {
    std::uint32_t material = 0, type = 0, image = 0;
  };
  std::vector<Use> uses(static_cast<std::size_t>(useCount));
  for (Use& use : uses) ar >> use.material >> use.type >> use.image;

  // The table is whole: only now do maps change.
  std::map<std::uint32_t, C3DMaterial*> materials;
  for (auto [id, material] : scene.GetMaterials().GetMap()) materials.emplace(id, material.get());
  std::vector<std::shared_ptr<const CEmbeddedImage>> images(bytes.size());
  std::vector<bool> tried(bytes.size(), false);
  for (const Use& use : uses) {
    const auto material = materials.find(use.material);
    CMaterialMap* map = nullptr;
    if (material != materials.end() && use.type >= MAP_DIFFUSE && use.type <= MAP_TRANSPARENCY)
      map = material->second->GetMaterialMap(static_cast<MapType>(use.type));
    if (map == nullptr || use.image >= bytes.size()) {
      warnings.push_back(FormatString(vex3d::kStrEmbeddedImageSkipped,
                                      ("#" + std::to_string(use.image)).c_str(),
                                      "no such material map"));
      continue;
    }
    std::string error;
    if (!tried[use.image]) {
      tried[use.image] = true;
      images[use.image] = check == EmbeddedImageCheck::keep
                              ? CEmbeddedImage::Unchecked(std::move(bytes[use.image]))
                              : CEmbeddedImage::Checked(std::move(bytes[use.image]), error);
    }
    const std::shared_ptr<const CEmbeddedImage>& image = images[use.image];
    if (image != nullptr) {
      map->SetEmbeddedImage(image);
      if (check == EmbeddedImageCheck::keep || map->LoadEmbeddedImage(error)) continue;
      // Decodes for no map: no other map tries it again.
      images[use.image].reset();
    }
    if (!error.empty()) {
      warnings.push_back(FormatString(vex3d::kStrEmbeddedImageSkipped,
                                      labelOf(*map, use.image).c_str(), error.c_str()));
    }
    map->DropEmbeddedImage();
  }
}
