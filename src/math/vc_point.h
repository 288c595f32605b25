#pragma once
// Vertex colour: one CRGBColor.
#include <cassert>
#include <cstdint>

#include "hostlib/core/rgb_color.h"
#include "math/point.h"
#include "math/point4d.h"

class VEX3D_EXPORT CVCPoint : public CPt {
 public:
  CVCPoint() = default;
  explicit CVCPoint(const CRGBColor& color) : m_color(color) {}
  CVCPoint(const CVCPoint&) = default;
  CVCPoint(CVCPoint&&) noexcept = default;
  CVCPoint& operator=(const CVCPoint& other) {
    if (this != &other) {
      assignBase(other);
      m_color = other.m_color;
    }
    return *this;
  }

  // Flags, then the colour in its own archive form.
  void Serialize(CArchive& ar) override;
  // Each component truncated toward zero to a byte, without clamping: the
  // truncated value modulo 256 (so 256.5 gives 0 and -1.5 gives 255); NaN
  // and values beyond 2^63 give 0.
  CVCPoint& operator=(const C4DPoint& p) override {
    for (int i = 0; i < 4; ++i)
      m_color[i] = static_cast<std::uint8_t>(vex3d::truncateWrap32(p.v[i]));
    return *this;
  }
  CVCPoint& operator=(const CPt& other) override;
  // The four bytes as floats 0 to 255, unscaled.
  void To4DPoint(C4DPoint& p) const override {
    p.n = 4;
    for (int i = 0; i < 4; ++i) p.v[i] = static_cast<float>(m_color[i]);
  }
  virtual bool operator==(const CVCPoint& o) const { return m_color == o.m_color; }

  std::uint8_t& operator[](int i) { return m_color[i]; }
  std::uint8_t operator[](int i) const { return m_color[i]; }
  std::uint8_t* ValPtr() { return m_color.GetBytes(); }
  const std::uint8_t* ValPtr() const { return m_color.GetBytes(); }

  const CRGBColor& GetColor() const { return m_color; }
  void SetColor(const CRGBColor& color) { m_color = color; }
  operator const CRGBColor&() const { return m_color; }

 private:
  CRGBColor m_color;
};
