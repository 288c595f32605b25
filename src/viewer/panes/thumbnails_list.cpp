#include "viewer/panes/thumbnails_list.h"

#include <utility>

#include "hostlib/containers/next_prime.h"
#include "hostlib/files/file_utils.h"
#include "hostlib/images/bitmap.h"
#include "render/view.h"
#include "render/view_flags.h"
#include "scene/scene.h"
#include "viewer/frame/frame_viewer.h"

namespace {

// The scene is rendered at twice the thumbnail's size and halved with the
// area filter: that is the thumbnail's antialiasing.
constexpr int kOversampling = 2;

}  // namespace

CThread3DThumbnailInfo::CThread3DThumbnailInfo(C3DThumbnailsList* list, ThreadProc proc)
    : CThreadImagesCtrlInfo(proc ? std::move(proc) : ThreadProc(&C3DThumbnailsList::ThreadProc)),
      m_thumbnails(list) {}

C3DThumbnailsList::C3DThumbnailsList(QWidget* parent)
    : CImagesCtrl(parent), m_sceneToLayer(NextPrime(101)), m_layerToScene(NextPrime(101)) {
  setObjectName("thumbnailsList");
  SetFlags(kListFlags);
  SetThumbnailThread(std::make_unique<CThread3DThumbnailInfo>(this));
}

C3DThumbnailsList::~C3DThumbnailsList() { EndTask(true); }

void C3DThumbnailsList::SetInfo(C3DFrameViewer* frame) {
  m_frame = frame;
  ScenesChanged();
}

void C3DThumbnailsList::clearMaps() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_sceneToLayer.InitHashTable(NextPrime(101));
  m_layerToScene.InitHashTable(NextPrime(101));
  m_prepared = nullptr;
}

void C3DThumbnailsList::ScenesChanged() {
  clearMaps();
  auto frames = std::make_unique<CFrameBitmap>();
  if (m_frame != nullptr) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (C3DScene* scene : m_frame->GetScenes()) {
      auto* layer = new CLayerBitmap;
      frames->AddTailFrame(layer);
      m_sceneToLayer.Insert(scene, layer);
      m_layerToScene.Insert(layer, scene);
    }
  }
  SetFrames(std::move(frames), kThumbnailSize, kThumbnailSize);
  if (m_frame != nullptr) SceneChanged(m_frame->GetCurrentScene(), SCENE_CHANGED_CURRENT, 0);
}

void C3DThumbnailsList::InsertScene(C3DScene* scene, int index) {
  if (scene == nullptr || GetSceneLayer(scene) != nullptr) return;
  auto* layer = new CLayerBitmap;
  const int frameCount = GetFrames()->GetFrameNbr();
  if (index < 0 || index >= frameCount) {
    index = -1;
    GetFrames()->AddTailFrame(layer);
  } else {
    GetFrames()->InsertFrame(layer, index);
  }
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sceneToLayer.Insert(scene, layer);
    m_layerToScene.Insert(layer, scene);
  }
  InsertLayer(layer, index, -1);
}

void C3DThumbnailsList::RemoveScene(C3DScene* scene) {
  CLayerBitmap* layer = nullptr;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    CLayerBitmap** found = m_sceneToLayer.Find(scene);
    if (found == nullptr) return;
    layer = *found;
    m_sceneToLayer.Remove(scene);
    m_layerToScene.Remove(layer);
    if (m_prepared == scene) m_prepared = nullptr;
    // The thread found the scene before it left the maps: the caller is
    // about to delete it.
    m_renderingDone.wait(lock, [this, scene] { return m_rendering != scene; });
  }
  RemoveLayer(layer);
}

void C3DThumbnailsList::InvalidateScene(C3DScene* scene) {
  if (CLayerBitmap* layer = GetSceneLayer(scene)) InvalidateLayer(layer);
}

void C3DThumbnailsList::SceneChanged(C3DScene* current, int reason, std::uintptr_t /*data*/) {
  // The user's own selection, which made the scene current, stays as it is.
  if (!(reason & SCENE_CHANGED_CURRENT) || m_notifying) return;
  SelectLayer(GetSceneLayer(current), -1);
}

int C3DThumbnailsList::OnImagesCtrlNotification(int code, std::uintptr_t /*data*/) {
  if (code != IMAGESCTRL_SELECTION_CHANGED || m_frame == nullptr) return 1;
  const std::vector<CLayerBitmap*> selected = GetSelectedLayers();
  if (selected.empty()) return 1;
  C3DScene* scene = GetLayerScene(selected.front());
  if (scene != nullptr && scene != m_frame->GetCurrentScene()) {
    m_notifying = true;
    m_frame->SetCurrentScene(scene);
    m_notifying = false;
  }
  return 1;
}

