#include "render/render_to_bitmap.h"

#include <optional>

#include "math/matrix4x4.h"
#include "mesh/model/base_object.h"
#include "mesh/model/point_lists.h"
#include "render/navigation.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/scene.h"

namespace vex3d {

namespace {

// Frames the points of every node the view draws, where the node puts them
// at the scene's current time. Points rather than boxes: the corners of a
// box are often empty space, which a square image can ill afford.
bool frameDrawnNodes(const C3DScene& scene, float margin, _GlViewSettings& settings) {
  const std::uint32_t mode = settings.viewMode;
  const bool withHidden =
      (mode & VIEW_HIDDEN_STIPPLED) != 0 && (mode & (VIEW_FLAT | VIEW_SMOOTH)) != 0;
  const int time = scene.GetTickCount();
  CameraFraming framing(settings, margin);
  CSceneIterator it = scene.Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = scene.GetNextNode(object, it)) {
    if (object == nullptr || object->GetKindOf() == OBJECT_GROUP ||
        object->IsFlagSet(OBJECT_EMPTY) || (node->IsFlagSet(NODE_HIDDEN) && !withHidden)) {
      continue;
    }
    // Faceless meshes (point clouds) are not drawn.
    if (object->GetKindOf() != OBJECT_CURVE && object->GetFaceNbr() == 0) continue;
    const C3DPointList* points = object->GetPointList();
    if (points == nullptr || points->GetSize() == 0) continue;
    C4x4Matrix world;
    node->GetNodeTM(time, world, 1);
    framing.Add({points->GetData(), static_cast<std::size_t>(points->GetSize())}, world);
  }
  return framing.Apply(settings);
}

std::unique_ptr<Bitmap> render(C3DScene& scene, int width, int height,
                               const _GlViewSettings* settings, std::optional<float> margin,
                               std::string* error) {
  C3DView view(DRAWING_MEMORY | DRAWING_IMMEDIATE);
  if (!view.CreateMemoryRendering(width, height, 32)) {
    if (error != nullptr) *error = "no off-screen OpenGL context could be made";
    return nullptr;
  }
  view.SetScene(&scene);
  if (settings != nullptr) {
    _GlViewSettings applied = *settings;
    applied.mask &= ~static_cast<std::uint32_t>(GLVS_UPDATE);
    if (margin) applied.mask &= ~static_cast<std::uint32_t>(GLVS_PAN_DISTANCE);
    view.SetViewSettings(&applied);
  }
  // Fitted again unless the caller placed the camera: which nodes count
  // may depend on the view mode just applied.
  const bool placed = settings != nullptr && (settings->mask & GLVS_PAN_DISTANCE) != 0 && !margin;
  view.UpdateView(UPDATE_VIEW_REBUILD |
                  (placed ? 0u : static_cast<std::uint32_t>(UPDATE_VIEW_FIT_RESET)));
  if (margin) {
    // The fit leaves the target and the depth of the clip planes; only the
    // camera's distance and pan change.
    _GlViewSettings framed = view.GetViewSettings();
    if (frameDrawnNodes(scene, *margin, framed)) {
      framed.mask = GLVS_PAN_DISTANCE;
      view.SetViewSettings(&framed);
    }
  }
  std::unique_ptr<Bitmap> image(view.CreateBitmapFromScene());
  view.DeleteMemoryRendering();
  view.DetachScene();
  if (!image && error != nullptr) *error = "the rendered image could not be read";
  return image;
}

}  // namespace

std::unique_ptr<Bitmap> renderSceneToBitmap(C3DScene& scene, int width, int height,
                                            const _GlViewSettings* settings, std::string* error) {
  return render(scene, width, height, settings, std::nullopt, error);
}

std::unique_ptr<Bitmap> renderFramedSceneToBitmap(C3DScene& scene, int width, int height,
                                                  const _GlViewSettings* settings, float margin,
                                                  std::string* error) {
  return render(scene, width, height, settings, margin, error);
}

long long countDrawnPixels(const Bitmap& image) {
  const int width = image.GetWidth();
  const int height = image.GetHeight();
  if (image.GetBytesPerPixel() != 4) return static_cast<long long>(width) * height;
  long long drawn = 0;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* line = image.GetLine(y);
    for (int x = 0; x < width; ++x) drawn += line[4 * x + 3] == 0 ? 1 : 0;
  }
  return drawn;
}

}  // namespace vex3d
