#include "viewer/frame/viewer_startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QSurfaceFormat>

#include "io/module.h"
#include "render/navigation.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "viewer/dialogs/gl_configs.h"
#include "viewer/frame/frame_viewer.h"
#include "viewer/frame/view_window.h"
#include "viewer/panes/material_tree.h"
#include "viewer/panes/rebar.h"
#include "viewer/panes/thumbnails_list.h"

namespace vex3d::viewer {

void prepareApplication() {
  QSurfaceFormat format;
  format.setRenderableType(QSurfaceFormat::OpenGL);
  format.setProfile(QSurfaceFormat::CompatibilityProfile);
  format.setVersion(2, 1);
  format.setDepthBufferSize(24);
  format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
  QSurfaceFormat::setDefaultFormat(format);
  // A framebuffer configuration the user chose in the preferences applies
  // to the windows made from now on.
  installAlternativeWindowFormat();
  QCoreApplication::setApplicationName("vex3d");
  QGuiApplication::setApplicationDisplayName("Vex3D");
  QGuiApplication::setDesktopFileName("vex3d-viewer");
  // Each view keeps its own context; its display lists are compiled there
  // and are never shared with another context.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts, false);
}

ModuleScope::ModuleScope() { Init3DVex(0); }

ModuleScope::~ModuleScope() { Close3DVex(0); }

void openFiles(C3DFrameViewer& frame, const std::vector<std::string>& files) {
  bool first = true;
  for (const std::string& file : files) {
    if (frame.ReadScene(file, first ? 0u : READ_SCENE_KEEP | READ_SCENE_KEEP_CURRENT) >= 0) {
      first = false;
    }
  }
  if (frame.GetSceneCount() >= 2) frame.ShowScenes(LEFTBAR_SHOW);
}

bool setPointOfView(C3DFrameViewer& frame, const std::string& name) {
  static const std::pair<const char*, std::uint32_t> kViews[] = {
      {"left", RVIEW_LEFT},     {"right", RVIEW_RIGHT}, {"top", RVIEW_TOP},
      {"bottom", RVIEW_BOTTOM}, {"front", RVIEW_FRONT}, {"back", RVIEW_BACK},
  };
  C3DView* view = frame.Get3DView();
  for (const auto& [known, position] : kViews) {
    if (name == known) {
      view->SetView(position, 1);
      return true;
    }
  }
  if (name != "three-quarter") return false;
  _GlViewSettings s = view->GetViewSettings();
  s.rotation = threeQuarterViewRotation();
  s.mask = GLVS_ROTATION | GLVS_UPDATE;
  view->SetViewSettings(&s);
  return true;
}

double measureRotation(C3DFrameViewer& frame, int frames, bool fastDisplay) {
  C3DViewWindow* window = frame.GetViewWindow();
  C3DView& view = window->GetView();
  _GlViewSettings s = view.GetViewSettings();
  const std::uint32_t mode = s.viewMode;
  s.viewMode = fastDisplay ? mode | VIEW_FAST_DISPLAY : mode & ~VIEW_FAST_DISPLAY;
  s.mask = GLVS_VIEW_MODE | GLVS_UPDATE;
  view.SetViewSettings(&s);
  // Each frame goes through the event loop as a drag's frames do, and
  // counts once the widget has painted it.
  auto paintOnce = [window] {
    const int before = window->GetPaintCount();
    window->RequestPaint();
    QElapsedTimer waited;
    waited.start();
    while (window->GetPaintCount() == before && waited.elapsed() < 10000) {
      QApplication::processEvents(QEventLoop::AllEvents);
    }
  };
  paintOnce();
  paintOnce();
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < frames; ++i) {
    s = view.GetViewSettings();
    s.rotation = rotateDragMatrix(3, 1, kRotateFree, false, 1.0f) * s.rotation;
    s.mask = GLVS_ROTATION | GLVS_UPDATE;
    view.SetViewSettings(&s);
    paintOnce();
  }
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  s = view.GetViewSettings();
  s.viewMode = mode;
  s.mask = GLVS_VIEW_MODE | GLVS_UPDATE;
  view.SetViewSettings(&s);
  return seconds > 0 ? frames / seconds : 0.0;
}

bool saveScreenshot(C3DFrameViewer& frame, const QString& file) {
  C3DViewWindow* view = frame.GetViewWindow();
  QElapsedTimer waited;
  waited.start();
  // The first frame after showing may only clear; the scene is drawn once
  // the display lists exist.
  while (waited.elapsed() < 10000 &&
         (view->GetPaintCount() < 2 ||
          (frame.GetCurrentScene() != nullptr && view->GetFirstFrameMs() < 0))) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  QApplication::processEvents();
  if (file.isEmpty()) return view->GetFirstFrameMs() >= 0;
  // A picture of the window shows the scenes list's thumbnails, not their
  // placeholders.
  const C3DThumbnailsList* scenes = frame.GetBarControl()->GetScenesList();
  while (frame.AreScenesShown() && !scenes->AreAllComputed() && waited.elapsed() < 20000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  QApplication::processEvents();
  // The view draws in a window of its own, which a grab of the frame's
  // widgets does not see: its picture goes in on top.
  QImage picture = frame.grab().toImage();
  const QImage scene = view->GrabFrame();
  if (!scene.isNull()) {
    QPainter painter(&picture);
    painter.drawImage(QRect(view->mapTo(&frame, QPoint(0, 0)), view->size()), scene);
  }
  return picture.save(file);
}

std::vector<double> measureMaterialToggle(C3DFrameViewer& frame, int toggles) {
  std::vector<double> times;
  C3DMaterialTree* tree = frame.GetBarControl()->GetMaterialTree();
  QTreeWidgetItem* item = tree->topLevelItemCount() > 0 ? tree->topLevelItem(0) : nullptr;
  if (item == nullptr) return times;
  C3DViewWindow* window = frame.GetViewWindow();
  saveScreenshot(frame, QString());
  for (int i = 0; i < toggles; ++i) {
    QElapsedTimer timer;
    timer.start();
    const int before = window->GetPaintCount();
    tree->ToggleItem(item);
    window->RequestPaint();
    while (window->GetPaintCount() == before && timer.elapsed() < 60000) {
      QApplication::processEvents(QEventLoop::AllEvents);
    }
    times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
  }
  return times;
}

}  // namespace vex3d::viewer
