// Framed renderings, as thumbnails use them: an image of a given size shows
// the whole scene, from a point of view where flat models show their area.
#include "render/render_to_bitmap.h"

#include <gtest/gtest.h>

#include "animation/matrix_key.h"
#include "render/navigation.h"
#include "render/view_flags.h"
#include "render_fixtures.h"

namespace {

using vex3d::test::addCubeNode;
using vex3d::test::Coverage;
using vex3d::test::coverage;
using vex3d::test::ScopedConfigDir;

constexpr float kPi = 3.14159265f;
constexpr int kSize = 64;
constexpr float kMargin = 0.05f;

// A 2 x 2 square centred on the origin across `axis` (0 x, 1 y, 2 z), its
// front side towards +axis, or towards -axis with `flipped`.
void addSquare(C3DScene& scene, int axis, bool flipped) {
  auto* points = new C3DPointList;
  const int u = (axis + 1) % 3;
  const int v = (axis + 2) % 3;
  for (const auto& [a, b] : {std::pair{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}}) {
    C3DPoint p(0.0f, 0.0f, 0.0f);
    p[u] = a;
    p[v] = b;
    points->Add(p);
  }
  auto* faces = new C3DFaceList;
  if (flipped) {
    vex3d::test::addFaces(*faces, {{0, 3, 2, 1}});
  } else {
    vex3d::test::addFaces(*faces, {{0, 1, 2, 3}});
  }
  auto* node = new C3DSceneNode;
  node->SetObject(new C3DObject(points, faces));
  scene.AddNode(nullptr, node);
}

_GlViewSettings seenFrom(const C4x4Matrix& rotation, std::uint32_t viewMode = VIEW_SMOOTH) {
  _GlViewSettings s;
  s.mask = GLVS_VIEW_MODE | GLVS_ROTATION;
  s.viewMode = viewMode;
  s.rotation = rotation;
  return s;
}

std::unique_ptr<Bitmap> framed(C3DScene& scene, const _GlViewSettings& settings) {
  std::string error;
  std::unique_ptr<Bitmap> image =
      vex3d::renderFramedSceneToBitmap(scene, kSize, kSize, &settings, kMargin, &error);
  EXPECT_NE(image, nullptr) << error;
  return image;
}

TEST(RenderToBitmapTest, ASquareInAnyAxisPlaneShowsFromTheThreeQuarterView) {
  ScopedConfigDir config("render");
  for (int axis = 0; axis < 3; ++axis) {
    for (bool flipped : {false, true}) {
      SCOPED_TRACE(testing::Message() << "axis " << axis << (flipped ? ", flipped" : ""));
      C3DScene scene;
      addSquare(scene, axis, flipped);
      auto image = framed(scene, seenFrom(vex3d::threeQuarterViewRotation()));
      ASSERT_NE(image, nullptr);
      // Framed, the square fills a good part of the image whichever side
      // faces the camera (lying flat it is a diamond half as high as wide:
      // about a fifth of the image).
      EXPECT_GT(vex3d::countDrawnPixels(*image), kSize * kSize / 8);
    }
  }
  // The front view sees a square lying in the x-y plane edge-on: nothing.
  C3DScene floor;
  addSquare(floor, 2, false);
  auto edgeOn = framed(floor, seenFrom(vex3d::standardViewRotation(RVIEW_FRONT)));
  ASSERT_NE(edgeOn, nullptr);
  EXPECT_EQ(vex3d::countDrawnPixels(*edgeOn), 0);
}

TEST(RenderToBitmapTest, ALongBarStaysInsideTheSquareWithAMarginOnBothEnds) {
  ScopedConfigDir config("render");
  // A bar 20 long and 0.5 thick along x, far from the origin, once as it
  // is and once turned 45 degrees about z by its node.
  for (bool turned : {false, true}) {
    C3DScene scene;
    C3DSceneNode* node = addCubeNode(scene, false);
    C3DPointList* points = node->GetObject()->GetPointList();
    for (int i = 0; i < points->GetSize(); ++i) {
      C3DPoint& p = points->ElementAt(i);
      p = C3DPoint(p.x * 20.0f + 300.0f, p.y * 0.5f - 40.0f, p.z * 0.5f + 7.0f);
    }
    if (turned) {
      C4x4Matrix turn;
      turn.Rotate(kPi / 4.0f, 0.0f, 0.0f, 1.0f);
      node->AddKey(0, C3DMatrixKey(turn));
    }
    for (const C4x4Matrix& rotation :
         {vex3d::standardViewRotation(RVIEW_FRONT), vex3d::standardViewRotation(RVIEW_TOP),
          vex3d::threeQuarterViewRotation()}) {
      SCOPED_TRACE(turned ? "turned" : "along x");
      auto image = framed(scene, seenFrom(rotation));
      ASSERT_NE(image, nullptr);
      const Coverage c = coverage(*image);
      ASSERT_GT(c.count, 0);
      // 5% of 64 pixels is 3.2: at least 2 free on every side, rounding
      // and the bar's thickness aside.
      EXPECT_GE(c.minX, 2);
      EXPECT_GE(c.minY, 2);
      EXPECT_LE(c.maxX, kSize - 3);
      EXPECT_LE(c.maxY, kSize - 3);
      // And no smaller than it needs to be: the longer side spans most of
      // the image.
      EXPECT_GE(std::max(c.maxX - c.minX, c.maxY - c.minY), kSize * 3 / 4);
    }
  }
}

// The 2 x 2 square of addSquare across y, made of side x side quads.
void addGridSquare(C3DScene& scene, int side) {
  auto* points = new C3DPointList;
  for (int row = 0; row <= side; ++row) {
    for (int column = 0; column <= side; ++column) {
      points->Add(C3DPoint(-1.0f + 2.0f * static_cast<float>(row) / static_cast<float>(side), 0.0f,
                           -1.0f + 2.0f * static_cast<float>(column) / static_cast<float>(side)));
    }
  }
  auto* faces = new C3DFaceList;
  for (int row = 0; row < side; ++row) {
    for (int column = 0; column < side; ++column) {
      const int a = row * (side + 1) + column;
      C3DSingleFace face;
      for (int corner : {a, a + 1, a + side + 2, a + side + 1}) face.AddIndex(corner);
      faces->Add(&face);
    }
  }
  auto* node = new C3DSceneNode;
  node->SetObject(new C3DObject(points, faces));
  scene.AddNode(nullptr, node);
}

// A large object is handed to the driver in pieces: every piece is drawn,
// and the pieces cover exactly what the object does in one.
TEST(RenderToBitmapTest, AnObjectOfManyFacesIsDrawnWhole) {
  ScopedConfigDir config("render");
  for (std::uint32_t mode : {VIEW_SMOOTH, VIEW_FLAT}) {
    C3DScene whole;
    addSquare(whole, 1, false);
    C3DScene grid;
    addGridSquare(grid, 180);  // 32,400 quads
    const _GlViewSettings settings = seenFrom(vex3d::threeQuarterViewRotation(), mode);
    auto one = framed(whole, settings);
    auto many = framed(grid, settings);
    ASSERT_TRUE(one && many);
    const Coverage expected = coverage(*one);
    const Coverage drawn = coverage(*many);
    ASSERT_GT(expected.count, kSize * kSize / 8);
    EXPECT_NEAR(drawn.count, expected.count, kSize) << "mode " << mode;
    EXPECT_EQ(drawn.minY, expected.minY);
    EXPECT_EQ(drawn.maxY, expected.maxY);
  }
}

TEST(RenderToBitmapTest, HiddenNodesAreNeitherDrawnNorFramed) {
  ScopedConfigDir config("render");
  C3DScene scene;
  addCubeNode(scene, false);
  // Far away and hidden: framing it too would leave the cube a dot.
  C3DSceneNode* hidden = addCubeNode(scene, false, 100.0f);
  hidden->SetFlag(NODE_HIDDEN, 1);
  auto image = framed(scene, seenFrom(vex3d::threeQuarterViewRotation()));
  ASSERT_NE(image, nullptr);
  const Coverage c = coverage(*image);
  EXPECT_GE(c.maxX - c.minX, kSize / 2);
  // Nothing else shown: no pixel drawn.
  C3DScene onlyHidden;
  addCubeNode(onlyHidden, false)->SetFlag(NODE_HIDDEN, 1);
  auto empty = framed(onlyHidden, seenFrom(vex3d::threeQuarterViewRotation()));
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(vex3d::countDrawnPixels(*empty), 0);
}

}  // namespace
