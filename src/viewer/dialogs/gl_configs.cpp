#include "viewer/dialogs/gl_configs.h"

#include <QtGui/qguiapplication_platform.h>
#include <QtGui/qopenglcontext_platform.h>

#include <QGuiApplication>
#include <QOpenGLContext>

#include "hostlib/files/profile.h"
#include "hostlib/text/strings.h"
#include "hostlib/ui/command_view.h"

// X11's headers define macros (None, Bool, Status...) that clash with Qt's
// names: they come after every Qt header.
#include <EGL/egl.h>
#include <GL/glx.h>

namespace vex3d::viewer {
namespace {

constexpr const char* kSection = "Render";

Display* xDisplay() {
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 != nullptr ? x11->display() : nullptr;
}

struct FlagName {
  int bit;
  const char* name;
};

std::string flagList(int value, std::initializer_list<FlagName> names) {
  std::string text;
  for (const FlagName& flag : names) {
    if (value & flag.bit) {
      text += flag.name;
      text += '|';
    }
  }
  return text;
}

std::vector<GlFramebufferConfig> glxConfigs(Display* display) {
  std::vector<GlFramebufferConfig> configs;
  int count = 0;
  GLXFBConfig* all = glXGetFBConfigs(display, DefaultScreen(display), &count);
  if (all == nullptr) return configs;
  for (int i = 0; i < count; ++i) {
    auto attribute = [&](int name) {
      int value = 0;
      return glXGetFBConfigAttrib(display, all[i], name, &value) == Success ? value : 0;
    };
    const int drawables = attribute(GLX_DRAWABLE_TYPE);
    const int renderTypes = attribute(GLX_RENDER_TYPE);
    // Only configurations a window can be made with, drawing RGBA.
    if (!(drawables & GLX_WINDOW_BIT) || !(renderTypes & GLX_RGBA_BIT) ||
        attribute(GLX_X_RENDERABLE) == 0 || attribute(GLX_VISUAL_ID) == 0) {
      continue;
    }
    GlFramebufferConfig config;
    config.id = attribute(GLX_FBCONFIG_ID);
    config.red = attribute(GLX_RED_SIZE);
    config.green = attribute(GLX_GREEN_SIZE);
    config.blue = attribute(GLX_BLUE_SIZE);
    config.alpha = attribute(GLX_ALPHA_SIZE);
    config.depth = attribute(GLX_DEPTH_SIZE);
    config.stencil = attribute(GLX_STENCIL_SIZE);
    config.samples = attribute(GLX_SAMPLE_BUFFERS) ? attribute(GLX_SAMPLES) : 0;
    config.doubleBuffer = attribute(GLX_DOUBLEBUFFER) != 0;
    config.stereo = attribute(GLX_STEREO) != 0;
    std::string& text = config.description;
    if (config.doubleBuffer) text += "GLX_DOUBLEBUFFER|";
    if (config.stereo) text += "GLX_STEREO|";
    text += flagList(drawables, {{GLX_WINDOW_BIT, "GLX_WINDOW_BIT"},
                                 {GLX_PIXMAP_BIT, "GLX_PIXMAP_BIT"},
                                 {GLX_PBUFFER_BIT, "GLX_PBUFFER_BIT"}});
    text += "GLX_X_RENDERABLE|";
    const int caveat = attribute(GLX_CONFIG_CAVEAT);
    if (caveat == GLX_SLOW_CONFIG) text += "GLX_SLOW_CONFIG|";
    if (caveat == GLX_NON_CONFORMANT_CONFIG) text += "GLX_NON_CONFORMANT_CONFIG|";
    if (attribute(GLX_TRANSPARENT_TYPE) == GLX_TRANSPARENT_RGB) text += "GLX_TRANSPARENT_RGB|";
    text += '\n';
    text += flagList(renderTypes, {{GLX_RGBA_BIT, "GLX_RGBA_TYPE"},
                                   {GLX_COLOR_INDEX_BIT, "GLX_COLOR_INDEX_TYPE"}});
    if (!text.empty() && text.back() == '|') text.pop_back();
    text += '\n';
    text +=
        formatText("buffer %d level %d aux buffers %d visual 0x%x\n", attribute(GLX_BUFFER_SIZE),
                   attribute(GLX_LEVEL), attribute(GLX_AUX_BUFFERS), attribute(GLX_VISUAL_ID));
    text += formatText("red %d green %d blue %d alpha %d\n", config.red, config.green, config.blue,
                       config.alpha);
    text += formatText("accum red %d accum green %d accum blue %d accum alpha %d\n",
                       attribute(GLX_ACCUM_RED_SIZE), attribute(GLX_ACCUM_GREEN_SIZE),
                       attribute(GLX_ACCUM_BLUE_SIZE), attribute(GLX_ACCUM_ALPHA_SIZE));
    text += formatText("depth %d stencil %d samples %d\n", config.depth, config.stencil,
                       config.samples);
    configs.push_back(std::move(config));
  }
  XFree(all);
  return configs;
}

EGLDisplay eglDisplay() {
  EGLDisplay display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
    return EGL_NO_DISPLAY;
  }
  return display;
}

std::vector<GlFramebufferConfig> eglConfigs(EGLDisplay display) {
  std::vector<GlFramebufferConfig> configs;
  EGLint count = 0;
  if (!eglGetConfigs(display, nullptr, 0, &count) || count <= 0) return configs;
  std::vector<EGLConfig> all(static_cast<std::size_t>(count));
  if (!eglGetConfigs(display, all.data(), count, &count)) return configs;
  all.resize(static_cast<std::size_t>(count));
  for (EGLConfig handle : all) {
    auto attribute = [&](EGLint name) {
      EGLint value = 0;
      return eglGetConfigAttrib(display, handle, name, &value) ? int(value) : 0;
    };
    const int surfaces = attribute(EGL_SURFACE_TYPE);
    const int apis = attribute(EGL_RENDERABLE_TYPE);
    if (!(surfaces & EGL_WINDOW_BIT) || !(apis & EGL_OPENGL_BIT)) continue;
    GlFramebufferConfig config;
    config.id = attribute(EGL_CONFIG_ID);
    config.red = attribute(EGL_RED_SIZE);
    config.green = attribute(EGL_GREEN_SIZE);
    config.blue = attribute(EGL_BLUE_SIZE);
    config.alpha = attribute(EGL_ALPHA_SIZE);
    config.depth = attribute(EGL_DEPTH_SIZE);
    config.stencil = attribute(EGL_STENCIL_SIZE);
    config.samples = attribute(EGL_SAMPLES);
    // EGL window surfaces are double-buffered; a single buffer is a
    // choice made per surface.
    config.doubleBuffer = true;
    std::string& text = config.description;
    text += flagList(surfaces, {{EGL_WINDOW_BIT, "EGL_WINDOW_BIT"},
                                {EGL_PBUFFER_BIT, "EGL_PBUFFER_BIT"},
                                {EGL_PIXMAP_BIT, "EGL_PIXMAP_BIT"}});
    text += flagList(apis, {{EGL_OPENGL_BIT, "EGL_OPENGL_BIT"},
                            {EGL_OPENGL_ES_BIT, "EGL_OPENGL_ES_BIT"},
                            {EGL_OPENGL_ES2_BIT, "EGL_OPENGL_ES2_BIT"},
                            {EGL_OPENVG_BIT, "EGL_OPENVG_BIT"}});
    const int caveat = attribute(EGL_CONFIG_CAVEAT);
    if (caveat == EGL_SLOW_CONFIG) text += "EGL_SLOW_CONFIG|";
    if (caveat == EGL_NON_CONFORMANT_CONFIG) text += "EGL_NON_CONFORMANT_CONFIG|";
    text += '\n';
    text += attribute(EGL_COLOR_BUFFER_TYPE) == EGL_LUMINANCE_BUFFER ? "EGL_LUMINANCE_BUFFER\n"
                                                                     : "EGL_RGB_BUFFER\n";
    text += formatText("buffer %d level %d visual 0x%x\n", attribute(EGL_BUFFER_SIZE),
                       attribute(EGL_LEVEL), attribute(EGL_NATIVE_VISUAL_ID));
    text += formatText("red %d green %d blue %d alpha %d\n", config.red, config.green, config.blue,
                       config.alpha);
    text += formatText("depth %d stencil %d samples %d\n", config.depth, config.stencil,
                       config.samples);
    configs.push_back(std::move(config));
  }
  return configs;
}

}  // namespace

