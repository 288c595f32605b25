#include "render/navigation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <utility>
#include <vector>

#include "animation/keyframable.h"
#include "render/render_to_bitmap.h"
#include "render_fixtures.h"

namespace {

using vex3d::test::addCubeNode;
using vex3d::test::faceSeen;
using vex3d::test::pixelAt;
using vex3d::test::Rgba;
using vex3d::test::ScopedConfigDir;

constexpr float kPi = 3.14159265f;

TEST(NavigationTest, ClipPlanesStayInFrontOfTheCamera) {
  float n = 0.0f;
  float f = 0.0f;
  vex3d::clipPlanes(10.0f, 4.0f, n, f);
  EXPECT_FLOAT_EQ(n, 8.0f);
  EXPECT_FLOAT_EQ(f, 12.0f);
  vex3d::clipPlanes(1.0f, 10.0f, n, f);
  EXPECT_FLOAT_EQ(f, 6.0f);
  EXPECT_FLOAT_EQ(n, 0.06f);
  // Far at or behind the camera (zoomed through, or an empty extent).
  vex3d::clipPlanes(-10.0f, 1.0f, n, f);
  EXPECT_FLOAT_EQ(f, 0.002f);
  EXPECT_FLOAT_EQ(n, 0.00002f);
  vex3d::clipPlanes(0.0f, 0.0f, n, f);
  EXPECT_FLOAT_EQ(f, 0.002f);
  EXPECT_FLOAT_EQ(n, 0.00002f);
}

TEST(NavigationTest, ZoomAndPanSteps) {
  _GlViewSettings s;
  s.distance = 10.0f;
  s.zoomStep = 20.0f;
  s.depth = 5.0f;
  vex3d::zoomDragStep(s, 1, 1.0f);
  EXPECT_FLOAT_EQ(s.distance, 11.0f);
  // A purely horizontal drag comes closer.
  vex3d::zoomDragStep(s, 0, 4.0f);
  EXPECT_FLOAT_EQ(s.distance, 7.0f);
  vex3d::wheelZoomStep(s, 120);
  EXPECT_FLOAT_EQ(s.distance, 8.0f);
  vex3d::wheelZoomStep(s, -120);
  EXPECT_FLOAT_EQ(s.distance, 7.0f);
  vex3d::zoomCommandStep(s, true);
  EXPECT_FLOAT_EQ(s.distance, 3.0f);
  vex3d::zoomCommandStep(s, true);
  EXPECT_FLOAT_EQ(s.distance, -1.0f);  // through the scene: the planes cope
  vex3d::panStep(s, 10, 20, 100, 50, 1.0f);
  EXPECT_FLOAT_EQ(s.panX, 0.5f);
  EXPECT_FLOAT_EQ(s.panY, -2.0f);
  vex3d::panStep(s, 10, 0, 0, 0, vex3d::toolSpeed(true));
  EXPECT_FLOAT_EQ(s.panX, 0.5f);
  EXPECT_FLOAT_EQ(vex3d::toolSpeed(false), 1.0f);
}

TEST(NavigationTest, RotateDragFollowsTheMode) {
  // Horizontal motion turns about y only with mode bit 1.
  C4x4Matrix y = vex3d::rotateDragMatrix(250, 0, vex3d::kRotateAboutY, false, 1.0f);
  C4x4Matrix expected;
  expected.Rotate(-kPi, 0.0f, 1.0f, 0.0f);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(y.m[r][c], expected.m[r][c], 1e-5f);
  EXPECT_TRUE(vex3d::rotateDragMatrix(250, 0, vex3d::kRotateAboutX, false, 1.0f).IsIdentity());
  // Roll turns the other way on the left half.
  const C4x4Matrix right = vex3d::rotateDragMatrix(0, 50, vex3d::kRotateRoll, true, 1.0f);
  const C4x4Matrix left = vex3d::rotateDragMatrix(0, 50, vex3d::kRotateRoll, false, 1.0f);
  EXPECT_NEAR(right.m[0][1], -left.m[0][1], 1e-6f);
  EXPECT_GT(std::fabs(right.m[0][1]), 0.1f);
  EXPECT_NEAR(right.m[2][2], 1.0f, 1e-6f);
}

// Where a point lands in the image, from -1 to 1 across each side, through
// the camera the views build: translate (pan, -distance), the rotation, and
// translate (-target), under a perspective of the views' field of view.
std::pair<float, float> imagePosition(const _GlViewSettings& s, const C3DPoint& p) {
  float c[3];
  s.rotation.transformXYZ(p.x - s.target[0], p.y - s.target[1], p.z - s.target[2], c);
  const float depth = s.distance - c[2];
  const float tanHalf = std::tan(vex3d::kFieldOfViewDegrees * 0.5f * kPi / 180.0f);
  return {(c[0] + s.panX) / (depth * tanHalf * s.aspect), (c[1] + s.panY) / (depth * tanHalf)};
}

TEST(NavigationTest, FramingPutsEveryPointInsideTheMarginAndFillsIt) {
  // An off-centre, elongated cloud: the corners of a box and two points
  // out on one side.
  std::vector<C3DPoint> points;
  for (int i = 0; i < 8; ++i) {
    points.emplace_back((i & 1) ? 14.0f : 2.0f, (i & 2) ? 3.0f : -1.0f, (i & 4) ? 1.5f : 0.5f);
  }
  points.emplace_back(20.0f, 0.0f, 1.0f);
  points.emplace_back(-3.0f, 2.0f, 4.0f);
  constexpr float kMargin = 0.1f;
  for (const C4x4Matrix& rotation :
       {vex3d::standardViewRotation(RVIEW_FRONT), vex3d::standardViewRotation(RVIEW_LEFT),
        vex3d::standardViewRotation(RVIEW_TOP), vex3d::threeQuarterViewRotation()}) {
    for (float aspect : {1.0f, 2.0f, 0.5f}) {
      SCOPED_TRACE(testing::Message() << "aspect " << aspect);
      _GlViewSettings s;
      s.rotation = rotation;
      s.aspect = aspect;
      s.target[0] = 5.0f;  // anywhere: pan and distance make up for it
      vex3d::CameraFraming framing(s, kMargin);
      framing.Add(points, C4x4Matrix());
      ASSERT_TRUE(framing.Apply(s));
      float widest = 0.0f;
      for (const C3DPoint& p : points) {
        const auto [x, y] = imagePosition(s, p);
        EXPECT_LE(std::fabs(x), 1.0f - 2.0f * kMargin + 1e-4f);
        EXPECT_LE(std::fabs(y), 1.0f - 2.0f * kMargin + 1e-4f);
        widest = std::max({widest, std::fabs(x), std::fabs(y)});
      }
      // Tight: some point reaches the margin.
      EXPECT_NEAR(widest, 1.0f - 2.0f * kMargin, 1e-3f);
    }
  }
}

TEST(NavigationTest, FramingLeavesOutPointsThatAreNotFinite) {
  _GlViewSettings s;
  s.rotation = vex3d::standardViewRotation(RVIEW_FRONT);
  s.aspect = 1.0f;
  s.distance = 123.0f;
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<C3DPoint> unusable = {C3DPoint(inf, 0.0f, 0.0f), C3DPoint(0.0f, nan, 1.0f)};
  vex3d::CameraFraming framing(s, 0.05f);
  EXPECT_FALSE(framing.Apply(s)) << "nothing added";
  framing.Add(unusable, C4x4Matrix());
  EXPECT_FALSE(framing.Apply(s));
  EXPECT_FLOAT_EQ(s.distance, 123.0f) << "unchanged";
  // A transform that sends finite points to infinity leaves them out too.
  C4x4Matrix huge;
  huge.Scale(1e38f, 1e38f, 1e38f);
  framing.Add(std::vector<C3DPoint>{C3DPoint(10.0f, 10.0f, 10.0f)}, huge);
  EXPECT_FALSE(framing.Apply(s));
  const std::vector<C3DPoint> usable = {C3DPoint(-1.0f, 0.0f, -1.0f), C3DPoint(1.0f, 0.0f, 1.0f)};
  framing.Add(usable, C4x4Matrix());
  ASSERT_TRUE(framing.Apply(s));
  EXPECT_TRUE(std::isfinite(s.distance));
  EXPECT_NEAR(imagePosition(s, usable.back()).first, 0.9f, 1e-4f);
}

// A large list is framed in parts: the frame must be the one of its points
// added a few at a time, whichever part holds the extremes.
TEST(NavigationTest, ALargeListFramesAsItsPointsAddedAFewAtATime) {
  constexpr int kCount = 600000;
  std::vector<C3DPoint> points;
  for (int i = 0; i < kCount; ++i) {
    const float t = static_cast<float>(i) * 0.001f;
    points.emplace_back(std::sin(t), std::cos(1.3f * t), 0.5f * std::sin(0.7f * t));
  }
  points[kCount / 3] = C3DPoint(std::numeric_limits<float>::infinity(), 0.0f, 0.0f);
  C4x4Matrix world;
  world.Scale(2.0f, 1.0f, 0.5f);
  for (int at : {5, kCount / 2 - 2, kCount / 2 + 5, kCount - 2}) {
    SCOPED_TRACE(testing::Message() << "extremes at " << at);
    std::vector<C3DPoint> placed = points;
    placed[static_cast<std::size_t>(at)] = C3DPoint(30.0f, 20.0f, 10.0f);
    placed[static_cast<std::size_t>(at) + 1] = C3DPoint(-30.0f, -20.0f, -10.0f);
    _GlViewSettings whole;
    whole.rotation = vex3d::threeQuarterViewRotation();
    whole.aspect = 1.5f;
    _GlViewSettings few = whole;
    vex3d::CameraFraming all(whole, 0.05f);
    all.Add(placed, world);
    vex3d::CameraFraming pieces(few, 0.05f);
    const std::span<const C3DPoint> span(placed);
    for (std::size_t i = 0; i < span.size(); i += 1000)
      pieces.Add(span.subspan(i, std::min<std::size_t>(1000, span.size() - i)), world);
    ASSERT_TRUE(all.Apply(whole));
    ASSERT_TRUE(pieces.Apply(few));
    EXPECT_EQ(whole.distance, few.distance);
    EXPECT_EQ(whole.panX, few.panX);
    EXPECT_EQ(whole.panY, few.panY);
  }
}

TEST(NavigationTest, HoverPicksTheModeFromTheGuide) {
  constexpr int w = 400;
  constexpr int h = 300;
  EXPECT_EQ(vex3d::hoverRotateMode(200, 150, w, h, 0), vex3d::kRotateFree);
  EXPECT_EQ(vex3d::hoverRotateMode(200 + 125, 150, w, h, 0), vex3d::kRotateAboutY);
  EXPECT_EQ(vex3d::hoverRotateMode(200 - 125, 153, w, h, 0), vex3d::kRotateAboutY);
  EXPECT_EQ(vex3d::hoverRotateMode(200, 150 - 125, w, h, 0), vex3d::kRotateAboutX);
  EXPECT_EQ(vex3d::hoverRotateMode(200 + 140, 150, w, h, 0), vex3d::kRotateRoll);
  // Between the circles off the handles: inside the guide free, outside roll.
  EXPECT_EQ(vex3d::hoverRotateMode(200 + 85, 150 + 85, w, h, 0), vex3d::kRotateFree);
  EXPECT_EQ(vex3d::hoverRotateMode(200 + 91, 150 + 91, w, h, 0), vex3d::kRotateRoll);
  // Half the smaller side 141 pixels or less: no guide, the mode stays.
  EXPECT_EQ(vex3d::hoverRotateMode(0, 0, 400, 282, 2), 2);
  EXPECT_EQ(vex3d::hoverRotateMode(0, 0, 400, 284, 2), vex3d::kRotateRoll);
}

TEST(NavigationTest, SixPointsOfViewShowTheirFace) {
  ScopedConfigDir config("render");
  C3DScene scene;
  addCubeNode(scene, true);
  const struct {
    std::uint32_t viewPos;
    const char* face;
  } cases[] = {{RVIEW_LEFT, "-x"},   {RVIEW_RIGHT, "+x"}, {RVIEW_TOP, "+z"},
               {RVIEW_BOTTOM, "-z"}, {RVIEW_FRONT, "-y"}, {RVIEW_BACK, "+y"}};
  for (const auto& c : cases) {
    _GlViewSettings s = vex3d::test::modeSettings(VIEW_FLAT | VIEW_CULL_BACK);
    s.mask |= GLVS_VIEW_POS;
    s.viewPos = c.viewPos;
    auto image = vex3d::renderSceneToBitmap(scene, 32, 32, &s);
    ASSERT_NE(image, nullptr);
    EXPECT_STREQ(faceSeen(*image), c.face) << "viewPos " << c.viewPos;
  }
}

TEST(NavigationTest, StandardViewsTurnZUpOnScreen) {
  // The front view sends +z to screen up (+y) and +y away from the camera.
  const C4x4Matrix front = vex3d::standardViewRotation(RVIEW_FRONT);
  const C3DPoint up = C3DPoint(0.0f, 0.0f, 1.0f) * front;
  EXPECT_NEAR(up.y, 1.0f, 1e-6f);
  const C3DPoint away = C3DPoint(0.0f, 1.0f, 0.0f) * front;
  EXPECT_NEAR(away.z, -1.0f, 1e-6f);
  EXPECT_TRUE(vex3d::standardViewRotation(RVIEW_TOP).IsIdentity());
  EXPECT_TRUE(vex3d::standardViewRotation(9).IsIdentity());
}

TEST(NavigationTest, FittingFramesTheSceneWithoutClipping) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  // Far from the origin and large: fitting must find it.
  C3DPointList* points = node->GetObject()->GetPointList();
  for (int i = 0; i < points->GetSize(); ++i) {
    C3DPoint& p = points->ElementAt(i);
    p = C3DPoint(p.x * 100.0f + 1000.0f, p.y * 100.0f + 50.0f, p.z * 100.0f - 20.0f);
  }
  constexpr int kSize = 64;
  for (std::uint32_t viewPos : {RVIEW_FRONT, RVIEW_TOP, RVIEW_LEFT}) {
    _GlViewSettings s = vex3d::test::modeSettings(VIEW_FLAT);
    s.mask |= GLVS_VIEW_POS;
    s.viewPos = viewPos;
    auto image = vex3d::renderSceneToBitmap(scene, kSize, kSize, &s);
    ASSERT_NE(image, nullptr);
    const vex3d::test::Coverage c = vex3d::test::coverage(*image);
    EXPECT_GT(c.minX, 0);
    EXPECT_GT(c.minY, 0);
    EXPECT_LT(c.maxX, kSize - 1);
    EXPECT_LT(c.maxY, kSize - 1);
    EXPECT_GT(c.maxX - c.minX, kSize / 3);
    // Centred.
    EXPECT_NEAR((c.minX + c.maxX) / 2.0, kSize / 2.0, 2.0);
    EXPECT_NEAR((c.minY + c.maxY) / 2.0, kSize / 2.0, 2.0);
  }
}

