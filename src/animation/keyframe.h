#pragma once
// One animation sample of one kind of transform. Every key but the base keeps
// the matrix its value stands for, so node transforms are products of key
// matrices; a key may carry a curve record, which it owns.
#include <cstdint>
#include <memory>

#include "animation/key_curve.h"
#include "hostlib/core/custom_data.h"
#include "hostlib/core/fourcc.h"
#include "vex3d_export.h"

class CArchive;
class C3DMatrixKey;
class CTimeRange;

namespace vex3d {
inline constexpr std::uint32_t kKeyMatrix = fourcc("MATR");
inline constexpr std::uint32_t kKeyRotation = fourcc("ROTA");
inline constexpr std::uint32_t kKeyScale = fourcc("SCAL");
inline constexpr std::uint32_t kKeyTranslation = fourcc("POSI");
inline constexpr std::uint32_t kKeyPivot = fourcc("PIVO");
}  // namespace vex3d

class VEX3D_EXPORT C3DKeyframe {
 public:
  C3DKeyframe() = default;
  // Class id, parameter record and a copy of the curve.
  C3DKeyframe(const C3DKeyframe& other);
  // A base copy of a concrete key would keep its class id without its value
  // and store an archive no reader can read back. Copy() copies any kind.
  C3DKeyframe(const C3DMatrixKey&) = delete;
  virtual ~C3DKeyframe();

  // Class id, parameter record, curve class id, the curve's own data when
  // there is a curve, then the value of the concrete kind. Loading changes
  // nothing unless the whole key could be read.
  virtual void Serialize(CArchive& ar);
  // Sets this key to the value at `time` between `first` and `second`, the
  // keys at the two ends of `range`. Answers 0 and changes nothing unless
  // `time` lies in `range` and the three keys are of one class.
  virtual int Evaluate(const C3DKeyframe& first, const C3DKeyframe& second, int time,
                       const CTimeRange& range);
  // The base compares class ids only.
  virtual bool operator==(const C3DKeyframe& other) const;
  // 0, changing nothing, when the class ids differ; otherwise the curve
  // becomes a copy of the source's and the value is copied. The parameter
  // record stays this key's own.
  virtual int operator=(const C3DKeyframe& other);

  bool operator!=(const C3DKeyframe& other) const { return !(*this == other); }

  // A key of one of the five classes with its initial values, carrying a new
  // curve of `curveClassID` (none for 0); null for any other key class.
  static std::unique_ptr<C3DKeyframe> CreateKey(std::uint32_t classID, std::uint32_t curveClassID);
  // A key of the same class, value and curve; the parameter record is not
  // copied. Null for a base key, whose class CreateKey cannot make.
  std::unique_ptr<C3DKeyframe> Copy() const;

  std::uint32_t GetClassID() const { return m_classID; }
  CCustomData& GetCustomData() { return m_customData; }
  const CCustomData& GetCustomData() const { return m_customData; }

  C3DKeyCurve* GetKeyCurve() { return m_curve.get(); }
  const C3DKeyCurve* GetKeyCurve() const { return m_curve.get(); }
  // Takes ownership; the previous curve is deleted unless it is `curve`.
  void SetKeyCurve(std::unique_ptr<C3DKeyCurve> curve);
  void SetKeyCurve(C3DKeyCurve* curve) { SetKeyCurve(std::unique_ptr<C3DKeyCurve>(curve)); }
  // Stores a copy of `curve` (none when its class cannot be copied).
  void SetKeyCurve(const C3DKeyCurve& curve);
  // Replaces the curve by a new one of `curveClassID` (none for a class
  // other than 'TCB ') and returns it.
  C3DKeyCurve* CreateCurve(std::uint32_t curveClassID);

 protected:
  // Only the concrete kinds name a class, so a class id always tells the
  // dynamic type.
  explicit C3DKeyframe(std::uint32_t classID) : m_classID(classID) {}

  // What every kind stores before its value, read into a holder so that a
  // kind can commit the whole key at once.
  struct Header {
    CCustomData customData;
    std::unique_ptr<C3DKeyCurve> curve;
  };
  void storeHeader(CArchive& ar) const;
  // Throws CArchiveException when the archive holds another key class.
  Header loadHeader(CArchive& ar) const;
  void commitHeader(Header&& header);

  // Time and classes as Evaluate requires; u is the position of `time` in
  // `range`, from 0 to 1.
  bool canEvaluate(const C3DKeyframe& first, const C3DKeyframe& second, int time,
                   const CTimeRange& range) const;
  static float parameterAt(int time, const CTimeRange& range);

  // The curve part of an assignment: nothing happens unless the class ids
  // match. May throw only before anything changes.
  bool assignCurve(const C3DKeyframe& other);

 private:
  std::uint32_t m_classID = 0;
  CCustomData m_customData;
  std::unique_ptr<C3DKeyCurve> m_curve;
};
