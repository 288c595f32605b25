#include "render/view.h"

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <unordered_map>

#include "hostlib/files/profile.h"
#include "material/material.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/normal_channels.h"
#include "render/corner_color_mix.h"
#include "render/egl_context.h"
#include "render/vertex_batch.h"
#include "scene/scene.h"

namespace {

constexpr const char* kSection = "Render";
constexpr float kPi = 3.14159265358979f;
constexpr float kBrightnessStep = 1.3f;
constexpr float kMinBrightness = 0.0001f;
constexpr float kMaxBrightness = 10000.0f;
constexpr std::uint64_t kNoTick = ~0ull;
constexpr std::uint64_t kFastDisplayDelay = 500;
constexpr std::uint64_t kFinalRepaintDelay = 300;

int profileInt(const char* entry, int fallback) { return GetProfileInt(kSection, entry, fallback); }

void setMaterialColor(C3DMaterial& material, const CRGBColor& color) {
  CRGBColor c = color;
  c.SetAlpha(255);
  material.SetAmbientColor(c);
  material.SetDiffuseColor(c);
}

}  // namespace

namespace vex3d {
namespace {

struct ScenesInPreparation {
  std::mutex mutex;
  std::condition_variable done;
  std::unordered_map<const C3DScene*, int> marks;
};

ScenesInPreparation& scenesInPreparation() {
  static ScenesInPreparation scenes;
  return scenes;
}

}  // namespace

void beginScenePreparation(const C3DScene* scene) {
  ScenesInPreparation& s = scenesInPreparation();
  std::lock_guard<std::mutex> lock(s.mutex);
  ++s.marks[scene];
}

void endScenePreparation(const C3DScene* scene) {
  ScenesInPreparation& s = scenesInPreparation();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    auto found = s.marks.find(scene);
    if (found == s.marks.end()) return;
    if (--found->second <= 0) s.marks.erase(found);
  }
  s.done.notify_all();
}

void waitForScenePreparation(const C3DScene* scene) {
  ScenesInPreparation& s = scenesInPreparation();
  std::unique_lock<std::mutex> lock(s.mutex);
  s.done.wait(lock, [&] { return s.marks.find(scene) == s.marks.end(); });
}

}  // namespace vex3d

C3DView::C3DView(std::uint32_t drawingFlags)
    : m_drawing(drawingFlags),
      m_selectionMaterial(std::make_unique<C3DMaterial>()),
      m_wireframeMaterial(std::make_unique<C3DMaterial>()),
      m_userMaterial(std::make_unique<C3DMaterial>()),
      m_vertexBatch(std::make_unique<vex3d::VertexBatch>()),
      m_cornerColors(std::make_unique<vex3d::CornerColorMix>()),
      m_smoothNormal(std::make_unique<C3DVector>()),
      m_smoothing(std::make_unique<_SmoothingPass>()),
      m_triangles(std::make_unique<C3DFaceList>()) {
  // Ids from the top of the range, which scenes never reach, keep the
  // view's own materials apart from the scene's in the current-material
  // filter.
  m_selectionMaterial->SetMaterialID(0xFFFFFFF0u);
  m_wireframeMaterial->SetMaterialID(0xFFFFFFF1u);
  m_userMaterial->SetMaterialID(0xFFFFFFF2u);
  const CRGBColor red(255, 0, 0, 255);
  setMaterialColor(*m_selectionMaterial, red);
  setMaterialColor(*m_wireframeMaterial, red);
  m_settings.rotation.Init();
  m_settings.rotation.Rotate(kPi / 2.0f, 1.0f, 0.0f, 0.0f);
  m_settings.viewPos = RVIEW_FRONT;
  m_settings.brightness = 1.0f;
  m_settings.viewMode = vex3d::kInitialViewMode;
  m_settings.selectionColor = CRGBColor(255, 0, 0);
  m_settings.wireframeColor = CRGBColor(255, 0, 0);
  m_settings.lightColor = CRGBColor(0xC0C0C0u);
  LoadDefaultSettings();
}

C3DView::~C3DView() {
  if (m_pbuffer) DeleteMemoryRendering();
  while (!m_contexts.IsEmpty()) DeleteMainGLContext();
}

// --- Contexts.

