#pragma once
// Rotations for animation and conversions: (x, y, z, w), vector part first;
// a turn of angle a about a unit axis n is (n sin(a/2), cos(a/2)). Its matrix
// is C4x4Matrix's rotation of the same angle about the same axis, so the
// product p * q maps to the matrix product M(q) * M(p).
#include <cassert>

#include "vex3d_export.h"

class C3DVector;
class C4x4Matrix;

class VEX3D_EXPORT CQuaternion {
 public:
  // The identity rotation rather than garbage.
  CQuaternion() = default;
  explicit CQuaternion(const float* v) : x(v[0]), y(v[1]), z(v[2]), w(v[3]) {}
  CQuaternion(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}
  // (axis sin(angle/2), cos(angle/2)); the axis is taken as it is, not
  // normalised.
  CQuaternion(const C3DVector& axis, float angle) { SetAxisAngle(axis, angle); }
  // Q(b about z) * Q(p about x) * Q(h about y): the rotation whose matrix
  // C4x4Matrix::SetHPBAngles(h, p, b) builds from the identity.
  CQuaternion(float h, float p, float b);

  // (x, y, z, 0).
  CQuaternion& operator=(const C3DVector& v);
  // The rotation of the upper 3x3, taken as it is (no scale removal).
  CQuaternion& operator=(const C4x4Matrix& mat);

  void SetAxisAngle(const C3DVector& axis, float angle);
  // Axis and angle of the rotation: a = acos(w) with w clamped to [-1, 1]
  // and s = sin(a). With s exactly 0 (no vector part) the axis is (1, 0, 0),
  // the angle a, and the result 0; otherwise the axis is the vector part / s,
  // the angle 2a, and the result 1 unless that axis is zero.
  int GetAxisAngle(C3DVector& axis, float& angle) const;
  int IsValid() const;
  // The angles C4x4Matrix::GetHPBAngles gives for this rotation's matrix; the
  // quaternion need not be unit.
  void GetHPBAngles(float& h, float& p, float& b) const;

  // Component-wise.
  CQuaternion operator*(float f) const { return {x * f, y * f, z * f, w * f}; }
  CQuaternion operator/(float f) const { return {x / f, y / f, z / f, w / f}; }
  CQuaternion operator+(const CQuaternion& q) const { return {x + q.x, y + q.y, z + q.z, w + q.w}; }
  // Hamilton product this * q.
  CQuaternion operator*(const CQuaternion& q) const;
  // this = this * q.
  CQuaternion& operator*=(const CQuaternion& q) { return *this = *this * q; }
  // this = q * this.
  void Rotate(const CQuaternion& q) { *this = q * *this; }
  // this = Q(axis, angle) * this.
  void Rotate(const C3DVector& axis, float angle) { Rotate(CQuaternion(axis, angle)); }

  float& operator[](int i) {
    assert(i >= 0 && i < 4);
    return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w));
  }
  float operator[](int i) const {
    assert(i >= 0 && i < 4);
    return i == 0 ? x : (i == 1 ? y : (i == 2 ? z : w));
  }

  // Spherical interpolation along the shorter arc (q2 is taken negated when
  // q1 . q2 < 0), linear when the two are within 1e-6 of parallel; the result
  // is not renormalised.
  static CQuaternion Slerp(const CQuaternion& q1, const CQuaternion& q2, float t);

  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 1.0f;
};
