#pragma once
// The GL framebuffer configurations the display offers windows: GLX
// configurations of the X screen, or EGL configurations where there is no X
// display. Each is known by its configuration id, the number the
// preferences store under "glpixelformat".
#include <QSurfaceFormat>
#include <string>
#include <vector>

#include "viewer_export.h"

class QOpenGLContext;

namespace vex3d::viewer {

struct GlFramebufferConfig {
  int id = 0;
  int red = 0;
  int green = 0;
  int blue = 0;
  int alpha = 0;
  int depth = 0;
  int stencil = 0;
  int samples = 0;
  bool doubleBuffer = false;
  bool stereo = false;
  // Attribute names and values, one line each, ending "\n".
  std::string description;
};

// Every configuration that can draw into a window with OpenGL, in the
// order the display gives them.
VEX3D_VIEWER_EXPORT std::vector<GlFramebufferConfig> listWindowConfigs();
// The configuration id the context was made with, -1 when it cannot be told.
VEX3D_VIEWER_EXPORT int configOfContext(QOpenGLContext* context);
// `base` asking for what the configuration holds, so that the window
// system picks it (or its closest equal) for the next window.
VEX3D_VIEWER_EXPORT QSurfaceFormat formatOfConfig(const GlFramebufferConfig& config,
                                                  QSurfaceFormat base);
// The view window's format hook: the stored alternative configuration
// when the preferences ask for one and the display still offers it, else
// `base` as it is.
VEX3D_VIEWER_EXPORT QSurfaceFormat alternativeWindowFormat(const QSurfaceFormat& base);
// Installs alternativeWindowFormat for the windows created from now on.
VEX3D_VIEWER_EXPORT void installAlternativeWindowFormat();

}  // namespace vex3d::viewer
