#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

#include "animation/vector_key.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/texture_channels.h"
#include "render/render_to_bitmap.h"
#include "render_fixtures.h"
#include "scene/object_kinds.h"

namespace {

using vex3d::test::addCubeNode;
using vex3d::test::addMaterial;
using vex3d::test::coverage;
using vex3d::test::modeSettings;
using vex3d::test::OffscreenView;
using vex3d::test::pixelAt;
using vex3d::test::Rgba;
using vex3d::test::ScopedConfigDir;

constexpr int kSize = 64;
constexpr float kPi = 3.14159265f;

std::unique_ptr<Bitmap> render(C3DScene& scene, const _GlViewSettings& s, int size = kSize) {
  std::string error;
  auto image = vex3d::renderSceneToBitmap(scene, size, size, &s, &error);
  EXPECT_NE(image, nullptr) << error;
  return image;
}

// Every face of the cube in one material.
C3DMaterial* paintCube(C3DScene& scene, C3DSceneNode* node, CRGBColor colour) {
  C3DMaterial* m = addMaterial(scene, colour);
  C3DFaceList* faces = node->GetObject()->GetFaceList();
  for (int f = 0; f < faces->GetSize(); ++f) faces->ElementAt(f)->SetMaterialID(m->GetMaterialID());
  return m;
}

std::set<std::tuple<int, int, int>> coveredColours(const Bitmap& image) {
  std::set<std::tuple<int, int, int>> colours;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = 0; x < image.GetWidth(); ++x) {
      const Rgba p = pixelAt(image, x, y);
      if (p.a == 0) colours.insert({p.r, p.g, p.b});
    }
  }
  return colours;
}

int countColour(const Bitmap& image, const Rgba& colour) {
  int n = 0;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = 0; x < image.GetWidth(); ++x) {
      n += vex3d::test::sameColour(pixelAt(image, x, y), colour, 0) ? 1 : 0;
    }
  }
  return n;
}

TEST(RenderModesTest, AlphaComesFromDepthOnAnEmptySceneAndAroundAnObject) {
  ScopedConfigDir config("render");
  C3DScene empty;
  auto image = render(empty, modeSettings(VIEW_FLAT, CRGBColor(10, 20, 30)));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetType(), vex3d::kBitmapRgba);
  EXPECT_EQ(vex3d::test::countAlpha(*image, 255), kSize * kSize);
  EXPECT_TRUE(vex3d::test::sameColour(pixelAt(*image, 5, 5), Rgba{10, 20, 30, 255}, 0));

  C3DScene scene;
  addCubeNode(scene, false);
  image = render(scene, modeSettings(VIEW_FLAT));
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(pixelAt(*image, kSize / 2, kSize / 2).a, 0);
  EXPECT_EQ(pixelAt(*image, 0, 0).a, 255);
  EXPECT_EQ(pixelAt(*image, kSize - 1, kSize - 1).a, 255);
}

TEST(RenderModesTest, RgbSnapshotsHaveNoAlpha) {
  ScopedConfigDir config("render");
  C3DScene scene;
  addCubeNode(scene, false);
  C3DView view(DRAWING_MEMORY);
  ASSERT_EQ(view.CreateMemoryRendering(16, 8, 24), 1);
  view.SetScene(&scene);
  view.UpdateView(0);
  std::unique_ptr<Bitmap> image(view.CreateBitmapFromScene());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->GetType(), vex3d::kBitmapRgb);
  EXPECT_EQ(image->GetWidth(), 16);
  EXPECT_EQ(image->GetHeight(), 8);
  view.DetachScene();
  EXPECT_EQ(view.DeleteMemoryRendering(), 1);
  EXPECT_EQ(view.CreateBitmapFromScene(), nullptr);
}

