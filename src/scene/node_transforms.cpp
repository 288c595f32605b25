// Where a node puts its object: the local transform from its keys, the
// world transform through its ancestors and pivot, world boxes, and the
// rewrite of geometry and keys when the data's axes are swapped.
#include <algorithm>

#include "animation/matrix_key.h"
#include "animation/vector_key.h"
#include "math/matrix4x4.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/point_lists.h"
#include "scene/scene.h"

namespace {

// The key of `classID` evaluated at `time`, or null.
template <class TKey>
bool evaluate(const C3DKeyframable& keys, int time, TKey& key) {
  return keys.Evaluate(time, key) != 0;
}

C3DSceneNode* parentOf(const C3DSceneNode& node) {
  return static_cast<C3DSceneNode*>(node.GetParent());
}

void sortCorners(C3DPoint& a, C3DPoint& b) {
  for (int axis = 0; axis < 3; ++axis) {
    if (a[axis] > b[axis]) std::swap(a[axis], b[axis]);
  }
}

// The node's own object box in world coordinates, from its two corners.
bool ownBox(const C3DSceneNode& node, int time, C3DPoint& min, C3DPoint& max) {
  C3DBaseObject* object = node.GetObject();
  if (object == nullptr || !object->GetBoundingBox(min, max, 0)) return false;
  C4x4Matrix world;
  node.GetNodeTM(time, world, 1);
  min *= world;
  max *= world;
  sortCorners(min, max);
  return true;
}

}  // namespace

void C3DSceneNode::GetLocalTM(int time, C4x4Matrix& m) const {
  m.Init();
  C3DMatrixKey matrix;
  if (evaluate(*this, time, matrix)) m = matrix.ToMatrix();
  C3DTranslateKey translation;
  if (evaluate(*this, time, translation)) m = translation.ToMatrix();
  C3DRotateKey rotation;
  if (evaluate(*this, time, rotation)) m *= rotation.ToMatrix();
  C3DScaleKey scale;
  if (evaluate(*this, time, scale)) m *= scale.ToMatrix();
}

void C3DSceneNode::GetNodeTM(int time, C4x4Matrix& m, int includeRoot) const {
  GetLocalTM(time, m);
  const C3DSceneNode* parent = parentOf(*this);
  if (parent == nullptr) return;
  for (; parent != nullptr; parent = parentOf(*parent)) {
    if (parentOf(*parent) == nullptr && !includeRoot) break;
    C4x4Matrix local;
    parent->GetLocalTM(time, local);
    m = local * m;
  }
  C3DPivotKey pivot;
  C3DPoint p;
  if (evaluate(*this, time, pivot)) {
    p.Init(pivot.GetVector().x, pivot.GetVector().y, pivot.GetVector().z);
  }
  const C3DPoint moved = p * m;
  m.InitTranslation(moved.x, moved.y, moved.z);
}

void C3DSceneNode::MatrixTransform(const C4x4Matrix& m) {
  if (m_object == nullptr || m.IsIdentity()) return;
  if (C3DPointList* points = m_object->GetPointList()) points->MatrixTransform(m);
  m_object->GetChannels()->MatrixTransform(m, vex3d::kAllChannelTypes);
  m_object->Invalidate(OBJECT_CHANGED_POINTS, 1);
}

void C3DSceneNode::SwapCoordinates(unsigned int swap) {
  if (m_object == nullptr || swap == 0) return;
  C4x4Matrix permutation;
  permutation.InitSwap(swap & 0x07);
  C4x4Matrix full;
  full.InitSwap(swap);
  if (!full.IsIdentity()) MatrixTransform(full);
  const unsigned int code = swap & 0x07;
  for (int i = 0; i < GetKeyNbr(); ++i) {
    C3DKeyframe* key = GetKeyByIndex(i);
    if (key == nullptr) continue;
    const std::uint32_t kind = key->GetClassID();
    if (kind == vex3d::kKeyMatrix) {
      auto* matrixKey = static_cast<C3DMatrixKey*>(key);
      C4x4Matrix m = matrixKey->ToMatrix();
      C3DVector translation;
      C3DVector scale;
      m.GetTranslation(translation);
      m.GetScale(scale);
      m.NoScale();
      m.NoTranslation();
      m *= full;
      translation *= full;
      scale *= permutation;
      m.Translate(translation);
      m.Scale(scale);
      matrixKey->SetMatrix(m);
    } else if (kind == vex3d::kKeyTranslation || kind == vex3d::kKeyPivot) {
      auto* vectorKey = static_cast<C3DVectorKey*>(key);
      C3DVector v = vectorKey->GetVector();
      v *= full;
      vectorKey->SetVector(v);
    } else if (kind == vex3d::kKeyRotation) {
      auto* rotation = static_cast<C3DRotateKey*>(key);
      float angle = 0.0f;
      C3DVector axis = rotation->GetRotation(angle);
      const int exchanged[3][2] = {{0, 1}, {0, 2}, {1, 2}};
      const int which = code == 1 ? 0 : code == 2 ? 1 : code == 4 ? 2 : -1;
      if (which >= 0) {
        std::swap(axis[exchanged[which][0]], axis[exchanged[which][1]]);
        angle = -angle;
      }
      const unsigned int mirror = swap & 0x38;
      if (mirror == 0x08) {
        axis[1] = -axis[1];
        axis[2] = -axis[2];
      } else if (mirror == 0x10) {
        axis[0] = -axis[0];
        axis[2] = -axis[2];
      } else if (mirror == 0x20) {
        axis[0] = -axis[0];
        axis[1] = -axis[1];
      }
      rotation->SetRotation(angle, axis);
    } else if (kind == vex3d::kKeyScale && !permutation.IsIdentity()) {
      auto* scale = static_cast<C3DVectorKey*>(key);
      C3DVector v = scale->GetVector();
      v *= permutation;
      scale->SetVector(v);
    }
  }
}

int C3DSceneNode::GetBoundingBox(int time, C3DPoint& min, C3DPoint& max, int skipHidden) const {
  bool any = ownBox(*this, time, min, max);
  const C3DScene* scene = GetScene();
  if (scene == nullptr) return any ? 1 : 0;
  for (C3DSceneNode* node = scene->GetFirstNode(this); node;
       node = static_cast<C3DSceneNode*>(scene->CTree::GetNextNode(this, node))) {
    if (skipHidden && node->IsFlagSet(NODE_HIDDEN)) continue;
    C3DPoint a;
    C3DPoint b;
    if (!ownBox(*node, time, a, b)) continue;
    if (!any) {
      min = a;
      max = b;
      any = true;
      continue;
    }
    for (int axis = 0; axis < 3; ++axis) {
      min[axis] = std::min(min[axis], a[axis]);
      max[axis] = std::max(max[axis], b[axis]);
    }
  }
  return any ? 1 : 0;
}

int C3DSceneNode::GetCG(int time, C3DPoint& center) const {
  if (m_object == nullptr || !m_object->GetCG(center)) return 0;
  C4x4Matrix world;
  GetNodeTM(time, world, 1);
  center *= world;
  return 1;
}
