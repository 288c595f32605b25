#include "viewer/frame/view_window.h"

#include <GL/gl.h>

#include <QApplication>
#include <QCursor>
#include <QDateTime>
#include <QMenu>
#include <QOpenGLContext>
#include <QPainter>

#include "hostlib/commands/command_mgr.h"
#include "hostlib/core/fourcc.h"
#include "render/view_flags.h"
#include "viewer/command_3d.h"
#include "viewer/frame/frame_viewer.h"
#include "viewer/frame/widget_gl_context.h"

namespace {

constexpr int kViewTimerMs = 200;

}  // namespace

C3DViewWindow::C3DViewWindow(QWidget* parent)
    : CCommandView(parent),
      m_view(std::make_unique<C3DView>()),
      m_created(QDateTime::currentMSecsSinceEpoch()) {
  setObjectName("view3d");
  setMinimumSize(64, 64);
  m_view->SetInvalidateHook([this](bool) { RequestPaint(); });
  m_view->SetTextDrawer([this](const std::string& text) { drawLabel(text); });
  m_timer.setInterval(kViewTimerMs);
  connect(&m_timer, &QTimer::timeout, this, [this] {
    if (m_view->GetGLContext() != nullptr) m_view->OnTimer();
    SetFastKeyCommand();
  });
  m_timer.start();
}

C3DViewWindow::~C3DViewWindow() {
  m_timer.stop();
  // The widget's context goes after this part of the object: the lists and
  // textures are deleted now, in it, and its last signal must not come here.
  QObject::disconnect(m_contextGone);
  m_view->OnDestroy();
  if (m_context) {
    MakeCurrent();
    releaseContext();
    DoneCurrent();
  }
}

void C3DViewWindow::releaseContext() {
  if (!m_context) return;
  if (m_view->GetGLContext() == m_context.get()) m_view->DeleteMainGLContext();
  m_context.reset();
}

void C3DViewWindow::initializeGL() {
  // The widget's context is made anew when the widget changes window (full
  // screen on some platforms): everything built in the old one is gone.
  releaseContext();
  m_context = std::make_unique<vex3d::WidgetGlContext>(*this);
  QObject::disconnect(m_contextGone);
  m_contextGone = connect(GetContext(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
    MakeCurrent();
    releaseContext();
    DoneCurrent();
  });
  m_context->adoptCurrent();
  m_view->CreateMainGLContext(m_context.get());
  m_view->UpdateView(UPDATE_VIEW_REBUILD);
}

void C3DViewWindow::resizeGL(int width, int height) {
  if (m_context) m_context->adoptCurrent();
  m_view->SizeChanged(width, height);
}

void C3DViewWindow::paintGL() {
  if (!m_context) return;
  m_context->adoptCurrent();
  m_view->OnPaint();
  ++m_paints;
  if (m_view->GetScene() == nullptr || m_view->IsDirty()) return;
  if (m_firstFrameMs < 0) m_firstFrameMs = QDateTime::currentMSecsSinceEpoch() - m_created;
  if (!m_captureFile.isEmpty() && !m_captured) {
    // The window's picture is opaque: written without an alpha channel.
    ReadBack().convertToFormat(QImage::Format_RGB888).save(m_captureFile);
    m_captured = true;
  }
  if (m_compileAfterFirstFrame) {
    m_compileAfterFirstFrame = false;
    QTimer::singleShot(0, this, [this] {
      m_view->SetDrawingFlag(DRAWING_IMMEDIATE, false);
      m_view->UpdateView(UPDATE_VIEW_REBUILD);
    });
  }
}

void C3DViewWindow::drawLabel(const std::string& text) {
  // Point and face numbers: the text drawn by Qt in the current GL colour,
  // put at the current raster position with its baseline there.
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  const QFontMetrics metrics(font());
  const QString label = QString::fromStdString(text);
  const QSize size(metrics.horizontalAdvance(label) + 2, metrics.height());
  QImage image(size, QImage::Format_RGBA8888_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    painter.setFont(font());
    painter.setPen(QColor::fromRgbF(colour[0], colour[1], colour[2]));
    painter.drawText(1, metrics.ascent(), label);
  }
  image = image.mirrored();
  glRasterPos2f(0.0f, 0.0f);
  glBitmap(0, 0, 0, 0, 0, static_cast<GLfloat>(-metrics.descent()), nullptr);
  glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT);
  glEnable(GL_BLEND);
  glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
  glDrawPixels(image.width(), image.height(), GL_RGBA, GL_UNSIGNED_BYTE, image.constBits());
  glPopAttrib();
}

void C3DViewWindow::DrawNextSceneDirectly() {
  m_view->SetDrawingFlag(DRAWING_IMMEDIATE, true);
  m_compileAfterFirstFrame = true;
}

std::uint32_t C3DViewWindow::FastKeyTool(bool ctrl, bool alt, bool space) {
  if (ctrl && alt) return vex3d::fourcc("ZOOM");
  if (ctrl) return vex3d::fourcc("ROTA");
  if (space) return vex3d::fourcc("MOVE");
  return 0;
}

void C3DViewWindow::SetFastKeyCommand() {
  CCommandMgr* commands = GetCommandMgr();
  if (commands == nullptr) return;
  const bool inside = underMouse() || rect().contains(mapFromGlobal(QCursor::pos()));
  std::uint32_t code = 0;
  if (inside && QApplication::activeModalWidget() == nullptr) {
    const Qt::KeyboardModifiers keys = QApplication::queryKeyboardModifiers();
    code = FastKeyTool(keys & Qt::ControlModifier, keys & Qt::AltModifier, m_spaceDown);
  }
  CVexCommand* tool = code != 0 ? commands->GetCommandById(code) : nullptr;
  if (tool != commands->GetVolatileCommand()) {
    commands->SetVolatileCommand(tool);
    if (m_frame != nullptr) m_frame->FastKeyToolChanged(tool != nullptr);
    RefreshCursor();
  }
}

bool C3DViewWindow::OnUnhandledWheel(const vex3d::MouseEvent& e) {
  const bool timeChanged = e.IsShift() || e.IsCtrl();
  // Moving in time rewrites the scene the scenes list's thread may be drawing.
  const vex3d::FrameViewerLink& frames = vex3d::frameViewerLink();
  if (timeChanged && m_frame != nullptr && frames.beforeSceneEdit) frames.beforeSceneEdit(m_frame);
  const bool handled = m_view->OnMouseWheel(e.IsShift(), e.IsCtrl(), e.wheelDelta);
  if (timeChanged) RequestPaint();
  return handled;
}

void C3DViewWindow::OnUnhandledRightButtonUp(const vex3d::MouseEvent& e, const QPoint& global) {
  (void)e;
  DisplayMenu(global);
}

void C3DViewWindow::DisplayMenu(const QPoint& global) {
  if (m_menu == nullptr) return;
  if (m_frame != nullptr) m_frame->UpdateCommandStates();
  m_menu->popup(global);
}
