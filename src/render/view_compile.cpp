// Compiling scene nodes into display lists: one filled and one wireframe
// list per node (a curve list for curves), materials sent only when they
// change so that triangle batches break as rarely as possible.
#include <GL/glew.h>

#include <algorithm>
#include <unordered_set>

#include "material/material.h"
#include "material/material_map.h"
#include "mesh/algorithms/patch.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "render/corner_color_mix.h"
#include "render/vertex_batch.h"
#include "render/view.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"

namespace {

constexpr std::uint32_t kCoarseInvalidation = 0x40000;
// Every update bit but the modified one, which the compilation clears.
constexpr unsigned int kUpdateBeforeDrawing = 0xFFF0000;

bool cornersInRange(const CFace& face, int size) {
  for (std::uint32_t k = 0; k < face.GetSize(); ++k) {
    if (face[k] < 0 || face[k] >= size) return false;
  }
  return true;
}

bool hasVertexColors(const C3DBaseObject& object) {
  const CDependentChannels* channels = object.GetChannels();
  return channels != nullptr && channels->GetChannelsNumber(CHANNEL_VC, 1) > 0;
}

}  // namespace

void C3DView::FlushScene() {
  if (m_scene == nullptr || GetGLContext() == nullptr) return;
  Activate();
  DeleteGLLists(CALLLIST_GEOMETRY, nullptr);
  InitViewFlag();
  if (IsDrawingFlagSet(DRAWING_IMMEDIATE)) {
    // Each frame draws the nodes itself (see drawNode).
    m_dirty = false;
    Deactivate();
    return;
  }
  CSceneIterator it = m_scene->Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = m_scene->GetNextNode(object, it)) FlushNode(node);
  m_dirty = false;
  Deactivate();
}

void C3DView::FlushNode(C3DSceneNode* node) {
  if (node == nullptr) return;
  FlushObject(node);
  if (m_flushCallback != nullptr) m_flushCallback(node, m_callbackData);
  // Cleared only when set: compiling a scene that is up to date then only
  // reads it, and a thumbnail thread may compile it at the same time.
  if (node->IsInvalidate(NODE_UPDATE_MODIFIED)) node->Invalidate(NODE_UPDATE_MODIFIED, 0);
}

void C3DView::FlushObject(C3DSceneNode* node) {
  C3DBaseObject* object = node->GetObject();
  if (object == nullptr || object->IsFlagSet(OBJECT_EMPTY)) return;
  if (m_settings.viewMode & VIEW_FAST_DISPLAY_RUNNING) {
    // Generating coordinates waits for the still frame: the object is shown
    // coarse now and compiled again once the motion stops.
    if (object->IsInvalidate(kCoarseInvalidation)) {
      m_coarse.insert(object);
      m_fastDisplay = now();
    }
  } else {
    bringUpToDate(node);
  }
  switch (object->GetKindOf()) {
    case OBJECT_CURVE:
      Flush3DCurve(node);
      break;
    case OBJECT_PATCH:
      Flush3DPatch(node);
      break;
    case OBJECT_POLYGONAL:
      Flush3DObject(node);
      break;
    default:
      break;
  }
  if (object->IsInvalidate(UPDATE_MODIFIED)) object->Invalidate(UPDATE_MODIFIED, 0);
}

void C3DView::Flush3DObject(C3DSceneNode* node) {
  Flush3DFilled(node);
  Flush3DWireframe(node);
}

void C3DView::Flush3DFilled(C3DSceneNode* node) {
  C3DBaseObject* object = node->GetObject();
  if (object->GetPointNbr() == 0 || object->GetFaceNbr() == 0) return;
  const std::uint32_t mode = m_settings.viewMode;
  if (mode & VIEW_SMOOTH) {
    if (BeginNode(node, GLVIEW_SMOOTH)) {
      ViewSmoothNode();
      EndNode();
    }
  } else if (mode & VIEW_FLAT) {
    if (BeginNode(node, GLVIEW_FLAT)) {
      ViewFlatNode();
      EndNode();
    }
  }
}

