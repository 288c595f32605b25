// One frame of a view: camera, lights, node transforms and the replay of
// the compiled lists, with boxes, normals and labels on top.
#include <GL/glew.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "material/material.h"
#include "math/point4d.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/point_lists.h"
#include "render/navigation.h"
#include "render/view.h"
#include "scene/scene.h"

namespace {

// C4x4Matrix is row-major for column vectors; GL wants the columns.
void toGl(const C4x4Matrix& m, float out[16]) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) out[c * 4 + r] = m.m[r][c];
  }
}

void boxRectangles(const C3DPoint& a, const C3DPoint& b) {
  // z = min and z = max, then x = min and x = max: every edge of the box.
  for (float z : {a.z, b.z}) {
    glBegin(GL_LINE_STRIP);
    glVertex3f(a.x, a.y, z);
    glVertex3f(b.x, a.y, z);
    glVertex3f(b.x, b.y, z);
    glVertex3f(a.x, b.y, z);
    glVertex3f(a.x, a.y, z);
    glEnd();
  }
  for (float x : {a.x, b.x}) {
    glBegin(GL_LINE_STRIP);
    glVertex3f(x, a.y, a.z);
    glVertex3f(x, b.y, a.z);
    glVertex3f(x, b.y, b.z);
    glVertex3f(x, a.y, b.z);
    glVertex3f(x, a.y, a.z);
    glEnd();
  }
}

}  // namespace

void C3DView::RenderScene() {
  if (m_scene == nullptr || GetGLContext() == nullptr) return;
  const _GlViewSettings& s = m_settings;
  glClearColor(s.backgroundColor.GetRed() / 255.0f, s.backgroundColor.GetGreen() / 255.0f,
               s.backgroundColor.GetBlue() / 255.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (m_dirty) return;
  InitViewFlag();
  const std::uint32_t mode = s.viewMode;
  const bool memory = IsDrawingFlagSet(DRAWING_MEMORY);

  float nearPlane = 0.0f;
  float farPlane = 0.0f;
  vex3d::clipPlanes(s.distance, s.depth, nearPlane, farPlane);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, s.aspect, nearPlane, farPlane);

  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(s.panX, s.panY, -s.distance);
  InitLighting();
  float gl[16];
  toGl(s.rotation, gl);
  glMultMatrixf(gl);
  glTranslatef(-s.target[0], -s.target[1], -s.target[2]);
  glGetFloatv(GL_MODELVIEW_MATRIX, m_camera);

  auto display = [this](C3DSceneNode* node, int state) {
    return m_displayCallback != nullptr ? m_displayCallback(node, state, m_callbackData) : 1;
  };
  display(nullptr, DISPLAY_BEGIN);
  const bool filled = (mode & (VIEW_FLAT | VIEW_SMOOTH)) != 0;
  const int time = m_scene->GetTickCount();
  CSceneIterator it = m_scene->Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = m_scene->GetNextNode(object, it)) {
    if (object == nullptr || object->GetKindOf() == OBJECT_GROUP ||
        object->IsFlagSet(OBJECT_EMPTY)) {
      continue;
    }
    if (display(node, DISPLAY_NODE) == 0) continue;
    const bool curve = object->GetKindOf() == OBJECT_CURVE;
    GLenum stipple = 0;
    if (node->IsFlagSet(NODE_HIDDEN)) {
      if (!(mode & VIEW_HIDDEN_STIPPLED) || !filled) continue;
      stipple = curve ? GL_LINE_STIPPLE : GL_POLYGON_STIPPLE;
      glEnable(stipple);
    }
    C4x4Matrix tm;
    node->GetNodeTM(time, tm, 1);
    setNodeScaleState(tm);
    if ((mode & VIEW_BOXES) && !memory) drawBox(node, false);
    glLoadMatrixf(m_camera);
    toGl(tm, gl);
    glMultMatrixf(gl);
    if (curve) {
      drawNode(node, CALLLIST_CURVE);
    } else {
      if (filled) {
        if (mode & VIEW_WIREFRAME) {
          const int previous = SetObjectOffset(10);
          glPolygonOffset(1.0f, 1.0f);
          glEnable(GL_POLYGON_OFFSET_FILL);
          drawNode(node, CALLLIST_FILLED);
          SetObjectOffset(previous);
        } else {
          drawNode(node, CALLLIST_FILLED);
        }
      }
      if ((mode & VIEW_WIREFRAME) && stipple == 0) drawNode(node, CALLLIST_WIREFRAME);
    }
    if (stipple != 0) glDisable(stipple);
    if (mode & VIEW_NORMALS) drawNormals(node, tm);
    renderLabels(node);
  }
  display(nullptr, DISPLAY_AFTER_NODES);
  display(nullptr, DISPLAY_NODES_DONE);
  it = m_scene->Begin();
  while (C3DSceneNode* node = m_scene->GetNextNode(object, it)) display(node, DISPLAY_NODE_AFTER);
  display(nullptr, DISPLAY_END);
  if ((mode & VIEW_BOXES) && !memory) drawBox(m_scene->GetSceneRoot(), true);
  if (m_drawHook) m_drawHook();
  glFlush();
  if (!memory && GetGLContext() != nullptr) GetGLContext()->swapBuffers();
}

