// A texture carried inside a binary glTF is drawn like an image file, and
// the OBJ the GLB converts to, with its image written beside it, draws the
// same pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "hostlib/io/plugin_loader.h"
#include "io/io.h"
#include "plugin_test_base.h"
#include "plugins/glb_file.h"
#include "render/render_to_bitmap.h"
#include "render/view_flags.h"
#include "render_fixtures.h"
#include "scene/scene_io_options.h"

namespace {

namespace fs = std::filesystem;
using vex3d::test::pixelAt;
using vex3d::test::Rgba;

constexpr int kSize = 64;

class EmbeddedTextureRenderTest : public vex3d::test::PluginTestBase {
 protected:
  EmbeddedTextureRenderTest() : PluginTestBase("render") {}

  fs::path file(const std::string& name) const { return ConfigPath() / name; }

  std::unique_ptr<C3DScene> read(const fs::path& path) {
    C3DIo io(CFileNameSpec(path.string(), 0), IO_FLAG_READ | IO_FLAG_SILENT);
    return io.Read(0, nullptr);
  }

  // The front view, textures on, unfiltered.
  static std::unique_ptr<Bitmap> render(C3DScene& scene) {
    _GlViewSettings settings = vex3d::test::modeSettings(VIEW_SMOOTH | VIEW_TEXTURES);
    settings.mask |= GLVS_VIEW_POS;
    settings.viewPos = RVIEW_FRONT;
    return vex3d::renderSceneToBitmap(scene, kSize, kSize, &settings);
  }
};

// Green on the left half of the square, blue on the right: neither is in
// the material, which is white.
TEST_F(EmbeddedTextureRenderTest, TheGlbTextureColoursTheSquare) {
  ASSERT_TRUE(vex3d::test::writeTexturedGlb(
      file("square.glb"), vex3d::test::twoColourPng(4, 4, {0, 255, 0}, {0, 0, 255})));
  std::unique_ptr<C3DScene> scene = read(file("square.glb"));
  ASSERT_TRUE(scene);
  auto image = render(*scene);
  ASSERT_NE(image, nullptr);
  const vex3d::test::Coverage cover = vex3d::test::coverage(*image);
  ASSERT_GT(cover.count, kSize * kSize / 4);
  const int y = (cover.minY + cover.maxY) / 2;
  const Rgba left = pixelAt(*image, cover.minX + (cover.maxX - cover.minX) / 4, y);
  const Rgba right = pixelAt(*image, cover.maxX - (cover.maxX - cover.minX) / 4, y);
  EXPECT_GT(left.g, 60);
  EXPECT_LT(left.r + left.b, 20);
  EXPECT_GT(right.b, 60);
  EXPECT_LT(right.r + right.g, 20);
}

TEST_F(EmbeddedTextureRenderTest, TheObjConvertedFromTheGlbDrawsTheSamePixels) {
  ASSERT_TRUE(vex3d::test::writeTexturedGlb(
      file("square.glb"), vex3d::test::twoColourPng(4, 4, {0, 255, 0}, {0, 0, 255})));
  std::unique_ptr<C3DScene> scene = read(file("square.glb"));
  ASSERT_TRUE(scene);
  {
    C3DIo io(CFileNameSpec(file("square.obj").string(), 0), IO_FLAG_SILENT);
    ASSERT_EQ(io.Save(0, scene.get(), nullptr), 1) << io.GetIoErrorText();
  }
  ASSERT_TRUE(fs::exists(file("square_texture0.png")));
  std::unique_ptr<C3DScene> converted = read(file("square.obj"));
  ASSERT_TRUE(converted);
  auto before = render(*scene);
  auto after = render(*converted);
  ASSERT_NE(before, nullptr);
  ASSERT_NE(after, nullptr);
  int differing = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      differing += vex3d::test::sameColour(pixelAt(*before, x, y), pixelAt(*after, x, y)) ? 0 : 1;
    }
  }
  EXPECT_EQ(differing, 0);
}

}  // namespace