void C3DView::Flush3DWireframe(C3DSceneNode* node) {
  C3DBaseObject* object = node->GetObject();
  if (object->GetPointNbr() == 0 || object->GetFaceNbr() == 0) return;
  if ((m_settings.viewMode & VIEW_WIREFRAME) && BeginNode(node, GLVIEW_WIREFRAME)) {
    ViewWireframeNode();
    EndNode();
  }
}

void C3DView::Flush3DPatch(C3DSceneNode* node) {
  preparePatch(node);
  Flush3DObject(node);
}

void C3DView::preparePatch(C3DSceneNode* node) {
  // A patch nobody has set up yet is shown at the global level; one set up
  // already keeps the level it was given.
  if (C3DPatch* patch = *node->GetObject()) {
    if (patch->GetLevel() == C3DPatch::kNotSetUp) {
      patch->SetLevel(static_cast<int>(GetGlobalPatchLevel()));
    }
  }
}

void C3DView::bringUpToDate(C3DSceneNode* node) {
  // A patch takes its level first: subdividing replaces its geometry, and
  // with it any coordinates generated for the old one.
  if (node->GetObject()->GetKindOf() == OBJECT_PATCH) preparePatch(node);
  node->GetObject()->Update(m_scene, kUpdateBeforeDrawing);
}

void C3DView::BringSceneUpToDate(C3DScene* scene) const {
  if (scene == nullptr) return;
  std::unordered_set<std::uint32_t> materials;
  CSceneIterator it = scene->Begin();
  C3DBaseObject* object = nullptr;
  while (scene->GetNextNode(object, it) != nullptr) {
    if (object == nullptr || object->IsFlagSet(OBJECT_EMPTY)) continue;
    if (object->GetKindOf() == OBJECT_PATCH) {
      if (C3DPatch* patch = *object) {
        if (patch->GetLevel() == C3DPatch::kNotSetUp) {
          patch->SetLevel(static_cast<int>(GetGlobalPatchLevel()));
        }
      }
    }
    object->Update(scene, kUpdateBeforeDrawing);
    C3DPoint min;
    C3DPoint max;
    object->GetBoundingBox(min, max, 0);
    object->GetBoundingBox(min, max, 1);
    // Both kinds of normals, whatever the render mode: either view may
    // switch to the other.
    if (object->GetKindOf() != OBJECT_CURVE && object->GetKindOf() != OBJECT_GROUP &&
        object->GetChannels() != nullptr) {
      CFaceNormalChannel* faceNormals = object->GetFaceNormalChannel();
      CPointNormalChannel* pointNormals = object->GetPointNormalChannel();
      if (pointNormals != nullptr) {
        CGeomInfo geom(object);
        C3DVector scratch;
        pointNormals->BeginSmoothing(&geom, object->GetChannels()->GetSpecNormalChannel(),
                                     faceNormals, &scratch, object->GetSmoothAngle());
      }
    }
    if (const C3DFaceList* faces = object->GetFaceList()) {
      for (int f = 0; f < faces->GetSize(); ++f) {
        const std::uint32_t id = faces->ElementAt(f)->GetMaterialID();
        if (f == 0 || id != faces->ElementAt(f - 1)->GetMaterialID()) materials.insert(id);
      }
    }
  }
  for (std::uint32_t id : materials) {
    // A face whose material is missing is drawn with the default one,
    // which the scene makes on first request.
    C3DMaterial* material = scene->GetMaterial(id);
    if (material == nullptr) material = scene->GetMaterial(0);
    if (material == nullptr || !IsTextureEnabled() || !(m_settings.viewMode & VIEW_TEXTURES)) {
      continue;
    }
    if (CMaterialMap* map = material->GetDiffuseMaps())
      map->GetBitmap(scene->GetFilepath(), CSize());
  }
}

