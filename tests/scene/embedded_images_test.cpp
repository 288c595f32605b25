// The table of embedded images that follows a scene's archive: what the
// scene file and the general-format worker carry the images in.
#include "scene/embedded_images.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "hostlib/core/archive.h"
#include "material/embedded_image.h"
#include "material/material.h"
#include "material/material_map.h"
#include "plugins/glb_file.h"
#include "scene/scene.h"
#include "scene/scene_file.h"

namespace {

namespace fs = std::filesystem;

const std::vector<std::uint8_t> kPng = vex3d::test::twoColourPng(2, 2, {255, 0, 0}, {0, 0, 255});

// Two materials whose diffuse maps share one image; the second's ambient
// map holds none.
void fill(C3DScene& scene) {
  std::string error;
  const auto image = CEmbeddedImage::Checked(kPng, error);
  ASSERT_NE(image, nullptr) << error;
  for (std::uint32_t id : {1u, 2u}) {
    C3DMaterial* material = scene.GetMaterials().CreateNewMaterial(id);
    material->AddMaterialMap("*0", 0xFFFFFFFF, MAP_DIFFUSE, PROJECTION_EXPLICIT)
        ->SetEmbeddedImage(image);
  }
  scene.GetMaterial(2)->AddMaterialMap("wood.png", 0xFFFFFFFF, MAP_AMBIENT, PROJECTION_EXPLICIT);
}

std::vector<std::uint8_t> archiveOf(C3DScene& scene, bool withImages) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  scene.Serialize(ar);
  if (withImages) vex3d::storeEmbeddedImages(ar, scene);
  ar.Flush();
  return bytes;
}

std::vector<std::uint8_t> bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(EmbeddedImagesTest, TheTableStoresASharedImageOnceAndGivesItBackToEachMap) {
  C3DScene scene;
  fill(scene);
  std::vector<std::uint8_t> table;
  {
    CArchive ar(table, CArchive::store);
    vex3d::storeEmbeddedImages(ar, scene);
  }
  // Version, one image, two uses of 12 bytes: the PNG is there once.
  EXPECT_EQ(table.size(), 4 + 2 + 2 + kPng.size() + 2 + 2 * 12);

  std::vector<std::uint8_t> bytes = archiveOf(scene, true);
  C3DScene back;
  CArchive ar(std::span<const std::uint8_t>(bytes.data(), bytes.size()));
  back.Serialize(ar);
  std::vector<std::string> warnings;
  vex3d::loadEmbeddedImages(ar, back, vex3d::EmbeddedImageCheck::decode, warnings);
  EXPECT_TRUE(warnings.empty());
  EXPECT_EQ(ar.Remaining(), 0u);
  const CMaterialMap* first = back.GetMaterial(1)->GetDiffuseMaps();
  const CMaterialMap* second = back.GetMaterial(2)->GetDiffuseMaps();
  ASSERT_NE(first->GetEmbeddedImage(), nullptr);
  EXPECT_EQ(first->GetEmbeddedImage(), second->GetEmbeddedImage());
  EXPECT_EQ(first->GetLoadState(), vex3d::kMapLoaded);
  EXPECT_EQ(back.GetMaterial(2)->GetAmbientMaps()->GetEmbeddedImage(), nullptr);
  EXPECT_EQ(std::vector<std::uint8_t>(first->GetEmbeddedImage()->GetBytes().begin(),
                                      first->GetEmbeddedImage()->GetBytes().end()),
            kPng);
}

TEST(EmbeddedImagesTest, OldReadersOfTheSceneFileReadTheSameSceneWithoutTheImages) {
  C3DScene scene;
  fill(scene);
  const fs::path path = fs::temp_directory_path() / "vex3d_embedded_images_test.v3d";
  std::string error;
  ASSERT_TRUE(vex3d::saveSceneFile(scene, path.string(), error)) << error;
  const std::vector<std::uint8_t> file = bytesOf(path);
  // The header, then the scene's archive byte for byte, then the table.
  const std::vector<std::uint8_t> archive = archiveOf(scene, false);
  ASSERT_GT(file.size(), 8 + archive.size() + 4);
  EXPECT_TRUE(std::equal(archive.begin(), archive.end(), file.begin() + 8));
  EXPECT_EQ(std::memcmp(file.data() + 8 + archive.size(), "EMBI", 4), 0);

  C3DScene back;
  std::vector<std::string> warnings;
  ASSERT_TRUE(vex3d::loadSceneFile(path.string(), back, error, warnings)) << error;
  EXPECT_TRUE(warnings.empty());
  EXPECT_NE(back.GetMaterial(1)->GetDiffuseMaps()->GetEmbeddedImage(), nullptr);

  // A scene without embedded images writes no table at all.
  C3DScene plain;
  ASSERT_TRUE(vex3d::saveSceneFile(plain, path.string(), error)) << error;
  EXPECT_EQ(bytesOf(path).size(), 8 + archiveOf(plain, false).size());
  fs::remove(path);
}

