#include "render/render_to_bitmap.h"

#include "render/view.h"
#include "scene/scene.h"

namespace vex3d {

std::unique_ptr<Bitmap> renderSceneToBitmap(C3DScene& scene, int width, int height,
                                            const _GlViewSettings* settings, std::string* error) {
  C3DView view(DRAWING_MEMORY | DRAWING_IMMEDIATE);
  if (!view.CreateMemoryRendering(width, height, 32)) {
    if (error != nullptr) *error = "no off-screen OpenGL context could be made";
    return nullptr;
  }
  view.SetScene(&scene);
  if (settings != nullptr) {
    _GlViewSettings applied = *settings;
    applied.mask &= ~static_cast<std::uint32_t>(GLVS_UPDATE);
    view.SetViewSettings(&applied);
  }
  // Fitted again unless the caller placed the camera: which nodes count
  // may depend on the view mode just applied.
  const bool placed = settings != nullptr && (settings->mask & GLVS_PAN_DISTANCE) != 0;
  view.UpdateView(UPDATE_VIEW_REBUILD |
                  (placed ? 0u : static_cast<std::uint32_t>(UPDATE_VIEW_FIT_RESET)));
  std::unique_ptr<Bitmap> image(view.CreateBitmapFromScene());
  view.DeleteMemoryRendering();
  view.DetachScene();
  if (!image && error != nullptr) *error = "the rendered image could not be read";
  return image;
}

}  // namespace vex3d
