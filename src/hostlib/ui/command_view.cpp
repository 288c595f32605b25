#include "hostlib/ui/command_view.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/ui/key_translation.h"

CCommandView::CCommandView(QWidget* parent) : QOpenGLWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
}

CCommandView::~CCommandView() = default;

vex3d::MouseEvent CCommandView::TranslateMouse(const QPointF& at, Qt::MouseButtons buttons,
                                               Qt::KeyboardModifiers modifiers, int wheelDelta) {
  vex3d::MouseEvent e;
  const QPoint point = at.toPoint();
  e.x = point.x();
  e.y = point.y();
  if (buttons & Qt::LeftButton) e.buttons |= vex3d::kMouseLeft;
  if (buttons & Qt::RightButton) e.buttons |= vex3d::kMouseRight;
  if (buttons & Qt::MiddleButton) e.buttons |= vex3d::kMouseMiddle;
  e.modifiers = vex3d::ui::modifiersFromQt(modifiers);
  e.wheelDelta = wheelDelta;
  return e;
}

void CCommandView::mousePressEvent(QMouseEvent* event) {
  m_last = TranslateMouse(event->position(), event->buttons(), event->modifiers());
  setFocus(Qt::MouseFocusReason);
  bool taken = false;
  if (m_commands != nullptr) {
    if (event->button() == Qt::LeftButton) taken = m_commands->OnLButtonDown(m_last);
    if (event->button() == Qt::RightButton) taken = m_commands->OnRButtonDown(m_last);
  }
  event->setAccepted(taken);
  if (!taken) QOpenGLWidget::mousePressEvent(event);
}

void CCommandView::mouseReleaseEvent(QMouseEvent* event) {
  m_last = TranslateMouse(event->position(), event->buttons(), event->modifiers());
  bool taken = false;
  if (m_commands != nullptr) {
    if (event->button() == Qt::LeftButton) taken = m_commands->OnLButtonUp(m_last);
    if (event->button() == Qt::RightButton) taken = m_commands->OnRButtonUp(m_last);
  }
  if (!taken && event->button() == Qt::RightButton) {
    OnUnhandledRightButtonUp(m_last, event->globalPosition().toPoint());
    taken = true;
  }
  event->setAccepted(taken);
  RefreshCursor();
}

void CCommandView::mouseMoveEvent(QMouseEvent* event) {
  m_last = TranslateMouse(event->position(), event->buttons(), event->modifiers());
  if (m_commands != nullptr) m_commands->OnMouseMove(m_last);
  RefreshCursor();
  event->accept();
}

void CCommandView::wheelEvent(QWheelEvent* event) {
  const vex3d::MouseEvent e = TranslateMouse(event->position(), event->buttons(),
                                             event->modifiers(), event->angleDelta().y());
  bool taken = m_commands != nullptr && m_commands->OnMouseWheel(e);
  if (!taken) taken = OnUnhandledWheel(e);
  event->setAccepted(taken);
}

void CCommandView::leaveEvent(QEvent* event) {
  applyCursor(0);
  QOpenGLWidget::leaveEvent(event);
}

void CCommandView::RefreshCursor() {
  applyCursor(m_commands != nullptr ? m_commands->SetCursor(m_last) : 0);
}

void CCommandView::applyCursor(std::uint32_t id) {
  if (id == m_cursorId) return;
  m_cursorId = id;
  if (id == 0 || !m_cursors) {
    unsetCursor();
  } else {
    setCursor(m_cursors(id));
  }
}