void C3DView::setNodeScaleState(const C4x4Matrix& tm) {
  C3DVector scale;
  tm.GetScale(scale);
  const float dx = scale.x - 1.0f;
  const float dy = scale.y - 1.0f;
  const float dz = scale.z - 1.0f;
  const float uy = scale.y - scale.x;
  const float uz = scale.z - scale.x;
  if (std::sqrt(dx * dx + dy * dy + dz * dz) < 1e-6f) {
    glDisable(GL_NORMALIZE);
    glDisable(GL_RESCALE_NORMAL);
  } else if (uy * uy + uz * uz < 1e-6f) {
    glDisable(GL_NORMALIZE);
    glEnable(GL_RESCALE_NORMAL);
  } else {
    glDisable(GL_RESCALE_NORMAL);
    glEnable(GL_NORMALIZE);
  }
}

int C3DView::SetObjectOffset(int n) {
  const int previous = m_objectOffset;
  m_objectOffset = n;
  if (n != 0) {
    glPolygonOffset(static_cast<float>(n) * 0.1f, 1.0f);
    glEnable(GL_POLYGON_OFFSET_FILL);
  } else {
    glDisable(GL_POLYGON_OFFSET_FILL);
  }
  return previous;
}

void C3DView::InitLighting() {
  if (!m_lighting) return;
  const _GlViewSettings& s = m_settings;
  const bool fast = (s.viewMode & VIEW_FAST_RENDERING) != 0;
  const float k = (fast ? 0.8f : 1.2f) / s.brightness;
  const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
  float diffuse[4];
  s.lightColor.GetFloats(diffuse);
  for (int i = 0; i < 3; ++i) diffuse[i] /= k;
  diffuse[3] = 1.0f;
  const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const float position0[4] = {0.0f, 0.0f, s.depth, 0.0f};
  const float direction0[3] = {0.0f, 0.0f, -1.0f};
  glLightfv(GL_LIGHT0, GL_POSITION, position0);
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, direction0);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_SPECULAR, fast ? white : black);
  glLightf(GL_LIGHT0, GL_SPOT_EXPONENT, 0.0f);
  glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, 180.0f);
  glEnable(GL_LIGHT0);
  if (fast) {
    glDisable(GL_LIGHT1);
    return;
  }
  const float position1[4] = {-s.depth, s.depth, s.depth, 1.0f};
  const float d = 1.0f / std::sqrt(3.0f);
  const float direction1[3] = {d, -d, -d};
  glLightfv(GL_LIGHT1, GL_POSITION, position1);
  glLightfv(GL_LIGHT1, GL_SPOT_DIRECTION, direction1);
  glLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT1, GL_SPECULAR, white);
  glLightf(GL_LIGHT1, GL_SPOT_EXPONENT, 0.0f);
  glLightf(GL_LIGHT1, GL_SPOT_CUTOFF, 180.0f);
  glEnable(GL_LIGHT1);
}

void C3DView::InitMaterial(C3DMaterial* material, int force) {
  if (material == nullptr) return;
  if (!force && material->GetMaterialID() == m_currentMaterialId) return;
  m_cornerMaterialBase = nullptr;
  float color[4];
  material->FloatGetAmbientColor(color);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, color);
  material->FloatGetDiffuseColor(color);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, color);
  material->FloatGetSpecularColor(color);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, color);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS,
              std::max(material->GetSpecularFactor(), 0.2f) * 128.0f);
  const float emission[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);
  m_currentMaterialId = material->GetMaterialID();
}

