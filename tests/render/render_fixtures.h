#pragma once
// Scenes and pixel helpers shared by the off-screen rendering tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "hostlib/images/bitmap.h"
#include "material/material.h"
#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "render/view.h"
#include "scene/scene.h"
#include "scoped_config_dir.h"

namespace vex3d::test {

struct Rgba {
  int r = 0;
  int g = 0;
  int b = 0;
  int a = 0;
};

inline Rgba pixelAt(const Bitmap& image, int x, int y) {
  const std::uint8_t* p = image.GetLine(y) + static_cast<std::size_t>(x) *
                                                 static_cast<std::size_t>(image.GetBytesPerPixel());
  Rgba c{p[0], p[1], p[2], image.GetBytesPerPixel() == 4 ? p[3] : 255};
  return c;
}

inline bool sameColour(const Rgba& a, const Rgba& b, int tolerance = 2) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

inline int countAlpha(const Bitmap& image, int alpha) {
  int n = 0;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = 0; x < image.GetWidth(); ++x) n += pixelAt(image, x, y).a == alpha ? 1 : 0;
  }
  return n;
}

// A material of the scene with the given diffuse and ambient colour and no
// specular highlight, so that lit colours stay predictable.
inline C3DMaterial* addMaterial(C3DScene& scene, CRGBColor colour) {
  C3DMaterial* m = scene.CreateNewMaterial();
  colour.SetAlpha(255);
  m->SetDiffuseColor(colour);
  m->SetAmbientColor(colour);
  m->SetSpecularColor(CRGBColor(0, 0, 0, 255));
  return m;
}

// A unit cube centred on the origin in a node of its own. With `coloured`
// each face gets its own material: -z red, +z green, -y blue, +y yellow,
// -x magenta, +x cyan (in the order addCube makes the faces).
inline C3DSceneNode* addCubeNode(C3DScene& scene, bool coloured, float offset = 0.0f) {
  auto* points = new C3DPointList;
  auto* faces = new C3DFaceList;
  addCube(*points, *faces);
  for (int i = 0; i < points->GetSize(); ++i) {
    C3DPoint& p = points->ElementAt(i);
    p.x -= 0.5f - offset;
    p.y -= 0.5f;
    p.z -= 0.5f;
  }
  if (coloured) {
    const CRGBColor colours[6] = {CRGBColor(255, 0, 0),   CRGBColor(0, 255, 0),
                                  CRGBColor(0, 0, 255),   CRGBColor(255, 255, 0),
                                  CRGBColor(255, 0, 255), CRGBColor(0, 255, 255)};
    for (int f = 0; f < 6; ++f) {
      faces->ElementAt(f)->SetMaterialID(addMaterial(scene, colours[f])->GetMaterialID());
    }
  }
  auto* object = new C3DObject(points, faces);
  auto* node = new C3DSceneNode;
  node->SetName("cube");
  node->SetObject(object);
  scene.AddNode(nullptr, node);
  return node;
}

// Which face of the coloured cube the centre pixel shows, by its hue.
inline const char* faceSeen(const Bitmap& image) {
  const Rgba p = pixelAt(image, image.GetWidth() / 2, image.GetHeight() / 2);
  if (p.a != 0) return "none";
  const bool r = p.r > 40;
  const bool g = p.g > 40;
  const bool b = p.b > 40;
  if (r && !g && !b) return "-z";
  if (!r && g && !b) return "+z";
  if (!r && !g && b) return "-y";
  if (r && g && !b) return "+y";
  if (r && !g && b) return "-x";
  if (!r && g && b) return "+x";
  return "mixed";
}

// View settings that only set the view mode and the background.
inline _GlViewSettings modeSettings(std::uint32_t viewMode, CRGBColor background = CRGBColor()) {
  _GlViewSettings s;
  s.mask = GLVS_VIEW_MODE | GLVS_BACKGROUND;
  s.viewMode = viewMode;
  s.backgroundColor = background;
  return s;
}

}  // namespace vex3d::test

namespace vex3d::test {

// A memory view on a scene with the given settings applied and its lists
// built; snapshots on demand.
class OffscreenView {
 public:
  OffscreenView(C3DScene& scene, int size, const _GlViewSettings& settings,
                std::uint32_t drawingFlags = DRAWING_MEMORY)
      : m_view(drawingFlags) {
    EXPECT_EQ(m_view.CreateMemoryRendering(size, size, 32), 1);
    m_view.SetScene(&scene);
    m_view.SetViewSettings(&settings);
    // Fitted again: what is shown may depend on the new view mode.
    m_view.UpdateView(UPDATE_VIEW_REBUILD | UPDATE_VIEW_FIT_RESET);
  }
  ~OffscreenView() { m_view.DetachScene(); }
  std::unique_ptr<Bitmap> snap() { return std::unique_ptr<Bitmap>(m_view.CreateBitmapFromScene()); }
  C3DView& view() { return m_view; }

 private:
  C3DView m_view;
};

// Pixels the scene covers (alpha 0).
struct Coverage {
  int count = 0;
  int minX = 1 << 30;
  int minY = 1 << 30;
  int maxX = -1;
  int maxY = -1;
};

inline Coverage coverage(const Bitmap& image) {
  Coverage c;
  for (int y = 0; y < image.GetHeight(); ++y) {
    for (int x = 0; x < image.GetWidth(); ++x) {
      if (pixelAt(image, x, y).a != 0) continue;
      ++c.count;
      c.minX = std::min(c.minX, x);
      c.minY = std::min(c.minY, y);
      c.maxX = std::max(c.maxX, x);
      c.maxY = std::max(c.maxY, y);
    }
  }
  return c;
}

}  // namespace vex3d::test
