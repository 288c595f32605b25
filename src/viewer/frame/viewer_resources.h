#pragma once
// The viewer's images: toolbar icons and tool cursors by resource id, and
// the application's icon; drawn from the SVG files built into the library.
#include <QCursor>
#include <QIcon>
#include <cstdint>

#include "viewer_export.h"

namespace vex3d::viewer {

// A null icon for an unknown id.
VEX3D_VIEWER_EXPORT QIcon commandIcon(std::uint32_t bitmapId);
// The arrow for an unknown id.
VEX3D_VIEWER_EXPORT QCursor toolCursor(std::uint32_t cursorId);
VEX3D_VIEWER_EXPORT QIcon applicationIcon();

}  // namespace vex3d::viewer
