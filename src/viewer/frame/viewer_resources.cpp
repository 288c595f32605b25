#include "viewer/frame/viewer_resources.h"

#include <QFile>
#include <QPixmap>
#include <map>

#include "viewer/commands/menu_places.h"

namespace vex3d::viewer {
namespace {

QString iconFile(std::uint32_t id) {
  static const std::map<std::uint32_t, const char*> files = {
      {kBitmapWireframe, "render-wireframe"},
      {kBitmapWireframeHighlighted, "render-wireframe"},
      {kBitmapFlat, "render-flat"},
      {kBitmapFilledHighlighted, "render-flat"},
      {kBitmapSmooth, "render-smooth"},
      {kBitmapFlatWireframe, "render-flat-wireframe"},
      {kBitmapWireHighlighted, "render-flat-wireframe"},
      {kBitmapSmoothWireframe, "render-smooth-wireframe"},
      {kBitmapTexVC, "textures-colors"},
      {kBitmapTexVCHighlighted, "textures-colors"},
      {kBitmapRotate, "tool-rotate"},
      {kBitmapRotateHighlighted, "tool-rotate"},
      {kBitmapPan, "tool-pan"},
      {kBitmapPanHighlighted, "tool-pan"},
      {kBitmapZoom, "tool-zoom"},
      {kBitmapZoomHighlighted, "tool-zoom"},
      {kBitmapFullScreen, "full-screen"},
      {kBitmapFullScreenHighlighted, "full-screen"},
      {kBitmapPreferences, "preferences"},
      {kBitmapPreferencesHighlighted, "preferences"},
      {kBitmapOpen, "file-open"},
      {kBitmapOpenHighlighted, "file-open"},
      {kBitmapSaveAs, "file-save-as"},
      {kBitmapSaveAsHighlighted, "file-save-as"},
      {kBitmapTreeObject, "tree-object"},
      {kBitmapTreeGroup, "tree-group"},
      {kCursorZoom, "cursor-zoom"},
      {kCursorPan, "cursor-pan"},
      {kCursorRotateY, "cursor-rotate-y"},
      {kCursorRotateFree, "cursor-rotate-free"},
      {kCursorRotateX, "cursor-rotate-x"},
      {kCursorRoll, "cursor-rotate-roll"},
  };
  const auto it = files.find(id);
  return it == files.end() ? QString() : QString(":/icons/%1.svg").arg(it->second);
}

}  // namespace

QIcon commandIcon(std::uint32_t bitmapId) {
  const QString file = iconFile(bitmapId);
  return file.isEmpty() ? QIcon() : QIcon(file);
}

QCursor toolCursor(std::uint32_t cursorId) {
  const QString file = iconFile(cursorId);
  if (file.isEmpty() || !QFile::exists(file)) return QCursor(Qt::ArrowCursor);
  // Drawn at 32 pixels with the hot spot in the middle.
  return QCursor(QIcon(file).pixmap(32, 32), 16, 16);
}

QIcon applicationIcon() { return QIcon(":/icons/render-smooth.svg"); }

}  // namespace vex3d::viewer
