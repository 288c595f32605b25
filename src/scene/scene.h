#pragma once
// C3DScene: the in-memory scene every subsystem works on: a rooted tree of
// nodes (the root, named "Scene", holds an empty group and is never
// removed), the material set, a parameter record and the current time.
#include <cstdint>
#include <string>

#include "animation/animatable.h"
#include "hostlib/containers/array_id.h"
#include "hostlib/containers/hash_table.h"
#include "hostlib/containers/tree.h"
#include "hostlib/core/custom_data.h"
#include "hostlib/files/file_name_spec.h"
#include "material/materials.h"
#include "scene/scene_node.h"
#include "vex3d_export.h"

// The module-wide settings beside the scenes.
struct _SceneData {
  float smoothAngle = 30.0f * 3.1415927f / 180.0f;  // radians
  unsigned int patchLevel = 1;
};
VEX3D_EXPORT extern _SceneData GlobalSceneData;
VEX3D_EXPORT unsigned int GetGlobalPatchLevel();

// Walks the nodes below a start node: take the node, then advance, so that
// the node taken may be deleted.
enum _SCENE_COPY_FLAGS : unsigned int {
  COPY_SKIP_HIDDEN = 0x1,
  COPY_SKIP_CURVES = 0x2,
  COPY_SKIP_PATCHES = 0x4,
  COPY_SKIP_POLYGONAL = 0x8,
  COPY_SKIP_GROUPS = 0x10,
  COPY_TAG_SOURCE_NODE = 0x100,    // 'RFNO' in the new node's parameter record
  COPY_TAG_SOURCE_OBJECT = 0x200,  // 'RFOB' in the new object's parameter record
  COPY_FIRST_LEVEL = 0x400,
  COPY_CLONE_SHARE = 0x800,
  COPY_FLATTEN = 0x1000,
  COPY_NO_MATERIALS = 0x10000,
  COPY_NO_CUSTOM_DATA = 0x20000,
};

struct CSceneIterator {
  C3DSceneNode* next = nullptr;
};

class C3DObjectCreator;
class CSceneExportOptions;
class CSceneImportOptions;

class VEX3D_EXPORT C3DScene : public CTree, public C3DAnimatable {
  DECLARE_SERIAL(C3DScene)

 public:
  C3DScene();
  ~C3DScene() override;

  // --- Traversal (depth first, the start node itself never visited).
  C3DSceneNode* GetFirstNode(const C3DSceneNode* start = nullptr) const;
  // Starts a walk: the iterator holds the first node.
  CSceneIterator Begin(const C3DSceneNode* start = nullptr) const { return {GetFirstNode(start)}; }
  // The node the iterator holds (null at the end), its object in `object`;
  // the iterator moves on to the next node of the walk under `start`.
  C3DSceneNode* GetNextNode(C3DBaseObject*& object, CSceneIterator& it,
                            const C3DSceneNode* start = nullptr) const;
  C3DSceneNode* GetChildNode(const C3DSceneNode* node) const;
  C3DSceneNode* GetRightNode(const C3DSceneNode* node) const;
  C3DSceneNode* GetParent(const C3DSceneNode* node) const;
  C3DSceneNode* GetSceneRoot() const;
  bool IsSceneRoot(const C3DSceneNode* node) const {
    return node != nullptr && node == GetSceneRoot();
  }
  std::uint32_t GetNodeDepth(const C3DSceneNode* node) const;
  bool IsNodeInScene(const C3DSceneNode* node) const { return NodeExist(node); }
  bool IsObjectInScene(C3DBaseObject* object) const { return FindSceneNode(object) != nullptr; }
  C3DSceneNode* FindSceneNode(C3DBaseObject* object) const;

  // --- Node management.
  // Parent null is the root; the node joins as the parent's last child.
  void AddNode(C3DSceneNode* parent, C3DSceneNode* node);
  // Detaches (and returns) the node, or deletes it with its sub-tree; null
  // for null or the root.
  C3DSceneNode* RemoveNode(C3DSceneNode* node, int deleteIt);
  void RemoveAllNodes();

  // --- Counts and collections.
  int GetNodeNbr(int excludeGroups) const;
  int GetPointNbr() const;
  int GetFaceNbr() const;
  int GetMaterialNumber() const { return m_materials.GetMaterialNbr(); }
  int GetNodesByMaterial(std::uint32_t materialID, CArrayID<C3DSceneNode*, C3DSceneNode*>& nodes,
                         int clear) const;
  void GetMaterials(const C3DSceneNode* start, CHashTable<std::uint32_t>& hash, int clear) const;
  int GetLinkedFiles(CArrayID<std::string>& files) const;
  CMaterials& GetMaterials() { return m_materials; }
  const CMaterials& GetMaterials() const { return m_materials; }
  C3DMaterial* CreateNewMaterial() { return m_materials.CreateNewMaterial(0xFFFFFFFF); }
  // Id of the material named `name`, or 0xFFFFFFFF.
  std::uint32_t GetMaterialID(const std::string& name) const {
    return m_materials.IsMaterialExist(name);
  }
  C3DMaterial* GetMaterial(std::uint32_t id) { return m_materials.GetMaterial(id); }
  // Walk over the materials in slot order:
  //   for (m = GetFirstMaterial(i); m; m = GetNextMaterial(i))
  // The index ends as 0xFFFFFFFF.
  C3DMaterial* GetFirstMaterial(std::uint32_t& index) const;
  C3DMaterial* GetNextMaterial(std::uint32_t& index) const;
  // The first material equal to `material` (every field with `exact`, else
  // the same parameters), or null.
  C3DMaterial* FindMaterial(const C3DMaterial& material, int exact) const;
  void CopyMaterials(const CMaterials& source, std::uint32_t flags,
                     const CHashTable<std::uint32_t>* ids) {
    m_materials.CopyMaterials(source, flags, ids);
  }

