#pragma once
// Keys holding a vector: scales, translations and pivot positions. Their
// matrix is always the one UpdateMatrix builds from the vector.
#include "animation/matrix_key.h"

class VEX3D_EXPORT C3DVectorKey : public C3DMatrixKey {
 public:
  C3DVectorKey(const C3DVectorKey& other)
      : C3DMatrixKey(static_cast<const C3DMatrixKey&>(other)), m_vector(other.m_vector) {}
  int operator=(const C3DVectorKey& other) {
    return operator=(static_cast<const C3DKeyframe&>(other));
  }

  void Serialize(CArchive& ar) override;
  // Linear interpolation, component by component.
  int Evaluate(const C3DKeyframe& first, const C3DKeyframe& second, int time,
               const CTimeRange& range) override;
  int operator=(const C3DKeyframe& other) override;

  virtual void UpdateMatrix() = 0;

  // Copies the vector with its flags and parameter record.
  void SetVector(const C3DVector& v) {
    m_vector = v;
    UpdateMatrix();
  }
  const C3DVector& GetVector() const { return m_vector; }
  // The three coordinates for editing in place; call UpdateMatrix afterwards.
  float* GetVectorPtr() { return m_vector.ValPtr(); }

 protected:
  C3DVectorKey(std::uint32_t classID, const C3DVector& v) : C3DMatrixKey(classID), m_vector(v) {}

  C3DVector m_vector;
};

class VEX3D_EXPORT C3DScaleKey final : public C3DVectorKey {
 public:
  C3DScaleKey() : C3DVectorKey(vex3d::kKeyScale, C3DVector(1.0f, 1.0f, 1.0f)) {}
  explicit C3DScaleKey(const C3DVector& v) : C3DVectorKey(vex3d::kKeyScale, v) { UpdateMatrix(); }
  C3DScaleKey(const C3DScaleKey&) = default;
  int operator=(const C3DScaleKey& other) {
    return operator=(static_cast<const C3DKeyframe&>(other));
  }
  using C3DVectorKey::operator=;

  // A scaling matrix: the identity with the vector on the diagonal.
  void UpdateMatrix() override;
};

class VEX3D_EXPORT C3DTranslateKey final : public C3DVectorKey {
 public:
  C3DTranslateKey() : C3DVectorKey(vex3d::kKeyTranslation, C3DVector()) {}
  explicit C3DTranslateKey(const C3DVector& v) : C3DVectorKey(vex3d::kKeyTranslation, v) {
    UpdateMatrix();
  }
  C3DTranslateKey(const C3DTranslateKey&) = default;
  int operator=(const C3DTranslateKey& other) {
    return operator=(static_cast<const C3DKeyframe&>(other));
  }
  using C3DVectorKey::operator=;

  // The identity with the vector in the translation column.
  void UpdateMatrix() override;
};

class VEX3D_EXPORT C3DPivotKey final : public C3DVectorKey {
 public:
  C3DPivotKey() : C3DVectorKey(vex3d::kKeyPivot, C3DVector()) {}
  explicit C3DPivotKey(const C3DVector& v) : C3DVectorKey(vex3d::kKeyPivot, v) { UpdateMatrix(); }
  C3DPivotKey(const C3DPivotKey&) = default;
  int operator=(const C3DPivotKey& other) {
    return operator=(static_cast<const C3DKeyframe&>(other));
  }
  using C3DVectorKey::operator=;

  // The identity with the vector in the translation column.
  void UpdateMatrix() override;
};
