#include "viewer/dialogs/info_dialogs.h"

#include "material/material.h"
#include "render/view_flags.h"
#include "scene/scene.h"
#include "viewer/dialogs/material_info.h"
#include "viewer/dialogs/node_info_sheet.h"
#include "viewer/frame/frame_viewer.h"

namespace vex3d::viewer {

int showNodeInfo(C3DFrameViewer* frame, C3DScene* scene, C3DSceneNode* node) {
  if (scene == nullptr || node == nullptr || !scene->IsNodeInScene(node) ||
      scene->IsSceneRoot(node)) {
    return 0;
  }
  CNodeInfoSheet sheet(*scene, *node, frame);
  return sheet.exec() == QDialog::Accepted ? 1 : 0;
}

int showMaterialInfo(C3DFrameViewer* frame, C3DScene* scene, std::uint32_t materialId) {
  if (scene == nullptr) return 0;
  // Only a material the scene has: asking for id 0 must not make one.
  C3DMaterial* material = nullptr;
  for (const auto& [id, held] : scene->GetMaterials().GetMap()) {
    if (id == materialId) material = held.get();
  }
  if (material == nullptr) return 0;
  CMaterialInfo dialog(*scene, *material, frame);
  const int result = dialog.exec() == QDialog::Accepted ? 1 : 0;
  if (dialog.IsFileModified() && frame != nullptr) {
    frame->DocumentChanged();
    frame->SceneChanged(SCENE_CHANGED_MATERIAL, materialId);
    frame->UpdateView(UPDATE_VIEW_RELOAD_TEXTURES);
  }
  return result;
}

}  // namespace vex3d::viewer
