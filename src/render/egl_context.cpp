#include "render/egl_context.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace vex3d {
namespace {

std::atomic<bool> displayServerWanted{true};

// EGL displays are not reference counted: terminating one would pull the
// ground from under the contexts of other threads, so the display stays
// initialised for the life of the process.
EGLDisplay sharedDisplay(std::string& error) {
  static std::once_flag once;
  static EGLDisplay display = EGL_NO_DISPLAY;
  static std::string failure;
  std::call_once(once, [] {
    const bool hasServer = displayServerWanted && (std::getenv("DISPLAY") != nullptr ||
                                                   std::getenv("WAYLAND_DISPLAY") != nullptr);
    EGLDisplay candidate = EGL_NO_DISPLAY;
    EGLint major = 0;
    EGLint minor = 0;
    if (hasServer) {
      candidate = eglGetDisplay(EGL_DEFAULT_DISPLAY);
      if (candidate != EGL_NO_DISPLAY && eglInitialize(candidate, &major, &minor) != EGL_TRUE) {
        candidate = EGL_NO_DISPLAY;
      }
    }
    if (candidate == EGL_NO_DISPLAY) {
      candidate =
          eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      if (candidate != EGL_NO_DISPLAY && eglInitialize(candidate, &major, &minor) != EGL_TRUE) {
        candidate = EGL_NO_DISPLAY;
      }
    }
    if (candidate == EGL_NO_DISPLAY) failure = "no EGL display could be initialised";
    display = candidate;
  });
  error = failure;
  return display;
}

void setError(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

}  // namespace

void EglOffscreenContext::useDisplayServer(bool use) { displayServerWanted = use; }

std::unique_ptr<EglOffscreenContext> EglOffscreenContext::create(int width, int height,
                                                                 std::string* error) {
  if (width <= 0 || height <= 0) {
    setError(error, "empty surface size");
    return nullptr;
  }
  std::string failure;
  EGLDisplay display = sharedDisplay(failure);
  if (display == EGL_NO_DISPLAY) {
    setError(error, failure);
    return nullptr;
  }
  if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    setError(error, "desktop OpenGL is not available through EGL");
    return nullptr;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_ALPHA_SIZE,
                                     8,
                                     EGL_DEPTH_SIZE,
                                     24,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint count = 0;
  if (eglChooseConfig(display, configAttributes, &config, 1, &count) != EGL_TRUE || count < 1) {
    setError(error, "no RGBA8 pixel-buffer configuration with a depth buffer");
    return nullptr;
  }
  std::unique_ptr<EglOffscreenContext> result(new EglOffscreenContext);
  result->m_display = display;
  result->m_width = width;
  result->m_height = height;
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
  if (surface == EGL_NO_SURFACE) {
    setError(error, "the pixel buffer could not be created");
    return nullptr;
  }
  result->m_surface = surface;
  const EGLint compatibility[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                  EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, compatibility);
  if (context == EGL_NO_CONTEXT)
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT) {
    setError(error, "no OpenGL context could be created");
    return nullptr;
  }
  result->m_context = context;
  return result;
}

EglOffscreenContext::~EglOffscreenContext() {
  forgetIfCurrent();
  if (m_context != nullptr) eglDestroyContext(m_display, static_cast<EGLContext>(m_context));
  if (m_surface != nullptr) eglDestroySurface(m_display, static_cast<EGLSurface>(m_surface));
}

bool EglOffscreenContext::doMakeCurrent() {
  // The bound API is per thread: a worker thread starts with OpenGL ES.
  eglBindAPI(EGL_OPENGL_API);
  EGLSurface surface = static_cast<EGLSurface>(m_surface);
  return eglMakeCurrent(m_display, surface, surface, static_cast<EGLContext>(m_context)) ==
         EGL_TRUE;
}

void EglOffscreenContext::doDoneCurrent() {
  eglBindAPI(EGL_OPENGL_API);
  eglMakeCurrent(m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

}  // namespace vex3d
