#include "animation/keyframe.h"

#include "animation/time_range.h"
#include "animation/vector_key.h"
#include "hostlib/core/archive.h"

C3DKeyframe::C3DKeyframe(const C3DKeyframe& other)
    : m_classID(other.m_classID),
      m_customData(other.m_customData),
      m_curve(other.m_curve ? other.m_curve->Copy() : nullptr) {}

C3DKeyframe::~C3DKeyframe() = default;

void C3DKeyframe::Serialize(CArchive& ar) {
  if (ar.IsStoring())
    storeHeader(ar);
  else
    commitHeader(loadHeader(ar));
}

int C3DKeyframe::Evaluate(const C3DKeyframe& first, const C3DKeyframe& second, int time,
                          const CTimeRange& range) {
  return canEvaluate(first, second, time, range) ? 1 : 0;
}

bool C3DKeyframe::operator==(const C3DKeyframe& other) const {
  return m_classID == other.m_classID;
}

int C3DKeyframe::operator=(const C3DKeyframe& other) { return assignCurve(other) ? 1 : 0; }

std::unique_ptr<C3DKeyframe> C3DKeyframe::CreateKey(std::uint32_t classID,
                                                    std::uint32_t curveClassID) {
  std::unique_ptr<C3DKeyCurve> curve = C3DKeyCurve::CreateCurve(curveClassID);
  std::unique_ptr<C3DKeyframe> key;
  switch (classID) {
    case vex3d::kKeyMatrix:
      key = std::make_unique<C3DMatrixKey>();
      break;
    case vex3d::kKeyPivot:
      key = std::make_unique<C3DPivotKey>();
      break;
    case vex3d::kKeyTranslation:
      key = std::make_unique<C3DTranslateKey>();
      break;
    case vex3d::kKeyRotation:
      key = std::make_unique<C3DRotateKey>();
      break;
    case vex3d::kKeyScale:
      key = std::make_unique<C3DScaleKey>();
      break;
    default:
      return nullptr;
  }
  key->m_curve = std::move(curve);
  return key;
}

std::unique_ptr<C3DKeyframe> C3DKeyframe::Copy() const {
  std::unique_ptr<C3DKeyframe> copy = CreateKey(m_classID, 0);
  if (copy && !(*copy = *this)) return nullptr;
  return copy;
}

void C3DKeyframe::SetKeyCurve(std::unique_ptr<C3DKeyCurve> curve) {
  if (curve.get() == m_curve.get()) {
    // Already ours: keep the one owner.
    (void)curve.release();
    return;
  }
  m_curve = std::move(curve);
}

void C3DKeyframe::SetKeyCurve(const C3DKeyCurve& curve) { m_curve = curve.Copy(); }

C3DKeyCurve* C3DKeyframe::CreateCurve(std::uint32_t curveClassID) {
  m_curve = C3DKeyCurve::CreateCurve(curveClassID);
  return m_curve.get();
}

void C3DKeyframe::storeHeader(CArchive& ar) const {
  ar << m_classID;
  // CCustomData::Serialize is not const, but storing leaves the record alone.
  const_cast<CCustomData&>(m_customData).Serialize(ar);
  ar << (m_curve ? m_curve->GetClassID() : std::uint32_t{0});
  if (m_curve) m_curve->Serialize(ar);
}

C3DKeyframe::Header C3DKeyframe::loadHeader(CArchive& ar) const {
  std::uint32_t classID = 0;
  ar >> classID;
  // The value that follows has the layout of the stored class, which only a
  // key of that class can read.
  if (classID != m_classID)
    AfxThrowArchiveException(CArchiveException::badClass, "key of another class");
  Header header;
  header.customData.Serialize(ar);
  std::uint32_t curveClassID = 0;
  ar >> curveClassID;
  header.curve = C3DKeyCurve::CreateCurve(curveClassID);
  if (header.curve) header.curve->Serialize(ar);
  return header;
}

void C3DKeyframe::commitHeader(Header&& header) {
  m_customData = std::move(header.customData);
  m_curve = std::move(header.curve);
}

bool C3DKeyframe::canEvaluate(const C3DKeyframe& first, const C3DKeyframe& second, int time,
                              const CTimeRange& range) const {
  return range.IsInInterval(time) && first.m_classID == m_classID && second.m_classID == m_classID;
}

float C3DKeyframe::parameterAt(int time, const CTimeRange& range) {
  // In 64 bits: a range may span the whole int line.
  const auto offset = static_cast<std::int64_t>(time) - range.GetStart();
  return static_cast<float>(offset) / static_cast<float>(range.GetLength());
}

bool C3DKeyframe::assignCurve(const C3DKeyframe& other) {
  if (m_classID != other.m_classID) return false;
  if (this != &other) m_curve = other.m_curve ? other.m_curve->Copy() : nullptr;
  return true;
}
