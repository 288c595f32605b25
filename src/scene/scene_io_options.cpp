#include "scene/scene_io_options.h"

#include "scene/scene.h"

CCustomData& CSceneImportOptions::SaveToData() {
  m_data.SetUInt(vex3d::kFlagsKey, m_flags & ~vex3d::kTransientImportFlags);
  return m_data;
}

void CSceneImportOptions::InitFromData(const CCustomData& data) {
  m_data = data;
  m_flags = m_data.GetUInt(vex3d::kFlagsKey, m_flags) & ~vex3d::kTransientImportFlags;
}

CSceneExportOptions::CSceneExportOptions() : CIoOptions(modeExport) {}

CSceneExportOptions::~CSceneExportOptions() = default;

CCustomData& CSceneExportOptions::SaveToData() {
  m_data.SetUInt(vex3d::kFlagsKey, m_flags & ~vex3d::kTransientExportFlags);
  return m_data;
}

void CSceneExportOptions::InitFromData(const CCustomData& data) {
  m_data = data;
  m_flags = m_data.GetUInt(vex3d::kFlagsKey, m_flags) & ~vex3d::kTransientExportFlags;
}

void CSceneExportOptions::SetExportScene(std::unique_ptr<C3DScene> scene) {
  m_exportScene = std::move(scene);
}
