// Reads the table of embedded images that follows a scene in a .v3d file
// and in the general-format worker's answer, onto a scene whose material
// has all four maps: counts, references and the images' own bytes, which
// are decoded. A refused table raises CArchiveException and leaves every map
// as it was; a read one leaves each map with a decoded bitmap or no image.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "hostlib/core/archive.h"
#include "material/material.h"
#include "material/material_map.h"
#include "scene/embedded_images.h"
#include "scene/scene.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  C3DScene scene;
  C3DMaterial* material = scene.GetMaterials().CreateNewMaterial(1);
  for (MapType type : {MAP_DIFFUSE, MAP_AMBIENT, MAP_SPECULAR, MAP_TRANSPARENCY})
    material->AddMaterialMap("*0", 0xFFFFFFFF, type, PROJECTION_EXPLICIT);
  CArchive ar(std::span<const std::uint8_t>(data, size));
  std::vector<std::string> warnings;
  try {
    vex3d::loadEmbeddedImages(ar, scene, vex3d::EmbeddedImageCheck::decode, warnings);
  } catch (const CArchiveException&) {
    for (MapType type : {MAP_DIFFUSE, MAP_AMBIENT, MAP_SPECULAR, MAP_TRANSPARENCY}) {
      if (material->GetMaterialMap(type)->GetEmbeddedImage() != nullptr) std::abort();
    }
    return 0;
  }
  for (MapType type : {MAP_DIFFUSE, MAP_AMBIENT, MAP_SPECULAR, MAP_TRANSPARENCY}) {
    CMaterialMap* map = material->GetMaterialMap(type);
    if (map->GetEmbeddedImage() != nullptr && map->GetLoadState() != vex3d::kMapLoaded)
      std::abort();
  }
  std::vector<std::uint8_t> again;
  CArchive out(again, CArchive::store);
  vex3d::storeEmbeddedImages(out, scene);
  return 0;
}