std::vector<GlFramebufferConfig> listWindowConfigs() {
  if (Display* display = xDisplay()) return glxConfigs(display);
  EGLDisplay display = eglDisplay();
  if (display == EGL_NO_DISPLAY) return {};
  return eglConfigs(display);
}

int configOfContext(QOpenGLContext* context) {
  if (context == nullptr) return -1;
  if (auto* glx = context->nativeInterface<QNativeInterface::QGLXContext>()) {
    Display* display = xDisplay();
    int id = -1;
    if (display != nullptr && glx->nativeContext() != nullptr &&
        glXQueryContext(display, glx->nativeContext(), GLX_FBCONFIG_ID, &id) == Success) {
      return id;
    }
    return -1;
  }
  if (auto* egl = context->nativeInterface<QNativeInterface::QEGLContext>()) {
    EGLint id = -1;
    if (eglGetConfigAttrib(egl->display(), egl->config(), EGL_CONFIG_ID, &id)) return int(id);
  }
  return -1;
}

QSurfaceFormat formatOfConfig(const GlFramebufferConfig& config, QSurfaceFormat base) {
  base.setRedBufferSize(config.red);
  base.setGreenBufferSize(config.green);
  base.setBlueBufferSize(config.blue);
  base.setAlphaBufferSize(config.alpha);
  base.setDepthBufferSize(config.depth);
  base.setStencilBufferSize(config.stencil);
  base.setSamples(config.samples);
  base.setStereo(config.stereo);
  base.setSwapBehavior(config.doubleBuffer ? QSurfaceFormat::DoubleBuffer
                                           : QSurfaceFormat::SingleBuffer);
  return base;
}

QSurfaceFormat alternativeWindowFormat(const QSurfaceFormat& base) {
  // Bit 0 of "glsettings": the user chose the configuration himself.
  if ((GetProfileInt(kSection, "glsettings", 0) & 0x1) == 0) return base;
  const int wanted = GetProfileInt(kSection, "glpixelformat", -1);
  if (wanted == -1) return base;
  for (const GlFramebufferConfig& config : listWindowConfigs()) {
    if (config.id == wanted) return formatOfConfig(config, base);
  }
  return base;
}

void installAlternativeWindowFormat() {
  CCommandView::SetSurfaceFormatHook(&alternativeWindowFormat);
}

}  // namespace vex3d::viewer
