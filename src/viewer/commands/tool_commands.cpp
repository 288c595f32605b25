#include "viewer/commands/tool_commands.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>

#include "hostlib/commands/command_access.h"
#include "hostlib/text/string_ids.h"
#include "render/navigation.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "viewer/commands/menu_places.h"
#include "viewer/frame/frame_viewer.h"
#include "viewer/frame/view_window.h"

using vex3d::fourcc;
using vex3d::viewer::CommandInfo;

namespace {

constexpr std::uint32_t kModeKey = fourcc("MODE");
constexpr float kGuideRadius = 125.0f;
constexpr float kHandle = 16.0f;
constexpr int kGuideMinHalfSide = 141;

CommandInfo toolInfo(std::uint32_t category, std::uint32_t code, std::uint32_t name,
                     std::uint32_t help, std::uint32_t key, std::uint16_t index,
                     std::uint32_t bitmap, std::uint32_t highlighted) {
  return vex3d::viewer::withButton(
      vex3d::viewer::commandInfo(category, code, name, help, key, 0, vex3d::kMenuView,
                                 vex3d::viewer::kGroupTools, index, vex3d::kCommandKindInteractive),
      vex3d::viewer::kToolbarTools, index, bitmap, highlighted);
}

}  // namespace

int C3DToolCommand::ClientWidth() const {
  return Get3DFrameWnd() != nullptr ? Get3DFrameWnd()->GetViewWindow()->width() : 0;
}

int C3DToolCommand::ClientHeight() const {
  return Get3DFrameWnd() != nullptr ? Get3DFrameWnd()->GetViewWindow()->height() : 0;
}

void C3DToolCommand::Apply(_GlViewSettings& s, std::uint32_t mask) {
  s.mask = mask;
  Get3DView()->SetViewSettings(&s);
}

bool C3DToolCommand::OnLButtonDown(const vex3d::MouseEvent& e) {
  if (Get3DView() == nullptr) return false;
  m_dragging = true;
  m_pressX = m_lastX = e.x;
  m_pressY = m_lastY = e.y;
  Pressed();
  return true;
}

bool C3DToolCommand::OnLButtonUp(const vex3d::MouseEvent& e) {
  (void)e;
  const bool was = m_dragging;
  m_dragging = false;
  return was;
}

bool C3DToolCommand::OnMouseMove(const vex3d::MouseEvent& e) {
  if (!m_dragging || Get3DView() == nullptr) return false;
  // A release that happened outside the window ends the drag here.
  if (!e.IsLeftDown()) {
    m_dragging = false;
    return true;
  }
  if (e.x == m_lastX && e.y == m_lastY) return true;
  const int dx = e.x - m_lastX;
  const int dy = e.y - m_lastY;
  m_lastX = e.x;
  m_lastY = e.y;
  Drag(dx, dy, e.x - m_pressX, e.y - m_pressY, vex3d::toolSpeed(e.IsShift()));
  return true;
}

// ---- rotate

C3DRotateCommand::C3DRotateCommand()
    : C3DToolCommand(toolInfo(fourcc("MOVE"), fourcc("ROTA"), vex3d::kStrRotate,
                              vex3d::kStrRotateHelp, 'R', 0, vex3d::viewer::kBitmapRotate,
                              vex3d::viewer::kBitmapRotateHighlighted)) {}

int C3DRotateCommand::GetMode() const {
  return static_cast<int>(GetParameters().GetUInt(kModeKey, vex3d::kRotateFree));
}

void C3DRotateCommand::Pressed() { m_pressRotation = Get3DView()->GetViewSettings().rotation; }

void C3DRotateCommand::Drag(int dx, int dy, int totalX, int totalY, float speed) {
  (void)dx;
  (void)dy;
  const bool right = m_pressX > ClientWidth() / 2;
  _GlViewSettings s = Get3DView()->GetViewSettings();
  s.rotation = vex3d::rotateDragMatrix(totalX, totalY, GetMode(), right, speed) * m_pressRotation;
  Apply(s, GLVS_ROTATION | GLVS_UPDATE);
}

bool C3DRotateCommand::OnMouseMove(const vex3d::MouseEvent& e) {
  if (!m_dragging) {
    const int mode = vex3d::hoverRotateMode(e.x, e.y, ClientWidth(), ClientHeight(), GetMode());
    if (mode != GetMode()) GetParameters().SetUInt(kModeKey, static_cast<std::uint32_t>(mode));
    return false;
  }
  return C3DToolCommand::OnMouseMove(e);
}

