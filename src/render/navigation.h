#pragma once
// Camera arithmetic of the views: the scene is moved in front of a camera
// that looks down -z. Kept free of GL so the tools and the tests share it.
#include <cstdint>

#include "math/matrix4x4.h"
#include "shared/gl_view_settings.h"
#include "vex3d_export.h"

namespace vex3d {

// Near and far planes for a scene of extent `depth` seen from `distance`;
// planes at or behind the camera are pulled in front of it.
VEX3D_EXPORT void clipPlanes(float distance, float depth, float& nearPlane, float& farPlane);

// The rotation of a standard point of view 1 to 6; the identity otherwise.
VEX3D_EXPORT C4x4Matrix standardViewRotation(std::uint32_t viewPos);

// Rotate-tool modes (the tool's "MODE" parameter).
enum RotateMode : int {
  kRotateAboutY = 1,
  kRotateAboutX = 2,
  kRotateFree = 3,
  kRotateRoll = 4,
};

// The matrix a rotate drag of (dx, dy) pixels multiplies onto the rotation
// remembered at the press.
VEX3D_EXPORT C4x4Matrix rotateDragMatrix(int dx, int dy, int mode, bool pressRightOfCentre,
                                         float speed);
// The mode a hovered point picks relative to the guide circle at the centre
// of a width x height client area; `current` when the area is too small.
VEX3D_EXPORT int hoverRotateMode(int x, int y, int width, int height, int current);

// Pan by a motion of (dx, dy) pixels over a width x height client area.
VEX3D_EXPORT void panStep(_GlViewSettings& s, int dx, int dy, int width, int height, float speed);
// Zoom tool: a downward motion moves away, anything else comes closer.
VEX3D_EXPORT void zoomDragStep(_GlViewSettings& s, int dy, float speed);
// Wheel: a positive delta moves away, anything else comes closer.
VEX3D_EXPORT void wheelZoomStep(_GlViewSettings& s, int delta);
// Zoom in / zoom out commands.
VEX3D_EXPORT void zoomCommandStep(_GlViewSettings& s, bool zoomIn);

// 4 while Shift is held, else 1.
inline float toolSpeed(bool shift) { return shift ? 4.0f : 1.0f; }

}  // namespace vex3d
