#pragma once
// The window-system side of a view: something that can make a GL context
// current on the calling thread and release it. The off-screen contexts
// below implement it with EGL; a viewer implements it over its widget's
// context. The context current on each thread is tracked here so that a view
// can put back whatever was current before it drew.
#include <cstdint>

#include "vex3d_export.h"

namespace vex3d {

class VEX3D_EXPORT GlContext {
 public:
  GlContext() = default;
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;
  virtual ~GlContext();

  // True when the context is current on this thread afterwards.
  bool makeCurrent();
  // Releases this context when it is the one current on this thread.
  void doneCurrent();
  // The context made current on this thread through this interface, or null.
  static GlContext* current();
  // Releases whatever context is current on this thread.
  static void releaseCurrent();

  // Size of the drawable in pixels.
  virtual int width() const = 0;
  virtual int height() const = 0;
  // Presents the back buffer; nothing for single-buffered surfaces.
  virtual void swapBuffers() {}

 protected:
  virtual bool doMakeCurrent() = 0;
  virtual void doDoneCurrent() = 0;
  // Subclasses call this from their destructor so that no thread keeps a
  // dangling current pointer (only the calling thread can be fixed).
  void forgetIfCurrent();
};

// GLEW is told to load its entry points for the current context. Under a
// headless EGL context it answers "no GLX display" after having loaded
// them: that answer counts as success.
VEX3D_EXPORT bool isGlewInitSuccess(unsigned int glewResult);
// Loads the entry points once per process (a context must be current);
// thread-safe. False when GLEW could not load them.
VEX3D_EXPORT bool initGlew();

}  // namespace vex3d
