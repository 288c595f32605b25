#pragma once
// A GL view whose mouse input goes to the command that has it (the active
// tool, or the tool held by the keyboard) through the frame's command
// manager. What no command takes is the view's own (OnUnhandled*).
#include <QOpenGLWidget>
#include <cstdint>
#include <functional>

#include "hostlib/commands/command_input.h"
#include "hostlib/ui_export.h"

class CCommandMgr;

class VEXHOSTUI_EXPORT CCommandView : public QOpenGLWidget {
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

  static vex3d::MouseEvent TranslateMouse(const QPointF& at, Qt::MouseButtons buttons,
                                          Qt::KeyboardModifiers modifiers, int wheelDelta = 0);

 protected:
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
  void applyCursor(std::uint32_t id);

  CCommandMgr* m_commands = nullptr;
  CursorProvider m_cursors;
  vex3d::MouseEvent m_last;
  std::uint32_t m_cursorId = 0;
};
