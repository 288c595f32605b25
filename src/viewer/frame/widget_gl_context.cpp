#include "viewer/frame/widget_gl_context.h"

#include <QOpenGLContext>

namespace vex3d {

int WidgetGlContext::width() const {
  return static_cast<int>(m_widget.width() * m_widget.devicePixelRatioF());
}

int WidgetGlContext::height() const {
  return static_cast<int>(m_widget.height() * m_widget.devicePixelRatioF());
}

bool WidgetGlContext::doMakeCurrent() {
  if (m_widget.context() == nullptr) return false;
  m_widget.makeCurrent();
  return QOpenGLContext::currentContext() == m_widget.context();
}

void WidgetGlContext::doDoneCurrent() {
  if (m_widget.context() != nullptr) m_widget.doneCurrent();
}

}  // namespace vex3d
