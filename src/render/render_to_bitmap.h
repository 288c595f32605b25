#pragma once
// Headless rendering of a scene into an image, for the command line and the
// thumbnails: a private off-screen view made and deleted per call. Safe to
// call from several threads at once on different scenes; not on one scene,
// since compiling brings the objects' normals up to date.
#include <memory>
#include <string>

#include "hostlib/images/bitmap.h"
#include "shared/gl_view_settings.h"
#include "vex3d_export.h"

class C3DScene;

namespace vex3d {

// The scene fitted in a width x height RGBA bitmap (alpha 255 where nothing
// was drawn, as the off-screen views give it), drawn with the profile's
// default view settings and then `settings` applied through its mask (null:
// none). Null, with the reason in `error` when given, when no off-screen
// context can be made.
VEX3D_EXPORT std::unique_ptr<Bitmap> renderSceneToBitmap(C3DScene& scene, int width, int height,
                                                         const _GlViewSettings* settings,
                                                         std::string* error = nullptr);

// As renderSceneToBitmap, but framed for an image of this size rather than
// by the viewer's fit: whatever rotation `settings` gives, every node drawn
// lies inside the image with `margin` (a fraction of the width and of the
// height) free on each side. The pan and distance of `settings` are not
// used.
VEX3D_EXPORT std::unique_ptr<Bitmap> renderFramedSceneToBitmap(C3DScene& scene, int width,
                                                               int height,
                                                               const _GlViewSettings* settings,
                                                               float margin,
                                                               std::string* error = nullptr);

// How many pixels of a rendering show the scene rather than the background;
// every pixel of an image without alpha.
VEX3D_EXPORT long long countDrawnPixels(const Bitmap& image);

}  // namespace vex3d
