#pragma once
// 3D positions and directions. The arithmetic stays inline: it runs over
// whole point lists. Results of arithmetic are fresh values: no flags and no
// parameter record.
#include <cassert>
#include <cmath>

#include "math/point.h"
#include "math/point4d.h"

class C3DVector;
class CQuaternion;
class CUVWPoint;

class VEX3D_EXPORT C3DPoint : public CPt {
 public:
  C3DPoint() = default;
  C3DPoint(float ax, float ay, float az) : x(ax), y(ay), z(az) {}
  C3DPoint(const C3DPoint&) = default;
  C3DPoint(C3DPoint&&) noexcept = default;
  C3DPoint& operator=(const C3DPoint& other) {
    if (this != &other) {
      assignBase(other);
      x = other.x;
      y = other.y;
      z = other.z;
    }
    return *this;
  }

  void Serialize(CArchive& ar) override;
  C3DPoint& operator=(const C4DPoint& p) override {
    x = p.v[0];
    y = p.v[1];
    z = p.v[2];
    return *this;
  }
  C3DPoint& operator=(const CPt& other) override;
  void To4DPoint(C4DPoint& p) const override {
    p.n = 3;
    p.v[0] = x;
    p.v[1] = y;
    p.v[2] = z;
  }
  // As the assignment from any point kind: flags, parameter record rule,
  // coordinates.
  virtual C3DPoint& operator=(const C3DVector& v);
  // Exact comparison of the three floats.
  virtual bool operator==(const C3DPoint& o) const { return x == o.x && y == o.y && z == o.z; }
  virtual bool operator!=(const C3DPoint& o) const { return !(x == o.x && y == o.y && z == o.z); }

  void Init() { x = y = z = 0.0f; }
  void Init(float ax, float ay, float az) {
    x = ax;
    y = ay;
    z = az;
  }
  float& operator[](int i) {
    assert(i >= 0 && i < 3);
    return i == 0 ? x : (i == 1 ? y : z);
  }
  float operator[](int i) const {
    assert(i >= 0 && i < 3);
    return i == 0 ? x : (i == 1 ? y : z);
  }
  // The three coordinates are contiguous, x first.
  float* ValPtr() { return &x; }
  const float* ValPtr() const { return &x; }

  C3DPoint operator+(const C3DPoint& o) const { return {x + o.x, y + o.y, z + o.z}; }
  C3DPoint operator-(const C3DPoint& o) const { return {x - o.x, y - o.y, z - o.z}; }
  C3DPoint operator+(const C3DVector& v) const;
  C3DPoint operator-(const C3DVector& v) const;
  // The xyz part only.
  C3DPoint operator+(const C4DVector& v) const { return {x + v.x, y + v.y, z + v.z}; }
  C3DPoint operator*(float f) const { return {x * f, y * f, z * f}; }
  C3DPoint operator/(float f) const { return {x / f, y / f, z / f}; }
  C3DPoint& operator+=(const C3DPoint& o) {
    x += o.x;
    y += o.y;
    z += o.z;
    return *this;
  }
  C3DPoint& operator-=(const C3DPoint& o) {
    x -= o.x;
    y -= o.y;
    z -= o.z;
    return *this;
  }
  C3DPoint& operator+=(const C3DVector& v);
  C3DPoint& operator-=(const C3DVector& v);
  C3DPoint& operator*=(float f) {
    x *= f;
    y *= f;
    z *= f;
    return *this;
  }
  C3DPoint& operator/=(float f) {
    x /= f;
    y /= f;
    z /= f;
    return *this;
  }
  // a x + b y + c z + d: the signed distance to the plane when (a, b, c) is unit.
  float operator*(const C4DVector& plane) const {
    return plane.x * x + plane.y * y + plane.z * z + plane.w;
  }
  float Mult(float a, float b, float c) const { return a * x + b * y + c * z; }
  void GetValues3(double* out) const {
    out[0] = x;
    out[1] = y;
    out[2] = z;
  }

  // Displaces the point by a sine wave of amplitude |period| x amplitude
  // along z (driven by x), then x (driven by y), then y (driven by z), each
  // step seeing the coordinates the previous one left; an axis whose period
  // is 0 is skipped.
  void NoisyWaveFunc(const C3DPoint& origin, const C3DVector& period, float amplitude,
                     float frequency, float phase);