void C3DView::drawNode(C3DSceneNode* node, int type) {
  if (!IsDrawingFlagSet(DRAWING_IMMEDIATE)) {
    DrawCallList(node->GetID(), type);
    return;
  }
  // Nothing is compiled ahead in this mode: the object is brought up to
  // date here, as FlushObject does before compiling.
  C3DBaseObject* object = node->GetObject();
  if (!(m_settings.viewMode & VIEW_FAST_DISPLAY_RUNNING)) bringUpToDate(node);
  if (type == CALLLIST_CURVE) {
    Flush3DCurve(node);
    return;
  }
  if (object->GetKindOf() == OBJECT_PATCH) {
    preparePatch(node);
  } else if (object->GetKindOf() != OBJECT_POLYGONAL) {
    return;
  }
  if (type == CALLLIST_FILLED) {
    Flush3DFilled(node);
  } else {
    Flush3DWireframe(node);
  }
}

void C3DView::resetCurrentMaterial() {
  m_currentMaterialId = 0xFFFFFFFFu;
  m_currentTexture = -1;
}

int C3DView::BeginNode(C3DSceneNode* node, int glViewType) {
  m_cornerMaterialBase = nullptr;
  C3DBaseObject* object = node->GetObject();
  m_element = _RenderElement{};
  m_element.node = node;
  m_element.object = object;
  m_element.flags = m_settings.viewMode;
  m_element.viewType = glViewType;
  m_element.userData = m_callbackData;
  m_element.faces = object->GetFaceList();
  m_element.points = object->GetPointList();
  int listType = object->GetKindOf() == OBJECT_CURVE            ? CALLLIST_CURVE
                 : (glViewType & (GLVIEW_FLAT | GLVIEW_SMOOTH)) ? CALLLIST_FILLED
                                                                : CALLLIST_WIREFRAME;
  if (m_beginNodeCallback != nullptr &&
      m_beginNodeCallback(m_element, listType, m_callbackData) == 0)
    return 0;
  resetCurrentMaterial();
  m_lookups = FaceLookups{};
  m_stippled = false;
  const bool filled = (glViewType & (GLVIEW_FLAT | GLVIEW_SMOOTH)) != 0;
  if (object->GetKindOf() != OBJECT_CURVE) {
    m_element.faceNormals = object->GetFaceNormalChannel();
    if (m_element.faceNormals != nullptr)
      m_element.faceNormalVectors = m_element.faceNormals->GetNormalVectorList();
    if (glViewType == GLVIEW_SMOOTH) {
      m_element.pointNormals = object->GetPointNormalChannel();
      if (m_element.pointNormals != nullptr)
        m_element.pointNormalVectors = m_element.pointNormals->GetNormalVectorList();
      if ((m_settings.viewMode & VIEW_SPECIFIED_NORMALS) && object->GetChannels() != nullptr)
        m_element.specifiedNormals = object->GetChannels()->GetSpecNormalChannel();
    }
  }
  BeginCallList(node->GetID(), listType);
  const std::uint32_t faceMode = object->GetFaceMode();
  if (faceMode == 1) {
    SetCullMode(true);
  } else if (faceMode != 0) {
    SetCullMode(false);
  }
  if (!(glViewType == GLVIEW_SMOOTH && hasVertexColors(*object)))
    m_element.flags &= ~VIEW_VERTEX_COLORS;
  if (glViewType == GLVIEW_WIREFRAME) {
    m_element.flags &= ~VIEW_TEXTURES;
    glDisable(GL_TEXTURE_2D);
    if (m_settings.viewMode & (VIEW_FLAT | VIEW_SMOOTH)) glDisable(GL_LIGHTING);
  }
  if (filled) beginBatch();
  return 1;
}

void C3DView::EndNode() {
  const bool filled = (m_element.viewType & (GLVIEW_FLAT | GLVIEW_SMOOTH)) != 0;
  endBatch();
  if (m_stippled) {
    glDisable(GL_POLYGON_STIPPLE);
    m_stippled = false;
  }
  if (m_currentTexture == 1) glDisable(GL_TEXTURE_2D);
  if (filled) {
    SetCullMode((m_settings.viewMode & VIEW_CULL_BACK) != 0);
  } else if (m_settings.viewMode & (VIEW_FLAT | VIEW_SMOOTH)) {
    glEnable(GL_LIGHTING);
  }
  EndCallList();
}

