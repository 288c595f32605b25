#pragma once
// The objects list: one item per node of the current scene, in the scene's
// order, checked while the node is shown. Groups show the check level of
// what they hold and a click on one applies to all of it.
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_map>

#include "hostlib/ui/custom_tree.h"
#include "viewer/panes/tree_callbacks.h"
#include "viewer_export.h"

class C3DFrameViewer;
class C3DScene;
class C3DSceneNode;
class QMenu;

class VEX3D_VIEWER_EXPORT C3DObjectTree : public CCustomTree {
 public:
  explicit C3DObjectTree(QWidget* parent = nullptr);
  ~C3DObjectTree() override;

  void SetInfo(C3DFrameViewer* frame, C3DScene* scene);
  // The tree does not own the callback; null restores the default one.
  void SetCallback(CTreeViewerCallback* callback);
  CTreeViewerCallback* GetCallback() const { return m_callback; }

  void SceneChanged(C3DScene* scene, int reason, std::uintptr_t data);
  void NodeChanged(C3DSceneNode* node);
  C3DSceneNode* GetItemNode(const QTreeWidgetItem* item) const;
  QTreeWidgetItem* GetNodeItem(const C3DSceneNode* node) const;
  // An item of the owner's own kind (not 0) under `parent`.
  QTreeWidgetItem* AddCustomItem(const QString& text, QTreeWidgetItem* parent, int kind,
                                 int checkState);
  void ReplaceIcon(QTreeWidgetItem* item, const QIcon& icon);

  void UserCheckItem(QTreeWidgetItem* item, int state) override;
  bool ChangeItemCheckState(QTreeWidgetItem* item, int state) override;
  bool CanChangeCheckState(QTreeWidgetItem* item) override;
  void BeginCheckStateChange() override;
  void EndCheckStateChange() override;
  void DoubleClick(QTreeWidgetItem* item) override;
  void OnRButtonDown(QTreeWidgetItem* item, const QPoint& globalPos) override;

  // The context menu's actions.
  void OnObjectsSelectAll();
  void OnObjectsSelectNone();
  void OnObjectsInvert();
  void OnObjectsHide();
  // The context menu as it would pop up (tests drive it).
  QMenu* CreateContextMenu();

 private:
  void rebuild();
  void setAll(int mode);
  std::uintptr_t newItemData(int kind, C3DSceneNode* node);

  C3DFrameViewer* m_frame = nullptr;
  C3DScene* m_scene = nullptr;
  std::unique_ptr<C3DBaseObjectCallback> m_defaultCallback;
  CTreeViewerCallback* m_callback = nullptr;
  std::deque<C3DObjectItemData> m_data;
  std::unordered_map<const C3DSceneNode*, QTreeWidgetItem*> m_items;
};
