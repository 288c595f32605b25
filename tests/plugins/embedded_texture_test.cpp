// Images carried inside a 3D file: read as the map's own bitmap, kept by
// the scene file, embedded again or written beside the output, and
// skipped with a warning when they are no usable image.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "glb_file.h"
#include "hostlib/images/bitmap.h"
#include "hostlib/images/image_io.h"
#include "hostlib/io/plugin_loader.h"
#include "io/io.h"
#include "material/embedded_image.h"
#include "material/material.h"
#include "material/material_map.h"
#include "scene/scene.h"
#include "scene/scene_io_options.h"
#include "scoped_config_dir.h"

namespace {

namespace fs = std::filesystem;
using Colour = std::array<std::uint8_t, 3>;

constexpr Colour kGreen = {0, 255, 0};
constexpr Colour kBlue = {0, 0, 255};

std::string logText(const CIoOptions& options) {
  std::string text;
  for (const CIoOptions::LogEntry& e : options.GetLog()) text += e.text + "\n";
  return text;
}

std::vector<std::uint8_t> bytesOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string textOf(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

CMaterialMap* diffuseMap(C3DScene& scene) {
  std::uint32_t index = 0;
  for (C3DMaterial* m = scene.GetFirstMaterial(index); m != nullptr;
       m = scene.GetNextMaterial(index)) {
    if (m->GetDiffuseMaps() != nullptr) return m->GetDiffuseMaps();
  }
  return nullptr;
}

Colour pixel(const Bitmap& image, int x, int y) {
  const std::uint8_t* p = image.GetLine(y) + std::size_t(x) * image.GetBytesPerPixel();
  return {p[0], p[1], p[2]};
}

class EmbeddedTextureTest : public testing::Test {
 protected:
  void SetUp() override {
    ::unsetenv("VEX3D_PLUGIN_PATH");
    RegisterIOPlugins(0x4000);
    fs::create_directories(m_config.Path());
  }
  void TearDown() override {
    vex3d::setImagePixelLimit(0);
    FreeIOPlugins(0x4000);
  }

  fs::path file(const std::string& name) const { return m_config.Path() / name; }

  std::unique_ptr<C3DScene> read(const fs::path& path) {
    C3DIo io(CFileNameSpec(path.string(), 0), IO_FLAG_READ | IO_FLAG_SILENT);
    m_readLog.ClearLog();
    std::unique_ptr<C3DScene> scene = io.Read(0, &m_readLog);
    m_lastError = io.GetIoErrorText();
    return scene;
  }

  int save(const fs::path& path, C3DScene& scene) {
    C3DIo io(CFileNameSpec(path.string(), 0), IO_FLAG_SILENT);
    CSceneExportOptions options;
    const int result = io.Save(0, &scene, &options);
    m_saveLog = logText(options);
    m_lastError = io.GetIoErrorText();
    return result;
  }

  // The square's GLB with a 4 x 2 texture, green on the left, blue on the
  // right.
  fs::path glb() {
    const fs::path path = file("square.glb");
    EXPECT_TRUE(vex3d::test::writeTexturedGlb(path, m_png));
    return path;
  }

  void expectTheTexture(CMaterialMap* map) {
    ASSERT_NE(map, nullptr);
    Bitmap* bitmap = map->GetBitmap({}, CSize());
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->GetWidth(), 4);
    ASSERT_EQ(bitmap->GetHeight(), 2);
    for (int y = 0; y < 2; ++y) {
      EXPECT_EQ(pixel(*bitmap, 0, y), kGreen);
      EXPECT_EQ(pixel(*bitmap, 1, y), kGreen);
      EXPECT_EQ(pixel(*bitmap, 2, y), kBlue);
      EXPECT_EQ(pixel(*bitmap, 3, y), kBlue);
    }
  }

  const std::vector<std::uint8_t> m_png = vex3d::test::twoColourPng(4, 2, kGreen, kBlue);
  CSceneImportOptions m_readLog;
  std::string m_saveLog;
  std::string m_lastError;

 private:
  vex3d::test::ScopedConfigDir m_config{"embedded"};
};

TEST_F(EmbeddedTextureTest, AGlbImageBecomesTheMapsBitmapWithoutAFileOnDisk) {
  std::unique_ptr<C3DScene> scene = read(glb());
  ASSERT_TRUE(scene) << m_lastError;
  CMaterialMap* map = diffuseMap(*scene);
  ASSERT_NE(map, nullptr);
  ASSERT_NE(map->GetEmbeddedImage(), nullptr);
  EXPECT_EQ(map->GetEmbeddedImage()->GetWidth(), 4);
  EXPECT_EQ(map->GetEmbeddedImage()->GetHeight(), 2);
  EXPECT_EQ(map->GetLoadState(), vex3d::kMapLoaded);
  expectTheTexture(map);
  // A copy shares the image and decodes it again on demand.
  CMaterialMap copy(*map);
  EXPECT_EQ(copy.GetLoadState(), vex3d::kMapNotLoaded);
  EXPECT_TRUE(copy == *map);
  expectTheTexture(&copy);
}

TEST_F(EmbeddedTextureTest, AnImageThatDoesNotDecodeOrIsTooLargeIsSkippedAndTheSceneRead) {
  // Its header whole, its pixels cut short.
  const std::vector<std::uint8_t> cut(m_png.begin(), m_png.begin() + 45);
  ASSERT_TRUE(vex3d::test::writeTexturedGlb(file("cut.glb"), cut));
  std::vector<std::uint8_t> noImage(64, 'x');
  ASSERT_TRUE(vex3d::test::writeTexturedGlb(file("garbage.glb"), noImage));
  for (const char* name : {"cut.glb", "garbage.glb"}) {
    SCOPED_TRACE(name);
    std::unique_ptr<C3DScene> scene = read(file(name));
    ASSERT_TRUE(scene) << m_lastError;
    EXPECT_EQ(scene->GetFaceNbr(), 2);
    CMaterialMap* map = diffuseMap(*scene);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->GetEmbeddedImage(), nullptr);
    EXPECT_EQ(map->GetBitmap({}, CSize()), nullptr);
    EXPECT_NE(logText(m_readLog).find("skipped"), std::string::npos) << logText(m_readLog);
  }
  // Eight pixels over a budget of four.
  vex3d::setImagePixelLimit(4);
  std::unique_ptr<C3DScene> scene = read(glb());
  ASSERT_TRUE(scene) << m_lastError;
  EXPECT_EQ(scene->GetFaceNbr(), 2);
  EXPECT_EQ(diffuseMap(*scene)->GetEmbeddedImage(), nullptr);
  EXPECT_NE(logText(m_readLog).find("larger than allowed"), std::string::npos)
      << logText(m_readLog);
}

