#include "animation/matrix_key.h"

#include "animation/time_range.h"
#include "animation/vector_key.h"
#include "hostlib/core/archive.h"
#include "math/quaternion.h"

void C3DMatrixKey::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    storeHeader(ar);
    m_matrix.Serialize(ar);
    return;
  }
  Header header = loadHeader(ar);
  C4x4Matrix matrix;
  matrix.Serialize(ar);
  commitHeader(std::move(header));
  m_matrix = matrix;
}

int C3DMatrixKey::Evaluate(const C3DKeyframe&, const C3DKeyframe&, int, const CTimeRange&) {
  return 0;
}

bool C3DMatrixKey::operator==(const C3DKeyframe& other) const {
  if (!C3DKeyframe::operator==(other)) return false;
  const auto* key = dynamic_cast<const C3DMatrixKey*>(&other);
  return key && m_matrix == key->m_matrix;
}

int C3DMatrixKey::operator=(const C3DKeyframe& other) {
  const auto* key = dynamic_cast<const C3DMatrixKey*>(&other);
  if (!key || !assignCurve(other)) return 0;
  m_matrix = key->m_matrix;
  return 1;
}

void C3DMatrixKey::SetMatrix(const C4x4Matrix& matrix) {
  if (auto* rotation = dynamic_cast<C3DRotateKey*>(this)) {
    CQuaternion q;
    q = matrix;
    rotation->SetQuaternion(q);
    return;
  }
  if (auto* vectorKey = dynamic_cast<C3DVectorKey*>(this)) {
    C3DVector v;
    if (GetClassID() == vex3d::kKeyScale)
      v.Init(matrix(0, 0), matrix(1, 1), matrix(2, 2));
    else
      matrix.GetTranslation(v);
    vectorKey->SetVector(v);
    return;
  }
  m_matrix = matrix;
}

C3DRotateKey::C3DRotateKey(float angle, const C3DVector& axis) : C3DMatrixKey(vex3d::kKeyRotation) {
  SetRotation(angle, axis);
}

void C3DRotateKey::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    storeHeader(ar);
    ar << m_angle;
    const_cast<C3DVector&>(m_axis).Serialize(ar);
    return;
  }
  Header header = loadHeader(ar);
  float angle = 0.0f;
  C3DVector axis;
  ar >> angle;
  axis.Serialize(ar);
  commitHeader(std::move(header));
  SetRotation(angle, axis);
}

int C3DRotateKey::Evaluate(const C3DKeyframe& first, const C3DKeyframe& second, int time,
                           const CTimeRange& range) {
  if (!canEvaluate(first, second, time, range)) return 0;
  const auto* from = dynamic_cast<const C3DRotateKey*>(&first);
  const auto* to = dynamic_cast<const C3DRotateKey*>(&second);
  if (!from || !to) return 0;
  const CQuaternion q1(from->m_axis, from->m_angle);
  const CQuaternion q2(to->m_axis, to->m_angle);
  m_matrix = CQuaternion::Slerp(q1, q2, parameterAt(time, range));
  return 1;
}

int C3DRotateKey::operator=(const C3DKeyframe& other) {
  const auto* key = dynamic_cast<const C3DRotateKey*>(&other);
  if (!key || !assignCurve(other)) return 0;
  m_matrix = key->m_matrix;
  m_angle = key->m_angle;
  m_axis = key->m_axis;
  return 1;
}

void C3DRotateKey::SetRotation(float angle, const C3DVector& axis) {
  m_angle = angle;
  m_axis = axis;
  m_matrix.InitRotation(angle, axis);
}

void C3DRotateKey::SetQuaternion(const CQuaternion& q) {
  C3DVector axis;
  float angle = 0.0f;
  q.GetAxisAngle(axis, angle);
  m_angle = angle;
  m_axis.Init(axis.x, axis.y, axis.z);
  m_matrix = q;
}
