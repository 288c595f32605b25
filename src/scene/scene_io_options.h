#pragma once
// The options a format reader and a format writer receive: which
// conversions the user chose, which the format forces, and the limits of
// what the format can hold. Flags that describe one particular operation
// rather than a preference are never remembered.
#include <cstdint>
#include <memory>
#include <string>

#include "hostlib/core/custom_data.h"
#include "hostlib/io/io_options.h"
#include "vex3d_export.h"

class C3DScene;

enum _SCENE_IMPORT_FLAGS : std::uint32_t {
  IMPORT_WELD_POINTS = 0x1,
};

enum _SCENE_EXPORT_FLAGS : std::uint32_t {
  EXPORT_REMOVE_GROUPS = 0x1,
  EXPORT_REMOVE_CURVES = 0x2,
  EXPORT_REMOVE_PATCHES = 0x4,
  EXPORT_REMOVE_POLYGONAL = 0x8,
  EXPORT_REMOVE_UVW = 0x10,
  EXPORT_REMOVE_VC = 0x20,
  EXPORT_REMOVE_SPEC_NORMALS = 0x40,
  EXPORT_KEEP_HIDDEN = 0x100,
  EXPORT_CLEAN_GROUPS = 0x200,
  EXPORT_TRIANGULATE = 0x400,
  EXPORT_TRIANGULATE_POLYGONS = 0x800,
  EXPORT_DISCONNECT_SEAMS = 0x1000,
  EXPORT_CONCATENATE = 0x2000,
  EXPORT_PATCHES_TO_MESHES = 0x4000,
  EXPORT_PATCHES_TO_SOURCE = 0x8000,
  EXPORT_NAME_RULES = 0x10000,
  EXPORT_GENERATE_UVW = 0x20000,
  EXPORT_GLOBAL_UVW = 0x40000,
  EXPORT_WORLD_COORDINATES = 0x80000,
  EXPORT_IN_PLACE = 0x1000000,
};

// Name rule words: a length limit in the low 24 bits, these flags on top.
enum _SCENE_NAME_RULE : std::uint32_t {
  NAME_RULE_LIMIT_MASK = 0x00FFFFFF,
  NAME_RULE_NO_SPACES = 0x01000000,
  NAME_RULE_DEFAULT_NAME = 0x02000000,
};

namespace vex3d {
inline constexpr std::uint32_t kFlagsKey = 0x464C4147;  // 'FLAG'
inline constexpr std::uint32_t kTransientImportFlags = IMPORT_WELD_POINTS;
inline constexpr std::uint32_t kTransientExportFlags = 0x5220F;
}  // namespace vex3d

class VEX3D_EXPORT CSceneImportOptions : public CIoOptions {
 public:
  CSceneImportOptions() : CIoOptions(modeImport) {}

  CCustomData& GetData() { return m_data; }
  // The flags without the transient ones, under 'FLAG'.
  CCustomData& SaveToData();
  // The record copied, its flags read back without the transient ones.
  void InitFromData(const CCustomData& data);

  std::uint32_t m_flags = 0;
  std::uint32_t m_forcedFlags = 0;
  std::uint32_t m_defaultFlags = 0;

 private:
  CCustomData m_data;
};

class VEX3D_EXPORT CSceneExportOptions : public CIoOptions {
 public:
  CSceneExportOptions();
  ~CSceneExportOptions() override;
  CSceneExportOptions(const CSceneExportOptions&) = delete;
  CSceneExportOptions& operator=(const CSceneExportOptions&) = delete;

  CCustomData& GetData() { return m_data; }
  CCustomData& SaveToData();
  void InitFromData(const CCustomData& data);

  // The scene the preparation made, owned by the options until
  // C3DScene::ReleaseExport; null when preparing in place.
  C3DScene* GetExportScene() const { return m_exportScene.get(); }
  void SetExportScene(std::unique_ptr<C3DScene> scene);

  std::uint32_t m_flags = 0;
  std::uint32_t m_swap = 0;
  std::uint32_t m_forcedFlags = 0;
  std::uint32_t m_defaultFlags = 0;
  std::uint32_t m_maxPoints = 0xFFFFFFFF;
  std::uint32_t m_maxFaces = 0xFFFFFFFF;
  std::uint32_t m_objectNameRule = 0;
  std::uint32_t m_materialNameRule = 0;
  std::string m_fileName;

 private:
  std::unique_ptr<C3DScene> m_exportScene;
  CCustomData m_data;
};
