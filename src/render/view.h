#pragma once
// C3DView: shows one scene with fixed-function OpenGL. The view knows no
// widget toolkit: a host pushes its window context (a vex3d::GlContext) and
// fills the hooks for invalidation, time and text; off-screen rendering
// pushes an EGL pixel buffer of its own. Every GL call runs between
// Activate and Deactivate, which nest and put back the context that was
// current before.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "hostlib/containers/stack.h"
#include "math/matrix4x4.h"
#include "render/gl_context.h"
#include "render/view_flags.h"
#include "shared/gl_view_settings.h"
#include "vex3d_export.h"

class Bitmap;
class C3DBaseObject;
class C3DFaceList;
class C3DMaterial;
class C3DPointList;
class C3DScene;
class C3DSceneNode;
class C3DVector;
class C3DVectorList;
class CChannel;
class CFaceNormalChannel;
class CMaterialMap;
class CPointNormalChannel;
class CSpecNormalChannel;
class CUVWFace;
class CUVWFaceList;
class CUVWPointList;
class CVCFace;
namespace vex3d {
class VertexBatch;
class CornerColorMix;
}  // namespace vex3d
class CVCFaceList;
class CVCPointList;
class C3DFace;
struct _SmoothingPass;

// One entry of the view's context stack.
struct _GLContext {
  vex3d::GlContext* context = nullptr;
};

// The node being compiled, as the render callbacks see it.
struct _RenderElement {
  C3DSceneNode* node = nullptr;
  C3DBaseObject* object = nullptr;
  std::uint32_t flags = 0;  // viewMode, narrowed for this compilation
  int viewType = 0;         // GlViewType
  std::uint32_t faceResult = 0;
  void* userData = nullptr;
  int faceIndex = -1;
  int cornerIndex = -1;
  C3DMaterial* material = nullptr;
  C3DFaceList* faces = nullptr;
  C3DPointList* points = nullptr;
  CSpecNormalChannel* specifiedNormals = nullptr;
  CFaceNormalChannel* faceNormals = nullptr;
  C3DVectorList* faceNormalVectors = nullptr;
  CPointNormalChannel* pointNormals = nullptr;
  C3DVectorList* pointNormalVectors = nullptr;
  CChannel* uvChannel = nullptr;
  CUVWFaceList* uvFaces = nullptr;
  CUVWPointList* uvPoints = nullptr;
  const CUVWFace* uvFace = nullptr;  // null: the face is not textured
  CChannel* vcChannel = nullptr;
  CVCFaceList* vcFaces = nullptr;
  CVCPointList* vcPoints = nullptr;
  const CVCFace* vcFace = nullptr;  // null: no vertex colours on the face
  float vcIntensity = 0.0f;
};

using DisplayCallback = int (*)(C3DSceneNode* node, int state, void* user);
using BeginNodeCallback = int (*)(_RenderElement& element, int& listType, void* user);
using FaceCallback = std::uint32_t (*)(_RenderElement& element, void* user);
using PointMaterialCallback = int (*)(_RenderElement& element, void* user);
using FlushCallback = void (*)(C3DSceneNode* node, void* user);

namespace vex3d {
class EglOffscreenContext;
// A scene handed to another thread to be brought up to date
// (C3DView::BringSceneUpToDate) is marked for that time: a view taking it
// (SetScene) waits until the work is done, after which drawing it only
// reads it. Marks nest.
VEX3D_EXPORT void beginScenePreparation(const C3DScene* scene);
VEX3D_EXPORT void endScenePreparation(const C3DScene* scene);
VEX3D_EXPORT void waitForScenePreparation(const C3DScene* scene);
// Draws `text` with the current matrices (the label's origin at 0, 0).
using TextDrawer = std::function<void(const std::string& text)>;
}  // namespace vex3d

class VEX3D_EXPORT C3DView {
 public:
  // `drawingFlags` may carry DRAWING_MEMORY for a view that will only render
  // off screen, so that loading the defaults writes nothing to the profile.
  explicit C3DView(std::uint32_t drawingFlags = 0);
  virtual ~C3DView();
  C3DView(const C3DView&) = delete;
  C3DView& operator=(const C3DView&) = delete;