TEST(RenderModesTest, RowsComeTopFirst) {
  ScopedConfigDir config("render");
  // A red cube above a grey one (+z is up in the front view).
  C3DScene scene;
  C3DSceneNode* high = addCubeNode(scene, false);
  paintCube(scene, high, CRGBColor(255, 0, 0));
  C3DPointList* points = high->GetObject()->GetPointList();
  for (int i = 0; i < points->GetSize(); ++i) points->ElementAt(i).z += 3.0f;
  paintCube(scene, addCubeNode(scene, false), CRGBColor(200, 200, 200));
  auto image = render(scene, modeSettings(VIEW_FLAT));
  ASSERT_NE(image, nullptr);
  const Rgba top = pixelAt(*image, kSize / 2, kSize / 2 - 20);
  const Rgba bottom = pixelAt(*image, kSize / 2, kSize / 2 + 20);
  EXPECT_EQ(top.a, 0);
  EXPECT_GT(top.r, 60);
  EXPECT_EQ(top.g, 0);
  EXPECT_EQ(bottom.a, 0);
  EXPECT_EQ(bottom.r, bottom.g);
}

TEST(RenderModesTest, FlatIsConstantPerFaceAndSmoothVaries) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  paintCube(scene, node, CRGBColor(200, 200, 200));
  // Every corner normal averaged: smooth shading shows a gradient.
  node->GetObject()->SetSmoothAngle(kPi);
  // One directional light only for flat: the positional second light gives
  // each triangle of a quad its own flat colour. Both lights for smooth:
  // the averaged corner normals all face the camera alike.
  auto flat = render(scene, modeSettings(VIEW_FLAT | VIEW_FAST_RENDERING));
  auto smooth = render(scene, modeSettings(VIEW_SMOOTH));
  ASSERT_NE(flat, nullptr);
  ASSERT_NE(smooth, nullptr);
  EXPECT_EQ(coverage(*flat).count, coverage(*smooth).count);
  EXPECT_GT(coverage(*flat).count, kSize * kSize / 8);
  EXPECT_EQ(coveredColours(*flat).size(), 1u);
  EXPECT_GT(coveredColours(*smooth).size(), 10u);
}

TEST(RenderModesTest, WireframeDrawsEdgesOnlyInTheMaterialColour) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  paintCube(scene, node, CRGBColor(0, 200, 0));
  auto image = render(scene, modeSettings(VIEW_WIREFRAME, CRGBColor(0, 0, 80)));
  ASSERT_NE(image, nullptr);
  // No depth test in wireframe: nothing writes depth, the alpha stays 255.
  EXPECT_EQ(vex3d::test::countAlpha(*image, 255), kSize * kSize);
  EXPECT_GT(countColour(*image, Rgba{0, 200, 0, 255}), 40);
  EXPECT_TRUE(
      vex3d::test::sameColour(pixelAt(*image, kSize / 2, kSize / 2), Rgba{0, 0, 80, 255}, 0));
}

TEST(RenderModesTest, WiresShowOverTheFillInTheWireframeColour) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  paintCube(scene, node, CRGBColor(128, 128, 128));
  _GlViewSettings s = modeSettings(VIEW_FLAT | VIEW_WIREFRAME);
  s.mask |= GLVS_WIREFRAME_COLOR;
  s.wireframeColor = CRGBColor(0, 255, 0);
  auto over = render(scene, s);
  ASSERT_NE(over, nullptr);
  const Rgba green{0, 255, 0, 0};
  EXPECT_GT(countColour(*over, green), 40);
  // The fill is still there inside the wires.
  const Rgba centre = pixelAt(*over, kSize / 2, kSize / 2);
  EXPECT_EQ(centre.a, 0);
  EXPECT_EQ(centre.r, centre.b);
  EXPECT_GT(centre.r, 30);
  s.viewMode = VIEW_FLAT;
  auto plain = render(scene, s);
  EXPECT_EQ(countColour(*plain, green), 0);
}

TEST(RenderModesTest, HiddenNodesAreSkippedOrStippled) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  const int full = coverage(*render(scene, modeSettings(VIEW_FLAT))).count;
  ASSERT_GT(full, 0);
  node->SetFlag(NODE_HIDDEN, 1);
  EXPECT_EQ(coverage(*render(scene, modeSettings(VIEW_FLAT))).count, 0);
  const int stippled =
      coverage(*render(scene, modeSettings(VIEW_FLAT | VIEW_HIDDEN_STIPPLED))).count;
  EXPECT_GT(stippled, full * 3 / 10);
  EXPECT_LT(stippled, full * 7 / 10);
  // Never in wireframe, even when hidden nodes are shown.
  auto wire = render(scene, modeSettings(VIEW_WIREFRAME | VIEW_HIDDEN_STIPPLED));
  EXPECT_EQ(countColour(*wire, Rgba{0, 0, 0, 255}), kSize * kSize);
}