int C3DView::CreateMainGLContext(vex3d::GlContext* windowContext) {
  if (windowContext == nullptr) return 0;
  const auto settings = static_cast<std::uint32_t>(profileInt("glsettings", 0));
  m_drawing = (m_drawing & 0xFF000000u) | (settings & 0xFFFFFFu);
  m_contexts.Push(_GLContext{windowContext});
  Activate();
  InitMainGLContext();
  Deactivate();
  return 1;
}

void C3DView::DeleteMainGLContext() {
  if (m_contexts.IsEmpty()) return;
  Activate();
  deleteContextObjects(GetGLContext());
  Deactivate();
  m_contexts.Pop();
}

void C3DView::InitMainGLContext() {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glClearDepth(1.0);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  GLubyte stipple[128];
  for (int row = 0; row < 32; ++row) {
    const GLubyte byte = (row % 2 == 0) ? 0xCC : 0x33;
    for (int i = 0; i < 4; ++i) stipple[row * 4 + i] = byte;
  }
  glPolygonStipple(stipple);
  glLineStipple(1, 0xCCCC);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 0);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 0);
  glFrontFace(GL_CCW);
  ForceViewFlag();
}

void C3DView::Activate() {
  if (m_activation++ == 0) m_savedContext = vex3d::GlContext::current();
  // The top may have changed under an outer activation (a pixel buffer
  // pushed for off-screen work).
  vex3d::GlContext* top = GetGLContext();
  if (top != nullptr && vex3d::GlContext::current() != top && top->makeCurrent()) {
    vex3d::initGlew();
  }
}

void C3DView::Deactivate() {
  if (m_activation <= 0) return;
  if (--m_activation > 0) return;
  if (m_savedContext != nullptr) {
    m_savedContext->makeCurrent();
  } else {
    vex3d::GlContext::releaseCurrent();
  }
  m_savedContext = nullptr;
}

vex3d::GlContext* C3DView::GetGLContext() const {
  return m_contexts.IsEmpty() ? nullptr : m_contexts.Top().context;
}

void C3DView::deleteContextObjects(const vex3d::GlContext* context) {
  for (auto it = m_lists.begin(); it != m_lists.end();) {
    if (it->first.context != context) {
      ++it;
      continue;
    }
    if (it->first.type == CALLLIST_TEXTURE) {
      const GLuint name = it->second;
      glDeleteTextures(1, &name);
    } else {
      glDeleteLists(it->second, 1);
    }
    it = m_lists.erase(it);
  }
  m_texturesLoaded = false;
}

// --- Scene and settings.

void C3DView::SetScene(C3DScene* scene) {
  if (scene != nullptr) vex3d::waitForScenePreparation(scene);
  m_scene = scene;
  if (m_activation > 0) {
    DestroyMapping();
    ForceViewFlag();
  }
  if (scene != nullptr) {
    InitViewSettings(scene, 1);
    m_dirty = true;
  }
}

C3DScene* C3DView::DetachScene() {
  C3DScene* scene = m_scene;
  m_scene = nullptr;
  return scene;
}

void C3DView::GetViewSettings(_GlViewSettings& out) const { out = m_settings; }

void C3DView::SetViewSettings(const _GlViewSettings* s) {
  if (s == nullptr) return;
  const std::uint32_t mask = s->mask;
  if (mask & GLVS_PAN_DISTANCE) {
    m_settings.panX = s->panX;
    m_settings.panY = s->panY;
    m_settings.distance = s->distance;
  }
  if (mask & GLVS_VIEW_MODE) {
    if ((s->viewMode & VIEW_RENDER_MODE_MASK) != (m_settings.viewMode & VIEW_RENDER_MODE_MASK)) {
      m_dirty = true;
    }
    m_settings.viewMode = s->viewMode;
  }
  if ((mask & GLVS_VIEW_POS) && s->viewPos != kCustomViewPos) SetView(s->viewPos, 0);
  if (mask & GLVS_ROTATION) {
    m_settings.rotation = s->rotation;
    m_settings.viewPos = kCustomViewPos;
  }
  if (mask & GLVS_BACKGROUND) m_settings.backgroundColor = s->backgroundColor;
  if (mask & GLVS_WIREFRAME_COLOR) {
    m_settings.wireframeColor = s->wireframeColor;
    setMaterialColor(*m_wireframeMaterial, s->wireframeColor);
  }
  if (mask & GLVS_SELECTION_COLOR) {
    m_settings.selectionColor = s->selectionColor;
    setMaterialColor(*m_selectionMaterial, s->selectionColor);
  }
  if (mask & GLVS_LIGHT_COLOR) m_settings.lightColor = s->lightColor;
  if (mask & GLVS_UPDATE) UpdateView(mask);
}