std::uint32_t C3DRotateCommand::SetCursor(const vex3d::MouseEvent& e) {
  (void)e;
  switch (GetMode()) {
    case vex3d::kRotateAboutY:
      return vex3d::viewer::kCursorRotateY;
    case vex3d::kRotateAboutX:
      return vex3d::viewer::kCursorRotateX;
    case vex3d::kRotateRoll:
      return vex3d::viewer::kCursorRoll;
    default:
      return vex3d::viewer::kCursorRotateFree;
  }
}

void C3DRotateCommand::OnGetFocus() {
  if (Get3DFrameWnd() != nullptr) Get3DFrameWnd()->GetViewWindow()->RequestPaint();
}

void C3DRotateCommand::OnLooseFocus() {
  m_dragging = false;
  if (Get3DFrameWnd() != nullptr) Get3DFrameWnd()->GetViewWindow()->RequestPaint();
}

void C3DRotateCommand::OnDraw() {
  C3DView* view = Get3DView();
  const int w = ClientWidth();
  const int h = ClientHeight();
  if (view == nullptr || std::min(w, h) / 2 <= kGuideMinHalfSide) return;
  // Only once the scene stopped moving: a guide redrawn with every frame of
  // a drag would only slow it down.
  if (!view->IsDrawingFlagSet(DRAWING_FINAL_REPAINT) && !view->IsDrawingFlagSet(DRAWING_MEMORY)) {
    return;
  }
  view->SwitchTo2DMode(true, false);
  const float cx = static_cast<float>(w) / 2.0f;
  const float cy = static_cast<float>(h) / 2.0f;
  glColor3ub(0, 200, 0);
  glBegin(GL_LINE_LOOP);
  for (int i = 0; i < 30; ++i) {
    const float a = static_cast<float>(i) * 2.0f * std::numbers::pi_v<float> / 30.0f;
    glVertex2f(cx + kGuideRadius * std::cos(a), cy + kGuideRadius * std::sin(a));
  }
  glEnd();
  const float centres[4][2] = {{cx - kGuideRadius, cy},
                               {cx + kGuideRadius, cy},
                               {cx, cy + kGuideRadius},
                               {cx, cy - kGuideRadius}};
  const float r = kHandle / 2.0f;
  for (const auto& c : centres) {
    glColor3ub(0, 0, 0);
    glRectf(c[0] - r, c[1] - r, c[0] + r, c[1] + r);
    glColor3ub(0, 200, 0);
    glBegin(GL_LINE_LOOP);
    glVertex2f(c[0] - r, c[1] - r);
    glVertex2f(c[0] + r, c[1] - r);
    glVertex2f(c[0] + r, c[1] + r);
    glVertex2f(c[0] - r, c[1] + r);
    glEnd();
  }
  view->SwitchTo2DMode(false, false);
}

// ---- pan

C3DMoveCommand::C3DMoveCommand()
    : C3DToolCommand(toolInfo(fourcc("MOVE"), fourcc("MOVE"), vex3d::kStrPan, vex3d::kStrPanHelp,
                              'P', 1, vex3d::viewer::kBitmapPan,
                              vex3d::viewer::kBitmapPanHighlighted)) {}

std::uint32_t C3DMoveCommand::SetCursor(const vex3d::MouseEvent& e) {
  (void)e;
  return vex3d::viewer::kCursorPan;
}

void C3DMoveCommand::Drag(int dx, int dy, int totalX, int totalY, float speed) {
  (void)totalX;
  (void)totalY;
  _GlViewSettings s = Get3DView()->GetViewSettings();
  vex3d::panStep(s, dx, dy, std::max(ClientWidth(), 1), std::max(ClientHeight(), 1), speed);
  Apply(s, GLVS_PAN_DISTANCE | GLVS_UPDATE);
}

// ---- zoom

C3DZoomCommand::C3DZoomCommand()
    : C3DToolCommand(toolInfo(fourcc("ZOOM"), fourcc("ZOOM"), vex3d::kStrZoom, vex3d::kStrZoomHelp,
                              'Z', 2, vex3d::viewer::kBitmapZoom,
                              vex3d::viewer::kBitmapZoomHighlighted)) {}

std::uint32_t C3DZoomCommand::SetCursor(const vex3d::MouseEvent& e) {
  (void)e;
  return vex3d::viewer::kCursorZoom;
}

void C3DZoomCommand::Drag(int dx, int dy, int totalX, int totalY, float speed) {
  (void)dx;
  (void)totalX;
  (void)totalY;
  _GlViewSettings s = Get3DView()->GetViewSettings();
  vex3d::zoomDragStep(s, dy, speed);
  Apply(s, GLVS_PAN_DISTANCE | GLVS_UPDATE);
}
