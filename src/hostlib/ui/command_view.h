#pragma once
// A GL view whose mouse input goes to the command that has it (the active
// tool, or the tool held by the keyboard) through the frame's command
// manager. What no command takes is the view's own (OnUnhandled*).
//
// The GL surface is a native window of its own inside the widget: it draws
// straight into the window system's buffer, without the copy and the
// composition a GL widget costs on every frame. Its input comes back to
// this widget, so that the frame's shortcuts and the tools see one widget.
#include <QImage>
#include <QSurfaceFormat>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "hostlib/commands/command_input.h"
#include "hostlib/ui_export.h"

class CCommandMgr;
class QOpenGLContext;
class QOpenGLWindow;

class VEXHOSTUI_EXPORT CCommandView : public QWidget {
 public:
  explicit CCommandView(QWidget* parent = nullptr);
  ~CCommandView() override;

  void SetCommandMgr(CCommandMgr* commands) { m_commands = commands; }
  CCommandMgr* GetCommandMgr() const { return m_commands; }
  // The cursor of a resource id (0 never comes here).
  using CursorProvider = std::function<QCursor(std::uint32_t cursorId)>;
  void SetCursorProvider(CursorProvider provider) { m_cursors = std::move(provider); }
  // Asks the input command for its cursor at the last mouse position.
  void RefreshCursor();

  // Decides the format of the GL surfaces made from now on, from the
  // application's default format: a user's choice of framebuffer takes
  // effect with the next window. Answers the hook it replaces.
  using SurfaceFormatHook = std::function<QSurfaceFormat(const QSurfaceFormat& base)>;
  static SurfaceFormatHook SetSurfaceFormatHook(SurfaceFormatHook hook);

  static vex3d::MouseEvent TranslateMouse(const QPointF& at, Qt::MouseButtons buttons,
                                          Qt::KeyboardModifiers modifiers, int wheelDelta = 0);

  // ---- the GL surface
  QOpenGLWindow* GetSurface() const { return m_surface; }
  // Null until the surface is shown.
  QOpenGLContext* GetContext() const;
  void MakeCurrent();
  void DoneCurrent();
  // A new frame from the event loop.
  void RequestPaint();
  // Size of the surface's buffer in pixels.
  int BufferWidth() const;
  int BufferHeight() const;
  // Draws a frame now and answers its picture; null when the surface could
  // not draw.
  QImage GrabFrame();

 protected:
  // The surface's life, called with its context current.
  virtual void initializeGL() {}
  virtual void resizeGL(int width, int height) {
    (void)width;
    (void)height;
  }
  virtual void paintGL() {}
  // The frame just drawn, read back (inside paintGL, after the drawing).
  QImage ReadBack() const;

  virtual bool OnUnhandledWheel(const vex3d::MouseEvent& e) {
    (void)e;
    return false;
  }
  virtual void OnUnhandledRightButtonUp(const vex3d::MouseEvent& e, const QPoint& global) {
    (void)e;
    (void)global;
  }

  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  class Surface;
  friend class Surface;
  void applyCursor(std::uint32_t id);
  void surfacePainted();

  CCommandMgr* m_commands = nullptr;
  CursorProvider m_cursors;
  vex3d::MouseEvent m_last;
  std::uint32_t m_cursorId = 0;
  QOpenGLWindow* m_surface = nullptr;
  QWidget* m_container = nullptr;
  bool m_grabbing = false;
  QImage m_grabbed;
};
