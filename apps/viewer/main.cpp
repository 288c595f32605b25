// The 3D viewer: opens the files named on the command line (all of them go
// in the scenes list) in a window.
#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "io/module_info.h"
#include "viewer/frame/frame_viewer.h"
#include "viewer/frame/view_window.h"
#include "viewer/frame/viewer_startup.h"
#include "viewer/panes/rebar.h"
#include "viewer/panes/thumbnails_list.h"

namespace {

// Benchmarks: a scenes list on the frame's scenes, the time until every
// thumbnail is in, and the longest time the event loop went without
// turning meanwhile (seen by a 5 ms timer; the tick is its resolution).
bool benchThumbnails(C3DFrameViewer& frame) {
  if (!vex3d::viewer::saveScreenshot(frame, QString())) return false;
  // The frame's own scenes list, as the user sees it: its first thumbnails
  // were made while the files were read; they are all asked for again.
  frame.ShowScenes(LEFTBAR_SHOW);
  C3DThumbnailsList& list = *frame.GetBarControl()->GetScenesList();
  list.show();
  QElapsedTimer clock;
  clock.start();
  while (!list.AreAllComputed() && clock.elapsed() < 120000) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  qint64 last = 0;
  qint64 longest = 0;
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  tick.setInterval(5);
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longest = std::max(longest, now - last);
    last = now;
  });
  clock.restart();
  tick.start();
  list.ScenesChanged();
  while (!list.AreAllComputed() && clock.elapsed() < 120000) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  const qint64 total = clock.elapsed();
  longest = std::max(longest, total - last);
  int computed = 0;
  for (int i = 0; i < list.count(); ++i) computed += list.GetItemLayer(i)->GetLayerNbr() > 0;
  std::printf("thumbnails %d of %d\n", computed, list.count());
  std::printf("thumbnails-ms %lld\n", static_cast<long long>(total));
  std::printf("longest-event-gap-ms %lld\n", static_cast<long long>(longest));
  return computed == list.count();
}

}  // namespace

int main(int argc, char** argv) {
  // Reading a file brings large blocks that come and go (a reader's arrays,
  // then the lists built from them): kept in the heap, a freed block is
  // reused as it is instead of being faulted in and zeroed again.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("%s\n", LoadStringW(vex3d::kStrViewerUsage).c_str());
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("vex3d-viewer %s\n", Vex3DVersion());
      return 0;
    }
  }
  // Without a display Qt would abort with a message about its plug-ins.
  if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr &&
      std::getenv("QT_QPA_PLATFORM") == nullptr) {
    std::fprintf(stderr, "vex3d-viewer: no display to open the window on (DISPLAY is not set)\n");
    return 1;
  }
  vex3d::viewer::prepareApplication();
  QApplication app(argc, argv);
  std::vector<std::string> files;
  // --screenshot FILE: the window as shown once the scene is drawn, then
  // quit (the README's picture is made this way).
  QString screenshot;
  QString view;
  int benchFrames = 0;
  int benchToggles = 0;
  bool benchThumbnailsWanted = false;
  QString firstFrame;
  QSize viewSize;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "--screenshot" && i + 1 < arguments.size()) {
      screenshot = arguments[++i];
    } else if (arguments[i] == "--first-frame" && i + 1 < arguments.size()) {
      // Benchmarks: the first complete picture, written, then quit.
      firstFrame = arguments[++i];
    } else if (arguments[i] == "--view" && i + 1 < arguments.size()) {
      view = arguments[++i];
    } else if (arguments[i] == "--bench-rotate" && i + 1 < arguments.size()) {
      // Benchmarks: the first frame's time, then rotation frames per second.
      benchFrames = arguments[++i].toInt();
    } else if (arguments[i] == "--bench-material" && i + 1 < arguments.size()) {
      // Benchmarks: the time from a material's check to the next frame.
      benchToggles = arguments[++i].toInt();
    } else if (arguments[i] == "--bench-thumbnails") {
      benchThumbnailsWanted = true;
    } else if (arguments[i] == "--view-size" && i + 1 < arguments.size()) {
      const QStringList wh = arguments[++i].split('x');
      if (wh.size() == 2) viewSize = QSize(wh[0].toInt(), wh[1].toInt());
    } else if (!arguments[i].startsWith("--")) {
      files.push_back(arguments[i].toStdString());
    }
  }
  vex3d::viewer::ModuleScope module;
  auto frame = std::make_unique<C3DFrameViewer>();
  if (viewSize.isValid()) frame->GetViewWindow()->setFixedSize(viewSize);
  if (!firstFrame.isEmpty()) frame->GetViewWindow()->CaptureFirstFrame(firstFrame);
  frame->show();
  vex3d::viewer::openFiles(*frame, files);
  if (!view.isEmpty() && !vex3d::viewer::setPointOfView(*frame, view.toStdString())) {
    std::fprintf(stderr, "vex3d-viewer: unknown point of view '%s'\n", qPrintable(view));
  }
  int status = 0;
  if (!firstFrame.isEmpty()) {
    C3DViewWindow* window = frame->GetViewWindow();
    while (!window->IsFirstFrameCaptured() && frame->GetSceneCount() > 0) {
      QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    status = window->IsFirstFrameCaptured() ? 0 : 1;
  } else if (benchFrames > 0) {
    const bool drawn = vex3d::viewer::saveScreenshot(*frame, QString());
    std::printf("first-frame-ms %lld\n",
                static_cast<long long>(frame->GetViewWindow()->GetFirstFrameMs()));
    std::printf("rotate-fps %.1f\n", vex3d::viewer::measureRotation(*frame, benchFrames, false));
    std::printf("rotate-fps-fast-display %.1f\n",
                vex3d::viewer::measureRotation(*frame, benchFrames, true));
    status = drawn ? 0 : 1;
  } else if (benchToggles > 0) {
    // Clicks hide and show in turn, and showing compiles the faces again
    // while hiding drops them: each gets its own median.
    const std::vector<double> times = vex3d::viewer::measureMaterialToggle(*frame, benchToggles);
    std::vector<double> hide;
    std::vector<double> show;
    for (std::size_t i = 0; i < times.size(); ++i) (i % 2 == 0 ? hide : show).push_back(times[i]);
    auto median = [](std::vector<double>& v) {
      std::sort(v.begin(), v.end());
      return v.empty() ? 0.0 : v[v.size() / 2];
    };
    if (show.empty()) {
      status = 1;
    } else {
      const double longest = *std::max_element(times.begin(), times.end());
      const double hideMedian = median(hide);
      std::printf("material-toggle-ms hide %.1f show %.1f max %.1f\n", hideMedian, median(show),
                  longest);
    }
  } else if (benchThumbnailsWanted) {
    status = benchThumbnails(*frame) ? 0 : 1;
  } else if (!screenshot.isEmpty()) {
    status = vex3d::viewer::saveScreenshot(*frame, screenshot) ? 0 : 1;
  } else {
    status = QApplication::exec();
  }
  frame.reset();
  return status;
}