std::string C3DThumbnailsList::GetThumbnailFileName(CLayerBitmap* layer) {
  const C3DScene* scene = GetLayerScene(layer);
  return scene != nullptr ? scene->GetFilename().GetName() : std::string();
}

std::string C3DThumbnailsList::GetThumbnailItemName(int /*index*/, CLayerBitmap* layer) {
  return fileStripPath(GetThumbnailFileName(layer));
}

void C3DThumbnailsList::EndTask(bool endThread) {
  if (endThread) {
    WhileEndOfThread();
  } else {
    WhileBitmapNotComputed();
  }
}

CLayerBitmap* C3DThumbnailsList::GetSceneLayer(const C3DScene* scene) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  CLayerBitmap* layer = nullptr;
  return m_sceneToLayer.Lookup(scene, layer) ? layer : nullptr;
}

C3DScene* C3DThumbnailsList::GetLayerScene(const CLayerBitmap* layer) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  C3DScene* scene = nullptr;
  return m_layerToScene.Lookup(layer, scene) ? scene : nullptr;
}

void C3DThumbnailsList::PrepareRequest(CLayerBitmap* layer) {
  C3DScene* scene = GetLayerScene(layer);
  // Drawing computes normals, boxes and the like on first use. The worker
  // must only read the scene while this thread may draw it, so what
  // drawing computes is computed beforehand: here for the scene the frame
  // shows (its own drawing needs it anyway), on the worker for the others,
  // which the frame's view does not take until that is done.
  const bool shown = scene != nullptr && m_frame != nullptr && scene == m_frame->GetCurrentScene();
  if (shown) C3DView(DRAWING_MEMORY).BringSceneUpToDate(scene);
  std::lock_guard<std::mutex> lock(m_mutex);
  if (scene != nullptr && !shown) {
    vex3d::beginScenePreparation(scene);
    m_marked = scene;
  }
  m_prepared = scene;
  m_preparedHere = shown;
}

void C3DThumbnailsList::ThreadEnded() {
  // A request the thread did not take any more leaves no mark behind.
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_marked != nullptr) vex3d::endScenePreparation(m_marked);
  m_marked = nullptr;
}

C3DScene* C3DThumbnailsList::beginRendering(const CLayerBitmap* layer, bool& prepare,
                                            const C3DScene*& marked) {
  std::lock_guard<std::mutex> lock(m_mutex);
  prepare = false;
  marked = std::exchange(m_marked, nullptr);
  C3DScene* scene = nullptr;
  if (!m_layerToScene.Lookup(layer, scene) || scene != m_prepared) return nullptr;
  prepare = !m_preparedHere;
  m_rendering = scene;
  return scene;
}

void C3DThumbnailsList::endRendering() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_rendering = nullptr;
  }
  m_renderingDone.notify_all();
}

void C3DThumbnailsList::renderRequest(CThreadImagesCtrlInfo& info) {
  bool prepare = false;
  const C3DScene* marked = nullptr;
  C3DScene* scene = beginRendering(info.GetItemLayer(), prepare, marked);
  if (scene == nullptr) {
    // Only a key by now: the scene may be gone.
    if (marked != nullptr) vex3d::endScenePreparation(marked);
    return;
  }
  const int width = info.GetWidth();
  const int height = info.GetHeight();
  std::unique_ptr<Bitmap> rendered;
  {
    // Drawn straight, without display lists: each view draws once.
    C3DView view(DRAWING_MEMORY | DRAWING_IMMEDIATE);
    if (prepare) view.BringSceneUpToDate(scene);
    if (marked != nullptr) vex3d::endScenePreparation(marked);
    if (view.CreateMemoryRendering(kOversampling * width, kOversampling * height, 24)) {
      view.SetBackgroundColor(255, 255, 255);
      view.SetScene(scene);
      view.UpdateView(0);
      rendered.reset(view.CreateBitmapFromScene());
      view.DetachScene();
      view.DeleteMemoryRendering();
    }
  }
  endRendering();
  if (!rendered || !rendered->Resize(width, height, vex3d::kResizeArea)) return;
  auto thumbnail = std::make_unique<NTBitmap>();
  if (thumbnail->CreateFromBitmap(*rendered)) info.SetItemResult(std::move(thumbnail));
}

void C3DThumbnailsList::ThreadProc(CThreadImagesCtrlInfo& base) {
  auto& info = static_cast<CThread3DThumbnailInfo&>(base);
  if (info.IsStopRequested()) {
    info.SignalEvent();
    return;
  }
  for (;;) {
    info.GetThumbnailsList()->renderRequest(info);
    info.CompleteRequest();
    if (!info.WaitForRequest()) {
      info.SignalEvent();
      return;
    }
  }
}
