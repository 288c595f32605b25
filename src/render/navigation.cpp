#include "render/navigation.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>

#include "hostlib/core/parallel_parts.h"

namespace vex3d {
namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kRotatePixels = 250.0f;
constexpr int kGuideRadius = 125;
constexpr int kGuideMinHalfSide = 141;
constexpr int kGuideInner = 117;
constexpr int kGuideOuter = 134;
constexpr int kHandleHalf = 8;
// Points worth a thread of their own when a scene is framed.
constexpr int kPointsPerPart = 131072;

bool inHandle(int x, int y, int cx, int cy) {
  return std::abs(x - cx) <= kHandleHalf && std::abs(y - cy) <= kHandleHalf;
}

}  // namespace

void clipPlanes(float distance, float depth, float& nearPlane, float& farPlane) {
  nearPlane = distance - depth * 0.5f;
  farPlane = nearPlane + depth;
  if (farPlane <= 0.0f) farPlane = 0.002f;
  if (nearPlane <= 0.0f) nearPlane = farPlane / 100.0f;
}

C4x4Matrix standardViewRotation(std::uint32_t viewPos) {
  C4x4Matrix m;
  switch (viewPos) {
    case 1:
      m.Rotate(kPi / 2.0f, 1.0f, 0.0f, 0.0f);
      m.Rotate(-kPi / 2.0f, 0.0f, 0.0f, 1.0f);
      break;
    case 2:
      m.Rotate(kPi / 2.0f, 1.0f, 0.0f, 0.0f);
      m.Rotate(kPi / 2.0f, 0.0f, 0.0f, 1.0f);
      break;
    case 4:
      m.Rotate(kPi, 0.0f, 0.0f, 1.0f);
      m.Rotate(kPi, 0.0f, 1.0f, 0.0f);
      break;
    case 5:
      m.Rotate(kPi / 2.0f, 1.0f, 0.0f, 0.0f);
      break;
    case 6:
      m.Rotate(kPi / 2.0f, 1.0f, 0.0f, 0.0f);
      m.Rotate(kPi, 0.0f, 0.0f, 1.0f);
      break;
    default:  // 3 (top) and anything else
      break;
  }
  return m;
}

C4x4Matrix threeQuarterViewRotation() {
  C4x4Matrix m;
  // Applied to the points in reverse order: turn the model 45 degrees about
  // its up axis, then lay it down as the front view does, but 30 degrees
  // short of upright so that the camera looks down onto it.
  m.Rotate(kPi / 2.0f - kPi / 6.0f, 1.0f, 0.0f, 0.0f);
  m.Rotate(kPi / 4.0f, 0.0f, 0.0f, 1.0f);
  return m;
}

C4x4Matrix orbitViewRotation(float azimuthDegrees, float elevationDegrees) {
  const float toRadians = kPi / 180.0f;
  C4x4Matrix m;
  m.Rotate(kPi / 2.0f - elevationDegrees * toRadians, 1.0f, 0.0f, 0.0f);
  m.Rotate(azimuthDegrees * toRadians, 0.0f, 0.0f, 1.0f);
  return m;
}

// With the eye at distance D from the target and a pan p, a point at
// (x, y, z) in camera axes (z towards the eye) is seen inside the image
// while |x + p| <= a (D - z), a being the tangent of the half field of view
// narrowed by the margin. The largest x + a z and -x + a z over the points
// bound D and p from both sides; the least D meeting both is their mean,
// and the pan that leaves the same room on both sides is half their
// difference.
CameraFraming::CameraFraming(const _GlViewSettings& view, float margin)
    : m_view(view.rotation),
      m_right(-std::numeric_limits<float>::infinity()),
      m_left(m_right),
      m_top(m_right),
      m_bottom(m_right) {
  C4x4Matrix toTarget;
  toTarget.InitTranslation(-view.target[0], -view.target[1], -view.target[2]);
  m_view *= toTarget;
  const float tanHalf = std::tan(kFieldOfViewDegrees * 0.5f * kPi / 180.0f);
  const float aspect = view.aspect > 0.0f && std::isfinite(view.aspect) ? view.aspect : 1.0f;
  const float room = std::clamp(1.0f - 2.0f * margin, 0.05f, 1.0f);
  m_ax = room * tanHalf * aspect;
  m_ay = room * tanHalf;
}

