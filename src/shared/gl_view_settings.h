#pragma once
// _GlViewSettings: the camera, render-mode and colour record exchanged
// between the view, the commands, the preference pages and image export.
// `mask` says which fields a receiver applies. Default view settings are
// kept in the preferences by field, never as the raw record: the record
// holds a polymorphic matrix.
#include <cstdint>

#include "hostlib/core/rgb_color.h"
#include "math/matrix4x4.h"

enum _GlViewSettingsMask : std::uint32_t {
  GLVS_ROTATION = 0x1,
  GLVS_PAN_DISTANCE = 0x2,
  GLVS_VIEW_MODE = 0x8,
  GLVS_VIEW_POS = 0x10,
  GLVS_BACKGROUND = 0x20,
  GLVS_WIREFRAME_COLOR = 0x40,
  GLVS_SELECTION_COLOR = 0x80,
  GLVS_LIGHT_COLOR = 0x100,
  GLVS_UPDATE = 0x200,
};

// A standard point of view 1 to 6, or the current custom orientation.
constexpr std::uint32_t kCustomViewPos = 7;

struct _GlViewSettings {
  std::uint32_t size = sizeof(_GlViewSettings);
  std::uint32_t mask = 0;
  float aspect = 0.0f;
  float depth = 0.0f;
  C4x4Matrix rotation;
  float panX = 0.0f;
  std::uint32_t reserved1 = 0;
  float panY = 0.0f;
  std::uint32_t reserved2 = 0;
  float distance = 0.0f;
  float zoomStep = 0.0f;
  float target[3] = {0.0f, 0.0f, 0.0f};
  std::uint32_t viewMode = 0;
  std::uint32_t viewPos = 0;
  float brightness = 1.0f;
  CRGBColor backgroundColor;
  CRGBColor wireframeColor;
  CRGBColor selectionColor;
  CRGBColor lightColor;
};
