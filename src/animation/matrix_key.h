#pragma once
// Keys holding a whole matrix, and rotation keys, which keep the angle and
// axis their matrix is made from.
#include "animation/keyframe.h"
#include "math/matrix4x4.h"
#include "math/point3d.h"

class CQuaternion;
class C3DRotateKey;
class C3DVectorKey;

class VEX3D_EXPORT C3DMatrixKey : public C3DKeyframe {
 public:
  C3DMatrixKey() : C3DKeyframe(vex3d::kKeyMatrix) {}
  explicit C3DMatrixKey(const C4x4Matrix& matrix)
      : C3DKeyframe(vex3d::kKeyMatrix), m_matrix(matrix) {}
  C3DMatrixKey(const C3DMatrixKey& other)
      : C3DKeyframe(static_cast<const C3DKeyframe&>(other)), m_matrix(other.m_matrix) {}
  // No sliced copies of other kinds (see C3DKeyframe).
  C3DMatrixKey(const C3DRotateKey&) = delete;
  C3DMatrixKey(const C3DVectorKey&) = delete;
  int operator=(const C3DMatrixKey& other) {
    return operator=(static_cast<const C3DKeyframe&>(other));
  }

  void Serialize(CArchive& ar) override;
  // Matrix keys are not interpolated: answers 0 and leaves the key as it is.
  int Evaluate(const C3DKeyframe& first, const C3DKeyframe& second, int time,
               const CTimeRange& range) override;
  // Equal class ids and exactly equal matrices.
  bool operator==(const C3DKeyframe& other) const override;
  int operator=(const C3DKeyframe& other) override;
  using C3DKeyframe::operator!=;

  virtual const C4x4Matrix& ToMatrix() const { return m_matrix; }

  // On a rotation or vector key the value is taken from the matrix (the
  // rotation it holds, the scale of its diagonal or its translation) and the
  // matrix rebuilt from that value, so the key stays consistent.
  void SetMatrix(const C4x4Matrix& matrix);

 protected:
  explicit C3DMatrixKey(std::uint32_t classID) : C3DKeyframe(classID) {}

  C4x4Matrix m_matrix;
};

class VEX3D_EXPORT C3DRotateKey : public C3DMatrixKey {
 public:
  C3DRotateKey() : C3DMatrixKey(vex3d::kKeyRotation) {}
  C3DRotateKey(float angle, const C3DVector& axis);
  C3DRotateKey(const C3DRotateKey& other)
      : C3DMatrixKey(static_cast<const C3DMatrixKey&>(other)),
        m_angle(other.m_angle),
        m_axis(other.m_axis) {}
  int operator=(const C3DRotateKey& other) {
    return operator=(static_cast<const C3DKeyframe&>(other));
  }

  // The angle and the axis; the matrix is rebuilt from them on loading.
  void Serialize(CArchive& ar) override;
  // Spherical interpolation of the two keys' rotations. Only the matrix is
  // set: the angle and axis stay what they were.
  int Evaluate(const C3DKeyframe& first, const C3DKeyframe& second, int time,
               const CTimeRange& range) override;
  int operator=(const C3DKeyframe& other) override;

  // Angles in radians; the matrix turns clockwise seen from the axis tip.
  void SetRotation(float angle, const C3DVector& axis);
  void SetQuaternion(const CQuaternion& q);
  // The axis; the angle goes to `angle`.
  const C3DVector& GetRotation(float& angle) const {
    angle = m_angle;
    return m_axis;
  }

 private:
  float m_angle = 0.0f;
  C3DVector m_axis;
};
