#pragma once
// C4DPoint: the variable-dimension value through which point kinds exchange
// coordinates (and by which channel values are hashed and compared).
// C4DVector: four floats, a homogeneous vector or a plane a x + b y + c z + d = 0.
#include <bit>
#include <cassert>
#include <cmath>
#include <cstdint>

#include "vex3d_export.h"

class CArchive;
class C3DPoint;
class C3DVector;

class VEX3D_EXPORT C4DPoint {
 public:
  static constexpr int kMaxComponents = 4;

  // Components past the count read as 0 unless written: the four are always
  // initialised, so reading one a count does not cover is never undefined.
  C4DPoint() = default;
  // The components are zero whatever `zero` says (see above); the argument
  // stays for callers that state their intent.
  C4DPoint(int count, int zero) : n(count) {
    (void)zero;
    assert(count >= 0 && count <= kMaxComponents);
  }
  C4DPoint(const C4DPoint& other) : n(other.n) { copyComponents(other); }
  C4DPoint& operator=(const C4DPoint& other) {
    n = other.n;
    copyComponents(other);
    return *this;
  }

  void Init(int count) {
    assert(count >= 0 && count <= kMaxComponents);
    n = count;
    for (float& c : v) c = 0.0f;
  }
  int GetCount() const { return n; }
  float& operator[](int i) {
    assert(i >= 0 && i < kMaxComponents);
    return v[i];
  }
  float operator[](int i) const {
    assert(i >= 0 && i < kMaxComponents);
    return v[i];
  }

  // Component-wise over this point's own count.
  C4DPoint& operator+=(const C4DPoint& o) {
    for (int i = 0, k = used(); i < k; ++i) v[i] += o.v[i];
    return *this;
  }
  C4DPoint& operator-=(const C4DPoint& o) {
    for (int i = 0, k = used(); i < k; ++i) v[i] -= o.v[i];
    return *this;
  }
  C4DPoint& operator*=(const C4DPoint& o) {
    for (int i = 0, k = used(); i < k; ++i) v[i] *= o.v[i];
    return *this;
  }
  C4DPoint& operator/=(const C4DPoint& o) {
    for (int i = 0, k = used(); i < k; ++i) v[i] /= o.v[i];
    return *this;
  }
  C4DPoint& operator/=(float f) {
    for (int i = 0, k = used(); i < k; ++i) v[i] /= f;
    return *this;
  }

  // The result takes the right operand's count and is filled over the left
  // operand's components.
  friend C4DPoint operator+(const C4DPoint& a, const C4DPoint& b) {
    C4DPoint r = withCount(b.n);
    for (int i = 0, k = a.used(); i < k; ++i) r.v[i] = a.v[i] + b.v[i];
    return r;
  }
  friend C4DPoint operator-(const C4DPoint& a, const C4DPoint& b) {
    C4DPoint r = withCount(b.n);
    for (int i = 0, k = a.used(); i < k; ++i) r.v[i] = a.v[i] - b.v[i];
    return r;
  }
  friend C4DPoint operator*(const C4DPoint& a, const C4DPoint& b) {
    C4DPoint r = withCount(b.n);
    for (int i = 0, k = a.used(); i < k; ++i) r.v[i] = a.v[i] * b.v[i];
    return r;
  }
  friend C4DPoint operator/(const C4DPoint& a, const C4DPoint& b) {
    C4DPoint r = withCount(b.n);
    for (int i = 0, k = a.used(); i < k; ++i) r.v[i] = a.v[i] / b.v[i];
    return r;
  }

  // Different counts, or a component pair that does not compare equal (so a
  // NaN makes the points different).
  bool operator!=(const C4DPoint& o) const {
    if (n != o.n) return true;
    for (int i = 0, k = used(); i < k; ++i)
      if (!(v[i] == o.v[i])) return true;
    return false;
  }
  bool operator==(const C4DPoint& o) const { return !(*this != o); }

  // Hash: the 32-bit wrap-around sum of the components' bit patterns.
  explicit operator unsigned int() const {
    std::uint32_t h = 0;
    for (int i = 0, k = used(); i < k; ++i) h += std::bit_cast<std::uint32_t>(v[i]);
    return h;
  }

  int n = 0;
  float v[kMaxComponents] = {0.0f, 0.0f, 0.0f, 0.0f};

 private:
  // The count bounded to the storage, so a bad count never reads past it.
  int used() const { return n < 0 ? 0 : (n > kMaxComponents ? kMaxComponents : n); }
  void copyComponents(const C4DPoint& o) {
    for (int i = 0, k = o.used(); i < k; ++i) v[i] = o.v[i];
  }
  static C4DPoint withCount(int count) {
    C4DPoint r;
    r.n = count;
    return r;
  }
};

class VEX3D_EXPORT C4DVector final {
 public:
  // Zero rather than undefined: nothing relies on the garbage.
  C4DVector() = default;
  C4DVector(float ax, float ay, float az) : x(ax), y(ay), z(az), w(1.0f) {}
  C4DVector(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}
  // b - a, w = 1.
  C4DVector(const C3DPoint& a, const C3DPoint& b);
  C4DVector(const C4DVector&) = default;
  C4DVector& operator=(const C4DVector&) = default;
  ~C4DVector() = default;

  // x, y, z, w; no flags.
  virtual void Serialize(CArchive& ar);

  void InitFromPoints(const C3DPoint& a, const C3DPoint& b);
  void InitFromPoint(const C3DPoint& p);
  C4DVector& operator=(const C3DVector& v);

  // xyz = a x b over the xyz parts; w is left as it is.
  void Normal(const C4DVector& a, const C4DVector& b) {
    const float nx = a.y * b.z - a.z * b.y;
    const float ny = a.z * b.x - a.x * b.z;
    const float nz = a.x * b.y - a.y * b.x;
    x = nx;
    y = ny;
    z = nz;
  }
  // Four-component dot product.
  float operator*(const C4DVector& o) const { return x * o.x + y * o.y + z * o.z + w * o.w; }
  // Length of the xyz part.
  float Length() const { return std::sqrt(x * x + y * y + z * z); }
  // xyz divided by its length; a zero xyz and w are left as they are.
  void Normalize() {
    const float len = Length();
    if (len != 0.0f) {
      x /= len;
      y /= len;
      z /= len;
    }
  }
  // The plane through three points: (a, b, c) = (p2 - p1) x (p3 - p1),
  // normalised unless zero, d = -(a p1.x + b p1.y + c p1.z). Points that run
  // counter-clockwise seen from one side give positive distances on that side.
  void GetPlaneVector(const C3DPoint& p1, const C3DPoint& p2, const C3DPoint& p3);

  bool operator==(const C4DVector& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }

  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;
};