void C3DView::beginBatch() {
  if (m_inBatch) return;
  m_inBatch = true;
  if (IsDrawingFlagSet(DRAWING_IMMEDIATE) && m_faceCallback == nullptr &&
      m_pointMaterialCallback == nullptr && m_element.points != nullptr) {
    m_vertexBatch->begin(static_cast<std::size_t>(m_element.points->GetSize()));
    return;
  }
  glBegin(GL_TRIANGLES);
}

void C3DView::endBatch() {
  if (!m_inBatch) return;
  m_inBatch = false;
  if (m_vertexBatch->active()) {
    m_vertexBatch->end();
    return;
  }
  glEnd();
}

void C3DView::sendNormal(const float normal[3]) {
  if (m_vertexBatch->active()) {
    m_vertexBatch->setNormal(normal);
  } else {
    glNormal3fv(normal);
  }
}

void C3DView::sendTexCoord(const float uvw[3]) {
  if (m_vertexBatch->active()) {
    m_vertexBatch->setTexCoord(uvw);
  } else {
    glTexCoord3fv(uvw);
  }
}

void C3DView::sendVertex(int point, const float position[3]) {
  if (m_vertexBatch->active()) {
    m_vertexBatch->add(point, position);
  } else {
    glVertex3fv(position);
  }
}

void C3DView::handOverBatch(int f) {
  // Drawn straight away, a large object's triangles would all queue up in
  // the driver before the first is drawn. Handed over in pieces, the
  // driver's threads draw one piece while the next is sent, and the queue
  // stays small.
  constexpr int kFacesPerHandOver = 1 << 14;
  if (!m_inBatch || (f + 1) % kFacesPerHandOver != 0 || !IsDrawingFlagSet(DRAWING_IMMEDIATE))
    return;
  if (m_vertexBatch->active()) {
    m_vertexBatch->draw();
    glFlush();
    return;
  }
  glEnd();
  glFlush();
  glBegin(GL_TRIANGLES);
}

