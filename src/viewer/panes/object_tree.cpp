#include "viewer/panes/object_tree.h"

#include <QMenu>

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "mesh/model/base_object.h"
#include "scene/scene.h"
#include "scene/scene_node.h"
#include "viewer/commands/menu_places.h"
#include "viewer/frame/frame_viewer.h"
#include "viewer/frame/viewer_resources.h"
#include "viewer/panes/rebar.h"

namespace {

bool isGroup(const C3DSceneNode* node) {
  return node != nullptr && node->GetObject() != nullptr &&
         node->GetObject()->GetKindOf() == OBJECT_GROUP;
}

QString itemText(const C3DSceneNode* node) {
  std::string name = node->GetName();
  if (name.empty()) name = LoadStringW(vex3d::kStrUnnamedObject);
  return QString::fromStdString(name);
}

QString menuText(int id) { return QString::fromStdString(LoadStringW(id)); }

}  // namespace

C3DObjectTree::C3DObjectTree(QWidget* parent) : CCustomTree(parent) {
  setObjectName("objectsList");
  setSelectionMode(QAbstractItemView::ExtendedSelection);
}

C3DObjectTree::~C3DObjectTree() = default;

void C3DObjectTree::SetInfo(C3DFrameViewer* frame, C3DScene* scene) {
  m_frame = frame;
  m_defaultCallback = std::make_unique<C3DBaseObjectCallback>(frame);
  if (m_callback == nullptr) m_callback = m_defaultCallback.get();
  m_scene = scene;
  rebuild();
}

void C3DObjectTree::SetCallback(CTreeViewerCallback* callback) {
  m_callback = callback != nullptr ? callback : m_defaultCallback.get();
}

std::uintptr_t C3DObjectTree::newItemData(int kind, C3DSceneNode* node) {
  m_data.push_back(C3DObjectItemData{kind, node});
  return reinterpret_cast<std::uintptr_t>(&m_data.back());
}

C3DSceneNode* C3DObjectTree::GetItemNode(const QTreeWidgetItem* item) const {
  const auto* data = reinterpret_cast<const C3DObjectItemData*>(GetItemData(item));
  return data != nullptr && data->kind == 0 ? data->node : nullptr;
}

QTreeWidgetItem* C3DObjectTree::GetNodeItem(const C3DSceneNode* node) const {
  const auto it = m_items.find(node);
  return it == m_items.end() ? nullptr : it->second;
}

void C3DObjectTree::SceneChanged(C3DScene* scene, int reason, std::uintptr_t data) {
  if ((reason & (SCENE_CHANGED_CURRENT | SCENE_CHANGED_NODE)) && data == 0) {
    m_scene = scene;
    rebuild();
  } else if ((reason & SCENE_CHANGED_NODE) && data != 0) {
    NodeChanged(reinterpret_cast<C3DSceneNode*>(data));
  }
}

void C3DObjectTree::rebuild() {
  // The marks are set while the view waits: it is drawn once at the end.
  if (m_frame != nullptr && m_frame->Get3DView() != nullptr) m_frame->LockWindow();
  setUpdatesEnabled(false);
  DeleteAllItems();
  m_items.clear();
  m_data.clear();
  if (m_scene != nullptr) {
    const QIcon group = vex3d::viewer::commandIcon(vex3d::viewer::kBitmapTreeGroup);
    const QIcon single = vex3d::viewer::commandIcon(vex3d::viewer::kBitmapTreeObject);
    CSceneIterator it = m_scene->Begin();
    C3DBaseObject* object = nullptr;
    while (C3DSceneNode* node = m_scene->GetNextNode(object, it)) {
      const C3DSceneNode* parent = m_scene->GetParent(node);
      QTreeWidgetItem* parentItem = m_scene->IsSceneRoot(parent) ? nullptr : GetNodeItem(parent);
      QTreeWidgetItem* item =
          InsertItem(itemText(node), parentItem, newItemData(0, node),
                     node->IsFlagSet(NODE_HIDDEN) ? TREE_UNCHECKED : TREE_CHECKED);
      SetItemCombined(item, isGroup(node));
      item->setIcon(0, isGroup(node) ? group : single);
      m_items[node] = item;
    }
    UpdateTreeCheckState();
    expandToDepth(0);
  }
  setUpdatesEnabled(true);
  if (m_frame != nullptr && m_frame->Get3DView() != nullptr) m_frame->UnlockWindow();
}

