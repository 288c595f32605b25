#pragma once
// Named bits of the words a C3DView keeps: viewMode (_GlViewSettings), the
// update flags of UpdateView, the drawing flags, the list types of the
// display-list table and the answers of the render callbacks.
#include <cstdint>

enum _VIEW_MODE_FLAGS : std::uint32_t {
  VIEW_WIREFRAME = 0x1,
  VIEW_FLAT = 0x2,
  VIEW_SMOOTH = 0x4,
  VIEW_RENDER_MODE_MASK = 0x7,
  VIEW_FLAGGED_FACES_ONLY = 0x8,
  VIEW_SELECTED_FACES = 0x10,
  VIEW_HIDDEN_STIPPLED = 0x40,
  VIEW_CULL_BACK = 0x80,
  VIEW_TEXTURES = 0x100,
  VIEW_VERTEX_COLORS = 0x200,
  VIEW_SPECIFIED_NORMALS = 0x400,
  VIEW_FACE_NUMBERS = 0x800,
  VIEW_POINT_NUMBERS = 0x1000,
  VIEW_NORMALS = 0x2000,
  VIEW_BOXES = 0x4000,
  VIEW_FAST_DISPLAY = 0x8000,
  VIEW_FAST_RENDERING = 0x100000,
  VIEW_PERSPECTIVE_CORRECT = 0x200000,
  VIEW_SMOOTH_TEXTURES = 0x400000,
  VIEW_FAST_DISPLAY_RUNNING = 0x1000000,
};

namespace vex3d {
constexpr std::uint32_t kDefaultViewMode = 0x700784;
constexpr std::uint32_t kInitialViewMode = 0x14;
// What loading the defaults applies: view mode, position and the colours.
constexpr std::uint32_t kLoadDefaultsMask = 0x1F8;
}  // namespace vex3d

// Update requests read by UpdateView (they share the word with the mask).
enum _VIEW_UPDATE_FLAGS : std::uint32_t {
  UPDATE_VIEW_NODES = 0x200,
  UPDATE_VIEW_FIT_RESET = 0x400,
  UPDATE_VIEW_FIT = 0x800,
  UPDATE_VIEW_REBUILD = 0x1000,
  UPDATE_VIEW_RELOAD_TEXTURES = 0x2000,
  UPDATE_VIEW_END_FAST_DISPLAY = 0x4000,
};

enum _OPENGL_DRAWING_SETTINGS : std::uint32_t {
  DRAWING_ALTERNATIVE_FORMAT = 0x1,
  DRAWING_MEMORY = 0x1000000,
  DRAWING_FINAL_REPAINT = 0x2000000,
  // No display lists: every frame sends the geometry again. Right for an
  // image drawn once, where compiling a list costs more than drawing.
  DRAWING_IMMEDIATE = 0x4000000,
};

enum GlViewType : int {
  GLVIEW_WIREFRAME = 1,
  GLVIEW_FLAT = 2,
  GLVIEW_SMOOTH = 4,
};

enum CallListType : int {
  CALLLIST_WIREFRAME = 1,
  CALLLIST_FILLED = 2,
  CALLLIST_CURVE = 4,
  CALLLIST_GEOMETRY = 255,  // deletion requests only: every geometry list
  CALLLIST_TEXTURE = 256,
  CALLLIST_FONT = 512,
};

// Answers of the face callback.
enum _FACE_RESULT : std::uint32_t {
  FACE_RESULT_DRAW = 0x1,
  FACE_RESULT_KEEP_MATERIAL = 0x2,
  FACE_RESULT_SKIP = 0x4,
  FACE_RESULT_SELECTION = 0x8,
  FACE_RESULT_PER_CORNER = 0x10,
};

// Face flags the renderer reads beside the invalid marks.
enum _RENDER_FACE_FLAGS : std::uint32_t {
  FACE_RENDER_HIDDEN = 0x4,
  FACE_RENDER_FLAGGED = 0x8,
};

// Second argument of the display callback.
enum DisplayState : int {
  DISPLAY_BEGIN = 1,
  DISPLAY_AFTER_NODES = 2,
  DISPLAY_NODE = 3,
  DISPLAY_NODES_DONE = 4,
  DISPLAY_END = 5,
  DISPLAY_NODE_AFTER = 6,
};

// Standard points of view (viewPos).
enum _RVIEW_FLAG : std::uint32_t {
  RVIEW_LEFT = 1,
  RVIEW_RIGHT = 2,
  RVIEW_TOP = 3,
  RVIEW_BOTTOM = 4,
  RVIEW_FRONT = 5,
  RVIEW_BACK = 6,
  RVIEW_CUSTOM = 7,
};