  // --- Contexts (view.cpp).
  // The host's window context goes on the stack (the host keeps it and
  // drives OnPaint, SizeChanged and the 200 ms OnTimer): reads "glsettings"
  // and sets the initial GL state. 0 for a null context.
  int CreateMainGLContext(vex3d::GlContext* windowContext);
  // Deletes the lists and textures of the top context and pops it. The host
  // calls it before its context goes away; the destructor does it for any
  // context still pushed.
  void DeleteMainGLContext();
  void InitMainGLContext();
  void Activate();
  void Deactivate();
  int GetActivationCount() const { return m_activation; }
  vex3d::GlContext* GetGLContext() const;

  // --- Scene and settings.
  void SetScene(C3DScene* scene);
  C3DScene* GetScene() const { return m_scene; }
  C3DScene* DetachScene();
  const _GlViewSettings& GetViewSettings() const { return m_settings; }
  virtual void GetViewSettings(_GlViewSettings& out) const;
  virtual void SetViewSettings(const _GlViewSettings* settings);
  std::uint32_t GetViewFlag() const { return m_settings.viewMode; }
  void SetDrawingFlag(std::uint32_t flag, bool on);
  bool IsDrawingFlagSet(std::uint32_t flag) const { return (m_drawing & flag) == flag; }
  bool IsOneDrawingFlagSet(std::uint32_t flag) const { return (m_drawing & flag) != 0; }
  void LoadDefaultSettings();
  void SaveDefaultSettings();
  void SetBackgroundColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue);
  void Brightness(int step);
  void LockWindow() { ++m_lock; }
  void UnlockWindow();
  void UpdateView(std::uint32_t flags);
  void SizeChanged(int width, int height);
  // Render mode changed and lists not rebuilt yet: paints only clear.
  bool IsDirty() const { return m_dirty; }
  void OnPaint();
  // The host calls it every 200 ms.
  void OnTimer();
  void OnDestroy();
  // Applies viewMode to the GL state when it changed since the last time.
  void InitViewFlag();
  void ForceViewFlag() { m_appliedViewMode = 0xFFFFFFFFu; }

  // --- Host hooks.
  void SetInvalidateHook(std::function<void(bool erase)> hook) { m_invalidate = std::move(hook); }
  // Milliseconds of a monotonic clock (steady clock by default).
  void SetClockHook(std::function<std::uint64_t()> hook) { m_clock = std::move(hook); }
  void SetTextDrawer(vex3d::TextDrawer drawer) { m_textDrawer = std::move(drawer); }
  // The active command's drawing at the end of a frame.
  void SetDrawHook(std::function<void()> hook) { m_drawHook = std::move(hook); }
  // The frame is told when the view changed the scene (32: its time).
  void SetSceneChangedHook(std::function<void(int reason)> hook) {
    m_sceneChanged = std::move(hook);
  }
  void SetAutoFit(bool on) { m_autoFit = on; }
  std::uint64_t GetLastPaintTick() const { return m_lastPaint; }
  std::uint64_t GetFastDisplayTick() const { return m_fastDisplay; }

  // --- Scene rendering (view_render.cpp, view_compile.cpp).
  void RenderScene();
  void FlushScene();
  // Computes now, on the calling thread, what drawing `scene` with this
  // view's settings computes on first use (patch levels, texture
  // coordinates, boxes, normals, the default material, texture images).
  // Drawing an up-to-date scene only reads it, so another thread's view
  // may then draw it while this thread draws it too.
  void BringSceneUpToDate(C3DScene* scene) const;
  void FlushNode(C3DSceneNode* node);
  void FlushObject(C3DSceneNode* node);
  void BeginCallList(std::uint32_t id, int type);
  void EndCallList();
  void DrawCallList(std::uint32_t id, int type);
  bool HasCallList(std::uint32_t id, int type) const;
  // `node` null: every entry of the type; CALLLIST_GEOMETRY: lists of all
  // three geometry types.
  void DeleteGLLists(int type, const C3DSceneNode* node);
  int BeginNode(C3DSceneNode* node, int glViewType);
  int BeginFace(int face);
  void EndNode();
  void ViewFlatNode();
  void ViewSmoothNode();
  void ViewWireframeNode();
  void Flush3DObject(C3DSceneNode* node);
  void Flush3DFilled(C3DSceneNode* node);
  void Flush3DWireframe(C3DSceneNode* node);
  void Flush3DPatch(C3DSceneNode* node);
  void Flush3DCurve(C3DSceneNode* node);
  void InitLighting();
  void InitMaterial(C3DMaterial* material, int force);
  void InitMaterial();
  void InitPointMaterial();
  void InitDiffuseColor(C3DMaterial* material);
  int SetObjectOffset(int n);
  void SetCullMode(bool on);
  C3DMaterial* GetSelectionMaterial() const { return m_selectionMaterial.get(); }
  C3DMaterial* GetWireframeMaterial() const { return m_wireframeMaterial.get(); }
  C3DMaterial* GetUserMaterial() const { return m_userMaterial.get(); }
  C3DMaterial* GetCurrentMaterial() const { return m_element.material; }
  const float* GetCameraMatrix() const { return m_camera; }
  void SetFaceCallback(FaceCallback cb) { m_faceCallback = cb; }
  void SetPointMaterialCallback(PointMaterialCallback cb) { m_pointMaterialCallback = cb; }
  void SetDisplayCallback(DisplayCallback cb) { m_displayCallback = cb; }
  void SetBeginNodeCallback(BeginNodeCallback cb) { m_beginNodeCallback = cb; }
  void SetFlushCallback(FlushCallback cb) { m_flushCallback = cb; }
  void SetCallbackData(void* data) { m_callbackData = data; }
  int GetListCount() const { return static_cast<int>(m_lists.size()); }

  // --- Navigation (view_navigation.cpp).
  void SetView(std::uint32_t viewPos, int redraw);
  void InitViewSettings(C3DScene* scene, int reset);
  void SwitchTo2DMode(bool on, bool keepDepth);
  // Shift or Ctrl alone: one tick back (positive delta) or forward; both:
  // the previous or next key; neither: zoom. Returns true: the wheel is
  // always handled.
  bool OnMouseWheel(bool shift, bool ctrl, int delta);

  // --- Off-screen rendering (view_offscreen.cpp).
  int CreateMemoryRendering(int width, int height, int depth);
  // An rgbaBitmap for depth 32, else an rgbBitmap; null on failure. The
  // caller owns it.
  Bitmap* CreateBitmapFromScene();
  int DeleteMemoryRendering();

  // --- Textures (view_textures.cpp).
  void InitMapping();
  int InitMaterialMapping(std::uint32_t materialId, int force);
  int LoadTexture(CMaterialMap* map);
  void InitTexture();
  void DestroyMapping();
  void EnableTexture(bool on) { m_textureEnabled = on; }
  virtual bool IsTextureEnabled() const { return m_textureEnabled; }
  bool TextureExist() const;
  // The texture object of a material in the current context, 0 for none.
  unsigned int GetTextureName(std::uint32_t materialId) const;

 protected:
  void invalidate(bool erase);
  std::uint64_t now() const;

 private:
  struct ListKey {
    std::uint32_t id;
    const vex3d::GlContext* context;
    int type;
    bool operator==(const ListKey&) const = default;
  };
  struct ListKeyHash {
    std::size_t operator()(const ListKey& k) const {
      return (static_cast<std::size_t>(k.id) + static_cast<std::size_t>(k.type) * 8u) * 16u ^
             std::hash<const void*>()(k.context);
    }
  };

  void applyMaterialColors();
  void setNodeScaleState(const C4x4Matrix& tm);
  void drawBox(const C3DSceneNode* node, bool wholeScene);
  void drawNormals(C3DSceneNode* node, const C4x4Matrix& tm);
  void renderLabels(C3DSceneNode* node);
  void endBatch();
  void beginBatch();
  // Corner values, gathered when the batch draws from arrays, else sent.
  void sendNormal(const float normal[3]);
  void sendTexCoord(const float uvw[3]);
  void sendVertex(int point, const float position[3]);
  // Inside a batch of faces drawn without a list, after face `f`.
  void handOverBatch(int f);
  void sendCorner(const C3DFace& face, int corner, bool smooth);
  void sendFilledFace(const C3DFace& face, bool smooth);
  // Corner triples of the face's triangles into m_triangleCorners.
  void triangulateCorners(const C3DFace& face, int faceIndex);
  bool cornerNormal(int face, int corner, int point);
  void resetCurrentMaterial();
  void preparePatch(C3DSceneNode* node);
  // What has to be computed before the node's object is drawn.
  void bringUpToDate(C3DSceneNode* node);
  // Replays the node's list of `type`, or sends the geometry again when
  // drawing without lists.
  void drawNode(C3DSceneNode* node, int type);
  void deleteContextObjects(const vex3d::GlContext* context);

  C3DScene* m_scene = nullptr;
  _GlViewSettings m_settings;
  std::uint32_t m_drawing = 0;
  std::uint32_t m_appliedViewMode = 0xFFFFFFFFu;
  bool m_dirty = false;
  bool m_lighting = false;
  bool m_autoFit = true;
  bool m_textureEnabled = true;
  bool m_texturesLoaded = false;
  int m_lock = 0;

  CStack<_GLContext> m_contexts;
  int m_activation = 0;
  vex3d::GlContext* m_savedContext = nullptr;
  std::unique_ptr<vex3d::EglOffscreenContext> m_pbuffer;
  int m_memoryWidth = 0;
  int m_memoryHeight = 0;
  int m_memoryDepth = 0;

  std::unique_ptr<C3DMaterial> m_selectionMaterial;
  std::unique_ptr<C3DMaterial> m_wireframeMaterial;
  std::unique_ptr<C3DMaterial> m_userMaterial;

  std::unordered_map<ListKey, unsigned int, ListKeyHash> m_lists;
  int m_listNesting = 0;
  std::unordered_set<const C3DBaseObject*> m_coarse;

  _RenderElement m_element;
  std::uint32_t m_currentMaterialId = 0xFFFFFFFFu;
  // The material whose ambient, specular and shininess were sent last with
  // a corner's colour; null once anything else set the material.
  const C3DMaterial* m_cornerMaterialBase = nullptr;
  int m_currentTexture = -1;
  bool m_inBatch = false;
  // Drawing without lists and without callbacks that might send values of
  // their own between corners, a batch is gathered and drawn from arrays.
  std::unique_ptr<vex3d::VertexBatch> m_vertexBatch;
  std::unique_ptr<vex3d::CornerColorMix> m_cornerColors;
  bool m_stippled = false;
  int m_objectOffset = 0;
  int m_2dNesting = 0;
  float m_camera[16] = {};
  std::unique_ptr<C3DVector> m_smoothNormal;
  // While a node is drawn smooth: its point normals, when the corners of its
  // smooth faces take them as they are.
  const C3DVectorList* m_plainPointNormals = nullptr;
  // This view's own smoothing state: another view may smooth the same
  // mesh at the same time.
  std::unique_ptr<_SmoothingPass> m_smoothing;
  std::unique_ptr<C3DFaceList> m_triangles;  // one polygon's triangles at a time
  std::vector<int> m_triangleCorners;
  bool m_faceStippled = false;
  // What the last face of the node looked up: its neighbours nearly always
  // name the same material and channels.
  static constexpr std::uint64_t kNoLookup = ~0ull;
  template <class Faces, class Points>
  struct ChannelLookup {
    std::uint64_t id = kNoLookup;
    CChannel* channel = nullptr;
    Faces* faces = nullptr;
    Points* points = nullptr;
    // The channel `id` names, asked of `get` only when the id changed.
    template <class Get>
    void Take(std::uint32_t wanted, Get get, CChannel*& c, Faces*& f, Points*& p) {
      if (id != wanted) {
        channel = get(wanted, &faces, &points);
        id = wanted;
      }
      c = channel;
      f = faces;
      p = points;
    }
  };
  struct FaceLookups {
    std::uint64_t materialId = kNoLookup;
    C3DMaterial* material = nullptr;
    ChannelLookup<CUVWFaceList, CUVWPointList> uv;
    ChannelLookup<CVCFaceList, CVCPointList> vc;
  };
  FaceLookups m_lookups;
  C3DMaterial* faceMaterial(std::uint32_t id);

  std::uint64_t m_lastPaint = ~0ull;
  std::uint64_t m_fastDisplay = ~0ull;

  std::function<void(bool)> m_invalidate;
  std::function<std::uint64_t()> m_clock;
  std::function<void()> m_drawHook;
  std::function<void(int)> m_sceneChanged;
  vex3d::TextDrawer m_textDrawer;

  FaceCallback m_faceCallback = nullptr;
  PointMaterialCallback m_pointMaterialCallback = nullptr;
  DisplayCallback m_displayCallback = nullptr;
  BeginNodeCallback m_beginNodeCallback = nullptr;
  FlushCallback m_flushCallback = nullptr;
  void* m_callbackData = nullptr;
};