TEST_F(EmbeddedTextureTest, GlbToSceneFileToGlbKeepsTheImage) {
  std::unique_ptr<C3DScene> scene = read(glb());
  ASSERT_TRUE(scene) << m_lastError;
  ASSERT_EQ(save(file("kept.v3d"), *scene), 1) << m_lastError;
  std::unique_ptr<C3DScene> kept = read(file("kept.v3d"));
  ASSERT_TRUE(kept) << m_lastError;
  ASSERT_NE(diffuseMap(*kept)->GetEmbeddedImage(), nullptr);
  expectTheTexture(diffuseMap(*kept));
  ASSERT_EQ(save(file("again.glb"), *kept), 1) << m_lastError;
  // Nothing beside the file: the image is inside it.
  EXPECT_FALSE(fs::exists(file("again_texture0.png")));
  std::unique_ptr<C3DScene> again = read(file("again.glb"));
  ASSERT_TRUE(again) << m_lastError;
  ASSERT_NE(diffuseMap(*again)->GetEmbeddedImage(), nullptr);
  expectTheTexture(diffuseMap(*again));
}

TEST_F(EmbeddedTextureTest, TextGltfAndFbxCarryTheImageInside) {
  std::unique_ptr<C3DScene> scene = read(glb());
  ASSERT_TRUE(scene) << m_lastError;
  for (const char* name : {"text.gltf", "boxed.fbx"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(save(file(name), *scene), 1) << m_lastError;
    std::unique_ptr<C3DScene> back = read(file(name));
    ASSERT_TRUE(back) << m_lastError;
    CMaterialMap* map = diffuseMap(*back);
    ASSERT_NE(map, nullptr);
    ASSERT_NE(map->GetEmbeddedImage(), nullptr) << map->GetFileName();
    expectTheTexture(map);
  }
  EXPECT_NE(textOf(file("text.gltf")).find("data:image/png;base64,"), std::string::npos);
}

TEST_F(EmbeddedTextureTest, ObjGetsTheImageBesideItNamedAfterIt) {
  std::unique_ptr<C3DScene> scene = read(glb());
  ASSERT_TRUE(scene) << m_lastError;
  ASSERT_EQ(save(file("box.obj"), *scene), 1) << m_lastError;
  // The very bytes the GLB held, under the output's name.
  EXPECT_EQ(bytesOf(file("box_texture0.png")), m_png);
  EXPECT_NE(textOf(file("box.mtl")).find("map_Kd box_texture0.png"), std::string::npos)
      << textOf(file("box.mtl"));
  EXPECT_NE(m_saveLog.find("texture written: " + file("box_texture0.png").string()),
            std::string::npos)
      << m_saveLog;
  // The scene converted keeps its own image.
  EXPECT_NE(diffuseMap(*scene)->GetEmbeddedImage(), nullptr);
  std::unique_ptr<C3DScene> back = read(file("box.obj"));
  ASSERT_TRUE(back) << m_lastError;
  CMaterialMap* map = diffuseMap(*back);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->GetEmbeddedImage(), nullptr);
  ASSERT_NE(map->GetBitmap(back->GetFilepath(), CSize()), nullptr) << map->GetFileName();
  expectTheTexture(map);
}