TEST(EmbeddedImagesTest, ADamagedTableCostsTheImagesNotTheScene) {
  C3DScene scene;
  fill(scene);
  const fs::path path = fs::temp_directory_path() / "vex3d_embedded_images_damaged.v3d";
  std::string error;
  ASSERT_TRUE(vex3d::saveSceneFile(scene, path.string(), error)) << error;
  std::vector<std::uint8_t> file = bytesOf(path);
  // Cut inside the image's bytes.
  file.resize(file.size() - 40);
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
  }
  C3DScene back;
  std::vector<std::string> warnings;
  ASSERT_TRUE(vex3d::loadSceneFile(path.string(), back, error, warnings)) << error;
  EXPECT_EQ(warnings.size(), 1u);
  EXPECT_EQ(back.GetMaterialNumber(), 2);
  EXPECT_EQ(back.GetMaterial(1)->GetDiffuseMaps()->GetEmbeddedImage(), nullptr);
  fs::remove(path);
}

TEST(EmbeddedImagesTest, UsesOfMissingMapsAndUndecodableImagesAreSkippedWithAWarning) {
  C3DScene scene;
  scene.GetMaterials().CreateNewMaterial(1)->AddMaterialMap("*0", 0xFFFFFFFF, MAP_DIFFUSE,
                                                            PROJECTION_EXPLICIT);
  std::vector<std::uint8_t> table;
  {
    CArchive ar(table, CArchive::store);
    ar << std::uint32_t{1};
    ar.WriteCount(1);
    const std::vector<std::uint8_t> cut(kPng.begin(), kPng.begin() + 40);
    ar.WriteCount(cut.size());
    ar.Write(cut.data(), cut.size());
    ar.WriteCount(3);
    // A material that is not there, an image that is not there, then the
    // one real use of an image that does not decode.
    ar << std::uint32_t{7} << std::uint32_t{MAP_DIFFUSE} << std::uint32_t{0};
    ar << std::uint32_t{1} << std::uint32_t{MAP_DIFFUSE} << std::uint32_t{5};
    ar << std::uint32_t{1} << std::uint32_t{MAP_DIFFUSE} << std::uint32_t{0};
  }
  CArchive ar(std::span<const std::uint8_t>(table.data(), table.size()));
  std::vector<std::string> warnings;
  vex3d::loadEmbeddedImages(ar, scene, vex3d::EmbeddedImageCheck::decode, warnings);
  EXPECT_EQ(warnings.size(), 3u);
  const CMaterialMap* map = scene.GetMaterial(1)->GetDiffuseMaps();
  EXPECT_EQ(map->GetEmbeddedImage(), nullptr);
  EXPECT_EQ(map->GetLoadState(), vex3d::kMapNotFound);
}

TEST(EmbeddedImagesTest, ACountBeyondTheBytesLeftIsRefusedBeforeAnyMapChanges) {
  C3DScene scene;
  fill(scene);
  std::vector<std::uint8_t> table;
  {
    CArchive ar(table, CArchive::store);
    ar << std::uint32_t{1};
    ar.WriteCount(0xFFFFFFF0u);
  }
  C3DScene target;
  target.GetMaterials().CreateNewMaterial(1)->AddMaterialMap("*0", 0xFFFFFFFF, MAP_DIFFUSE,
                                                             PROJECTION_EXPLICIT);
  CArchive ar(std::span<const std::uint8_t>(table.data(), table.size()));
  std::vector<std::string> warnings;
  EXPECT_THROW(vex3d::loadEmbeddedImages(ar, target, vex3d::EmbeddedImageCheck::decode, warnings),
               CArchiveException);
  EXPECT_EQ(target.GetMaterial(1)->GetDiffuseMaps()->GetLoadState(), vex3d::kMapNotLoaded);
}

}  // namespace
