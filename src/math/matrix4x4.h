#pragma once
// The one transform type: 16 floats, row by row, acting on column vectors
// (p' = M p, translation in column 3). A product A * B applies B first.
// Point transforms stay inline: point lists run them over millions of points.
#include <cassert>

#include "math/point3d.h"
#include "math/point4d.h"
#include "vex3d_export.h"

class CArchive;
class CQuaternion;

class VEX3D_EXPORT C4x4Matrix final {
 public:
  // The identity rather than garbage: nothing relies on undefined elements,
  // and callers that only set the translation or the scale get a sane rest.
  C4x4Matrix() { Init(); }
  // The identity whatever `init` says (see above); the argument stays for
  // callers that state their intent.
  explicit C4x4Matrix(int init) {
    (void)init;
    Init();
  }
  // Row by row when `columnMajor` is 0, column by column (the GL layout)
  // otherwise. Doubles are narrowed to float.
  C4x4Matrix(const float* values, int columnMajor);
  C4x4Matrix(const double* values, int columnMajor);
  // Implicit, like the assignment from a quaternion.
  C4x4Matrix(const CQuaternion& q);
  C4x4Matrix(const C4x4Matrix&) = default;
  ~C4x4Matrix() = default;

  virtual void Serialize(CArchive& ar);
  virtual C4x4Matrix& operator=(const C4x4Matrix& other) = default;

  C4x4Matrix& operator=(const CQuaternion& q);
  C4x4Matrix& operator=(const float* values) {
    LoadMatrix(values);
    return *this;
  }
  // Row by row, never transposed.
  void LoadMatrix(const float* values);
  void LoadMatrix(const double* values);
  void SaveMatrix(float* values) const;
  void SaveMatrix(double* values) const;
  operator float*() { return &m[0][0]; }
  operator const float*() const { return &m[0][0]; }

  float& operator()(int r, int c) {
    assert(r >= 0 && r < 4 && c >= 0 && c < 4);
    return m[r][c];
  }
  float operator()(int r, int c) const {
    assert(r >= 0 && r < 4 && c >= 0 && c < 4);
    return m[r][c];
  }
  // m[i][0..2]; m[i][3] is left alone.
  C3DVector GetRow(int i) const {
    assert(i >= 0 && i < 4);
    return {m[i][0], m[i][1], m[i][2]};
  }
  void SetRow(int i, const C3DVector& v) {
    assert(i >= 0 && i < 4);
    m[i][0] = v.x;
    m[i][1] = v.y;
    m[i][2] = v.z;
  }