int C3DView::BeginFace(int f) {
  _RenderElement& e = m_element;
  const C3DFace* face = e.faces->ElementAt(f);
  if (face->IsFlagSet(FACE_INVALID) || !cornersInRange(*face, e.points->GetSize())) return 0;
  e.faceIndex = f;
  e.cornerIndex = -1;
  C3DMaterial* material = faceMaterial(face->GetMaterialID());
  const CDependentChannels* channels = e.object->GetChannels();

  e.uvFace = nullptr;
  if ((e.flags & VIEW_TEXTURES) && channels != nullptr) {
    std::uint32_t id = e.object->GetGlobalUVWChannel();
    if (id == vex3d::kNoChannelId && material != nullptr && material->GetDiffuseMaps() != nullptr)
      id = material->GetDiffuseMaps()->GetChannelID();
    m_lookups.uv.Take(
        id,
        [channels](std::uint32_t c, CUVWFaceList** faces, CUVWPointList** points) {
          return channels->GetUVWChannelByID(c, faces, points);
        },
        e.uvChannel, e.uvFaces, e.uvPoints);
    if (e.uvChannel != nullptr && e.uvFaces != nullptr && e.uvPoints != nullptr &&
        f < e.uvFaces->GetSize()) {
      const CUVWFace* uv = e.uvFaces->ElementAt(f);
      if (!uv->IsOneFlagSet(vex3d::kFaceSkipMask) && uv->GetSize() == face->GetSize() &&
          cornersInRange(*uv, e.uvPoints->GetSize())) {
        e.uvFace = uv;
      }
    }
  }
  e.vcFace = nullptr;
  if ((e.flags & VIEW_VERTEX_COLORS) && channels != nullptr) {
    float intensity = 0.0f;
    std::uint32_t id = e.object->GetGlobalVCChannel(intensity);
    if (id == vex3d::kNoChannelId && material != nullptr) id = material->GetVertexColor(intensity);
    e.vcIntensity = intensity;
    m_lookups.vc.Take(
        id,
        [channels](std::uint32_t c, CVCFaceList** faces, CVCPointList** points) {
          return channels->GetVCChannelByID(c, faces, points);
        },
        e.vcChannel, e.vcFaces, e.vcPoints);
    if (e.vcChannel != nullptr && intensity != 0.0f && e.vcFaces != nullptr &&
        e.vcPoints != nullptr && f < e.vcFaces->GetSize()) {
      const CVCFace* vc = e.vcFaces->ElementAt(f);
      if (!vc->IsOneFlagSet(vex3d::kFaceSkipMask) && vc->GetSize() == face->GetSize() &&
          cornersInRange(*vc, e.vcPoints->GetSize())) {
        e.vcFace = vc;
      }
    }
  }

  e.material = material;
  std::uint32_t result =
      m_faceCallback != nullptr ? m_faceCallback(e, m_callbackData) : FACE_RESULT_DRAW;
  if (result & FACE_RESULT_SKIP) return 0;
  const bool wire = e.viewType == GLVIEW_WIREFRAME;
  bool stipple = false;
  if (result & FACE_RESULT_DRAW) {
    if ((e.flags & VIEW_FLAGGED_FACES_ONLY) && !face->IsFlagSet(FACE_RENDER_FLAGGED)) return 0;
    if (face->IsFlagSet(FACE_RENDER_HIDDEN)) {
      if (wire || !(e.flags & VIEW_HIDDEN_STIPPLED)) return 0;
      stipple = true;
    }
    if (e.vcFace != nullptr) result |= FACE_RESULT_PER_CORNER;
    if (wire && (m_settings.viewMode & (VIEW_FLAT | VIEW_SMOOTH)))
      material = m_wireframeMaterial.get();
  }
  if (result & FACE_RESULT_SELECTION) material = m_selectionMaterial.get();
  e.faceResult = result;
  if (!wire && stipple != m_stippled) {
    endBatch();
    if (stipple) {
      glEnable(GL_POLYGON_STIPPLE);
    } else {
      glDisable(GL_POLYGON_STIPPLE);
    }
    m_stippled = stipple;
    beginBatch();
  }
  if (material == nullptr) return 1;
  const int textureState = e.uvFace != nullptr ? 1 : 0;
  const bool changed =
      material->GetMaterialID() != m_currentMaterialId || textureState != m_currentTexture;
  if (!changed || (result & FACE_RESULT_KEEP_MATERIAL)) return 1;
  e.material = material;
  if (wire) {
    InitDiffuseColor(material);
  } else if (!(e.flags & VIEW_TEXTURES)) {
    endBatch();
    InitMaterial(material, 0);
    m_currentTexture = 0;
    beginBatch();
  } else {
    InitTexture();
  }
  return 1;
}

C3DMaterial* C3DView::faceMaterial(std::uint32_t id) {
  FaceLookups& l = m_lookups;
  if (l.materialId != id) {
    l.material = m_scene->GetMaterial(id);
    if (l.material == nullptr) l.material = m_scene->GetMaterial(0);
    l.materialId = id;
  }
  return l.material;
}

void C3DView::triangulateCorners(const C3DFace& face, int faceIndex) {
  m_triangleCorners.clear();
  const auto n = static_cast<int>(face.GetSize());
  if (n == 3) {
    m_triangleCorners = {0, 1, 2};
    return;
  }
  CGeomInfo geom(m_element.node);
  geom.SetFaceList(m_element.faces, m_triangles.get());
  const int written = face.Triangulate(geom, faceIndex, -1);
  if (written > 0) {
    for (int t = 0; t < written; ++t) {
      const C3DFace* triangle = m_triangles->ElementAt(t);
      for (std::uint32_t k = 0; k < 3 && k < triangle->GetSize(); ++k) {
        // Triangles name points; the first corner on that point gives the
        // channel values.
        int corner = 0;
        while (corner < n && face[static_cast<std::uint32_t>(corner)] != (*triangle)[k]) ++corner;
        m_triangleCorners.push_back(corner < n ? corner : 0);
      }
    }
    if (m_triangleCorners.size() % 3 == 0) return;
    m_triangleCorners.clear();
  }
  for (int k = 1; k + 1 < n; ++k) {
    m_triangleCorners.push_back(0);
    m_triangleCorners.push_back(k);
    m_triangleCorners.push_back(k + 1);
  }
}

