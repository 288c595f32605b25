#include "render/corner_color_mix.h"

#include <algorithm>

namespace vex3d {

void CornerColorMix::prepare(const CRGBColor& base, float intensity, float diffuseFactor) {
  if (m_ready && m_base == base.GetColorRef() && m_intensity == intensity &&
      m_factor == diffuseFactor)
    return;
  m_ready = true;
  m_base = base.GetColorRef();
  m_intensity = intensity;
  m_factor = diffuseFactor;
  m_baseColor = base;
  CRGBColor corner = base;
  corner.SetAlpha(255);
  float out[4];
  for (int v = 0; v < 256; ++v) {
    for (int i = 0; i < 3; ++i) corner[i] = static_cast<std::uint8_t>(v);
    general(corner, out);
    for (int i = 0; i < 3; ++i) m_opaque[i][v] = out[i];
    m_alpha = out[3];
  }
}

CRGBColor CornerColorMix::mixed(const CRGBColor& corner) const {
  const float w = m_intensity * (static_cast<float>(corner.GetAlpha()) / 255.0f);
  CRGBColor result = m_baseColor;
  for (int i = 0; i < 3; ++i) {
    const float v =
        static_cast<float>(m_baseColor[i]) * (1.0f - w) + static_cast<float>(corner[i]) * w;
    result[i] = static_cast<std::uint8_t>(std::clamp(v + 0.5f, 0.0f, 255.0f));
  }
  return result;
}

void CornerColorMix::general(const CRGBColor& corner, float out[4]) const {
  mixed(corner).GetFloats(out);
  for (int i = 0; i < 3; ++i) out[i] *= m_factor;
}

}  // namespace vex3d
