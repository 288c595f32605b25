#pragma once
// The context of a Qt GL widget as a view's context: making it current
// binds the widget's frame buffer.
#include <QOpenGLWidget>

#include "render/gl_context.h"

namespace vex3d {

class WidgetGlContext final : public GlContext {
 public:
  explicit WidgetGlContext(QOpenGLWidget& widget) : m_widget(widget) {}
  ~WidgetGlContext() override { forgetIfCurrent(); }

  int width() const override;
  int height() const override;
  // Inside paintGL Qt has made the context current already; this records
  // it as current so that the view puts it back after any other work.
  void adoptCurrent() { makeCurrent(); }

 protected:
  bool doMakeCurrent() override;
  void doDoneCurrent() override;

 private:
  QOpenGLWidget& m_widget;
};

}  // namespace vex3d