  void Init() {
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) m[r][c] = r == c ? 1.0f : 0.0f;
  }
  // Near the identity: diagonal within 0.005 of 1, the rest within 0.005 of 0.
  // Transforms of whole lists are skipped for such matrices.
  bool IsIdentity() const;
  // Exact; a NaN element makes the matrices different.
  bool operator==(const C4x4Matrix& o) const;
  bool operator!=(const C4x4Matrix& o) const { return !(*this == o); }

  void Transpose();
  void Transpose(C4x4Matrix& out) const;

  // Element-wise on rows 0 to 2; row 3 keeps its values.
  C4x4Matrix& operator+=(const C4x4Matrix& o);
  C4x4Matrix& operator-=(const C4x4Matrix& o);
  C4x4Matrix& operator*=(float f);
  // this = this * o.
  C4x4Matrix& operator*=(const C4x4Matrix& o);
  C4x4Matrix operator*(const C4x4Matrix& o) const {
    C4x4Matrix r(*this);
    r *= o;
    return r;
  }
  // Full 4x4 product.
  C4DVector operator*(const C4DVector& v) const {
    return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z + m[0][3] * v.w,
            m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z + m[1][3] * v.w,
            m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z + m[2][3] * v.w,
            m[3][0] * v.x + m[3][1] * v.y + m[3][2] * v.z + m[3][3] * v.w};
  }
  // M (x, y, z, 1), w from row 3.
  C4DVector Mult(float x, float y, float z) const { return operator*(C4DVector(x, y, z, 1.0f)); }
  // Rows 0 to 2 of M (x, y, z, 1) into `out`, no division by w. The results
  // are computed before anything is written, so `out` may alias the input.
  void transformXYZ(float x, float y, float z, float* out) const {
    const float rx = m[0][0] * x + m[0][1] * y + m[0][2] * z + m[0][3];
    const float ry = m[1][0] * x + m[1][1] * y + m[1][2] * z + m[1][3];
    const float rz = m[2][0] * x + m[2][1] * y + m[2][2] * z + m[2][3];
    out[0] = rx;
    out[1] = ry;
    out[2] = rz;
  }

  // Adds to the translation column: a move in world axes after the existing
  // transform.
  void Translate(float x, float y, float z) {
    m[0][3] += x;
    m[1][3] += y;
    m[2][3] += z;
  }
  void Translate(const C3DVector& v) { Translate(v.x, v.y, v.z); }
  // Sets the translation column and m33 = 1; nothing else changes.
  void InitTranslation(float x, float y, float z) {
    m[0][3] = x;
    m[1][3] = y;
    m[2][3] = z;
    m[3][3] = 1.0f;
  }
  void InitTranslation(const C3DVector& v) { InitTranslation(v.x, v.y, v.z); }
  void NoTranslation() { InitTranslation(0.0f, 0.0f, 0.0f); }
  void GetTranslation(C3DVector& v) const { v.Init(m[0][3], m[1][3], m[2][3]); }

  // Sets the diagonal m00, m11, m22 only.
  void InitScale(float x, float y, float z) {
    m[0][0] = x;
    m[1][1] = y;
    m[2][2] = z;
  }
  void InitScale(const C3DVector& v) { InitScale(v.x, v.y, v.z); }
  // this = this * diag(x, y, z, 1).
  void Scale(float x, float y, float z);
  void Scale(const C3DVector& v) { Scale(v.x, v.y, v.z); }
  // Lengths of columns 0 to 2 over rows 0 to 2.
  void GetScale(C3DVector& s) const;
  // Divides the scale out of the columns unless it is already 1 within 1e-6
  // on every axis. A column of length 0 is left as it is.
  void NoScale();

  // Rotation by `angle` radians about (x, y, z), normalised here; a zero
  // axis gives the identity. With column vectors a positive angle turns
  // clockwise seen from the tip of the axis.
  void InitRotation(float angle, float x, float y, float z);
  void InitRotation(float angle, const C3DVector& axis) {
    InitRotation(angle, axis.x, axis.y, axis.z);
  }
  // this = this * rotation.
  void Rotate(float angle, float x, float y, float z);
  void Rotate(float angle, const C3DVector& axis) { Rotate(angle, axis.x, axis.y, axis.z); }
  // this = this * R(h about y) * R(p about x) * R(b about z); start from the
  // identity to set the angles.
  void SetHPBAngles(float h, float p, float b);
  // Heading, pitch and bank of the rotation left when the scale is divided
  // out. Near a pitch of +-90 degrees bank is 0 and heading takes the whole
  // turn about the vertical.
  void GetHPBAngles(float& h, float& p, float& b) const;

  // Axis conversion: a mirror from bits 0x38 (0x08 x, 0x10 y, 0x20 z; any
  // other combination gives the identity with no exchange), then an axis
  // exchange from bits 0x07 (1 x-y, 2 x-z, 4 y-z) multiplied on the right.
  void InitSwap(unsigned int flags);

  // Inverse of the affine transform (row 3 taken as 0 0 0 1). Returns 0 and
  // leaves `out` alone when the upper 3x3 is singular: a determinant of 0, or
  // one below 1e-15 relative to the sum of the magnitudes of its terms.
  int Inverse(C4x4Matrix& out) const;

  float m[4][4];
};

// Point and vector transforms: rows 0 to 2 of M (x, y, z, 1), no division by
// w. A vector takes the translation like a point does. The product returns a
// fresh value; `*=` keeps the flags and the parameter record.
inline C3DPoint operator*(const C3DPoint& p, const C4x4Matrix& mat) {
  C3DPoint r;
  mat.transformXYZ(p.x, p.y, p.z, r.ValPtr());
  return r;
}
inline C3DPoint& operator*=(C3DPoint& p, const C4x4Matrix& mat) {
  mat.transformXYZ(p.x, p.y, p.z, p.ValPtr());
  return p;
}
inline C3DVector operator*(const C3DVector& v, const C4x4Matrix& mat) {
  C3DVector r;
  mat.transformXYZ(v.x, v.y, v.z, r.ValPtr());
  return r;
}
inline C3DVector& operator*=(C3DVector& v, const C4x4Matrix& mat) {
  mat.transformXYZ(v.x, v.y, v.z, v.ValPtr());
  return v;
}
