#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostlib/core/archive.h"
#include "mesh/model/dependent_channels.h"
#include "render/render_to_bitmap.h"
#include "render_fixtures.h"

namespace {

using vex3d::test::pixelAt;
using vex3d::test::Rgba;
using vex3d::test::ScopedConfigDir;

constexpr int kSize = 64;
// What a map's owner tells the objects using it: the computed channels go,
// and the object is compiled again.
constexpr unsigned int kMapChanged =
    OBJECT_CHANGED_CHANNELS | static_cast<unsigned int>(UPDATE_MODIFIED);

const std::string kChecker = std::string(VEX3D_TEST_DATA_DIR) + "/samples/textures/checker.png";

// The sample checker has eight rows of yellow and blue squares; the grey of
// the material is neither.
bool isYellow(const Rgba& p) { return p.r - p.b > 40 && p.g - p.b > 40; }
bool isBlue(const Rgba& p) { return p.b - p.r > 40 && p.b - p.g > 40; }

struct CheckerCount {
  int yellow = 0;
  int blue = 0;
  int covered = 0;
};

// Over the covered pixels between columns `fromX` and `toX`.
CheckerCount countChecker(const Bitmap& image, int fromX = 0, int toX = kSize) {
  CheckerCount c;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = fromX; x < toX && x < image.GetWidth(); ++x) {
      const Rgba p = pixelAt(image, x, y);
      if (p.a != 0) continue;
      ++c.covered;
      c.yellow += isYellow(p) ? 1 : 0;
      c.blue += isBlue(p) ? 1 : 0;
    }
  }
  return c;
}

// Both colours in good number: the image is there, spread over the squares.
void expectChecker(const CheckerCount& c) {
  ASSERT_GT(c.covered, 0);
  EXPECT_GT(c.yellow, c.covered / 5) << "covered " << c.covered;
  EXPECT_GT(c.blue, c.covered / 5) << "covered " << c.covered;
}

// Squares facing the front view whose only coordinates are those the
// diffuse map's planar projection gives: no texture channel is built.
struct ProjectedScene {
  explicit ProjectedScene(int quads = 1) {
    material = vex3d::test::addMaterial(scene, CRGBColor(160, 160, 160));
    map = material->AddMaterialMap(kChecker, vex3d::kNoChannelId, MAP_DIFFUSE, PROJECTION_PLANAR);
    // Axis 1 looks down y; half scale brings the 2-unit square into one
    // repeat of the image, eight squares a side.
    map->SetAxis(MAP_AXIS_1);
    map->SetScale(C3DVector(0.5f, 0.5f, 0.5f));
    for (int i = 0; i < quads; ++i) objects.push_back(addQuad(2.5f * static_cast<float>(i)));
  }
  C3DObject* addQuad(float x) {
    auto* points = new C3DPointList;
    points->Add(C3DPoint(x - 1.0f, 0.0f, -1.0f));
    points->Add(C3DPoint(x + 1.0f, 0.0f, -1.0f));
    points->Add(C3DPoint(x + 1.0f, 0.0f, 1.0f));
    points->Add(C3DPoint(x - 1.0f, 0.0f, 1.0f));
    auto* faces = new C3DFaceList;
    vex3d::test::addFaces(*faces, {{0, 1, 2, 3}});
    faces->ElementAt(0)->SetMaterialID(material->GetMaterialID());
    auto* object = new C3DObject(points, faces);
    auto* node = new C3DSceneNode;
    node->SetObject(object);
    scene.AddNode(nullptr, node);
    return object;
  }
  std::unique_ptr<Bitmap> render(std::uint32_t viewMode) {
    _GlViewSettings s = vex3d::test::modeSettings(viewMode);
    return vex3d::renderSceneToBitmap(scene, kSize, kSize, &s);
  }
  // Moves the map so that every point of the first square falls inside
  // one square of the image.
  void shrinkMap() {
    C4x4Matrix m;
    m.Init();
    map->SetMatrix(m);
    map->SetScale(C3DVector(0.01f, 0.01f, 0.01f));
    map->SetTranslation(C3DVector(-6.25f, 0.0f, -6.25f));
  }
  C3DScene scene;
  C3DMaterial* material = nullptr;
  CMaterialMap* map = nullptr;
  std::vector<C3DObject*> objects;
};

