#include "hostlib/ui/command_view.h"

#include <GL/gl.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QOpenGLWindow>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/ui/key_translation.h"

// The native GL window: drawing goes back to the view, input too.
class CCommandView::Surface final : public QOpenGLWindow {
 public:
  explicit Surface(CCommandView& view) : m_view(view) {}

 protected:
  void initializeGL() override { m_view.initializeGL(); }
  void resizeGL(int w, int h) override { m_view.resizeGL(w, h); }
  void paintGL() override {
    m_view.paintGL();
    m_view.surfacePainted();
  }
  bool event(QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Leave:
        // The surface fills the view: its coordinates are the view's.
        QCoreApplication::sendEvent(&m_view, event);
        return true;
      case QEvent::FocusIn:
        m_view.setFocus(Qt::OtherFocusReason);
        break;
      default:
        break;
    }
    return QOpenGLWindow::event(event);
  }

 private:
  CCommandView& m_view;
};

namespace {

CCommandView::SurfaceFormatHook& surfaceFormatHook() {
  static CCommandView::SurfaceFormatHook hook;
  return hook;
}

}  // namespace

CCommandView::SurfaceFormatHook CCommandView::SetSurfaceFormatHook(SurfaceFormatHook hook) {
  SurfaceFormatHook previous = std::move(surfaceFormatHook());
  surfaceFormatHook() = std::move(hook);
  return previous;
}

CCommandView::CCommandView(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  m_surface = new Surface(*this);
  if (const SurfaceFormatHook& hook = surfaceFormatHook()) {
    m_surface->setFormat(hook(m_surface->requestedFormat()));
  }
  m_container = QWidget::createWindowContainer(m_surface, this);
  m_container->setFocusPolicy(Qt::NoFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_container);
}

CCommandView::~CCommandView() = default;

QOpenGLContext* CCommandView::GetContext() const { return m_surface->context(); }

void CCommandView::MakeCurrent() { m_surface->makeCurrent(); }

void CCommandView::DoneCurrent() { m_surface->doneCurrent(); }

void CCommandView::RequestPaint() { m_surface->update(); }

int CCommandView::BufferWidth() const {
  return static_cast<int>(m_surface->width() * m_surface->devicePixelRatio());
}

int CCommandView::BufferHeight() const {
  return static_cast<int>(m_surface->height() * m_surface->devicePixelRatio());
}

QImage CCommandView::ReadBack() const {
  const int w = BufferWidth();
  const int h = BufferHeight();
  if (w <= 0 || h <= 0) return {};
  QImage image(w, h, QImage::Format_RGBA8888);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, image.bits());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  return image.mirrored();
}

void CCommandView::surfacePainted() {
  if (!m_grabbing) return;
  m_grabbed = ReadBack();
  m_grabbing = false;
}

QImage CCommandView::GrabFrame() {
  // A surface that swaps keeps nothing to read after the swap: the frame is
  // drawn again and read inside its paint.
  m_grabbed = QImage();
  m_grabbing = true;
  m_surface->update();
  QElapsedTimer waited;
  waited.start();
  while (m_grabbing && waited.elapsed() < 5000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  m_grabbing = false;
  return m_grabbed;
}

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
  if (!taken) QWidget::mousePressEvent(event);
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
  QWidget::leaveEvent(event);
}

void CCommandView::RefreshCursor() {
  applyCursor(m_commands != nullptr ? m_commands->SetCursor(m_last) : 0);
}

void CCommandView::applyCursor(std::uint32_t id) {
  if (id == m_cursorId) return;
  m_cursorId = id;
  // The surface is a window of its own: the cursor is set on it too.
  if (id == 0 || !m_cursors) {
    unsetCursor();
    m_surface->unsetCursor();
  } else {
    const QCursor cursor = m_cursors(id);
    setCursor(cursor);
    m_surface->setCursor(cursor);
  }
}