  // 1 when the point is in the triangle: inside the box of a, b, c (bounds
  // included) and on the same side of the three edges, the side being the
  // sign class of each edge's cross product with the point.
  int IsInTriangle(const C3DPoint& a, const C3DPoint& b, const C3DPoint& c) const;

  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

class VEX3D_EXPORT C3DVector : public CPt {
 public:
  C3DVector() = default;
  C3DVector(float ax, float ay, float az) : x(ax), y(ay), z(az) {}
  // b - a.
  C3DVector(const C3DPoint& a, const C3DPoint& b) : x(b.x - a.x), y(b.y - a.y), z(b.z - a.z) {}
  // The coordinates only.
  explicit C3DVector(const C3DPoint& p) : x(p.x), y(p.y), z(p.z) {}
  // The vector part (x, y, z) of the quaternion.
  explicit C3DVector(const CQuaternion& q);
  C3DVector(const C3DVector&) = default;
  C3DVector(C3DVector&&) noexcept = default;
  C3DVector& operator=(const C3DVector& other) {
    if (this != &other) {
      assignBase(other);
      x = other.x;
      y = other.y;
      z = other.z;
    }
    return *this;
  }

  void Serialize(CArchive& ar) override;
  C3DVector& operator=(const C4DPoint& p) override {
    x = p.v[0];
    y = p.v[1];
    z = p.v[2];
    return *this;
  }
  C3DVector& operator=(const CPt& other) override;
  void To4DPoint(C4DPoint& p) const override {
    p.n = 3;
    p.v[0] = x;
    p.v[1] = y;
    p.v[2] = z;
  }

  void Init(float ax, float ay, float az) {
    x = ax;
    y = ay;
    z = az;
  }
  void InitFromPoints(const C3DPoint& a, const C3DPoint& b) {
    x = b.x - a.x;
    y = b.y - a.y;
    z = b.z - a.z;
  }
  // b - a over (u, v, w).
  void InitFromUVWPoints(const CUVWPoint& a, const CUVWPoint& b);
  void InitFromPoint(const C3DPoint& p) {
    x = p.x;
    y = p.y;
    z = p.z;
  }

  float& operator[](int i) {
    assert(i >= 0 && i < 3);
    return i == 0 ? x : (i == 1 ? y : z);
  }
  float operator[](int i) const {
    assert(i >= 0 && i < 3);
    return i == 0 ? x : (i == 1 ? y : z);
  }
  float* ValPtr() { return &x; }
  const float* ValPtr() const { return &x; }

  C3DVector operator+(const C3DVector& o) const { return {x + o.x, y + o.y, z + o.z}; }
  C3DVector operator-(const C3DVector& o) const { return {x - o.x, y - o.y, z - o.z}; }
  C3DVector operator-() const { return {-x, -y, -z}; }
  C3DVector operator*(float f) const { return {x * f, y * f, z * f}; }
  C3DVector operator/(float f) const { return {x / f, y / f, z / f}; }
  C3DVector& operator+=(const C3DVector& o) {
    x += o.x;
    y += o.y;
    z += o.z;
    return *this;
  }
  C3DVector& operator-=(const C3DVector& o) {
    x -= o.x;
    y -= o.y;
    z -= o.z;
    return *this;
  }
  C3DVector& operator*=(float f) {
    x *= f;
    y *= f;
    z *= f;
    return *this;
  }
  C3DVector& operator/=(float f) {
    x /= f;
    y /= f;
    z /= f;
    return *this;
  }
  // Dot product.
  float operator*(const C3DVector& o) const { return x * o.x + y * o.y + z * o.z; }
  // Cross product.
  C3DVector operator^(const C3DVector& o) const {
    return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
  }
  // In place: (1/x, 1/y, 1/z), not the negation.
  C3DVector& Invert() {
    x = 1.0f / x;
    y = 1.0f / y;
    z = 1.0f / z;
    return *this;
  }
  float Length2() const { return x * x + y * y + z * z; }
  float Length() const { return std::sqrt(Length2()); }
  // Divides by the length, which it returns; a vector of length exactly 0 is
  // left unchanged.
  float Normalize() {
    const float len = Length();
    if (len != 0.0f) {
      x /= len;
      y /= len;
      z /= len;
    }
    return len;
  }
  bool IsNull() const { return x == 0.0f && y == 0.0f && z == 0.0f; }
  void GetValues3(double* out) const {
    out[0] = x;
    out[1] = y;
    out[2] = z;
  }
  bool operator==(const C3DVector& o) const { return x == o.x && y == o.y && z == o.z; }
  bool operator!=(const C3DVector& o) const { return !(*this == o); }

  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

inline C3DPoint C3DPoint::operator+(const C3DVector& v) const {
  return {x + v.x, y + v.y, z + v.z};
}
inline C3DPoint C3DPoint::operator-(const C3DVector& v) const {
  return {x - v.x, y - v.y, z - v.z};
}
inline C3DPoint& C3DPoint::operator+=(const C3DVector& v) {
  x += v.x;
  y += v.y;
  z += v.z;
  return *this;
}
inline C3DPoint& C3DPoint::operator-=(const C3DVector& v) {
  x -= v.x;
  y -= v.y;
  z -= v.z;
  return *this;
}