TEST(NavigationTest, FittingASinglePointGivesAnEmptyExtent) {
  ScopedConfigDir config("render");
  C3DScene scene;
  auto* points = new C3DPointList;
  points->Add(C3DPoint(2.0f, 3.0f, 4.0f));
  points->Add(C3DPoint(2.0f, 3.0f, 4.0f));
  points->Add(C3DPoint(2.0f, 3.0f, 4.0f));
  auto* faces = new C3DFaceList;
  vex3d::test::addFaces(*faces, {{0, 1, 2}});
  auto* node = new C3DSceneNode;
  node->SetObject(new C3DObject(points, faces));
  scene.AddNode(nullptr, node);
  C3DView view(DRAWING_MEMORY);
  view.SetScene(&scene);
  const _GlViewSettings& s = view.GetViewSettings();
  EXPECT_FLOAT_EQ(s.depth, 0.0f);
  EXPECT_FLOAT_EQ(s.distance, 0.0f);
  EXPECT_FLOAT_EQ(s.target[0], 2.0f);
  EXPECT_FLOAT_EQ(s.target[1], 3.0f);
  EXPECT_FLOAT_EQ(s.target[2], 4.0f);
  // Rendering it still works (the planes are corrected).
  ASSERT_EQ(view.CreateMemoryRendering(8, 8, 32), 1);
  view.UpdateView(0);
  std::unique_ptr<Bitmap> image(view.CreateBitmapFromScene());
  EXPECT_NE(image, nullptr);
  view.DetachScene();
}