TEST_F(EmbeddedTextureTest, AnImageSeveralMaterialsShareIsWrittenOnce) {
  ASSERT_TRUE(vex3d::test::writeTexturedGlb(file("shared.glb"), m_png, 2));
  std::unique_ptr<C3DScene> scene = read(file("shared.glb"));
  ASSERT_TRUE(scene) << m_lastError;
  std::vector<const CEmbeddedImage*> images;
  std::uint32_t index = 0;
  for (C3DMaterial* m = scene->GetFirstMaterial(index); m != nullptr;
       m = scene->GetNextMaterial(index)) {
    if (m->GetDiffuseMaps() != nullptr)
      images.push_back(m->GetDiffuseMaps()->GetEmbeddedImage().get());
  }
  ASSERT_EQ(images.size(), 2u);
  EXPECT_NE(images[0], nullptr);
  EXPECT_EQ(images[0], images[1]);
  ASSERT_EQ(save(file("shared.obj"), *scene), 1) << m_lastError;
  EXPECT_TRUE(fs::exists(file("shared_texture0.png")));
  EXPECT_FALSE(fs::exists(file("shared_texture1.png")));
  const std::string mtl = textOf(file("shared.mtl"));
  std::size_t uses = 0;
  for (std::size_t at = mtl.find("map_Kd shared_texture0.png"); at != std::string::npos;
       at = mtl.find("map_Kd shared_texture0.png", at + 1))
    ++uses;
  EXPECT_EQ(uses, 2u) << mtl;
}

TEST_F(EmbeddedTextureTest, AFailedSaveLeavesNoImageBehind) {
  std::unique_ptr<C3DScene> scene = read(glb());
  ASSERT_TRUE(scene) << m_lastError;
  // A folder where the material library should go: the save fails once
  // the image is written.
  fs::create_directories(file("taken.mtl"));
  EXPECT_EQ(save(file("taken.obj"), *scene), 0);
  EXPECT_FALSE(fs::exists(file("taken.obj")));
  EXPECT_NE(m_saveLog.find("texture written"), std::string::npos) << m_saveLog;
  EXPECT_FALSE(fs::exists(file("taken_texture0.png")));
}

}  // namespace
