#include "viewer/frame/widget_gl_context.h"

#include <QOpenGLContext>

namespace vex3d {

int WidgetGlContext::width() const { return m_view.BufferWidth(); }

int WidgetGlContext::height() const { return m_view.BufferHeight(); }

bool WidgetGlContext::doMakeCurrent() {
  if (m_view.GetContext() == nullptr) return false;
  m_view.MakeCurrent();
  return QOpenGLContext::currentContext() == m_view.GetContext();
}

void WidgetGlContext::doDoneCurrent() {
  if (m_view.GetContext() != nullptr) m_view.DoneCurrent();
}

}  // namespace vex3d
