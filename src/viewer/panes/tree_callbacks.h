#pragma once
// What a check mark of the left pane's lists does to the scene. The lists
// only keep the marks; these objects hide and show, and the frame can put
// others in their place.
#include <QTreeWidgetItem>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "viewer_export.h"

class C3DFrameViewer;
class C3DScene;
class C3DSceneNode;

// What an objects list item stands for.
struct C3DObjectItemData {
  int kind = 0;  // 0: a scene node
  C3DSceneNode* node = nullptr;
};

class VEX3D_VIEWER_EXPORT CTreeViewerCallback {
 public:
  explicit CTreeViewerCallback(C3DFrameViewer* frame) : m_frame(frame) {}
  virtual ~CTreeViewerCallback() = default;
  CTreeViewerCallback(const CTreeViewerCallback&) = delete;
  CTreeViewerCallback& operator=(const CTreeViewerCallback&) = delete;

  // Non-zero when `item` may take `state`; the change is made here.
  virtual int ChangeCheckState(QTreeWidgetItem* item, std::uintptr_t data, int state) = 0;
  virtual void DblClick(QTreeWidgetItem* item, std::uintptr_t data);
  // Around the changes of one user action, which may be many.
  virtual void BeginChanges() {}
  virtual void EndChanges() {}
  // The list's title.
  virtual std::string GetName() const = 0;
  C3DFrameViewer* GetFrame() const { return m_frame; }

 private:
  C3DFrameViewer* m_frame;
};

// Objects list items: data is a C3DObjectItemData*.
class VEX3D_VIEWER_EXPORT C3DBaseObjectCallback : public CTreeViewerCallback {
 public:
  using CTreeViewerCallback::CTreeViewerCallback;
  int ChangeCheckState(QTreeWidgetItem* item, std::uintptr_t data, int state) override;
  void DblClick(QTreeWidgetItem* item, std::uintptr_t data) override;
  std::string GetName() const override;
};

// Materials list items: data is the material id.
class VEX3D_VIEWER_EXPORT CMaterialCallback : public CTreeViewerCallback {
 public:
  using CTreeViewerCallback::CTreeViewerCallback;
  int ChangeCheckState(QTreeWidgetItem* item, std::uintptr_t data, int state) override;
  void DblClick(QTreeWidgetItem* item, std::uintptr_t data) override;
  // A node that several materials of one action touch is compiled once.
  void BeginChanges() override;
  void EndChanges() override;
  std::string GetName() const override;
  // Whether material `id` of `scene` gets an item.
  virtual bool AcceptMaterial(C3DScene* scene, std::uint32_t id);

 private:
  int m_batch = 0;
  std::unordered_set<C3DSceneNode*> m_touched;
};

namespace vex3d::viewer {
// Hides (`visible` false) or shows the faces and curves of material `id`.
// The nodes whose faces changed are added to `touched` when given, else
// their lists are compiled again at once.
VEX3D_VIEWER_EXPORT void showMaterial(C3DFrameViewer* frame, C3DScene* scene, std::uint32_t id,
                                      bool visible,
                                      std::unordered_set<C3DSceneNode*>* touched = nullptr);
// Compiles the lists of `nodes` again and draws the view.
VEX3D_VIEWER_EXPORT void flushNodes(C3DFrameViewer* frame, C3DScene* scene,
                                    const std::unordered_set<C3DSceneNode*>& nodes);
// What a double-click opens: the information dialogs, unless a test puts
// its own in their place ({} restores them).
struct VEX3D_VIEWER_EXPORT InfoWindows {
  int (*nodeInfo)(C3DFrameViewer*, C3DScene*, C3DSceneNode*);
  int (*materialInfo)(C3DFrameViewer*, C3DScene*, std::uint32_t);
  InfoWindows();
};
VEX3D_VIEWER_EXPORT void setInfoWindows(const InfoWindows& windows);
}  // namespace vex3d::viewer