void C3DObjectTree::NodeChanged(C3DSceneNode* node) {
  QTreeWidgetItem* item = GetNodeItem(node);
  if (item == nullptr) return;
  item->setText(0, itemText(node));
  if (!IsItemCombined(item)) {
    SetCheckState(item, node->IsFlagSet(NODE_HIDDEN) ? TREE_UNCHECKED : TREE_CHECKED);
  }
  UpdateCheckState(item);
}

QTreeWidgetItem* C3DObjectTree::AddCustomItem(const QString& text, QTreeWidgetItem* parent,
                                              int kind, int checkState) {
  return InsertItem(text, parent, newItemData(kind, nullptr), checkState);
}

void C3DObjectTree::ReplaceIcon(QTreeWidgetItem* item, const QIcon& icon) {
  if (item != nullptr) item->setIcon(0, icon);
}

bool C3DObjectTree::CanChangeCheckState(QTreeWidgetItem* item) {
  return item != nullptr && m_callback != nullptr;
}

bool C3DObjectTree::ChangeItemCheckState(QTreeWidgetItem* item, int state) {
  return m_callback != nullptr && m_callback->ChangeCheckState(item, GetItemData(item), state) != 0;
}

void C3DObjectTree::UserCheckItem(QTreeWidgetItem* item, int state) {
  const C3DSceneNode* node = GetItemNode(item);
  const QTreeWidgetItem* parent = item->parent();
  const bool underGroup =
      item->childCount() == 0 && parent != nullptr && isGroup(GetItemNode(parent));
  if (isGroup(node) || underGroup) {
    CheckSubtree(item, state);
    return;
  }
  // A node that is not a group hides only itself: what hangs below it keeps
  // its own marks.
  if (ChangeItemCheckState(item, state)) {
    SetCheckState(item, state);
    UpdateCheckState(item);
  }
}

void C3DObjectTree::BeginCheckStateChange() {
  // The scenes list's thread may be drawing this scene: it finishes first.
  if (m_frame != nullptr) m_frame->GetBarControl()->EndTask(false);
}

void C3DObjectTree::EndCheckStateChange() {
  if (m_frame == nullptr) return;
  if (m_frame->Get3DView() != nullptr) m_frame->UpdateView(0);
  // The thumbnail shows what the view shows.
  if (m_scene != nullptr) m_frame->GetBarControl()->InvalidateScene(m_scene);
}

void C3DObjectTree::DoubleClick(QTreeWidgetItem* item) {
  if (item != nullptr && m_callback != nullptr) m_callback->DblClick(item, GetItemData(item));
}

void C3DObjectTree::setAll(int mode) {
  BeginCheckStateChange();
  for (QTreeWidgetItem* item : GetAllItems()) {
    if (IsItemCombined(item)) continue;
    int state = mode;
    if (mode == 0) state = GetCheckState(item) == TREE_CHECKED ? TREE_UNCHECKED : TREE_CHECKED;
    if (state != GetCheckState(item) && ChangeItemCheckState(item, state)) {
      SetCheckState(item, state);
    }
  }
  UpdateTreeCheckState();
  EndCheckStateChange();
}

void C3DObjectTree::OnObjectsSelectAll() { setAll(TREE_CHECKED); }
void C3DObjectTree::OnObjectsSelectNone() { setAll(TREE_UNCHECKED); }
void C3DObjectTree::OnObjectsInvert() { setAll(0); }

void C3DObjectTree::OnObjectsHide() {
  if (m_frame != nullptr) m_frame->ShowObjects(LEFTBAR_TOGGLE);
}

QMenu* C3DObjectTree::CreateContextMenu() {
  auto* menu = new QMenu(menuText(vex3d::kStrSelectionMenu), this);
  menu->setObjectName("objectsMenu");
  menu->addAction(menuText(vex3d::kStrObjectsSelectAll), this, [this] { OnObjectsSelectAll(); })
      ->setObjectName("selectAll");
  menu->addAction(menuText(vex3d::kStrObjectsSelectNone), this, [this] { OnObjectsSelectNone(); })
      ->setObjectName("selectNone");
  menu->addAction(menuText(vex3d::kStrObjectsInvert), this, [this] { OnObjectsInvert(); })
      ->setObjectName("invertSelection");
  menu->addSeparator();
  menu->addAction(menuText(vex3d::kStrCloseObjectsList), this, [this] { OnObjectsHide(); })
      ->setObjectName("closeList");
  return menu;
}

void C3DObjectTree::OnRButtonDown(QTreeWidgetItem*, const QPoint& globalPos) {
  QMenu* menu = CreateContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(globalPos);
}
