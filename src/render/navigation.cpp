#include "render/navigation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vex3d {
namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kRotatePixels = 250.0f;
constexpr int kGuideRadius = 125;
constexpr int kGuideMinHalfSide = 141;
constexpr int kGuideInner = 117;
constexpr int kGuideOuter = 134;
constexpr int kHandleHalf = 8;

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
