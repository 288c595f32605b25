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

// The axis a file's models stand up along. Scenes in memory stand along z
// (the front view shows z as the screen's up); data of another convention
// is turned on the way in and back on the way out.
enum _UP_AXIS : std::uint32_t {
  UP_AXIS_UNKNOWN = 0,  // read as z
  UP_AXIS_X = 1,
  UP_AXIS_Y = 2,
  UP_AXIS_Z = 3,
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

// The coordinate swap (C3DSceneNode::SwapCoordinates) that stands data of
// `upAxis` up along z, and the one that turns z-up data back: rotations, so
// that nothing is mirrored and faces keep their winding. 0 for z (or
// unknown).
VEX3D_EXPORT std::uint32_t swapToZUp(std::uint32_t upAxis);
VEX3D_EXPORT std::uint32_t swapFromZUp(std::uint32_t upAxis);
}  // namespace vex3d

class VEX3D_EXPORT CSceneImportOptions : public CIoOptions {
 public:
  CSceneImportOptions() : CIoOptions(modeImport) {}

  CCustomData& GetData() { return m_data; }
  // The flags without the transient ones, under 'FLAG'.
  CCustomData& SaveToData();
  // The record copied, its flags read back without the transient ones.
  void InitFromData(const CCustomData& data);

  // The up axis that applies to the file read: the caller's choice when it
  // made one, else what the reader found.
  std::uint32_t GetUpAxis() const { return m_upAxis != UP_AXIS_UNKNOWN ? m_upAxis : m_fileUpAxis; }

  std::uint32_t m_flags = 0;
  std::uint32_t m_forcedFlags = 0;
  std::uint32_t m_defaultFlags = 0;
  // Set by the reader: the up axis the file declares, else its format's
  // convention. The check-out stands the scene up from it.
  std::uint32_t m_fileUpAxis = UP_AXIS_UNKNOWN;
  // Set by the caller for files that declare wrongly or not at all; never
  // remembered, as it belongs to one file.
  std::uint32_t m_upAxis = UP_AXIS_UNKNOWN;

  // Limits of one read, set by callers that open files nobody chose (the
  // thumbnailer): never remembered.
  // References (material libraries, textures, buffers) resolve only inside
  // the model's folder tree.
  bool m_confined = false;
  // Memory a reader may use, in bytes; 0 leaves the default share of the
  // machine's memory.
  std::uint64_t m_memoryBudget = 0;
  // Processor time a reader may use, in seconds; 0 for no limit.
  std::uint32_t m_timeBudget = 0;

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
  // Set by a writer whose format carries images inside the file: the maps'
  // embedded images then stay embedded. For the others, each is written
  // beside the file and named by it.
  bool m_embedsTextures = false;

 private:
  std::unique_ptr<C3DScene> m_exportScene;
  CCustomData m_data;
};
