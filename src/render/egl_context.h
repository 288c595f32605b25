#pragma once
// An off-screen GL context on an EGL pixel buffer: RGBA8 with a 24-bit depth
// buffer, compatibility profile, so the fixed-function pipeline is there.
// Without a display server the Mesa surfaceless platform is used.
#include <memory>
#include <string>

#include "render/gl_context.h"
#include "vex3d_export.h"

namespace vex3d {

class VEX3D_EXPORT EglOffscreenContext final : public GlContext {
 public:
  // Null, with the reason in `error` when given, when EGL cannot provide
  // the surface or the context.
  static std::unique_ptr<EglOffscreenContext> create(int width, int height,
                                                     std::string* error = nullptr);
  ~EglOffscreenContext() override;

  // With a display server, contexts are made through it: its driver may
  // draw on a GPU that the display-less platform reaches only in software.
  // Connecting costs a small image most of its time, so a caller that draws
  // one can do without; it must say so before the first context is made.
  static void useDisplayServer(bool use);

  int width() const override { return m_width; }
  int height() const override { return m_height; }

 protected:
  bool doMakeCurrent() override;
  void doDoneCurrent() override;

 private:
  EglOffscreenContext() = default;
  void* m_display = nullptr;
  void* m_surface = nullptr;
  void* m_context = nullptr;
  int m_width = 0;
  int m_height = 0;
};

}  // namespace vex3d
