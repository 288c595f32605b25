#include "scene/scene_io_options.h"

#include "scene/scene.h"

// y up to z up is a quarter turn about x: (x, y, z) -> (x, -z, y), which is
// y and z exchanged, then y mirrored. x up is a quarter turn about y.
std::uint32_t vex3d::swapToZUp(std::uint32_t upAxis) {
  switch (upAxis) {
    case UP_AXIS_Y:
      return 0x10 | 0x4;
    case UP_AXIS_X:
      return 0x08 | 0x2;
    default:
      return 0;
  }
}

std::uint32_t vex3d::swapFromZUp(std::uint32_t upAxis) {
  switch (upAxis) {
    case UP_AXIS_Y:
      return 0x20 | 0x4;
    case UP_AXIS_X:
      return 0x20 | 0x2;
    default:
      return 0;
  }
}

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
