#include <gtest/gtest.h>

#include <string>

#include "mesh/model/texture_channels.h"
#include "render/render_to_bitmap.h"
#include "render/texture_size.h"
#include "render_fixtures.h"

namespace {

using vex3d::test::pixelAt;
using vex3d::test::Rgba;
using vex3d::test::ScopedConfigDir;

constexpr int kSize = 48;

TEST(TextureSizeTest, SidesArePowersOfTwoWithinTheLimits) {
  EXPECT_EQ(vex3d::textureSide(600, 4096), 1024);
  EXPECT_EQ(vex3d::textureSide(300, 4096), 512);
  EXPECT_EQ(vex3d::textureSide(512, 4096), 512);
  EXPECT_EQ(vex3d::textureSide(513, 4096), 1024);
  EXPECT_EQ(vex3d::textureSide(5000, 4096), 1024);
  EXPECT_EQ(vex3d::textureSide(1, 4096), 4);
  EXPECT_EQ(vex3d::textureSide(5, 4096), 8);
  EXPECT_EQ(vex3d::textureSide(600, 256), 256);
  // Nothing reported by GL: 1024. Fast rendering: "lowres" rounded up.
  EXPECT_EQ(vex3d::textureMaxSize(0, false, 100), 1024);
  EXPECT_EQ(vex3d::textureMaxSize(16384, false, 100), 16384);
  const int lowRes = vex3d::textureMaxSize(16384, true, 100);
  EXPECT_EQ(lowRes, 128);
  EXPECT_EQ(vex3d::textureSide(600, lowRes), 128);
  EXPECT_EQ(vex3d::textureSide(300, lowRes), 128);
}

// A square facing the front view, textured with `file` through a UV channel
// spanning it once, in a red material.
struct TexturedQuad {
  explicit TexturedQuad(const std::string& file) {
    auto* points = new C3DPointList;
    points->Add(C3DPoint(-1.0f, 0.0f, -1.0f));
    points->Add(C3DPoint(1.0f, 0.0f, -1.0f));
    points->Add(C3DPoint(1.0f, 0.0f, 1.0f));
    points->Add(C3DPoint(-1.0f, 0.0f, 1.0f));
    auto* faces = new C3DFaceList;
    vex3d::test::addFaces(*faces, {{0, 1, 2, 3}});
    object = new C3DObject(points, faces);
    auto* channel = new CUVWChannel(CChannel::CreateID());
    channel->GetUVWPointList()->Add(CUVWPoint(0.0f, 0.0f, 0.0f));
    channel->GetUVWPointList()->Add(CUVWPoint(1.0f, 0.0f, 0.0f));
    channel->GetUVWPointList()->Add(CUVWPoint(1.0f, 1.0f, 0.0f));
    channel->GetUVWPointList()->Add(CUVWPoint(0.0f, 1.0f, 0.0f));
    channel->GetUVWFaceList()->SetSize(1, 4);
    channel->GetUVWFaceList()->ElementAt(0)->SetQuadrangle(0, 1, 2, 3);
    uv = channel;
    const std::uint32_t id = channel->GetChannelID();
    object->AddChannel(channel);
    object->SetGlobalUVWChannel(id);
    material = vex3d::test::addMaterial(scene, CRGBColor(220, 0, 0));
    material->AddMaterialMap(file, id, MAP_DIFFUSE, PROJECTION_EXPLICIT);
    faces->ElementAt(0)->SetMaterialID(material->GetMaterialID());
    auto* node = new C3DSceneNode;
    node->SetObject(object);
    scene.AddNode(nullptr, node);
  }
  std::unique_ptr<Bitmap> render(std::uint32_t viewMode) {
    _GlViewSettings s = vex3d::test::modeSettings(viewMode);
    return vex3d::renderSceneToBitmap(scene, kSize, kSize, &s);
  }
  C3DScene scene;
  C3DObject* object = nullptr;
  CUVWChannel* uv = nullptr;
  C3DMaterial* material = nullptr;
};

const std::string kChecker = std::string(VEX3D_TEST_DATA_DIR) + "/samples/textures/checker.png";

// Covered pixels whose green differs from their red by more than 30: not
// the pure red of the material.
int texelPixels(const Bitmap& image) {
  int n = 0;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = 0; x < image.GetWidth(); ++x) {
      const Rgba p = pixelAt(image, x, y);
      n += (p.a == 0 && (p.g > 30 || p.b > 30)) ? 1 : 0;
    }
  }
  return n;
}