TEST(RenderModesTest, HiddenFacesAreSkippedOrStippled) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  C3DFaceList* faces = node->GetObject()->GetFaceList();
  // The -y face is the one the front view sees.
  faces->ElementAt(2)->SetFlags(FACE_RENDER_HIDDEN, 1);
  _GlViewSettings s = modeSettings(VIEW_FLAT);  // back faces culled: nothing behind
  s.viewMode |= VIEW_CULL_BACK;
  EXPECT_EQ(coverage(*render(scene, s)).count, 0);
  s.viewMode &= ~static_cast<std::uint32_t>(VIEW_CULL_BACK);
  // Double-sided: the inside of the back face shows through the hole.
  EXPECT_GT(coverage(*render(scene, s)).count, 0);
}

TEST(RenderModesTest, VertexColoursReplaceTheMaterialColour) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  paintCube(scene, node, CRGBColor(200, 200, 200));
  auto* channel = new CVCChannel(CChannel::CreateID());
  channel->GetVCPointList()->Add(CVCPoint(CRGBColor(255, 0, 0, 255)));
  CVCFaceList* vcFaces = channel->GetVCFaceList();
  vcFaces->SetSize(6, 4);
  for (int f = 0; f < 6; ++f) vcFaces->ElementAt(f)->SetQuadrangle(0, 0, 0, 0);
  C3DBaseObject* object = node->GetObject();
  const std::uint32_t id = channel->GetChannelID();
  object->AddChannel(channel);
  object->SetGlobalVCChannel(id, 1.0f);

  auto coloured = render(scene, modeSettings(VIEW_SMOOTH | VIEW_VERTEX_COLORS));
  const Rgba c = pixelAt(*coloured, kSize / 2, kSize / 2);
  EXPECT_EQ(c.a, 0);
  // The user material keeps the material's ambient colour.
  EXPECT_GT(c.r, c.g + 60);
  EXPECT_EQ(c.g, c.b);
  // Not in flat shading, and not with the option off.
  for (std::uint32_t mode : {static_cast<std::uint32_t>(VIEW_FLAT | VIEW_VERTEX_COLORS),
                             static_cast<std::uint32_t>(VIEW_SMOOTH)}) {
    const Rgba g = pixelAt(*render(scene, modeSettings(mode)), kSize / 2, kSize / 2);
    EXPECT_EQ(g.r, g.g) << mode;
    EXPECT_GT(g.g, 60) << mode;
  }
  // An intensity of 0 turns them off.
  object->SetGlobalVCChannel(id, 0.0f);
  const Rgba off =
      pixelAt(*render(scene, modeSettings(VIEW_SMOOTH | VIEW_VERTEX_COLORS)), kSize / 2, kSize / 2);
  EXPECT_EQ(off.r, off.g);
}

// A corner colour is mixed into the material's by the channel's intensity
// times the corner's alpha: a half-weighted mix looks exactly like a
// material of the mixed colour, whichever of the two gives the half.
TEST(RenderModesTest, HalfWeightedCornerColoursLookLikeTheMixedMaterial) {
  ScopedConfigDir config("render");
  const auto drawn = [](std::optional<CRGBColor> corner, float intensity) {
    C3DScene scene;
    C3DSceneNode* node = addCubeNode(scene, false);
    C3DMaterial* m = paintCube(scene, node, CRGBColor(200, 200, 200));
    // Corner colours change the diffuse colour only.
    if (!corner) m->SetDiffuseColor(CRGBColor(115, 170, 210));
    if (corner) {
      auto* channel = new CVCChannel(CChannel::CreateID());
      channel->GetVCPointList()->Add(CVCPoint(*corner));
      channel->GetVCFaceList()->SetSize(6, 4);
      for (int f = 0; f < 6; ++f) channel->GetVCFaceList()->ElementAt(f)->SetQuadrangle(0, 0, 0, 0);
      node->GetObject()->AddChannel(channel);
      node->GetObject()->SetGlobalVCChannel(channel->GetChannelID(), intensity);
    }
    return render(scene, modeSettings(VIEW_SMOOTH | VIEW_VERTEX_COLORS));
  };
  const auto mixed = drawn(std::nullopt, 1.0f);
  ASSERT_NE(mixed, nullptr);
  // 200 * (1 - w) + (30, 140, 220) * w, rounded, is (115, 170, 210) for
  // w = 1/2 and for w = 128/255.
  for (const auto& [corner, intensity] : {std::pair{CRGBColor(30, 140, 220, 255), 0.5f},
                                          std::pair{CRGBColor(30, 140, 220, 128), 1.0f}}) {
    const auto image = drawn(corner, intensity);
    ASSERT_NE(image, nullptr);
    int differing = 0;
    for (int y = 0; y < kSize; ++y)
      differing += std::memcmp(image->GetLine(y), mixed->GetLine(y), std::size_t{kSize} * 4) != 0;
    EXPECT_EQ(differing, 0) << int{corner.GetAlpha()};
  }
}

