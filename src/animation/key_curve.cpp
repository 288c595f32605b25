#include "animation/key_curve.h"

#include "hostlib/core/archive.h"

void C3DKeyCurve::Serialize(CArchive& ar) {
  if (ar.IsStoring())
    ar << m_classID;
  else
    ar >> m_classID;
}

bool C3DKeyCurve::operator==(const C3DKeyCurve& other) const {
  return m_classID == other.m_classID;
}

int C3DKeyCurve::operator=(const C3DKeyCurve& other) {
  return m_classID == other.m_classID ? 1 : 0;
}

std::unique_ptr<C3DKeyCurve> C3DKeyCurve::CreateCurve(std::uint32_t classID) {
  if (classID == vex3d::kCurveTCB) return std::make_unique<C3DTCBCurve>();
  return nullptr;
}

std::unique_ptr<C3DKeyCurve> C3DKeyCurve::Copy() const {
  std::unique_ptr<C3DKeyCurve> copy = CreateCurve(m_classID);
  if (copy && !(*copy = *this)) return nullptr;
  return copy;
}

void C3DTCBCurve::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    for (float p : m_parameters) ar << p;
    return;
  }
  // Read whole before anything changes, so a short archive leaves the curve
  // as it was.
  std::array<float, kParameterNbr> loaded{};
  for (float& p : loaded) ar >> p;
  m_parameters = loaded;
}

int C3DTCBCurve::operator=(const C3DKeyCurve& other) {
  if (GetClassID() != other.GetClassID()) return 0;
  const auto* tcb = dynamic_cast<const C3DTCBCurve*>(&other);
  if (!tcb) return 0;
  m_parameters = tcb->m_parameters;
  return 1;
}