int luminanceSpread(const Bitmap& image) {
  int lo = 1000;
  int hi = -1;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = 0; x < image.GetWidth(); ++x) {
      const Rgba p = pixelAt(image, x, y);
      if (p.a != 0) continue;
      const int l = p.r + p.g + p.b;
      lo = std::min(lo, l);
      hi = std::max(hi, l);
    }
  }
  return hi - lo;
}

TEST(TextureTest, CheckerColoursAppearOnTexturedFaces) {
  ScopedConfigDir config("render");
  TexturedQuad quad(kChecker);
  auto image = quad.render(VIEW_SMOOTH | VIEW_TEXTURES);
  ASSERT_NE(image, nullptr);
  ASSERT_GT(vex3d::test::coverage(*image).count, kSize * kSize / 4);
  EXPECT_GT(texelPixels(*image), 20);
  EXPECT_GT(luminanceSpread(*image), 60);
  // Textures off: the material's red alone.
  auto plain = quad.render(VIEW_SMOOTH);
  EXPECT_EQ(texelPixels(*plain), 0);
  EXPECT_GT(pixelAt(*plain, kSize / 2, kSize / 2).r, 60);
}

TEST(TextureTest, AMissingTextureFallsBackToTheMaterialColour) {
  ScopedConfigDir config("render");
  TexturedQuad quad(std::string(VEX3D_TEST_BINARY_DIR) + "/no-such-texture.png");
  auto image = quad.render(VIEW_SMOOTH | VIEW_TEXTURES);
  ASSERT_NE(image, nullptr);
  EXPECT_GT(vex3d::test::coverage(*image).count, kSize * kSize / 4);
  EXPECT_EQ(texelPixels(*image), 0);
  EXPECT_GT(pixelAt(*image, kSize / 2, kSize / 2).r, 60);
}

TEST(TextureTest, AnInvalidUvFaceIsDrawnUntextured) {
  ScopedConfigDir config("render");
  TexturedQuad quad(kChecker);
  quad.uv->GetUVWFaceList()->ElementAt(0)->SetFlags(FACE_INVALID, 1);
  auto image = quad.render(VIEW_SMOOTH | VIEW_TEXTURES);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(texelPixels(*image), 0);
}

TEST(TextureTest, TexturesAreMadeOncePerMaterialAndUnloaded) {
  ScopedConfigDir config("render");
  TexturedQuad quad(kChecker);
  _GlViewSettings s = vex3d::test::modeSettings(VIEW_SMOOTH | VIEW_TEXTURES);
  vex3d::test::OffscreenView offscreen(quad.scene, 16, s);
  C3DView& view = offscreen.view();
  view.Activate();
  EXPECT_TRUE(view.TextureExist());
  const unsigned int name = view.GetTextureName(quad.material->GetMaterialID());
  EXPECT_NE(name, 0u);
  view.InitMapping();  // already loaded: nothing new
  EXPECT_EQ(view.GetTextureName(quad.material->GetMaterialID()), name);
  view.UpdateView(UPDATE_VIEW_RELOAD_TEXTURES);
  EXPECT_TRUE(view.TextureExist());
  view.DestroyMapping();
  EXPECT_FALSE(view.TextureExist());
  view.EnableTexture(false);
  view.ForceViewFlag();
  view.InitViewFlag();
  EXPECT_FALSE(view.TextureExist());
  view.Deactivate();
}

}  // namespace
