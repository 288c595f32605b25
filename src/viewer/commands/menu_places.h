#pragma once
// Where the viewer's commands sit: groups of each menu and of the toolbar.
// A menu group is a section between separators, or a sub-menu when the
// menu layout gives it a title.
#include <cstdint>

namespace vex3d::viewer {

// File menu.
inline constexpr std::uint16_t kGroupFile = 0;
inline constexpr std::uint16_t kGroupLight = 1;
inline constexpr std::uint16_t kGroupClose = 2;
// View menu.
inline constexpr std::uint16_t kGroupLists = 0;
inline constexpr std::uint16_t kGroupFraming = 1;
inline constexpr std::uint16_t kGroupZoomSteps = 2;
inline constexpr std::uint16_t kGroupTools = 3;
inline constexpr std::uint16_t kGroupAnimation = 4;
inline constexpr std::uint16_t kGroupPreferences = 5;
// Render menu.
inline constexpr std::uint16_t kGroupRenderModes = 0;
inline constexpr std::uint16_t kGroupDisplay = 1;
inline constexpr std::uint16_t kGroupPointOfView = 2;
// Help menu.
inline constexpr std::uint16_t kGroupHelp = 0;

// Toolbar groups.
inline constexpr std::uint16_t kToolbarFiles = 0;
inline constexpr std::uint16_t kToolbarRender = 1;
inline constexpr std::uint16_t kToolbarTools = 2;
inline constexpr std::uint16_t kToolbarWindow = 3;

// Images of the toolbar buttons and the tools' cursors.
enum ViewerBitmap : std::uint32_t {
  kBitmapFlat = 9000,
  kBitmapRotate = 9001,
  kBitmapRotateHighlighted = 9002,
  kBitmapSmooth = 9003,
  kBitmapTexVC = 9004,
  kBitmapTexVCHighlighted = 9005,
  kBitmapFlatWireframe = 9006,
  kBitmapWireframe = 9007,
  kBitmapSmoothWireframe = 9008,
  kBitmapWireHighlighted = 9009,
  kBitmapFilledHighlighted = 9013,
  kBitmapWireframeHighlighted = 9014,
  kBitmapFullScreen = 7006,
  kBitmapFullScreenHighlighted = 7007,
  kBitmapPan = 7008,
  kBitmapPanHighlighted = 7009,
  kBitmapOpen = 7014,
  kBitmapOpenHighlighted = 7015,
  kBitmapPreferences = 7018,
  kBitmapPreferencesHighlighted = 7019,
  kBitmapSaveAs = 7024,
  kBitmapSaveAsHighlighted = 7025,
  kBitmapZoom = 7028,
  kBitmapZoomHighlighted = 7029,
  // Objects list items.
  kBitmapTreeObject = 9010,
  kBitmapTreeGroup = 9012,
};

enum ViewerCursor : std::uint32_t {
  kCursorZoom = 9017,
  kCursorPan = 9075,
  kCursorRotateY = 9082,
  kCursorRotateFree = 9083,
  kCursorRotateX = 9084,
  kCursorRoll = 9085,
};

}  // namespace vex3d::viewer