// Faces of one material follow each other without the material being sent
// again: each must still show its own corners' colour, and a plain object
// of that material drawn next must not keep the last corner's colour.
TEST(RenderModesTest, CornerColoursChangeFaceByFaceAndStayWithTheirObject) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* coloured = addCubeNode(scene, false, -0.8f);
  C3DMaterial* grey = paintCube(scene, coloured, CRGBColor(200, 200, 200));
  C3DSceneNode* plain = addCubeNode(scene, false, 0.8f);
  C3DFaceList* plainFaces = plain->GetObject()->GetFaceList();
  for (int f = 0; f < plainFaces->GetSize(); ++f)
    plainFaces->ElementAt(f)->SetMaterialID(grey->GetMaterialID());

  auto* channel = new CVCChannel(CChannel::CreateID());
  // A corner colour's alpha is its weight against the material.
  const CRGBColor colours[6] = {CRGBColor(255, 0, 0, 255),   CRGBColor(255, 0, 255, 255),
                                CRGBColor(0, 0, 255, 255),   CRGBColor(255, 255, 0, 255),
                                CRGBColor(0, 255, 255, 255), CRGBColor(0, 255, 0, 255)};
  for (const CRGBColor& c : colours) channel->GetVCPointList()->Add(CVCPoint(c));
  CVCFaceList* vcFaces = channel->GetVCFaceList();
  vcFaces->SetSize(6, 4);
  for (int f = 0; f < 6; ++f) vcFaces->ElementAt(f)->SetQuadrangle(f, f, f, f);
  C3DBaseObject* object = coloured->GetObject();
  object->AddChannel(channel);
  object->SetGlobalVCChannel(channel->GetChannelID(), 1.0f);

  auto image = render(scene, modeSettings(VIEW_SMOOTH | VIEW_VERTEX_COLORS), 96);
  // The front face of the coloured cube is its third: blue.
  int blue = 0;
  int neutral = 0;
  int other = 0;
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 96; ++x) {
      const Rgba c = pixelAt(*image, x, y);
      if (c.a != 0) continue;
      if (x < 48 && c.b > c.r + 60 && c.b > c.g + 60) ++blue;
      if (x >= 48 && c.r == c.g && c.g == c.b && c.r > 60) ++neutral;
      if (x >= 48 && (c.r != c.g || c.g != c.b)) ++other;
    }
  }
  EXPECT_GT(blue, 100);
  EXPECT_GT(neutral, 100);
  EXPECT_EQ(other, 0);
}

TEST(RenderModesTest, BrightnessStepsLightTheSceneMoreOrLess) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  paintCube(scene, node, CRGBColor(100, 100, 100));
  OffscreenView offscreen(scene, 16, modeSettings(VIEW_FLAT));
  const int normal = pixelAt(*offscreen.snap(), 8, 8).r;
  offscreen.view().Brightness(1);
  const int brighter = pixelAt(*offscreen.snap(), 8, 8).r;
  offscreen.view().Brightness(-1);
  offscreen.view().Brightness(-1);
  const int darker = pixelAt(*offscreen.snap(), 8, 8).r;
  offscreen.view().Brightness(0);
  EXPECT_EQ(pixelAt(*offscreen.snap(), 8, 8).r, normal);
  EXPECT_GT(brighter, normal);
  EXPECT_LT(darker, normal);
}

