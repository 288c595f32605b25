#include "animation/vector_key.h"

#include "animation/time_range.h"
#include "hostlib/core/archive.h"

void C3DVectorKey::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    storeHeader(ar);
    const_cast<C3DVector&>(m_vector).Serialize(ar);
    return;
  }
  Header header = loadHeader(ar);
  C3DVector v;
  v.Serialize(ar);
  commitHeader(std::move(header));
  SetVector(v);
}

int C3DVectorKey::Evaluate(const C3DKeyframe& first, const C3DKeyframe& second, int time,
                           const CTimeRange& range) {
  if (!canEvaluate(first, second, time, range)) return 0;
  const auto* from = dynamic_cast<const C3DVectorKey*>(&first);
  const auto* to = dynamic_cast<const C3DVectorKey*>(&second);
  if (!from || !to) return 0;
  const float u = parameterAt(time, range);
  SetVector(from->m_vector * (1.0f - u) + to->m_vector * u);
  return 1;
}

int C3DVectorKey::operator=(const C3DKeyframe& other) {
  const auto* key = dynamic_cast<const C3DVectorKey*>(&other);
  if (!key || !assignCurve(other)) return 0;
  m_matrix = key->m_matrix;
  m_vector = key->m_vector;
  UpdateMatrix();
  return 1;
}

void C3DScaleKey::UpdateMatrix() {
  m_matrix.Init();
  m_matrix.InitScale(m_vector);
}

void C3DTranslateKey::UpdateMatrix() {
  m_matrix.Init();
  m_matrix.InitTranslation(m_vector);
}

void C3DPivotKey::UpdateMatrix() {
  m_matrix.Init();
  m_matrix.InitTranslation(m_vector);
}
