#pragma once
// The viewer's scenes list: one thumbnail per loaded scene, rendered off
// screen on the list's worker thread; selecting a thumbnail makes its scene
// the frame's current one.
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "hostlib/containers/hash_map.h"
#include "hostlib/ui/images_ctrl.h"
#include "viewer_export.h"

class C3DFrameViewer;
class C3DScene;
class C3DThumbnailsList;

// A thumbnail request of the scenes list.
class VEX3D_VIEWER_EXPORT CThread3DThumbnailInfo : public CThreadImagesCtrlInfo {
 public:
  // `proc` null: C3DThumbnailsList::ThreadProc.
  explicit CThread3DThumbnailInfo(C3DThumbnailsList* list, ThreadProc proc = nullptr);
  C3DThumbnailsList* GetThumbnailsList() const { return m_thumbnails; }

 private:
  C3DThumbnailsList* m_thumbnails;
};

class VEX3D_VIEWER_EXPORT C3DThumbnailsList : public CImagesCtrl {
 public:
  static constexpr int kThumbnailSize = 80;
  static constexpr std::uint32_t kListFlags =
      IMAGESCTRL_SHOW_NAMES | IMAGESCTRL_MULTI_SELECTION | IMAGESCTRL_VERTICAL;

  explicit C3DThumbnailsList(QWidget* parent = nullptr);
  // Waits for the end of the thread, which reads this list's maps.
  ~C3DThumbnailsList() override;

  // The frame whose scenes are listed; the list is rebuilt from them.
  void SetInfo(C3DFrameViewer* frame);
  C3DFrameViewer* GetFrame() const { return m_frame; }
  // `index` -1 appends. A scene already listed is left where it is.
  void InsertScene(C3DScene* scene, int index);
  // Waits first when the thread is rendering that scene, so the caller may
  // delete it as soon as this returns.
  void RemoveScene(C3DScene* scene);
  void InvalidateScene(C3DScene* scene);
  // One new thumbnail per scene of the frame, in the frame's order.
  void ScenesChanged();
  // Reason 1 (new current scene) selects its thumbnail.
  void SceneChanged(C3DScene* current, int reason, std::uintptr_t data);
  int OnImagesCtrlNotification(int code, std::uintptr_t data) override;
  std::string GetThumbnailFileName(CLayerBitmap* layer) override;
  std::string GetThumbnailItemName(int index, CLayerBitmap* layer) override;
  // false: waits until the thumbnail in progress is done (before a scene
  // goes); true: ends the thread (before the frame goes).
  void EndTask(bool endThread);

  CLayerBitmap* GetSceneLayer(const C3DScene* scene) const;
  C3DScene* GetLayerScene(const CLayerBitmap* layer) const;

  // Renders one request after another on the list's thread.
  static void ThreadProc(CThreadImagesCtrlInfo& info);

 protected:
  void PrepareRequest(CLayerBitmap* layer) override;
  void ThreadEnded() override;

 private:
  // The scene of the request in progress, marked as being rendered; null
  // when its layer left the list or the scene was not prepared for it.
  // `prepare`: the worker brings it up to date first; `marked`: the scene
  // whose preparation mark the worker removes.
  C3DScene* beginRendering(const CLayerBitmap* layer, bool& prepare, const C3DScene*& marked);
  void endRendering();
  void renderRequest(CThreadImagesCtrlInfo& info);
  void clearMaps();

  C3DFrameViewer* m_frame = nullptr;
  bool m_notifying = false;
  // Read by the thread: guarded by m_mutex.
  mutable std::mutex m_mutex;
  std::condition_variable m_renderingDone;
  CHashMap<const C3DScene*, CLayerBitmap*> m_sceneToLayer;
  CHashMap<const CLayerBitmap*, C3DScene*> m_layerToScene;
  C3DScene* m_prepared = nullptr;
  bool m_preparedHere = false;
  // Marked for preparation by the worker; the worker (or the end of the
  // thread) removes the mark, whatever became of the scene.
  const C3DScene* m_marked = nullptr;
  C3DScene* m_rendering = nullptr;
};
