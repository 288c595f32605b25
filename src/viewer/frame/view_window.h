#pragma once
// The 3D view in a window: a C3DView drawing into the command view's GL
// surface. The surface's context goes on the view's context stack when GL
// is ready, the view's invalidations become paint requests, and its 200 ms timer runs
// the fast-display and final-repaint cycle and picks the tool the keyboard
// holds.
#include <QTimer>
#include <memory>

#include "hostlib/ui/command_view.h"
#include "render/view.h"
#include "viewer_export.h"

class C3DFrameViewer;
class QMenu;

namespace vex3d {
class WidgetGlContext;
}

class VEX3D_VIEWER_EXPORT C3DViewWindow : public CCommandView {
 public:
  explicit C3DViewWindow(QWidget* parent = nullptr);
  ~C3DViewWindow() override;

  C3DView& GetView() { return *m_view; }
  const C3DView& GetView() const { return *m_view; }
  void SetFrame(C3DFrameViewer* frame) { m_frame = frame; }

  // Chooses the tool held by the keyboard: Ctrl and Alt zoom, Ctrl alone
  // rotates, Space pans; only while the cursor is in the view.
  void SetFastKeyCommand();
  // The command code of the tool held for this keyboard state; 0 for none.
  static std::uint32_t FastKeyTool(bool ctrl, bool alt, bool space);
  // The pop-up of the view's command menu at `global`.
  void DisplayMenu(const QPoint& global);
  // The context menu the frame built; null before.
  void SetMenu(QMenu* menu) { m_menu = menu; }

  // The next scene's first picture is drawn straight from its meshes, and
  // its display lists are compiled right after it is on screen: a large
  // file shows as soon as it is read, not once every list is built.
  void DrawNextSceneDirectly();

  int GetPaintCount() const { return m_paints; }
  // Writes the view's first complete picture of a scene to `file`, read
  // back from the frame that showed it (benchmarks compare this with a
  // peer rendering a file to an image). IsFirstFrameCaptured tells when
  // it is done.
  void CaptureFirstFrame(const QString& file) { m_captureFile = file; }
  bool IsFirstFrameCaptured() const { return m_captured; }
  // Time of the first complete frame since construction, in milliseconds;
  // -1 before.
  qint64 GetFirstFrameMs() const { return m_firstFrameMs; }
  // Whether the space bar is down (the pan tool is held).
  void SetSpaceDown(bool down) { m_spaceDown = down; }

 protected:
  void initializeGL() override;
  void resizeGL(int width, int height) override;
  void paintGL() override;
  bool OnUnhandledWheel(const vex3d::MouseEvent& e) override;
  void OnUnhandledRightButtonUp(const vex3d::MouseEvent& e, const QPoint& global) override;

 private:
  void releaseContext();
  void drawLabel(const std::string& text);

  std::unique_ptr<C3DView> m_view;
  std::unique_ptr<vex3d::WidgetGlContext> m_context;
  C3DFrameViewer* m_frame = nullptr;
  QMenu* m_menu = nullptr;
  QTimer m_timer;
  QMetaObject::Connection m_contextGone;
  bool m_spaceDown = false;
  bool m_compileAfterFirstFrame = false;
  QString m_captureFile;
  bool m_captured = false;
  int m_paints = 0;
  qint64 m_created = 0;
  qint64 m_firstFrameMs = -1;
};