void C3DView::SetDrawingFlag(std::uint32_t flag, bool on) {
  if (on) {
    m_drawing |= flag;
  } else {
    m_drawing &= ~flag;
  }
}

void C3DView::LoadDefaultSettings() {
  const bool memory = IsDrawingFlagSet(DRAWING_MEMORY);
  if (profileInt("version", 0) != 2) {
    m_settings.viewMode = vex3d::kDefaultViewMode;
    if (!memory) {
      WriteProfileInt(kSection, "viewmode", static_cast<int>(vex3d::kDefaultViewMode));
      WriteProfileInt(kSection, "viewpos", static_cast<int>(m_settings.viewPos));
      WriteProfileInt(kSection, "version", 2);
    }
  }
  _GlViewSettings record = m_settings;
  record.mask = vex3d::kLoadDefaultsMask;
  record.viewMode =
      static_cast<std::uint32_t>(profileInt("viewmode", static_cast<int>(vex3d::kDefaultViewMode)));
  record.viewPos = static_cast<std::uint32_t>(profileInt("viewpos", RVIEW_FRONT));
  if (record.viewPos == kCustomViewPos) record.viewPos = RVIEW_FRONT;
  record.backgroundColor = CRGBColor(static_cast<std::uint32_t>(profileInt("backgroundcolor", 0)));
  record.selectionColor = CRGBColor(static_cast<std::uint32_t>(profileInt("selectioncolor", 255)));
  record.wireframeColor = CRGBColor(static_cast<std::uint32_t>(profileInt("wireframecolor", 255)));
  record.lightColor = CRGBColor(static_cast<std::uint32_t>(profileInt("lightcolor", 0xC0C0C0)));
  // Only the three colour bytes come from the profile.
  for (CRGBColor* c : {&record.backgroundColor, &record.selectionColor, &record.wireframeColor,
                       &record.lightColor}) {
    c->SetAlpha(0);
  }
  SetViewSettings(&record);
}

void C3DView::SaveDefaultSettings() {
  if (IsDrawingFlagSet(DRAWING_MEMORY)) return;
  WriteProfileInt(kSection, "viewmode", static_cast<int>(m_settings.viewMode));
  WriteProfileInt(kSection, "viewpos", static_cast<int>(m_settings.viewPos));
  WriteProfileInt(kSection, "version", 2);
}

void C3DView::SetBackgroundColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  m_settings.backgroundColor.SetRGB(red, green, blue);
  invalidate(true);
}

void C3DView::Brightness(int step) {
  float b = m_settings.brightness;
  if (step >= 1) {
    b *= kBrightnessStep;
  } else if (step < 0) {
    b /= kBrightnessStep;
  } else {
    b = 1.0f;
  }
  m_settings.brightness = std::clamp(b, kMinBrightness, kMaxBrightness);
  UpdateView(0);
}

void C3DView::UnlockWindow() {
  if (m_lock <= 0) return;
  if (--m_lock == 0) UpdateView(0);
}