TEST(ProjectedTextureTest, APlanarMapShowsTheCheckerWithoutStoredCoordinates) {
  ScopedConfigDir config("render");
  ProjectedScene t;
  ASSERT_EQ(t.objects[0]->GetChannels()->GetSize(), 0);
  auto image = t.render(VIEW_SMOOTH | VIEW_TEXTURES);
  ASSERT_NE(image, nullptr);
  ASSERT_GT(vex3d::test::coverage(*image).count, kSize * kSize / 4);
  expectChecker(countChecker(*image));
  EXPECT_FALSE(t.objects[0]->IsInvalidate(UPDATE_UVW));

  // Flat shading draws through the same coordinates.
  expectChecker(countChecker(*t.render(VIEW_FLAT | VIEW_TEXTURES)));

  // Textures off: the material's grey alone.
  const CheckerCount plain = countChecker(*t.render(VIEW_SMOOTH));
  EXPECT_GT(plain.covered, kSize * kSize / 4);
  EXPECT_EQ(plain.yellow + plain.blue, 0);
}

TEST(ProjectedTextureTest, ChangedMapsAreProjectedAgainOnTheNextDrawing) {
  ScopedConfigDir config("render");
  ProjectedScene t;
  expectChecker(countChecker(*t.render(VIEW_SMOOTH | VIEW_TEXTURES)));
  // Until the object is told, what was projected stays.
  t.shrinkMap();
  expectChecker(countChecker(*t.render(VIEW_SMOOTH | VIEW_TEXTURES)));

  t.objects[0]->Invalidate(OBJECT_CHANGED_CHANNELS, 1);
  const CheckerCount one = countChecker(*t.render(VIEW_SMOOTH | VIEW_TEXTURES));
  EXPECT_GT(one.covered, kSize * kSize / 4);
  // The square sits in a yellow or a blue square of the image: one colour.
  EXPECT_TRUE((one.yellow == 0) != (one.blue == 0)) << one.yellow << " " << one.blue;
  EXPECT_GT(one.yellow + one.blue, one.covered * 9 / 10);
}

TEST(ProjectedTextureTest, CompiledListsProjectBeforeCompilingAndFollowChanges) {
  ScopedConfigDir config("render");
  ProjectedScene t;
  _GlViewSettings s = vex3d::test::modeSettings(VIEW_SMOOTH | VIEW_TEXTURES);
  vex3d::test::OffscreenView offscreen(t.scene, kSize, s);
  expectChecker(countChecker(*offscreen.snap()));

  t.shrinkMap();
  t.objects[0]->Invalidate(kMapChanged, 1);
  offscreen.view().UpdateView(UPDATE_VIEW_NODES);
  const CheckerCount one = countChecker(*offscreen.snap());
  EXPECT_TRUE((one.yellow == 0) != (one.blue == 0)) << one.yellow << " " << one.blue;

  // A projection switched off leaves no coordinates: the material's grey.
  t.map->SetProjection(PROJECTION_EXPLICIT);
  t.objects[0]->Invalidate(kMapChanged, 1);
  offscreen.view().UpdateView(UPDATE_VIEW_NODES);
  const CheckerCount plain = countChecker(*offscreen.snap());
  EXPECT_GT(plain.covered, kSize * kSize / 4);
  EXPECT_EQ(plain.yellow + plain.blue, 0);
}

TEST(ProjectedTextureTest, SquaresSharingTheMaterialAreBothTexturedFrameAfterFrame) {
  ScopedConfigDir config("render");
  ProjectedScene t(2);
  for (int frame = 0; frame < 2; ++frame) {
    auto image = t.render(VIEW_SMOOTH | VIEW_TEXTURES);
    ASSERT_NE(image, nullptr);
    SCOPED_TRACE(frame);
    expectChecker(countChecker(*image, 0, kSize / 2));
    expectChecker(countChecker(*image, kSize / 2, kSize));
  }
}

TEST(ProjectedTextureTest, AStoredAndReadSceneShowsTheProjectedTexture) {
  ScopedConfigDir config("render");
  ProjectedScene t;
  expectChecker(countChecker(*t.render(VIEW_SMOOTH | VIEW_TEXTURES)));
  std::vector<std::uint8_t> bytes;
  {
    CArchive ar(bytes, CArchive::store);
    t.scene.Serialize(ar);
  }
  C3DScene read;
  {
    CArchive ar(bytes, CArchive::load);
    read.Serialize(ar);
  }
  // Computed coordinates are not stored: the read scene projects afresh.
  CSceneIterator it = read.Begin();
  C3DBaseObject* object = nullptr;
  int meshes = 0;
  while (read.GetNextNode(object, it) != nullptr) {
    if (object == nullptr) continue;
    ++meshes;
    EXPECT_EQ(object->GetChannels()->GetSize(), 0);
  }
  ASSERT_EQ(meshes, 1);
  _GlViewSettings s = vex3d::test::modeSettings(VIEW_SMOOTH | VIEW_TEXTURES);
  auto image = vex3d::renderSceneToBitmap(read, kSize, kSize, &s);
  ASSERT_NE(image, nullptr);
  expectChecker(countChecker(*image));
}

}  // namespace
