#include "viewer/panes/rebar.h"

#include "hostlib/text/string_ids.h"
#include "hostlib/text/strings.h"
#include "viewer/frame/frame_viewer.h"
#include "viewer/panes/material_tree.h"
#include "viewer/panes/object_tree.h"
#include "viewer/panes/thumbnails_list.h"

namespace {

QString title(int id) { return QString::fromStdString(LoadStringW(id)); }

}  // namespace

C3DRebar::C3DRebar(QWidget* parent) : CCustomVReBar(parent) { setObjectName("leftPane"); }

C3DRebar::~C3DRebar() = default;

void C3DRebar::Init(C3DFrameViewer* frame, C3DScene* scene, bool scenesList) {
  m_frame = frame;
  if (scenesList) {
    m_scenes = new C3DThumbnailsList();
    m_scenes->SetInfo(frame);
    AddBar(BAR_SCENES, m_scenes, title(vex3d::kStrScenesListTitle), BAR_SCENES);
  }
  m_objects = new C3DObjectTree();
  m_objects->SetInfo(frame, scene);
  AddBar(BAR_OBJECTS, m_objects, title(vex3d::kStrObjectsListTitle), BAR_OBJECTS);
  m_materials = new C3DMaterialTree();
  m_materials->SetInfo(frame, scene);
  AddBar(BAR_MATERIALS, m_materials, title(vex3d::kStrMaterialsListTitle), BAR_MATERIALS);
  UpdateBars();
}

void C3DRebar::UpdateBars() {
  if (m_frame == nullptr) return;
  ShowBar(BAR_OBJECTS, m_frame->IsSettingsFlagSet(FRAME_SHOW_OBJECTS));
  ShowBar(BAR_MATERIALS, m_frame->IsSettingsFlagSet(FRAME_SHOW_MATERIALS));
  ShowBar(BAR_SCENES, AreScenesShown());
  // Thumbnails are made only for a list on screen: a viewer of one scene
  // draws it once, not twice.
  if (m_scenes != nullptr) m_scenes->SetPaused(!AreScenesShown());
}

bool C3DRebar::AreScenesShown() const {
  return m_frame != nullptr && m_scenes != nullptr &&
         m_frame->IsSettingsFlagSet(FRAME_SHOW_SCENES) && m_frame->GetSceneCount() >= 2;
}

void C3DRebar::show(int, std::uint32_t bit, int mode) {
  if (m_frame == nullptr) return;
  bool on = mode == LEFTBAR_SHOW;
  if (mode == LEFTBAR_TOGGLE) on = !m_frame->IsSettingsFlagSet(bit);
  m_frame->SetSettingsFlag(bit, on);
  UpdateBars();
}

void C3DRebar::ShowObjects(int mode) { show(BAR_OBJECTS, FRAME_SHOW_OBJECTS, mode); }

void C3DRebar::ShowMaterials(int mode) { show(BAR_MATERIALS, FRAME_SHOW_MATERIALS, mode); }

void C3DRebar::ShowScenes(int mode) {
  // A list of one scene says nothing the title bar does not.
  if (mode == LEFTBAR_SHOW && m_frame != nullptr && m_frame->GetSceneCount() < 2) {
    mode = LEFTBAR_HIDE;
  }
  show(BAR_SCENES, FRAME_SHOW_SCENES, mode);
}

void C3DRebar::OnCloseBar(int id) {
  // The bar's own close button is the same as the list's menu item.
  if (m_frame == nullptr) return;
  if (id == BAR_OBJECTS) m_frame->ShowObjects(LEFTBAR_HIDE);
  if (id == BAR_MATERIALS) m_frame->ShowMaterials(LEFTBAR_HIDE);
  if (id == BAR_SCENES) m_frame->ShowScenes(LEFTBAR_HIDE);
}

void C3DRebar::OnFirstDisplay() { UpdateBars(); }

void C3DRebar::SceneChanged(C3DScene* scene, int reason, std::uintptr_t data) {
  if (m_objects != nullptr) m_objects->SceneChanged(scene, reason, data);
  if (m_materials != nullptr) m_materials->SceneChanged(scene, reason, data);
  if (m_scenes != nullptr) m_scenes->SceneChanged(scene, reason, data);
}

void C3DRebar::ScenesChanged() {
  if (m_scenes != nullptr) m_scenes->ScenesChanged();
  UpdateBars();
}

void C3DRebar::InsertScene(C3DScene* scene, int index) {
  if (m_scenes != nullptr) m_scenes->InsertScene(scene, index);
  UpdateBars();
}

void C3DRebar::RemoveScene(C3DScene* scene) {
  if (m_scenes != nullptr) m_scenes->RemoveScene(scene);
  UpdateBars();
}

void C3DRebar::InvalidateScene(C3DScene* scene) {
  if (m_scenes != nullptr) m_scenes->InvalidateScene(scene);
}

void C3DRebar::EndTask(bool endThread) {
  if (m_scenes != nullptr) m_scenes->EndTask(endThread);
}
