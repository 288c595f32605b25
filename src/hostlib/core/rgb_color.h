#pragma once
// A colour as four bytes: red, green, blue and a fourth byte that is alpha for
// materials and vertex colours and a spare byte elsewhere. Kept trivially
// copyable and exactly four bytes wide: it sits in raw view-settings records
// and in every vertex colour.
#include <cassert>
#include <cstdint>
#include <type_traits>

#include "hostlib/hostlib_export.h"

class CArchive;

class VEXHOST_EXPORT CRGBColor {
 public:
  enum Component { red = 0, green = 1, blue = 2, alpha = 3 };

  constexpr CRGBColor() = default;
  constexpr CRGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 0)
      : m_bytes{r, g, b, a} {}
  // Windows COLORREF convention: red in the low byte, the fourth byte in the
  // high byte.
  constexpr explicit CRGBColor(std::uint32_t colorRef)
      : m_bytes{static_cast<std::uint8_t>(colorRef), static_cast<std::uint8_t>(colorRef >> 8),
                static_cast<std::uint8_t>(colorRef >> 16),
                static_cast<std::uint8_t>(colorRef >> 24)} {}

  constexpr std::uint8_t& operator[](int i) {
    assert(i >= 0 && i < 4);
    return m_bytes[i];
  }
  constexpr std::uint8_t operator[](int i) const {
    assert(i >= 0 && i < 4);
    return m_bytes[i];
  }
  constexpr std::uint8_t* GetBytes() { return m_bytes; }
  constexpr const std::uint8_t* GetBytes() const { return m_bytes; }

  constexpr std::uint8_t GetRed() const { return m_bytes[red]; }
  constexpr std::uint8_t GetGreen() const { return m_bytes[green]; }
  constexpr std::uint8_t GetBlue() const { return m_bytes[blue]; }
  constexpr std::uint8_t GetAlpha() const { return m_bytes[alpha]; }
  constexpr void SetRed(std::uint8_t v) { m_bytes[red] = v; }
  constexpr void SetGreen(std::uint8_t v) { m_bytes[green] = v; }
  constexpr void SetBlue(std::uint8_t v) { m_bytes[blue] = v; }
  constexpr void SetAlpha(std::uint8_t v) { m_bytes[alpha] = v; }

  // The fourth byte is left as it is.
  constexpr void SetRGB(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    m_bytes[red] = r;
    m_bytes[green] = g;
    m_bytes[blue] = b;
  }
  // From a COLORREF: its three low bytes; the fourth byte is left as it is.
  constexpr void SetRGB(std::uint32_t colorRef) {
    SetRGB(static_cast<std::uint8_t>(colorRef), static_cast<std::uint8_t>(colorRef >> 8),
           static_cast<std::uint8_t>(colorRef >> 16));
  }
  // The COLORREF stored in the profile: red low, high byte 0.
  constexpr std::uint32_t GetRGB() const { return GetColorRef() & 0x00FFFFFFu; }
  // All four bytes, red low, the fourth byte high; the inverse of the
  // integer constructor.
  constexpr std::uint32_t GetColorRef() const {
    return static_cast<std::uint32_t>(m_bytes[red]) |
           (static_cast<std::uint32_t>(m_bytes[green]) << 8) |
           (static_cast<std::uint32_t>(m_bytes[blue]) << 16) |
           (static_cast<std::uint32_t>(m_bytes[alpha]) << 24);
  }

  // Components scaled to 0..1 in red, green, blue, alpha order, as GL takes them.
  void GetFloats(float out[4]) const {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<float>(m_bytes[i]) / 255.0f;
  }

  constexpr bool operator==(const CRGBColor& other) const {
    return GetColorRef() == other.GetColorRef();
  }

  // The four bytes in order red, green, blue, fourth byte: the same bytes as
  // the COLORREF value written as a little-endian 32-bit integer.
  void Serialize(CArchive& ar);

 private:
  std::uint8_t m_bytes[4] = {0, 0, 0, 0};
};

static_assert(sizeof(CRGBColor) == 4);
static_assert(std::is_trivially_copyable_v<CRGBColor>);
static_assert(std::is_standard_layout_v<CRGBColor>);