TEST(RenderModesTest, PolygonsAreTriangulatedAndDegenerateFacesSkipped) {
  ScopedConfigDir config("render");
  C3DScene scene;
  // An L-shaped hexagon facing the front view (-y): concave, so a fan from
  // its first corner would cover the notch.
  auto* points = new C3DPointList;
  const float xz[6][2] = {{-1, -1}, {1, -1}, {1, 0}, {0, 0}, {0, 1}, {-1, 1}};
  for (const auto& p : xz) points->Add(C3DPoint(p[0], 0.0f, p[1]));
  auto* faces = new C3DFaceList;
  vex3d::test::addFaces(*faces, {{0, 1, 2, 3, 4, 5}, {0, 1}, {0, 1, 99}});
  auto* node = new C3DSceneNode;
  node->SetObject(new C3DObject(points, faces));
  scene.AddNode(nullptr, node);
  auto image = render(scene, modeSettings(VIEW_FLAT));
  ASSERT_NE(image, nullptr);
  // Lower left quadrant covered, upper right (the notch) empty.
  EXPECT_EQ(pixelAt(*image, kSize / 2 - 6, kSize / 2 + 6).a, 0);
  EXPECT_EQ(pixelAt(*image, kSize / 2 + 6, kSize / 2 - 6).a, 255);
}

TEST(RenderModesTest, CurvesAreLineStripsInTheirMaterialColour) {
  ScopedConfigDir config("render");
  C3DScene scene;
  addCubeNode(scene, false, 3.0f);  // gives the scene its extent
  auto* curve = new C3DCurve;
  auto* points = new C3DPointList;
  for (int i = 0; i <= 8; ++i)
    points->Add(C3DPoint(-2.0f + 0.5f * static_cast<float>(i), 0.0f, 0.0f));
  curve->SetPointList(points);
  curve->SetMaterialID(addMaterial(scene, CRGBColor(0, 255, 0))->GetMaterialID());
  auto* node = new C3DSceneNode;
  node->SetObject(curve);
  scene.AddNode(nullptr, node);
  for (std::uint32_t mode :
       {static_cast<std::uint32_t>(VIEW_WIREFRAME), static_cast<std::uint32_t>(VIEW_FLAT)}) {
    auto image = render(scene, modeSettings(mode));
    ASSERT_NE(image, nullptr);
    EXPECT_GT(countColour(*image, Rgba{0, 255, 0, 0}) + countColour(*image, Rgba{0, 255, 0, 255}),
              10)
        << mode;
  }
}

