#include "viewer/panes/material_tree.h"

#include <QMenu>
#include <algorithm>
#include <map>

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "material/material.h"
#include "mesh/model/base_object.h"
#include "mesh/model/face_lists.h"
#include "render/view_flags.h"
#include "scene/object_kinds.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "viewer/frame/frame_viewer.h"
#include "viewer/panes/rebar.h"

namespace {

QString menuText(int id) { return QString::fromStdString(LoadStringW(id)); }

QString materialText(const C3DMaterial* material) {
  const std::string& name = material->GetName();
  return QString::fromStdString(name.empty() ? LoadStringW(vex3d::kStrUnnamedMaterial) : name);
}

// Per material id: whether something of it is drawn, and whether it is
// used at all.
struct MaterialUse {
  bool used = false;
  bool shown = false;
};

std::map<std::uint32_t, MaterialUse> materialUses(C3DScene* scene) {
  std::map<std::uint32_t, MaterialUse> uses;
  CSceneIterator it = scene->Begin();
  C3DBaseObject* object = nullptr;
  while (C3DSceneNode* node = scene->GetNextNode(object, it)) {
    if (object == nullptr) continue;
    const auto kind = object->GetKindOf();
    if (kind == OBJECT_CURVE) {
      if (const auto* curve = dynamic_cast<const C3DCurve*>(object)) {
        MaterialUse& use = uses[curve->GetMaterialID()];
        use.used = true;
        use.shown = use.shown || !node->IsFlagSet(NODE_HIDDEN);
      }
    } else if ((kind == OBJECT_POLYGONAL || kind == OBJECT_PATCH) &&
               object->GetFaceList() != nullptr) {
      const C3DFaceList* faces = object->GetFaceList();
      const int count = faces->GetSize();
      for (int i = 0; i < count; ++i) {
        const auto* face = faces->ElementAt(i);
        MaterialUse& use = uses[face->GetMaterialID()];
        use.used = true;
        use.shown = use.shown || !face->IsFlagSet(FACE_RENDER_HIDDEN);
      }
    }
  }
  return uses;
}

}  // namespace

C3DMaterialTree::C3DMaterialTree(QWidget* parent) : CCustomTree(parent) {
  setObjectName("materialsList");
  setRootIsDecorated(false);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
}

C3DMaterialTree::~C3DMaterialTree() = default;

void C3DMaterialTree::SetInfo(C3DFrameViewer* frame, C3DScene* scene) {
  m_frame = frame;
  m_defaultCallback = std::make_unique<CMaterialCallback>(frame);
  if (m_callback == nullptr) m_callback = m_defaultCallback.get();
  m_scene = scene;
  rebuild();
}

void C3DMaterialTree::SetCallback(CMaterialCallback* callback) {
  m_callback = callback != nullptr ? callback : m_defaultCallback.get();
}

void C3DMaterialTree::SceneChanged(C3DScene* scene, int reason, std::uintptr_t data) {
  if (reason & SCENE_CHANGED_CURRENT) {
    m_scene = scene;
    rebuild();
  } else if (reason & SCENE_CHANGED_MATERIAL) {
    // A material that has no item yet is a new one: the list is made again.
    if (GetMaterialItem(static_cast<std::uint32_t>(data)) != nullptr) {
      MaterialChanged(static_cast<std::uint32_t>(data));
    } else {
      rebuild();
    }
  }
}

void C3DMaterialTree::rebuild() {
  setUpdatesEnabled(false);
  DeleteAllItems();
  if (m_scene != nullptr) {
    // Materials that nothing uses would only be noise in the list. A
    // material whose faces were all hidden before keeps its mark when the
    // scene is shown again.
    for (const auto& [id, use] : materialUses(m_scene)) {
      C3DMaterial* material = m_scene->GetMaterial(id);
      if (material == nullptr || !use.used) continue;
      if (m_callback != nullptr && !m_callback->AcceptMaterial(m_scene, id)) continue;
      InsertItem(materialText(material), nullptr, id, use.shown ? TREE_CHECKED : TREE_UNCHECKED);
    }
  }
  setUpdatesEnabled(true);
}

