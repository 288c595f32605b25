// Rendering without a window: an EGL pixel buffer pushed on the view's
// context stack, read back into a library bitmap.
#include <GL/glew.h>

#include <vector>

#include "hostlib/images/bitmap.h"
#include "render/egl_context.h"
#include "render/view.h"

int C3DView::CreateMemoryRendering(int width, int height, int depth) {
  if (m_pbuffer) DeleteMemoryRendering();
  // No device-bitmap path: without a pixel buffer there is no context to
  // draw with, and the caller is told so.
  m_pbuffer = vex3d::EglOffscreenContext::create(width, height);
  if (!m_pbuffer) return 0;
  m_memoryWidth = width;
  m_memoryHeight = height;
  m_memoryDepth = depth;
  m_contexts.Push(_GLContext{m_pbuffer.get()});
  SetDrawingFlag(DRAWING_MEMORY, true);
  Activate();
  InitMainGLContext();
  SizeChanged(width, height);
  Deactivate();
  return 1;
}

Bitmap* C3DView::CreateBitmapFromScene() {
  if (!m_pbuffer || GetGLContext() != m_pbuffer.get()) return nullptr;
  const int w = m_memoryWidth;
  const int h = m_memoryHeight;
  const bool rgba = m_memoryDepth == 32;
  Activate();
  RenderScene();
  std::vector<std::uint8_t> colour(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
  std::vector<float> depth;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, colour.data());
  if (rgba) {
    depth.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    glReadPixels(0, 0, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
  }
  Deactivate();
  Bitmap* out = Bitmap::Create(rgba ? vex3d::kBitmapRgba : vex3d::kBitmapRgb, w, h);
  if (out == nullptr) return nullptr;
  // GL rows come bottom first: the last bitmap row is filled first.
  for (int row = 0; row < h; ++row) {
    std::uint8_t* line = out->GetLine(h - 1 - row);
    const std::size_t base = static_cast<std::size_t>(row) * static_cast<std::size_t>(w);
    for (int x = 0; x < w; ++x) {
      const std::size_t i = base + static_cast<std::size_t>(x);
      std::uint8_t* px = line + static_cast<std::size_t>(x) * (rgba ? 4 : 3);
      px[0] = colour[i * 3];
      px[1] = colour[i * 3 + 1];
      px[2] = colour[i * 3 + 2];
      if (rgba) px[3] = depth[i] == 1.0f ? 255 : 0;
    }
  }
  return out;
}

int C3DView::DeleteMemoryRendering() {
  if (!m_pbuffer) return 0;
  Activate();
  deleteContextObjects(m_pbuffer.get());
  Deactivate();
  if (!m_contexts.IsEmpty() && m_contexts.Top().context == m_pbuffer.get()) m_contexts.Pop();
  m_pbuffer.reset();
  return 1;
}