TEST(RenderModesTest, DrawingWithoutListsGivesTheSameImages) {
  ScopedConfigDir config("render");
  C3DScene scene;
  addCubeNode(scene, true);
  // A scaled, vertex-coloured cube, a hidden one and a curve: every kind of
  // state a list would have carried.
  C3DSceneNode* tinted = addCubeNode(scene, false, 2.0f);
  paintCube(scene, tinted, CRGBColor(200, 200, 200));
  auto* channel = new CVCChannel(CChannel::CreateID());
  channel->GetVCPointList()->Add(CVCPoint(CRGBColor(0, 0, 255, 255)));
  channel->GetVCPointList()->Add(CVCPoint(CRGBColor(255, 255, 0, 128)));
  channel->GetVCFaceList()->SetSize(6, 4);
  for (int f = 0; f < 6; ++f) channel->GetVCFaceList()->ElementAt(f)->SetQuadrangle(0, 1, f % 2, 1);
  tinted->GetObject()->AddChannel(channel);
  tinted->GetObject()->SetGlobalVCChannel(channel->GetChannelID(), 1.0f);
  auto* scale = static_cast<C3DVectorKey*>(tinted->CreateKey(0, vex3d::kKeyScale));
  ASSERT_NE(scale, nullptr);
  scale->SetVector(C3DVector(1.0f, 2.0f, 0.5f));
  addCubeNode(scene, false, -2.0f)->SetFlag(NODE_HIDDEN, 1);
  auto* curve = new C3DCurve;
  auto* points = new C3DPointList;
  for (int i = 0; i <= 8; ++i)
    points->Add(C3DPoint(-2.0f + 0.5f * static_cast<float>(i), 1.0f, 0.3f * static_cast<float>(i)));
  curve->SetPointList(points);
  curve->SetMaterialID(addMaterial(scene, CRGBColor(0, 255, 0))->GetMaterialID());
  auto* node = new C3DSceneNode;
  node->SetObject(curve);
  scene.AddNode(nullptr, node);

  const std::uint32_t modes[] = {VIEW_WIREFRAME,
                                 VIEW_FLAT,
                                 VIEW_FLAT | VIEW_WIREFRAME,
                                 VIEW_SMOOTH,
                                 VIEW_SMOOTH | VIEW_WIREFRAME | VIEW_VERTEX_COLORS,
                                 VIEW_SMOOTH | VIEW_HIDDEN_STIPPLED | VIEW_CULL_BACK};
  for (std::uint32_t mode : modes) {
    const _GlViewSettings settings = modeSettings(mode);
    OffscreenView compiled(scene, kSize, settings);
    auto listed = compiled.snap();
    OffscreenView once(scene, kSize, settings, DRAWING_MEMORY | DRAWING_IMMEDIATE);
    auto direct = once.snap();
    ASSERT_NE(listed, nullptr);
    ASSERT_NE(direct, nullptr);
    // Wireframe writes no depth: drawn pixels are told by their colour.
    EXPECT_LT(countColour(*listed, Rgba{0, 0, 0, 255}), kSize * kSize - 40) << mode;
    int differing = 0;
    for (int y = 0; y < kSize; ++y) {
      differing += std::memcmp(listed->GetLine(y), direct->GetLine(y),
                               static_cast<std::size_t>(kSize) * 4) != 0;
    }
    EXPECT_EQ(differing, 0) << "view mode " << mode;
  }
}

// Drawn without lists, a large mesh goes to the driver in pieces, each
// with its corners' values: a smooth, wavy grid of more faces than one
// piece holds, coloured point by point and with one face in two painted
// differently at its corners, must look as its list draws it.
TEST(RenderModesTest, LargeMeshesDrawnInPiecesLookAsTheirListDrawsThem) {
  ScopedConfigDir config("render");
  C3DScene scene;
  constexpr int kSide = 120;  // 2 * 119 * 119 triangles
  auto* points = new C3DPointList;
  for (int j = 0; j < kSide; ++j) {
    for (int i = 0; i < kSide; ++i) {
      const float x = static_cast<float>(i) / (kSide - 1) - 0.5f;
      const float z = static_cast<float>(j) / (kSide - 1) - 0.5f;
      points->Add(C3DPoint(x, 0.05f * std::sin(40.0f * x) * std::cos(30.0f * z), z));
    }
  }
  auto* faces = new C3DFaceList;
  auto* channel = new CVCChannel(CChannel::CreateID());
  for (int p = 0; p < kSide * kSide; ++p) {
    channel->GetVCPointList()->Add(CVCPoint(CRGBColor(
        static_cast<std::uint8_t>(p % 251), static_cast<std::uint8_t>(p / 97 % 256), 200, 255)));
  }
  const int black = channel->GetVCPointList()->Add(CVCPoint(CRGBColor(0, 0, 0, 255)));
  faces->SetSize(2 * (kSide - 1) * (kSide - 1), 3);
  for (int j = 0, f = 0; j + 1 < kSide; ++j) {
    for (int i = 0; i + 1 < kSide; ++i) {
      const int a = j * kSide + i;
      faces->ElementAt(f++)->SetTriangle(a, a + kSide, a + kSide + 1);
      faces->ElementAt(f++)->SetTriangle(a, a + kSide + 1, a + 1);
    }
  }
  CVCFaceList* vcFaces = channel->GetVCFaceList();
  vcFaces->SetSize(faces->GetSize(), 3);
  for (int f = 0; f < faces->GetSize(); ++f) {
    const C3DFace& face = *faces->ElementAt(f);
    if (f % 2 == 1) {
      vcFaces->ElementAt(f)->SetTriangle(black, face[1], black);
    } else {
      vcFaces->ElementAt(f)->SetTriangle(face[0], face[1], face[2]);
    }
  }
  auto* object = new C3DObject(points, faces);
  object->AddChannel(channel);
  object->SetGlobalVCChannel(channel->GetChannelID(), 1.0f);
  auto* node = new C3DSceneNode;
  node->SetObject(object);
  scene.AddNode(nullptr, node);
  paintCube(scene, node, CRGBColor(180, 180, 180));

  for (std::uint32_t mode :
       {static_cast<std::uint32_t>(VIEW_SMOOTH | VIEW_VERTEX_COLORS),
        static_cast<std::uint32_t>(VIEW_SMOOTH), static_cast<std::uint32_t>(VIEW_FLAT)}) {
    _GlViewSettings settings = modeSettings(mode);
    OffscreenView compiled(scene, 96, settings);
    auto listed = compiled.snap();
    OffscreenView once(scene, 96, settings, DRAWING_MEMORY | DRAWING_IMMEDIATE);
    auto direct = once.snap();
    ASSERT_NE(listed, nullptr);
    ASSERT_NE(direct, nullptr);
    EXPECT_GT(coverage(*direct).count, 96 * 96 / 4) << mode;
    int differing = 0;
    for (int y = 0; y < 96; ++y) {
      differing += std::memcmp(listed->GetLine(y), direct->GetLine(y), std::size_t{96} * 4) != 0;
    }
    EXPECT_EQ(differing, 0) << "view mode " << mode;
  }
}

