#include "viewer/panes/tree_callbacks.h"

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "viewer/dialogs/info_dialogs.h"
#include "viewer/frame/frame_viewer.h"

namespace vex3d::viewer {

InfoWindows::InfoWindows() : nodeInfo(&showNodeInfo), materialInfo(&showMaterialInfo) {}

namespace {

InfoWindows& infoWindows() {
  static InfoWindows windows;
  return windows;
}

bool usesMaterial(C3DBaseObject* object, std::uint32_t id) {
  const CHashTable<unsigned int>* used = object->GetMaterialsHash();
  return used != nullptr && used->Contains(id);
}

}  // namespace

void setInfoWindows(const InfoWindows& windows) { infoWindows() = windows; }

void flushNodes(C3DFrameViewer* frame, C3DScene* scene,
                const std::unordered_set<C3DSceneNode*>& nodes) {
  C3DView* view = frame != nullptr ? frame->Get3DView() : nullptr;
  if (view == nullptr) return;
  // Lists are only ours to rebuild when the view shows this scene and
  // compiles ahead; otherwise the next frame draws from the faces anyway.
  if (view->GetScene() == scene && view->GetGLContext() != nullptr &&
      !view->IsDrawingFlagSet(DRAWING_IMMEDIATE) && !nodes.empty()) {
    view->Activate();
    for (C3DSceneNode* node : nodes) {
      view->DeleteGLLists(CALLLIST_GEOMETRY, node);
      view->FlushNode(node);
    }
    view->Deactivate();
  }
  frame->UpdateView(0);
}

void showMaterial(C3DFrameViewer* frame, C3DScene* scene, std::uint32_t id, bool visible,
                  std::unordered_set<C3DSceneNode*>* touched) {
  if (scene == nullptr) return;
  std::unordered_set<C3DSceneNode*> own;
  std::unordered_set<C3DSceneNode*>& nodes = touched != nullptr ? *touched : own;
  CSceneIterator it = scene->Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = scene->GetNextNode(object, it)) {
    if (object == nullptr) continue;
    const auto kind = object->GetKindOf();
    if (kind == OBJECT_POLYGONAL || kind == OBJECT_PATCH) {
      C3DFaceList* faces = object->GetFaceList();
      if (faces == nullptr || !usesMaterial(object, id)) continue;
      const int count = faces->GetSize();
      for (int i = 0; i < count; ++i) {
        auto* face = faces->ElementAt(i);
        if (face->GetMaterialID() == id) face->SetFlags(FACE_RENDER_HIDDEN, visible ? 0 : 1);
      }
      object->Invalidate(OBJECT_CHANGED_OTHER, 1);
      nodes.insert(node);
    } else if (kind == OBJECT_CURVE) {
      auto* curve = dynamic_cast<C3DCurve*>(object);
      if (curve != nullptr && curve->GetMaterialID() == id) node->SetFlag(NODE_HIDDEN, !visible);
    }
  }
  if (touched == nullptr) flushNodes(frame, scene, own);
}

}  // namespace vex3d::viewer

void CTreeViewerCallback::DblClick(QTreeWidgetItem*, std::uintptr_t) {}

int C3DBaseObjectCallback::ChangeCheckState(QTreeWidgetItem*, std::uintptr_t data, int state) {
  const auto* item = reinterpret_cast<const C3DObjectItemData*>(data);
  if (item == nullptr) return 0;
  if (item->kind == 0 && item->node != nullptr) item->node->SetFlag(NODE_HIDDEN, state != 1);
  return 1;
}

void C3DBaseObjectCallback::DblClick(QTreeWidgetItem*, std::uintptr_t data) {
  const auto* item = reinterpret_cast<const C3DObjectItemData*>(data);
  const auto open = vex3d::viewer::infoWindows().nodeInfo;
  if (item == nullptr || item->kind != 0 || open == nullptr || GetFrame() == nullptr) return;
  open(GetFrame(), GetFrame()->GetCurrentScene(), item->node);
}

std::string C3DBaseObjectCallback::GetName() const {
  return LoadStringW(vex3d::kStrObjectsListTitle);
}

int CMaterialCallback::ChangeCheckState(QTreeWidgetItem*, std::uintptr_t data, int state) {
  C3DFrameViewer* frame = GetFrame();
  if (frame == nullptr) return 0;
  vex3d::viewer::showMaterial(frame, frame->GetCurrentScene(), static_cast<std::uint32_t>(data),
                              state == 1, m_batch > 0 ? &m_touched : nullptr);
  return 1;
}

void CMaterialCallback::BeginChanges() { ++m_batch; }

void CMaterialCallback::EndChanges() {
  if (m_batch == 0 || --m_batch > 0) return;
  std::unordered_set<C3DSceneNode*> touched;
  touched.swap(m_touched);
  C3DFrameViewer* frame = GetFrame();
  if (frame != nullptr) vex3d::viewer::flushNodes(frame, frame->GetCurrentScene(), touched);
}

void CMaterialCallback::DblClick(QTreeWidgetItem*, std::uintptr_t data) {
  const auto open = vex3d::viewer::infoWindows().materialInfo;
  if (open == nullptr || GetFrame() == nullptr) return;
  open(GetFrame(), GetFrame()->GetCurrentScene(), static_cast<std::uint32_t>(data));
}

std::string CMaterialCallback::GetName() const {
  return LoadStringW(vex3d::kStrMaterialsListTitle);
}

bool CMaterialCallback::AcceptMaterial(C3DScene*, std::uint32_t) { return true; }