TEST(NavigationTest, WheelZoomsAndStepsTime) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  node->CreateKey(10, vex3d::kKeyScale);
  node->CreateKey(40, vex3d::kKeyScale);
  C3DView view(DRAWING_MEMORY);
  std::vector<int> reasons;
  view.SetSceneChangedHook([&reasons](int reason) { reasons.push_back(reason); });
  view.SetScene(&scene);
  const float d = view.GetViewSettings().distance;
  const float step = view.GetViewSettings().zoomStep;
  EXPECT_TRUE(view.OnMouseWheel(false, false, 120));
  EXPECT_FLOAT_EQ(view.GetViewSettings().distance, d + 0.05f * step);
  EXPECT_TRUE(view.OnMouseWheel(false, false, -120));
  EXPECT_FLOAT_EQ(view.GetViewSettings().distance, d);
  // One tick forward with a negative delta, back with a positive one.
  EXPECT_TRUE(view.OnMouseWheel(true, false, -120));
  EXPECT_EQ(scene.GetTickCount(), 1);
  EXPECT_TRUE(view.OnMouseWheel(false, true, 120));
  EXPECT_EQ(scene.GetTickCount(), 0);
  // Below the range: refused, nobody told.
  EXPECT_TRUE(view.OnMouseWheel(false, true, 120));
  EXPECT_EQ(scene.GetTickCount(), 0);
  EXPECT_EQ(reasons, (std::vector<int>{32, 32}));
  // Both keys: from key to key.
  view.OnMouseWheel(true, true, -120);
  EXPECT_EQ(scene.GetTickCount(), 10);
  view.OnMouseWheel(true, true, -120);
  EXPECT_EQ(scene.GetTickCount(), 40);
  view.OnMouseWheel(true, true, 120);
  EXPECT_EQ(scene.GetTickCount(), 10);
  EXPECT_FLOAT_EQ(view.GetViewSettings().distance, d);
  view.DetachScene();
}

