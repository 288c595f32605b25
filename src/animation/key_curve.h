#pragma once
// Interpolation records carried by keys. Only TCB curves exist; they are
// created, copied and stored with their keys, but no interpolation reads them.
#include <array>
#include <cassert>
#include <cstdint>
#include <memory>

#include "hostlib/core/fourcc.h"
#include "vex3d_export.h"

class CArchive;

namespace vex3d {
inline constexpr std::uint32_t kCurveTCB = fourcc("TCB ");
}  // namespace vex3d

class VEX3D_EXPORT C3DKeyCurve {
 public:
  C3DKeyCurve() = default;
  C3DKeyCurve(const C3DKeyCurve&) = default;
  virtual ~C3DKeyCurve() = default;

  // The base curve stores its class id.
  virtual void Serialize(CArchive& ar);
  // Equal class ids.
  virtual bool operator==(const C3DKeyCurve& other) const;
  // 1 when the class ids are equal (the base has nothing else to copy).
  virtual int operator=(const C3DKeyCurve& other);

  // A new TCB curve for 'TCB ', null for any other class id (0 included).
  static std::unique_ptr<C3DKeyCurve> CreateCurve(std::uint32_t classID);
  // A new curve of the same class with the same data; null for classes
  // CreateCurve cannot make.
  std::unique_ptr<C3DKeyCurve> Copy() const;

  std::uint32_t GetClassID() const { return m_classID; }

 protected:
  // Only concrete curve kinds name a class, so a class id always tells the
  // dynamic type.
  explicit C3DKeyCurve(std::uint32_t classID) : m_classID(classID) {}

 private:
  std::uint32_t m_classID = 0;
};

class VEX3D_EXPORT C3DTCBCurve : public C3DKeyCurve {
 public:
  static constexpr int kParameterNbr = 5;

  C3DTCBCurve() : C3DKeyCurve(vex3d::kCurveTCB) {}
  C3DTCBCurve(const C3DTCBCurve&) = default;
  int operator=(const C3DTCBCurve& other) {
    return operator=(static_cast<const C3DKeyCurve&>(other));
  }

  // The five parameters as 32-bit floats, in order.
  void Serialize(CArchive& ar) override;
  // Copies the parameters and answers 1 when `other` is a TCB curve too;
  // answers 0 and keeps them otherwise.
  int operator=(const C3DKeyCurve& other) override;

  float GetParameter(int i) const {
    assert(i >= 0 && i < kParameterNbr);
    return m_parameters[static_cast<std::size_t>(i)];
  }
  void SetParameter(int i, float value) {
    assert(i >= 0 && i < kParameterNbr);
    m_parameters[static_cast<std::size_t>(i)] = value;
  }

 private:
  std::array<float, kParameterNbr> m_parameters{0.0f, 0.0f, 0.0f, 25.0f, 25.0f};
};
