#pragma once
// The viewer's left pane: the scenes list, the objects list and the
// materials list stacked in one column. Each list is shown while its bit of
// the frame settings is set, so a list the user closed stays closed the next
// time the viewer opens.
#include <cstdint>

#include "hostlib/ui/custom_vrebar.h"
#include "viewer_export.h"

class C3DFrameViewer;
class C3DMaterialTree;
class C3DObjectTree;
class C3DScene;
class C3DThumbnailsList;

class VEX3D_VIEWER_EXPORT C3DRebar : public CCustomVReBar {
 public:
  enum BarId : int { BAR_SCENES = 0, BAR_OBJECTS = 1, BAR_MATERIALS = 2 };

  explicit C3DRebar(QWidget* parent = nullptr);
  ~C3DRebar() override;

  // `scenesList` false: no scenes list, only the two others.
  void Init(C3DFrameViewer* frame, C3DScene* scene, bool scenesList = true);

  // LeftBarShowMode: 0 hide, 1 show, 2 toggle. Each sets or clears the
  // list's settings bit.
  void ShowObjects(int mode);
  void ShowMaterials(int mode);
  void ShowScenes(int mode);
  bool AreScenesShown() const;
  // Shows the bars whose settings bits are set (the scenes list only with
  // two scenes or more).
  void UpdateBars();

  void OnFirstDisplay();
  void SceneChanged(C3DScene* scene, int reason, std::uintptr_t data);
  void ScenesChanged();
  void InsertScene(C3DScene* scene, int index);
  void RemoveScene(C3DScene* scene);
  void InvalidateScene(C3DScene* scene);
  // Waits for the thumbnail being computed (`endThread` false) or for the
  // end of the thumbnails' thread (true).
  void EndTask(bool endThread);

  C3DObjectTree* GetObjectTree() const { return m_objects; }
  C3DMaterialTree* GetMaterialTree() const { return m_materials; }
  C3DThumbnailsList* GetScenesList() const { return m_scenes; }

 protected:
  void OnCloseBar(int id) override;

 private:
  void show(int id, std::uint32_t bit, int mode);

  C3DFrameViewer* m_frame = nullptr;
  C3DObjectTree* m_objects = nullptr;
  C3DMaterialTree* m_materials = nullptr;
  C3DThumbnailsList* m_scenes = nullptr;
};