void C3DView::UpdateView(std::uint32_t flags) {
  if (m_lock > 0 || m_scene == nullptr) return;
  if (GetGLContext() == nullptr) {
    // Nothing to draw with yet (and another view's context may be current):
    // only the camera follows; the lists are built once a context exists.
    if (flags & (UPDATE_VIEW_FIT_RESET | UPDATE_VIEW_FIT)) {
      InitViewSettings(m_scene, (flags & UPDATE_VIEW_FIT_RESET) ? 1 : 0);
    }
    invalidate(true);
    return;
  }
  Activate();
  if (flags & UPDATE_VIEW_RELOAD_TEXTURES) {
    DestroyMapping();
    ForceViewFlag();
    flags |= UPDATE_VIEW_REBUILD;
  }
  InitViewFlag();
  if (flags & (UPDATE_VIEW_FIT_RESET | UPDATE_VIEW_FIT)) {
    InitViewSettings(m_scene, (flags & UPDATE_VIEW_FIT_RESET) ? 1 : 0);
  }
  const bool fastStarted = m_fastDisplay != kNoTick;
  if (!IsDrawingFlagSet(DRAWING_MEMORY) && (m_settings.viewMode & VIEW_FAST_DISPLAY)) {
    if (flags & UPDATE_VIEW_END_FAST_DISPLAY) {
      m_settings.viewMode &= ~VIEW_FAST_DISPLAY_RUNNING;
    } else if (fastStarted) {
      m_fastDisplay = now();
    } else {
      m_settings.viewMode |= VIEW_FAST_DISPLAY_RUNNING;
    }
  }
  if ((flags & UPDATE_VIEW_REBUILD) || m_dirty) {
    m_dirty = true;
    FlushScene();
  } else if (flags & UPDATE_VIEW_NODES) {
    CSceneIterator it = m_scene->Begin();
    C3DBaseObject* object = nullptr;
    while (C3DSceneNode* node = m_scene->GetNextNode(object, it)) {
      const bool changed = node->IsInvalidate(NODE_UPDATE_MODIFIED) ||
                           (object != nullptr && object->IsInvalidate(UPDATE_MODIFIED));
      const bool fastRunning = (m_settings.viewMode & VIEW_FAST_DISPLAY_RUNNING) != 0;
      const bool coarse = object != nullptr && !fastRunning && m_coarse.count(object) != 0;
      if (changed || coarse) {
        DeleteGLLists(CALLLIST_GEOMETRY, node);
        FlushNode(node);
      }
    }
  }
  if (m_fastDisplay == kNoTick) m_settings.viewMode &= ~VIEW_FAST_DISPLAY_RUNNING;
  invalidate(true);
  Deactivate();
}

void C3DView::SizeChanged(int width, int height) {
  if (GetGLContext() == nullptr) return;
  Activate();
  m_settings.aspect = height == 0 ? 0.0f : static_cast<float>(width) / static_cast<float>(height);
  glViewport(0, 0, width, height);
  invalidate(true);
  Deactivate();
}

void C3DView::OnPaint() {
  if (GetGLContext() == nullptr) return;
  Activate();
  try {
    RenderScene();
  } catch (...) {
    // A paint that fails is abandoned; the next one starts afresh.
  }
  if (IsDrawingFlagSet(DRAWING_FINAL_REPAINT)) {
    SetDrawingFlag(DRAWING_FINAL_REPAINT, false);
  } else {
    m_lastPaint = now();
  }
  Deactivate();
}

void C3DView::OnTimer() {
  const std::uint64_t t = now();
  if (m_fastDisplay != kNoTick && t - m_fastDisplay > kFastDisplayDelay) {
    UpdateView(UPDATE_VIEW_END_FAST_DISPLAY | UPDATE_VIEW_NODES);
    m_fastDisplay = kNoTick;
    m_coarse.clear();
  } else if (m_lastPaint != kNoTick && t - m_lastPaint > kFinalRepaintDelay) {
    invalidate(false);
    SetDrawingFlag(DRAWING_FINAL_REPAINT, true);
    m_lastPaint = kNoTick;
  }
}

void C3DView::OnDestroy() { SaveDefaultSettings(); }

void C3DView::InitViewFlag() {
  const std::uint32_t mode = m_settings.viewMode;
  if (mode == m_appliedViewMode) return;
  m_appliedViewMode = mode;
  if (profileInt("alphacut", 0) != 0) {
    glEnable(GL_MULTISAMPLE);
    glEnable(GL_SAMPLE_ALPHA_TO_COVERAGE);
  } else {
    glDisable(GL_MULTISAMPLE);
    glDisable(GL_SAMPLE_ALPHA_TO_COVERAGE);
  }
  InitMapping();
  if (mode & (VIEW_FLAT | VIEW_SMOOTH)) {
    glEnable(GL_LIGHTING);
    m_lighting = true;
    glEnable(GL_DEPTH_TEST);
    SetCullMode((mode & VIEW_CULL_BACK) != 0);
    glShadeModel((mode & VIEW_SMOOTH) ? GL_SMOOTH : GL_FLAT);
  } else {
    glDisable(GL_LIGHTING);
    m_lighting = false;
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glShadeModel(GL_FLAT);
  }
}

void C3DView::SetCullMode(bool on) {
  if (on) {
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
  } else {
    glDisable(GL_CULL_FACE);
  }
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void C3DView::invalidate(bool erase) {
  if (m_invalidate) m_invalidate(erase);
}

std::uint64_t C3DView::now() const {
  if (m_clock) return m_clock();
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