bool C3DView::cornerNormal(int face, int corner, int point) {
  CPointNormalChannel* normals = m_element.pointNormals;
  if (normals == nullptr) return false;
  if (m_element.specifiedNormals != nullptr)
    return normals->GetSmoothNormalByCorner(*m_smoothing, face, corner) != 0;
  return normals->GetSmoothNormalByIndex(*m_smoothing, face, point) != 0;
}

void C3DView::sendCorner(const C3DFace& face, int corner, bool smooth) {
  const _RenderElement& e = m_element;
  const auto k = static_cast<std::uint32_t>(corner);
  if (e.uvFace != nullptr) sendTexCoord(&(*e.uvPoints)[(*e.uvFace)[k]].u);
  if (smooth) {
    if (e.faceResult & FACE_RESULT_PER_CORNER) {
      m_element.cornerIndex = corner;
      InitPointMaterial();
    }
    const int point = face[k];
    if (m_plainPointNormals != nullptr && !face.IsFlagSet(FACE_NOT_SMOOTH) && point >= 0 &&
        point < m_plainPointNormals->GetSize()) {
      sendNormal((*m_plainPointNormals)[point].ValPtr());
    } else if (cornerNormal(e.faceIndex, corner, point)) {
      sendNormal(m_smoothNormal->ValPtr());
    }
  }
  sendVertex(face[k], e.points->ElementAt(face[k]).ValPtr());
}

void C3DView::sendFilledFace(const C3DFace& face, bool smooth) {
  if (face.GetSize() == 3) {
    for (int corner = 0; corner < 3; ++corner) sendCorner(face, corner, smooth);
    return;
  }
  triangulateCorners(face, m_element.faceIndex);
  for (int corner : m_triangleCorners) sendCorner(face, corner, smooth);
}

void C3DView::ViewFlatNode() {
  const C3DFaceList* faces = m_element.faces;
  const C3DVectorList* normals = m_element.faceNormalVectors;
  for (int f = 0; f < faces->GetSize(); ++f) {
    const C3DFace* face = faces->ElementAt(f);
    if (face->GetSize() < 3 || !BeginFace(f)) continue;
    if (normals != nullptr && f < normals->GetSize()) sendNormal((*normals)[f].ValPtr());
    sendFilledFace(*face, false);
    handOverBatch(f);
  }
}

void C3DView::ViewSmoothNode() {
  m_plainPointNormals = nullptr;
  if (m_element.pointNormals != nullptr) {
    CGeomInfo geom(m_element.node);
    *m_smoothing = m_element.pointNormals->BeginSmoothing(
        &geom, m_element.specifiedNormals, m_element.faceNormals, m_smoothNormal.get(),
        m_element.object->GetSmoothAngle());
    // Without normals of the file's own, a face within the smoothing angle
    // of all its neighbours takes its points' normals: the corners of a
    // smooth mesh need no smoothing of their own.
    if (m_element.specifiedNormals == nullptr && m_smoothing->meshFaces == m_element.faces &&
        m_smoothing->owner == m_element.pointNormals)
      m_plainPointNormals = m_smoothing->pointNormals;
  }
  const C3DFaceList* faces = m_element.faces;
  for (int f = 0; f < faces->GetSize(); ++f) {
    const C3DFace* face = faces->ElementAt(f);
    if (face->GetSize() < 3 || !BeginFace(f)) continue;
    sendFilledFace(*face, true);
    handOverBatch(f);
  }
  m_plainPointNormals = nullptr;
}