// Drawn smooth, each corner takes the normal the object's smoothing gives
// it, whether its face lies within the smoothing angle of its neighbours
// or on a fold: the same normals given as the file's own look the same.
TEST(RenderModesTest, SmoothCornersTakeTheNormalsTheSmoothingGives) {
  ScopedConfigDir config("render");
  C3DScene scene;
  constexpr int kSide = 40;
  auto* points = new C3DPointList;
  for (int j = 0; j < kSide; ++j) {
    for (int i = 0; i < kSide; ++i) {
      const float x = static_cast<float>(i) / (kSide - 1) - 0.5f;
      const float z = static_cast<float>(j) / (kSide - 1) - 0.5f;
      const float wave = 0.04f * std::sin(25.0f * x) * std::cos(20.0f * z);
      points->Add(C3DPoint(x, wave + 0.5f * std::fabs(x - 0.1f), z));
    }
  }
  auto* faces = new C3DFaceList;
  faces->SetSize(2 * (kSide - 1) * (kSide - 1), 3);
  for (int j = 0, f = 0; j + 1 < kSide; ++j) {
    for (int i = 0; i + 1 < kSide; ++i) {
      const int a = j * kSide + i;
      // Corners start at different points from face to face.
      if ((i + j) % 2 == 0) {
        faces->ElementAt(f++)->SetTriangle(a, a + kSide, a + kSide + 1);
        faces->ElementAt(f++)->SetTriangle(a + 1, a, a + kSide + 1);
      } else {
        faces->ElementAt(f++)->SetTriangle(a + kSide, a + kSide + 1, a + 1);
        faces->ElementAt(f++)->SetTriangle(a + 1, a, a + kSide);
      }
    }
  }
  auto* object = new C3DObject(points, faces);
  auto* node = new C3DSceneNode;
  node->SetObject(object);
  scene.AddNode(nullptr, node);
  paintCube(scene, node, CRGBColor(180, 180, 180));

  CGeomInfo geom(object);
  CPointNormalChannel* smoothing = object->GetPointNormalChannel();
  ASSERT_NE(smoothing, nullptr);
  C3DVector out;
  smoothing->PrepareSmoothing(&geom, nullptr, object->GetFaceNormalChannel(), &out,
                              object->GetSmoothAngle());
  const int folded = faces->GetNumberOfFaces(static_cast<unsigned int>(FACE_NOT_SMOOTH), 1);
  EXPECT_GT(folded, 0);
  EXPECT_LT(folded, faces->GetSize() / 4);
  auto* given = new CSpecNormalChannel(CChannel::CreateID());
  given->GetNormalFaceList()->SetSize(faces->GetSize(), 3);
  for (int f = 0; f < faces->GetSize(); ++f) {
    const C3DFace& face = *faces->ElementAt(f);
    int corners[3];
    for (std::uint32_t k = 0; k < 3; ++k) {
      ASSERT_NE(smoothing->GetSmoothNormalByIndex(f, face[k]), 0);
      corners[k] = given->GetNormalVectorList()->Add(out);
    }
    given->GetNormalFaceList()->ElementAt(f)->SetTriangle(corners[0], corners[1], corners[2]);
  }
  object->AddChannel(given);

  for (std::uint32_t drawing : {static_cast<std::uint32_t>(DRAWING_MEMORY),
                                static_cast<std::uint32_t>(DRAWING_MEMORY | DRAWING_IMMEDIATE)}) {
    const auto draw = [&](std::uint32_t mode) {
      OffscreenView view(scene, 96, modeSettings(mode), drawing);
      return view.snap();
    };
    const auto own = draw(VIEW_SMOOTH);
    const auto specified = draw(VIEW_SMOOTH | VIEW_SPECIFIED_NORMALS);
    ASSERT_NE(own, nullptr);
    ASSERT_NE(specified, nullptr);
    EXPECT_GT(coverage(*own).count, 96 * 96 / 4);
    int differing = 0;
    for (int y = 0; y < 96; ++y) {
      differing += std::memcmp(own->GetLine(y), specified->GetLine(y), std::size_t{96} * 4) != 0;
    }
    EXPECT_EQ(differing, 0) << "drawing " << drawing;
  }
}

