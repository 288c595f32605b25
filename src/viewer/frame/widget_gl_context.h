#pragma once
// The context of a command view's GL surface as a view's context.
#include "hostlib/ui/command_view.h"
#include "render/gl_context.h"

namespace vex3d {

class WidgetGlContext final : public GlContext {
 public:
  explicit WidgetGlContext(CCommandView& view) : m_view(view) {}
  ~WidgetGlContext() override { forgetIfCurrent(); }

  int width() const override;
  int height() const override;
  // Inside paintGL the context is current already; this records
  // it as current so that the view puts it back after any other work.
  void adoptCurrent() { makeCurrent(); }

 protected:
  bool doMakeCurrent() override;
  void doDoneCurrent() override;

 private:
  CCommandView& m_view;
};

}  // namespace vex3d