void C3DView::ViewWireframeNode() {
  const C3DFaceList* faces = m_element.faces;
  for (int f = 0; f < faces->GetSize(); ++f) {
    const C3DFace* face = faces->ElementAt(f);
    if (face->GetSize() < 3 || !BeginFace(f)) continue;
    glBegin(GL_LINE_LOOP);
    for (std::uint32_t k = 0; k < face->GetSize(); ++k)
      glVertex3fv(m_element.points->ElementAt((*face)[k]).ValPtr());
    glEnd();
  }
}

void C3DView::InitPointMaterial() {
  const _RenderElement& e = m_element;
  const int answer =
      m_pointMaterialCallback != nullptr ? m_pointMaterialCallback(m_element, m_callbackData) : 0;
  if (answer == 1) return;
  if (answer == 2) {
    InitMaterial(m_selectionMaterial.get(), 1);
    return;
  }
  if (answer == 3) {
    InitMaterial(m_userMaterial.get(), 1);
    return;
  }
  if (e.vcFace == nullptr || e.material == nullptr || e.cornerIndex < 0) return;
  const CRGBColor& corner =
      (*e.vcPoints)[(*e.vcFace)[static_cast<std::uint32_t>(e.cornerIndex)]].GetColor();
  // From corner to corner of one material only the diffuse colour changes:
  // the rest is sent once. Each value sent between begin and end widens
  // every vertex the driver keeps. The colour is worked out here as the
  // user material would give it: this runs for every corner.
  m_cornerColors->prepare(e.material->GetDiffuseColor(), e.vcIntensity,
                          m_userMaterial->GetDiffuseFactor());
  float color[4];
  m_cornerColors->floats(corner, color);
  if (m_cornerMaterialBase == e.material) {
    if (m_vertexBatch->active()) {
      m_vertexBatch->setColor(color);
    } else {
      glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, color);
    }
    return;
  }
  m_userMaterial->SetDiffuseColor(m_cornerColors->mixed(corner));
  m_userMaterial->SetAmbientColor(e.material->GetAmbientColor());
  m_userMaterial->SetSpecularFactor(e.material->GetSpecularFactor());
  // The rest of the material changes for the corners gathered from here:
  // those before it are drawn with theirs.
  if (m_vertexBatch->active()) m_vertexBatch->draw();
  InitMaterial(m_userMaterial.get(), 1);
  if (m_vertexBatch->active()) m_vertexBatch->setColor(color);
  m_cornerMaterialBase = e.material;
  // The next face of the same material finds it current: it would
  // otherwise end the batch and send the material twice more, once for
  // the face and once for its first corner.
  m_currentMaterialId = e.material->GetMaterialID();
}

void C3DView::Flush3DCurve(C3DSceneNode* node) {
  C3DBaseObject* object = node->GetObject();
  const C3DPointList* points = object->GetPointList();
  if (points == nullptr || points->GetSize() == 0) return;
  if (!BeginNode(node, GLVIEW_WIREFRAME)) return;
  const auto* curve = static_cast<const C3DCurve*>(object);
  C3DMaterial* material = m_scene->GetMaterial(curve->GetMaterialID());
  if (material == nullptr) material = m_scene->GetMaterial(0);
  const bool flaggedOnly = (m_element.flags & VIEW_FLAGGED_FACES_ONLY) != 0;
  glDisable(GL_LIGHTING);
  glBegin(GL_LINE_STRIP);
  int sent = -1;  // 0 curve colour, 1 selection colour
  for (int i = 0; i < points->GetSize(); ++i) {
    const C3DPoint& p = points->ElementAt(i);
    const bool flagged = p.IsFlagSet(0x1);
    if (flaggedOnly && !flagged) continue;
    const int colour = flagged ? 1 : 0;
    if (colour != sent) {
      const C3DMaterial* m = flagged ? m_selectionMaterial.get() : material;
      if (m != nullptr) glColor4ubv(m->GetDiffuseColor().GetBytes());
      sent = colour;
    }
    glVertex3fv(p.ValPtr());
  }
  glEnd();
  EndNode();
}