void C3DView::InitMaterial() { InitMaterial(m_element.material, 1); }

void C3DView::InitDiffuseColor(C3DMaterial* material) {
  if (material == nullptr || material->GetMaterialID() == m_currentMaterialId) return;
  glColor4ubv(material->GetDiffuseColor().GetBytes());
  m_currentMaterialId = material->GetMaterialID();
}

// --- The list table.

void C3DView::BeginCallList(std::uint32_t id, int type) {
  if (IsDrawingFlagSet(DRAWING_IMMEDIATE)) return;
  if (m_listNesting++ > 0) return;
  const ListKey key{id, GetGLContext(), type};
  auto found = m_lists.find(key);
  if (found != m_lists.end()) {
    glDeleteLists(found->second, 1);
    m_lists.erase(found);
  }
  const GLuint name = glGenLists(1);
  if (name == 0) return;
  m_lists.emplace(key, name);
  glNewList(name, GL_COMPILE);
}

void C3DView::EndCallList() {
  if (m_listNesting <= 0) return;
  if (--m_listNesting == 0) glEndList();
}

void C3DView::DrawCallList(std::uint32_t id, int type) {
  auto found = m_lists.find(ListKey{id, GetGLContext(), type});
  if (found != m_lists.end()) glCallList(found->second);
}

bool C3DView::HasCallList(std::uint32_t id, int type) const {
  return m_lists.count(ListKey{id, GetGLContext(), type}) != 0;
}

void C3DView::DeleteGLLists(int type, const C3DSceneNode* node) {
  const vex3d::GlContext* context = GetGLContext();
  auto matches = [type](int entryType) {
    if (type == CALLLIST_GEOMETRY) {
      return entryType == CALLLIST_WIREFRAME || entryType == CALLLIST_FILLED ||
             entryType == CALLLIST_CURVE;
    }
    return entryType == type;
  };
  for (auto it = m_lists.begin(); it != m_lists.end();) {
    const ListKey& key = it->first;
    if (key.context != context || !matches(key.type) ||
        (node != nullptr && key.type != CALLLIST_TEXTURE && key.id != node->GetID())) {
      ++it;
      continue;
    }
    if (key.type == CALLLIST_TEXTURE) {
      const GLuint name = it->second;
      glDeleteTextures(1, &name);
    } else {
      glDeleteLists(it->second, 1);
    }
    it = m_lists.erase(it);
  }
}

// --- Overlays.

void C3DView::drawBox(const C3DSceneNode* node, bool wholeScene) {
  if (node == nullptr) return;
  C3DPoint a;
  C3DPoint b;
  if (!node->GetBoundingBox(m_scene->GetTickCount(), a, b, 1)) return;
  (void)wholeScene;
  glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glLoadMatrixf(m_camera);
  glColor3f(0.0f, 1.0f, 0.0f);
  boxRectangles(a, b);
  glPopAttrib();
}

