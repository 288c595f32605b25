#pragma once
// The materials list: one item per material the current scene's faces and
// curves use, checked while that material's faces are drawn.
#include <cstdint>
#include <functional>
#include <memory>

#include "hostlib/ui/custom_tree.h"
#include "viewer/panes/tree_callbacks.h"
#include "viewer_export.h"

class C3DFrameViewer;
class C3DScene;
class QMenu;

class VEX3D_VIEWER_EXPORT C3DMaterialTree : public CCustomTree {
 public:
  explicit C3DMaterialTree(QWidget* parent = nullptr);
  ~C3DMaterialTree() override;

  void SetInfo(C3DFrameViewer* frame, C3DScene* scene);
  // The tree does not own the callback; null restores the default one.
  void SetCallback(CMaterialCallback* callback);
  CMaterialCallback* GetCallback() const { return m_callback; }

  void SceneChanged(C3DScene* scene, int reason, std::uintptr_t data);
  void MaterialChanged(std::uint32_t id);
  QTreeWidgetItem* GetMaterialItem(std::uint32_t id) const;

  bool CanChangeCheckState(QTreeWidgetItem* item) override;
  bool ChangeItemCheckState(QTreeWidgetItem* item, int state) override;
  void BeginCheckStateChange() override;
  void EndCheckStateChange() override;
  void DoubleClick(QTreeWidgetItem* item) override;
  void OnRButtonDown(QTreeWidgetItem* item, const QPoint& globalPos) override;

  void OnMaterialsSelectAll();
  void OnMaterialsDeselectAll();
  void OnMaterialsInvert();
  void OnMaterialsHide();
  QMenu* CreateContextMenu();

 private:
  void rebuild();
  void setAll(int mode);

  C3DFrameViewer* m_frame = nullptr;
  C3DScene* m_scene = nullptr;
  std::unique_ptr<CMaterialCallback> m_defaultCallback;
  CMaterialCallback* m_callback = nullptr;
  std::function<void()> m_restoreCursor;
};
