#include "render/gl_context.h"

#include <GL/glew.h>

#include <mutex>

namespace vex3d {
namespace {

thread_local GlContext* t_current = nullptr;

}  // namespace

GlContext::~GlContext() = default;

bool GlContext::makeCurrent() {
  if (!doMakeCurrent()) return false;
  t_current = this;
  return true;
}

void GlContext::doneCurrent() {
  if (t_current != this) return;
  doDoneCurrent();
  t_current = nullptr;
}

GlContext* GlContext::current() { return t_current; }

void GlContext::releaseCurrent() {
  if (t_current != nullptr) t_current->doneCurrent();
}

void GlContext::forgetIfCurrent() {
  if (t_current == this) {
    doDoneCurrent();
    t_current = nullptr;
  }
}

bool isGlewInitSuccess(unsigned int glewResult) {
  return glewResult == GLEW_OK || glewResult == GLEW_ERROR_NO_GLX_DISPLAY;
}

bool initGlew() {
  // GLEW keeps its entry points in process globals; with glvnd they are
  // dispatch stubs valid for every context, so one load serves all views.
  static std::mutex mutex;
  static bool loaded = false;
  std::lock_guard<std::mutex> lock(mutex);
  if (!loaded) {
    glewExperimental = GL_TRUE;
    loaded = isGlewInitSuccess(glewInit());
  }
  return loaded;
}

}  // namespace vex3d