  // --- File name ('SNFL', 'SNFC' in the parameter record).
  void SetFilename(const CFileNameSpec& file);
  CFileNameSpec GetFilename() const;
  // The folder of the stored name, ending with '/' (empty without one).
  std::string GetFilepath() const;
  CCustomData& GetCustomData() { return m_customData; }

  // --- Time.
  int GetTickCount() const { return m_time; }
  // Clamped to the scene's range; 1 when the stored time changed.
  int SetCurrentTime(int t);
  // Union of (0, 0) and every node's range over all its keys.
  CTimeRange GetTimeRange() const override;
  const C3DKeyframe* GetConstKey(int time, unsigned flags, std::uint32_t classID,
                                 int* keyTime = nullptr) const override;
  void DeleteAllKeys();

  // --- Whole-scene edits.
  void SetGlobalSmoothAngle(float angle);
  // Radians; what SetGlobalSmoothAngle last stored.
  float GetGlobalSmoothAngle() const;
  // Stores the level of every patch (patch objects take it when they can
  // subdivide) and the "Render" setting.
  void SetGlobalPatchLevel(unsigned int level);
  void Clean();
  // Every object split along its attribute seams; 1 when any was.
  int DisconnectBorderFaces();
  // Every visible polygonal or patch object appended into one new object;
  // all nodes go and a node `name` holding the result takes their place
  // (nothing when the result has no point or no face).
  void Concatenate(const std::string& name);
  // A group without child goes; a group with one child gives it its place.
  void CleanGroups();
  // No group node is left: their contents hang under the root.
  void RemoveGroups();

  // --- Copying (scene/scene_copy.cpp); `flags` are the _SCENE_COPY_FLAGS.
  // One node without its children under `destParent` (the destination's
  // root when null); null when skipped, refused or not copyable.
  C3DSceneNode* CopySingleNode(C3DScene* dest, C3DSceneNode* destParent, const C3DSceneNode* node,
                               unsigned int flags, C3DObjectCreator* creator) const;
  // The children of `srcParent` (the root when null), descending into
  // groups as the flags say.
  void CopyChilds(C3DScene* dest, C3DSceneNode* destParent, unsigned int flags,
                  const C3DSceneNode* srcParent, C3DObjectCreator* creator) const;
  // A node with its sub-tree; returns the node's copy.
  C3DSceneNode* CopyNode(C3DScene* dest, C3DSceneNode* destParent, const C3DSceneNode* node,
                         unsigned int flags, C3DObjectCreator* creator) const;
  // A new scene with copies of the nodes below `srcParent`; null when it
  // would hold no geometry.
  std::unique_ptr<C3DScene> Copy(unsigned int flags, const C3DSceneNode* srcParent,
                                 C3DObjectCreator* creator) const;
  // A new scene holding a clone of the node's sub-tree (sharing objects
  // with CLONE_SHARE); null when it would hold no geometry.
  std::unique_ptr<C3DScene> Clone(const C3DSceneNode* node, unsigned int flags) const;
  // The node's sub-tree cloned or moved under `destParent`; then its
  // materials and parameter record follow as the flags say.
  C3DSceneNode* Clone(C3DScene* dest, C3DSceneNode* destParent, const C3DSceneNode* node,
                      unsigned int flags) const;
  C3DSceneNode* Move(C3DScene* dest, C3DSceneNode* destParent, C3DSceneNode* node,
                     unsigned int flags) const;
  // Gives `dest` the materials used below (and by) `node` and this
  // scene's parameter record, unless the flags say otherwise.
  void Inherit(C3DScene* dest, const C3DSceneNode* node, unsigned int flags) const;

  // --- Import check-out and export preparation.
  // Names unnamed nodes and materials, swaps the axes (`swap` as
  // SwapCoordinates takes it), repairs NaN coordinates and faces naming
  // missing points, trims memory, welds when asked and sorts siblings by
  // name, case-insensitively (scene/import_checkout.cpp).
  void CheckoutImport(CSceneImportOptions& options, unsigned swap);
  // The scene brought to what the options' format holds, each change
  // logged in the options: a copy the options own, or this scene itself
  // when preparing in place. Null when nothing is left to save
  // (scene/export_prepare.cpp).
  C3DScene* InitExport(CSceneExportOptions& options);
  static void ReleaseExport(CSceneExportOptions& options);

  // Version 1, the parameter record, the materials, the node tree. Loading
  // builds everything aside and swaps it in only when all of it was read,
  // so a broken archive leaves the scene as it was.
  void Serialize(CArchive& ar) override;

 protected:
  void CheckoutNode(int flags, unsigned swap);

 private:
  void makeRoot();

  CCustomData m_customData;
  CMaterials m_materials;
  int m_time = 0;
};