TEST(RenderModesTest, ScaledNodesRenormaliseTheirNormalsTheCheapestWay) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  auto stateFor = [&scene](const char* what) {
    OffscreenView offscreen(scene, 8, modeSettings(VIEW_FLAT));
    auto image = offscreen.snap();
    EXPECT_NE(image, nullptr) << what;
    offscreen.view().Activate();
    const bool rescale = glIsEnabled(GL_RESCALE_NORMAL) == GL_TRUE;
    const bool normalize = glIsEnabled(GL_NORMALIZE) == GL_TRUE;
    offscreen.view().Deactivate();
    return std::pair<bool, bool>(rescale, normalize);
  };
  EXPECT_EQ(stateFor("unscaled"), std::make_pair(false, false));
  auto* key = static_cast<C3DVectorKey*>(node->CreateKey(0, vex3d::kKeyScale));
  ASSERT_NE(key, nullptr);
  key->SetVector(C3DVector(2.0f, 2.0f, 2.0f));
  EXPECT_EQ(stateFor("uniform"), std::make_pair(true, false));
  key->SetVector(C3DVector(1.0f, 2.0f, 1.0f));
  EXPECT_EQ(stateFor("non-uniform"), std::make_pair(false, true));
}

TEST(RenderModesTest, SpecifiedNormalsWinWhenAsked) {
  ScopedConfigDir config("render");
  C3DScene scene;
  C3DSceneNode* node = addCubeNode(scene, false);
  paintCube(scene, node, CRGBColor(200, 200, 200));
  // Every corner's normal points sideways: the light from the camera grazes.
  auto* specified = new CSpecNormalChannel(CChannel::CreateID());
  specified->GetNormalVectorList()->Add(C3DVector(1.0f, 0.0f, 0.0f));
  specified->GetNormalFaceList()->SetSize(6, 4);
  for (int f = 0; f < 6; ++f)
    specified->GetNormalFaceList()->ElementAt(f)->SetQuadrangle(0, 0, 0, 0);
  node->GetObject()->AddChannel(specified);
  const std::uint32_t mode = VIEW_SMOOTH | VIEW_FAST_RENDERING;
  const Rgba own = pixelAt(*render(scene, modeSettings(mode)), kSize / 2, kSize / 2);
  const Rgba given =
      pixelAt(*render(scene, modeSettings(mode | VIEW_SPECIFIED_NORMALS)), kSize / 2, kSize / 2);
  EXPECT_EQ(own.a, 0);
  EXPECT_EQ(given.a, 0);
  EXPECT_GT(own.r, given.r + 40);
}

}  // namespace