TEST(NavigationTest, WithoutAutoFitARefitOnlyGrowsTheExtent) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  C3DView view(DRAWING_MEMORY);
  ASSERT_EQ(view.CreateMemoryRendering(8, 8, 32), 1);
  view.SetScene(&scene);
  const _GlViewSettings before = view.GetViewSettings();
  EXPECT_NEAR(before.depth, std::sqrt(3.0f), 1e-5f);
  EXPECT_NEAR(before.distance, 1.2f * std::sqrt(3.0f), 1e-5f);
  C3DPointList* points = node->GetObject()->GetPointList();
  for (int i = 0; i < points->GetSize(); ++i) points->ElementAt(i).x *= 3.0f;
  node->GetObject()->Invalidate(OBJECT_CHANGED_POINTS, 1);
  view.SetAutoFit(false);
  view.UpdateView(UPDATE_VIEW_FIT);
  const _GlViewSettings grown = view.GetViewSettings();
  EXPECT_NEAR(grown.depth, std::sqrt(11.0f), 1e-5f);
  EXPECT_FLOAT_EQ(grown.distance, before.distance);
  EXPECT_FLOAT_EQ(grown.target[0], before.target[0]);
  // With the reset flag the camera is fitted anyway.
  view.UpdateView(UPDATE_VIEW_FIT_RESET);
  EXPECT_NEAR(view.GetViewSettings().distance, 1.2f * std::sqrt(11.0f), 1e-5f);
  view.DetachScene();
}

}  // namespace
