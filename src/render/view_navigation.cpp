// The view's side of navigation: standard views, fitting, the 2D overlay
// mode and the wheel.
#include <GL/glew.h>

#include <cmath>

#include "render/navigation.h"
#include "render/view.h"
#include "scene/scene.h"

namespace {

constexpr int kSceneChangedTime = 32;

}  // namespace

void C3DView::SetView(std::uint32_t viewPos, int redraw) {
  m_settings.rotation = vex3d::standardViewRotation(viewPos);
  m_settings.viewPos = viewPos;
  if (redraw) invalidate(true);
}

void C3DView::InitViewSettings(C3DScene* scene, int reset) {
  _GlViewSettings& s = m_settings;
  if (scene == nullptr) {
    s.viewMode = vex3d::kInitialViewMode;
    s.brightness = 1.0f;
    s.zoomStep = 0.0f;
    s.target[0] = s.target[1] = s.target[2] = 0.0f;
    s.rotation = vex3d::standardViewRotation(RVIEW_FRONT);
    s.viewPos = RVIEW_FRONT;
    s.mask = 0;
    LoadDefaultSettings();
    return;
  }
  const int time = scene->GetTickCount();
  const bool showHidden =
      (s.viewMode & VIEW_HIDDEN_STIPPLED) && (s.viewMode & (VIEW_FLAT | VIEW_SMOOTH));
  C3DPoint a;
  C3DPoint b;
  if (!scene->GetSceneRoot()->GetBoundingBox(time, a, b, showHidden ? 0 : 1)) {
    a = C3DPoint(0.0f, 0.0f, 0.0f);
    b = a;
  }
  const float dx = b.x - a.x;
  const float dy = b.y - a.y;
  const float dz = b.z - a.z;
  const float diagonal = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (!reset && !m_autoFit) {
    if (diagonal > s.depth) s.depth = diagonal;
    return;
  }
  s.target[0] = (a.x + b.x) * 0.5f;
  s.target[1] = (a.y + b.y) * 0.5f;
  s.target[2] = (a.z + b.z) * 0.5f;
  s.depth = diagonal;
  s.panX = 0.0f;
  s.panY = 0.0f;
  s.distance = 1.2f * diagonal;
  s.zoomStep = s.distance;
}

void C3DView::SwitchTo2DMode(bool on, bool keepDepth) {
  if (on) {
    if (m_2dNesting++ > 0) return;
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_LIGHTING_BIT | GL_POLYGON_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    if (!keepDepth) glDisable(GL_DEPTH_TEST);
    glShadeModel(GL_FLAT);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    float nearPlane = 0.0f;
    float farPlane = 1.0f;
    if (keepDepth) vex3d::clipPlanes(m_settings.distance, m_settings.depth, nearPlane, farPlane);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, viewport[2], 0.0, viewport[3], nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    return;
  }
  if (m_2dNesting == 0 || --m_2dNesting > 0) return;
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
}

bool C3DView::OnMouseWheel(bool shift, bool ctrl, int delta) {
  if (shift || ctrl) {
    if (m_scene == nullptr) return true;
    const int now = m_scene->GetTickCount();
    int t = now + (delta > 0 ? -1 : 1);
    if (shift && ctrl) {
      t = m_scene->GetKeyTime(now, delta > 0 ? vex3d::kFindPrevious : vex3d::kFindNext,
                              vex3d::kAnyKeyClass);
    }
    if (m_scene->SetCurrentTime(t)) {
      invalidate(true);
      if (m_sceneChanged) m_sceneChanged(kSceneChangedTime);
    }
    return true;
  }
  vex3d::wheelZoomStep(m_settings, delta);
  UpdateView(0);
  return true;
}