void CameraFraming::Add(std::span<const C3DPoint> points, const C4x4Matrix& toWorld) {
  const C4x4Matrix toCamera = m_view * toWorld;
  struct Extent {
    float right, left, top, bottom;
    bool any;
  };
  // The largest values do not depend on the order the points come in: the
  // points are shared among the processors and their parts' extents joined.
  const Extent start{m_right, m_left, m_top, m_bottom, false};
  std::mutex joining;
  const auto count = static_cast<int>(std::min<std::size_t>(points.size(), INT_MAX));
  vex3d::forEachPart(count, kPointsPerPart, [&](int begin, int end) {
    Extent e = start;
    for (const C3DPoint& p :
         points.subspan(static_cast<std::size_t>(begin), static_cast<std::size_t>(end - begin))) {
      float c[3];
      toCamera.transformXYZ(p.x, p.y, p.z, c);
      if (!std::isfinite(c[0]) || !std::isfinite(c[1]) || !std::isfinite(c[2])) continue;
      e.right = std::max(e.right, c[0] + m_ax * c[2]);
      e.left = std::max(e.left, -c[0] + m_ax * c[2]);
      e.top = std::max(e.top, c[1] + m_ay * c[2]);
      e.bottom = std::max(e.bottom, -c[1] + m_ay * c[2]);
      e.any = true;
    }
    const std::lock_guard<std::mutex> lock(joining);
    m_right = std::max(m_right, e.right);
    m_left = std::max(m_left, e.left);
    m_top = std::max(m_top, e.top);
    m_bottom = std::max(m_bottom, e.bottom);
    m_any = m_any || e.any;
  });
}

bool CameraFraming::Apply(_GlViewSettings& s) const {
  if (!m_any) return false;
  const float distance =
      std::max((m_right + m_left) / (2.0f * m_ax), (m_top + m_bottom) / (2.0f * m_ay));
  const float panX = (m_left - m_right) * 0.5f;
  const float panY = (m_bottom - m_top) * 0.5f;
  if (!std::isfinite(distance) || !std::isfinite(panX) || !std::isfinite(panY)) return false;
  s.distance = distance;
  s.panX = panX;
  s.panY = panY;
  return true;
}

C4x4Matrix rotateDragMatrix(int dx, int dy, int mode, bool pressRightOfCentre, float speed) {
  C4x4Matrix r;
  const float a = static_cast<float>(dy) * kPi / kRotatePixels * speed;
  if (mode & kRotateAboutY)
    r.Rotate(-static_cast<float>(dx) * kPi / kRotatePixels * speed, 0.0f, 1.0f, 0.0f);
  if (mode & kRotateAboutX) r.Rotate(-a, 1.0f, 0.0f, 0.0f);
  if (mode & kRotateRoll) r.Rotate(pressRightOfCentre ? a : -a, 0.0f, 0.0f, 1.0f);
  return r;
}

int hoverRotateMode(int x, int y, int width, int height, int current) {
  if (std::min(width, height) / 2 <= kGuideMinHalfSide) return current;
  const int dx = x - width / 2;
  const int dy = y - height / 2;
  const double distance = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
  if (distance < kGuideInner) return kRotateFree;
  if (distance < kGuideOuter) {
    if (inHandle(dx, dy, -kGuideRadius, 0) || inHandle(dx, dy, kGuideRadius, 0))
      return kRotateAboutY;
    if (inHandle(dx, dy, 0, -kGuideRadius) || inHandle(dx, dy, 0, kGuideRadius))
      return kRotateAboutX;
    // Between the circles and off the handles: the simple rule, inside the
    // guide circle turns freely, outside it rolls.
    return distance < kGuideRadius ? kRotateFree : kRotateRoll;
  }
  return kRotateRoll;
}

void panStep(_GlViewSettings& s, int dx, int dy, int width, int height, float speed) {
  if (width > 0) s.panX += static_cast<float>(dx) * speed / static_cast<float>(width) * s.depth;
  if (height > 0) s.panY -= static_cast<float>(dy) * speed / static_cast<float>(height) * s.depth;
}

void zoomDragStep(_GlViewSettings& s, int dy, float speed) {
  const float step = 0.05f * s.zoomStep * speed;
  s.distance += dy >= 1 ? step : -step;
}

void wheelZoomStep(_GlViewSettings& s, int delta) {
  const float step = 0.05f * s.zoomStep;
  s.distance += delta >= 1 ? step : -step;
}

void zoomCommandStep(_GlViewSettings& s, bool zoomIn) {
  s.distance += (zoomIn ? -0.2f : 0.2f) * s.zoomStep;
}

}  // namespace vex3d
