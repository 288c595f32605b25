#pragma once
// C3DSceneNode: one node of a scene tree: a geometric object with its
// animation keys, a name and a parameter record. A node owns its object
// unless it is a clone sharing another node's object.
#include <cstdint>
#include <memory>
#include <string>

#include "animation/keyframable.h"
#include "hostlib/containers/tree.h"
#include "hostlib/core/custom_data.h"
#include "hostlib/core/flag_word.h"
#include "vex3d_export.h"

class C3DBaseObject;
class C3DObjectCreator;
class C3DPoint;
class C3DScene;
class C4x4Matrix;

enum _SCENE_NODE_FLAGS : std::uint32_t {
  NODE_HIDDEN = 0x1,
  NODE_CLONE = 0x100,
};

enum _SCENE_NODE_UPDATE_PROPERTIES : std::uint32_t {
  NODE_UPDATE_MODIFIED = 1,  // maps to bit 0x10000000 of the update flags
};

class VEX3D_EXPORT C3DSceneNode : public CTreeNode, public C3DKeyframable {
  DECLARE_SERIAL(C3DSceneNode)

 public:
  C3DSceneNode();
  // A node on `object` that marks itself as a search key (tree flag 0x100):
  // it compares equal to the node holding the same object.
  C3DSceneNode(C3DBaseObject* object, int searchKey);
  ~C3DSceneNode() override;

  C3DBaseObject* GetObject() const { return m_object; }
  // Takes the object over unless the node is a clone; the previous object
  // is not deleted.
  void SetObject(C3DBaseObject* object) { m_object = object; }
  const std::string& GetName() const { return m_name; }
  virtual std::string GetDisplayName() const { return m_name; }
  void SetName(const std::string& name) { m_name = name; }
  std::uint32_t GetID() const { return m_id; }
  CCustomData& GetCustomData() { return m_customData; }
  const CCustomData& GetCustomData() const { return m_customData; }
  C3DScene* GetScene() const { return m_scene; }
  void SetScene(C3DScene* scene) { m_scene = scene; }
  bool IsClone() const { return IsFlagSet(NODE_CLONE); }
  bool IsFlagSet(std::uint32_t flag) const { return vex3d::allFlagBitsSet(m_flags, flag); }
  void SetFlag(std::uint32_t flag, int on) { vex3d::setFlagBits(m_flags, flag, on); }
  std::uint32_t GetFlags() const { return m_flags; }
  bool IsInvalidate(std::uint32_t property) const;
  void Invalidate(std::uint32_t property, int on);
  void Update(std::uint32_t) {}
  std::int32_t GetExtraValue() const { return m_extra; }
  void SetExtraValue(std::int32_t value) { m_extra = value; }

  // Scene pointer, flags, name, extra value and parameter record; not the
  // object, not the keys.
  void Inherit(const C3DSceneNode* from);

  // A new node (fresh id) with this node's attributes and keys and a copy
  // of its object made through `creator` (object-copy `flags`); null when
  // the object cannot be copied.
  std::unique_ptr<C3DSceneNode> Copy(int flags, C3DObjectCreator* creator) const;
  // For the tree: Copy(0, null) and a clone sharing this node's object,
  // marked NODE_CLONE and without keys.
  CTreeNode* Copy() const override;
  CTreeNode* Clone() const override;

  // --- Placement (scene/node_transforms.cpp).
  // Matrix key, else translation key, then times rotation and scale keys.
  void GetLocalTM(int time, C4x4Matrix& m) const;
  // Local transform times the ancestors' (the root's with `includeRoot`),
  // with the translation moved to the transformed pivot.
  void GetNodeTM(int time, C4x4Matrix& m, int includeRoot) const;
  // The object's points and channels; nothing for the identity.
  void MatrixTransform(const C4x4Matrix& m);
  // Permutes (low three bits) and mirrors (0x38) the object's axes and
  // rewrites every key to match.
  void SwapCoordinates(unsigned int swap);
  // World box of the node and its sub-tree (hidden nodes left out with
  // `skipHidden`); 0 without geometry.
  int GetBoundingBox(int time, C3DPoint& min, C3DPoint& max, int skipHidden) const;
  int GetCG(int time, C3DPoint& center) const;

  // Node equality compares objects only.
  bool IsEqual(const CTreeNode& other) const override;
  bool operator==(const C3DSceneNode& other) const { return IsEqual(other); }

  // Keys, flags, update flags, name, extra value, then the object's class
  // record and the object. A loaded node takes a fresh id.
  void Serialize(CArchive& ar) override;

 private:
  C3DScene* m_scene = nullptr;
  C3DBaseObject* m_object = nullptr;
  CCustomData m_customData;
  std::uint32_t m_id;
  std::uint32_t m_flags = 0;
  std::uint32_t m_update = 0;
  std::string m_name;
  std::int32_t m_extra = 0;
};
