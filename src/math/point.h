#pragma once
// Base of every point kind kept in point lists. Point lists hold millions of
// these by value, so the base carries nothing but a flag word and a parameter
// record pointer that stays null for almost every point.
#include <cmath>
#include <cstdint>
#include <memory>

#include "hostlib/core/custom_data.h"
#include "hostlib/core/flag_word.h"
#include "vex3d_export.h"

class CArchive;
class C4DPoint;

// Point flags whose meaning the mesh code fixes; other bits are free.
enum _POINT_PROPERTIES : std::uint32_t {
  POINT_BORDER = 0x02,        // on an edge used by exactly one face
  POINT_INNER_EDGE = 0x04,    // on an edge used by any other number of faces
  POINT_INVALID = 0x08,       // marked for removal by cleaning
  POINT_UNSPECIFIED = 0x10,   // normal vector still to be generated
  POINT_UV_FRONTIER = 0x20,   // texture-coordinate seam; on specified normals: recompute
  POINT_VC_FRONTIER = 0x40,   // vertex-colour seam
  POINT_NORMAL_BREAK = 0x80,  // normal break
};

class VEX3D_EXPORT CPt {
 public:
  CPt() = default;
  CPt(const CPt& other) : m_flags(other.m_flags) {
    if (other.m_customData) m_customData = std::make_unique<CCustomData>(*other.m_customData);
  }
  CPt(CPt&& other) noexcept = default;
  virtual ~CPt() = default;

  // Flags and coordinates only; the parameter record is never stored.
  virtual void Serialize(CArchive& ar);
  // Reads the coordinates back from the exchange form; the count is ignored.
  virtual CPt& operator=(const C4DPoint& p) = 0;
  // Copies the flags; copies the source's parameter record into this one when
  // the source has one and keeps this one's otherwise. Point kinds that carry
  // coordinates copy those too, through the exchange form, so points of
  // different kinds can be assigned to one another.
  virtual CPt& operator=(const CPt& other) {
    if (this != &other) assignBase(other);
    return *this;
  }
  virtual void To4DPoint(C4DPoint& p) const = 0;

  void SetFlag(_POINT_PROPERTIES flag, int on) { SetFlags(flag, on); }
  void SetFlags(std::uint32_t mask, int on) { vex3d::setFlagBits(m_flags, mask, on); }
  // All bits of the mask.
  bool IsFlagSet(std::uint32_t mask) const { return vex3d::allFlagBitsSet(m_flags, mask); }
  // Any bit of the mask.
  bool IsOneFlagSet(std::uint32_t mask) const { return vex3d::anyFlagBitSet(m_flags, mask); }
  std::uint32_t GetFlags() const { return m_flags; }

  // The point's parameter record. Without one: a new empty record that is
  // kept when `create` is non-zero, else null.
  CCustomData* GetCustomData(int create) {
    if (!m_customData && create) m_customData = std::make_unique<CCustomData>();
    return m_customData.get();
  }
  const CCustomData* GetCustomData() const { return m_customData.get(); }

 protected:
  void assignBase(const CPt& other) {
    m_flags = other.m_flags;
    if (other.m_customData) {
      if (m_customData)
        *m_customData = *other.m_customData;
      else
        m_customData = std::make_unique<CCustomData>(*other.m_customData);
    }
  }

 private:
  std::unique_ptr<CCustomData> m_customData;
  std::uint32_t m_flags = 0;
};

namespace vex3d {

// Float to integer truncated toward zero, wrapped modulo 2^32, without the
// undefined behaviour of converting an out-of-range float: NaN, infinities
// and magnitudes of 2^63 or more give 0. Negative values wrap, as the x86-64
// truncating conversion does through a 64-bit register (-1.5 gives 0xFFFFFFFF).
inline std::uint32_t truncateWrap32(float v) {
  if (!(std::fabs(v) < 9.2233720368547758e18f)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(v));
}

}  // namespace vex3d
