#pragma once
// Texture coordinate: u, v, w.
#include "math/point.h"
#include "math/point4d.h"

class VEX3D_EXPORT CUVWPoint : public CPt {
 public:
  CUVWPoint() = default;
  CUVWPoint(float au, float av, float aw) : u(au), v(av), w(aw) {}
  CUVWPoint(const CUVWPoint&) = default;
  CUVWPoint(CUVWPoint&&) noexcept = default;

  void Serialize(CArchive& ar) override;
  CUVWPoint& operator=(const C4DPoint& p) override {
    u = p.v[0];
    v = p.v[1];
    w = p.v[2];
    return *this;
  }
  CUVWPoint& operator=(const CPt& other) override;
  void To4DPoint(C4DPoint& p) const override {
    p.n = 3;
    p.v[0] = u;
    p.v[1] = v;
    p.v[2] = w;
  }
  virtual CUVWPoint& operator=(const CUVWPoint& other) {
    if (this != &other) {
      assignBase(other);
      u = other.u;
      v = other.v;
      w = other.w;
    }
    return *this;
  }

  void SetUV(float au, float av, float aw) {
    u = au;
    v = av;
    w = aw;
  }
  // The two coordinates that span the map: (v, w) when u is exactly 0, else
  // (u, w) when v is exactly 0, else (u, v).
  void GetUVCoordinate(float& s, float& t) const {
    if (u == 0.0f) {
      s = v;
      t = w;
    } else if (v == 0.0f) {
      s = u;
      t = w;
    } else {
      s = u;
      t = v;
    }
  }
  bool operator==(const CUVWPoint& o) const { return u == o.u && v == o.v && w == o.w; }
  // Hash: (v + u) + w truncated toward zero (see vex3d::truncateWrap32 for
  // values that do not fit).
  explicit operator unsigned int() const { return vex3d::truncateWrap32((v + u) + w); }

  float u = 0.0f;
  float v = 0.0f;
  float w = 0.0f;
};
