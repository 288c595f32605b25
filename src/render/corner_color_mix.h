#pragma once
// A corner's colour mixed into its material's diffuse colour.
//
// A mesh coloured per point asks for this at every corner: millions of
// times in a large file. Opaque corners, nearly all of them in practice,
// are looked up per channel in tables built once per material; only
// translucent corners are worked out in full, by the same arithmetic.
#include <cstdint>

#include "hostlib/core/rgb_color.h"

namespace vex3d {

class CornerColorMix {
 public:
  // The material's diffuse colour, the weight of the corner colours and the
  // factor the diffuse colour is sent with. Tables are rebuilt only when
  // one of them changes.
  void prepare(const CRGBColor& base, float intensity, float diffuseFactor);

  // The mixed colour as a byte colour (alpha from the base).
  CRGBColor mixed(const CRGBColor& corner) const;
  // The mixed colour as sent: red, green and blue scaled by the factor.
  void floats(const CRGBColor& corner, float out[4]) const {
    if (corner.GetAlpha() == 255) {
      for (int i = 0; i < 3; ++i) out[i] = m_opaque[i][corner[i]];
      out[3] = m_alpha;
      return;
    }
    general(corner, out);
  }

 private:
  void general(const CRGBColor& corner, float out[4]) const;

  bool m_ready = false;
  std::uint32_t m_base = 0;
  float m_intensity = 0.0f;
  float m_factor = 0.0f;
  CRGBColor m_baseColor;
  float m_opaque[3][256] = {};
  float m_alpha = 0.0f;
};

}  // namespace vex3d