QTreeWidgetItem* C3DMaterialTree::GetMaterialItem(std::uint32_t id) const {
  for (int i = 0; i < topLevelItemCount(); ++i) {
    if (GetItemData(topLevelItem(i)) == id) return topLevelItem(i);
  }
  return nullptr;
}

void C3DMaterialTree::MaterialChanged(std::uint32_t id) {
  QTreeWidgetItem* item = GetMaterialItem(id);
  C3DMaterial* material = m_scene != nullptr ? m_scene->GetMaterial(id) : nullptr;
  if (item == nullptr || material == nullptr) return;
  item->setText(0, materialText(material));
}

bool C3DMaterialTree::CanChangeCheckState(QTreeWidgetItem* item) {
  return item != nullptr && m_callback != nullptr && m_scene != nullptr;
}

bool C3DMaterialTree::ChangeItemCheckState(QTreeWidgetItem* item, int state) {
  return m_callback != nullptr && m_callback->ChangeCheckState(item, GetItemData(item), state) != 0;
}

void C3DMaterialTree::BeginCheckStateChange() {
  // Hiding a material compiles the lists of every object that uses it.
  m_restoreCursor = CCommandFrameWnd::ShowWaitCursor();
  // The scenes list's thread may be drawing this scene: it finishes first.
  if (m_frame != nullptr) m_frame->GetBarControl()->EndTask(false);
  if (m_callback != nullptr) m_callback->BeginChanges();
}

void C3DMaterialTree::EndCheckStateChange() {
  if (m_callback != nullptr) m_callback->EndChanges();
  if (m_frame != nullptr && m_scene != nullptr) m_frame->GetBarControl()->InvalidateScene(m_scene);
  if (m_restoreCursor) {
    m_restoreCursor();
    m_restoreCursor = nullptr;
  }
}

void C3DMaterialTree::DoubleClick(QTreeWidgetItem* item) {
  if (item != nullptr && m_callback != nullptr) m_callback->DblClick(item, GetItemData(item));
}

void C3DMaterialTree::setAll(int mode) {
  BeginCheckStateChange();
  for (int i = 0; i < topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = topLevelItem(i);
    int state = mode;
    if (mode == 0) state = GetCheckState(item) == TREE_CHECKED ? TREE_UNCHECKED : TREE_CHECKED;
    if (state != GetCheckState(item) && ChangeItemCheckState(item, state)) {
      SetCheckState(item, state);
    }
  }
  EndCheckStateChange();
}

void C3DMaterialTree::OnMaterialsSelectAll() { setAll(TREE_CHECKED); }
void C3DMaterialTree::OnMaterialsDeselectAll() { setAll(TREE_UNCHECKED); }
void C3DMaterialTree::OnMaterialsInvert() { setAll(0); }

void C3DMaterialTree::OnMaterialsHide() {
  if (m_frame != nullptr) m_frame->ShowMaterials(LEFTBAR_TOGGLE);
}

QMenu* C3DMaterialTree::CreateContextMenu() {
  auto* menu = new QMenu(menuText(vex3d::kStrSelectionMenu), this);
  menu->setObjectName("materialsMenu");
  menu->addAction(menuText(vex3d::kStrMaterialsSelectAll), this, [this] { OnMaterialsSelectAll(); })
      ->setObjectName("selectAll");
  menu->addAction(menuText(vex3d::kStrMaterialsSelectNone), this,
                  [this] { OnMaterialsDeselectAll(); })
      ->setObjectName("selectNone");
  menu->addAction(menuText(vex3d::kStrMaterialsInvert), this, [this] { OnMaterialsInvert(); })
      ->setObjectName("invertSelection");
  menu->addSeparator();
  menu->addAction(menuText(vex3d::kStrCloseMaterialsList), this, [this] { OnMaterialsHide(); })
      ->setObjectName("closeList");
  return menu;
}

void C3DMaterialTree::OnRButtonDown(QTreeWidgetItem*, const QPoint& globalPos) {
  QMenu* menu = CreateContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(globalPos);
}
