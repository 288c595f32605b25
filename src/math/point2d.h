#pragma once
// 2D point: x, y.
#include "math/point.h"
#include "math/point4d.h"

class VEX3D_EXPORT C2DPoint : public CPt {
 public:
  C2DPoint() = default;
  C2DPoint(float ax, float ay) : x(ax), y(ay) {}
  C2DPoint(const C2DPoint&) = default;
  C2DPoint(C2DPoint&&) noexcept = default;
  C2DPoint& operator=(const C2DPoint& other) {
    if (this != &other) {
      assignBase(other);
      x = other.x;
      y = other.y;
    }
    return *this;
  }

  void Serialize(CArchive& ar) override;
  C2DPoint& operator=(const C4DPoint& p) override {
    x = p.v[0];
    y = p.v[1];
    return *this;
  }
  C2DPoint& operator=(const CPt& other) override;
  void To4DPoint(C4DPoint& p) const override {
    p.n = 2;
    p.v[0] = x;
    p.v[1] = y;
  }

  bool operator==(const C2DPoint& o) const { return x == o.x && y == o.y; }

  float x = 0.0f;
  float y = 0.0f;
};
