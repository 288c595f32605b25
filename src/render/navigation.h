#pragma once
// Camera arithmetic of the views: the scene is moved in front of a camera
// that looks down -z. Kept free of GL so the tools and the tests share it.
#include <cstdint>
#include <span>

#include "math/matrix4x4.h"
#include "math/point3d.h"
#include "shared/gl_view_settings.h"
#include "vex3d_export.h"

namespace vex3d {

// Near and far planes for a scene of extent `depth` seen from `distance`;
// planes at or behind the camera are pulled in front of it.
VEX3D_EXPORT void clipPlanes(float distance, float depth, float& nearPlane, float& farPlane);

// The rotation of a standard point of view 1 to 6; the identity otherwise.
VEX3D_EXPORT C4x4Matrix standardViewRotation(std::uint32_t viewPos);

// Vertical field of view of every view's projection, in degrees.
inline constexpr float kFieldOfViewDegrees = 45.0f;

// A three-quarter point of view: from the front, turned 45 degrees to the
// right and 30 degrees above. No axis plane is seen edge-on from there, so
// flat models that a standard view shows as a line still show their area.
VEX3D_EXPORT C4x4Matrix threeQuarterViewRotation();

// The camera of the front view moved on a sphere about the target: turned
// `azimuth` degrees to the right about the up axis, then raised
// `elevation` degrees above the horizon (90 looks straight down).
VEX3D_EXPORT C4x4Matrix orbitViewRotation(float azimuthDegrees, float elevationDegrees);

// Pan and distance that frame points whole through the rotation, target
// and aspect of a view, with `margin` (a fraction of the image's width and
// height) left free on each side. The viewer's own fit frames the scene's
// box for a window and may crop a wide scene in a square image; this one is
// for images of a given size. Points are added a list at a time, so that a
// large scene is framed without a copy of its points.
class VEX3D_EXPORT CameraFraming {
 public:
  CameraFraming(const _GlViewSettings& view, float margin);
  // The points placed in the world by `toWorld`; those that are not finite
  // there are left out.
  void Add(std::span<const C3DPoint> points, const C4x4Matrix& toWorld);
  // The pan and distance into `s`; false, and `s` unchanged, while no point
  // was added.
  bool Apply(_GlViewSettings& s) const;

 private:
  C4x4Matrix m_view;  // world to camera axes, target at the origin
  float m_ax;         // tangents of the half fields of view, margin taken off
  float m_ay;
  // Largest x + ax z, -x + ax z, y + ay z and -y + ay z in camera axes.
  float m_right;
  float m_left;
  float m_top;
  float m_bottom;
  bool m_any = false;
};

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