void C3DView::drawNormals(C3DSceneNode* node, const C4x4Matrix& tm) {
  C3DBaseObject* object = node->GetObject();
  if (object == nullptr || object->GetKindOf() == OBJECT_CURVE || object->GetPointNbr() == 0 ||
      object->GetFaceNbr() == 0) {
    return;
  }
  C3DPoint a;
  C3DPoint b;
  if (!node->GetBoundingBox(m_scene->GetTickCount(), a, b, 0)) return;
  C3DVector scale;
  tm.GetScale(scale);
  const float scaleLength = std::sqrt(scale.x * scale.x + scale.y * scale.y + scale.z * scale.z);
  const float dx = b.x - a.x;
  const float dy = b.y - a.y;
  const float dz = b.z - a.z;
  const float diagonal = std::sqrt(dx * dx + dy * dy + dz * dz);
  if (scaleLength <= 0.0f) return;
  const float length = diagonal / scaleLength / 40.0f;
  m_element = _RenderElement{};
  m_element.object = object;
  m_element.faces = object->GetFaceList();
  m_element.points = object->GetPointList();
  m_element.flags = m_settings.viewMode;
  CFaceNormalChannel* faceNormals = object->GetFaceNormalChannel();
  CPointNormalChannel* pointNormals = object->GetPointNormalChannel();
  if (faceNormals == nullptr || pointNormals == nullptr) return;
  m_element.pointNormals = pointNormals;
  m_element.faceNormals = faceNormals;
  m_element.specifiedNormals =
      (m_settings.viewMode & VIEW_SPECIFIED_NORMALS) && object->GetChannels()
          ? object->GetChannels()->GetSpecNormalChannel()
          : nullptr;
  CGeomInfo geom(node);
  *m_smoothing = pointNormals->BeginSmoothing(&geom, m_element.specifiedNormals, faceNormals,
                                              m_smoothNormal.get(), object->GetSmoothAngle());
  glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glBegin(GL_LINES);
  const C3DFaceList* faces = m_element.faces;
  const C3DPointList* points = m_element.points;
  for (int f = 0; f < faces->GetSize(); ++f) {
    const C3DFace* face = faces->ElementAt(f);
    if (face->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
    for (std::uint32_t k = 0; k < face->GetSize(); ++k) {
      const int p = (*face)[k];
      if (p < 0 || p >= points->GetSize()) continue;
      if (!cornerNormal(f, static_cast<int>(k), p)) continue;
      const C3DVector& n = *m_smoothNormal;
      if (n.IsFlagSet(0x2)) {
        glColor3f(1.0f, 1.0f, 0.0f);
      } else if (n.IsFlagSet(0x4)) {
        glColor3f(1.0f, 0.5f, 0.0f);
      } else {
        glColor3f(1.0f, 0.1f, 0.0f);
      }
      const C3DPoint& from = points->ElementAt(p);
      glVertex3f(from.x, from.y, from.z);
      glVertex3f(from.x + n.x * length, from.y + n.y * length, from.z + n.z * length);
    }
  }
  glEnd();
  glPopAttrib();
}

void C3DView::renderLabels(C3DSceneNode* node) {
  const std::uint32_t mode = m_settings.viewMode;
  if (!(mode & (VIEW_POINT_NUMBERS | VIEW_FACE_NUMBERS)) || !m_textDrawer ||
      !IsDrawingFlagSet(DRAWING_FINAL_REPAINT) || IsDrawingFlagSet(DRAWING_MEMORY)) {
    return;
  }
  C3DBaseObject* object = node->GetObject();
  if (object == nullptr || object->GetPointList() == nullptr || object->GetFaceList() == nullptr) {
    return;
  }
  GLdouble modelView[16];
  GLdouble projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  struct Label {
    double x, y, z;
    std::string text;
  };
  std::vector<Label> labels;
  auto project = [&](const C3DPoint& p, std::string text) {
    double wx = 0.0;
    double wy = 0.0;
    double wz = 0.0;
    if (gluProject(p.x, p.y, p.z, modelView, projection, viewport, &wx, &wy, &wz) == GL_TRUE) {
      labels.push_back({wx, wy, wz - 0.001, std::move(text)});
    }
  };
  const C3DPointList* points = object->GetPointList();
  if (mode & VIEW_POINT_NUMBERS) {
    for (int i = 0; i < points->GetSize(); ++i) {
      if (!points->ElementAt(i).IsFlagSet(POINT_INVALID)) {
        project(points->ElementAt(i), std::to_string(i));
      }
    }
  }
  const C3DFaceList* faces = object->GetFaceList();
  const std::size_t firstFaceLabel = labels.size();
  if (mode & VIEW_FACE_NUMBERS) {
    CGeomInfo geom(node);
    for (int f = 0; f < faces->GetSize(); ++f) {
      const C3DFace* face = faces->ElementAt(f);
      if (face->IsOneFlagSet(vex3d::kFaceSkipMask)) continue;
      C3DPoint centre;
      face->GetCenter(geom, centre);
      project(centre, std::to_string(f));
    }
  }
  SwitchTo2DMode(true, false);
  GLdouble flatModelView[16];
  GLdouble flatProjection[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, flatModelView);
  glGetDoublev(GL_PROJECTION_MATRIX, flatProjection);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const Label& label = labels[i];
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    if (gluUnProject(label.x, label.y, label.z, flatModelView, flatProjection, viewport, &x, &y,
                     &z) != GL_TRUE) {
      continue;
    }
    if (i < firstFaceLabel) {
      glColor3f(0.0f, 1.0f, 1.0f);
    } else {
      glColor3f(0.0f, 0.75f, 0.0f);
    }
    glLoadIdentity();
    glTranslated(x, y, z);
    glScalef(20.0f, 20.0f, 1.0f);
    m_textDrawer(label.text);
  }
  SwitchTo2DMode(false, false);
}
