#pragma once
// C3DPatch: a control mesh shown as a subdivision surface. Triangles are
// refined by Loop's scheme, quadrangles by Catmull-Clark's, other faces are
// carried as they are. The object's own lists hold the refined mesh while
// the level is above 0; the control mesh waits in the source slots and is
// never changed by subdividing. At level 0 (and before the first SetLevel)
// the object's lists are the control mesh itself.
#include <cstdint>
#include <memory>

#include "mesh/model/base_object.h"

class VEX3D_EXPORT C3DPatch : public C3DBaseObject {
  DECLARE_SERIAL(C3DPatch)

 public:
  static constexpr int kMaxLevel = 8;
  static constexpr int kNotSetUp = -1;

  C3DPatch();
  ~C3DPatch() override;

  // Clamped to [0, kMaxLevel]; the current level changes nothing.
  void SetLevel(int level);
  int GetLevel() const { return m_level; }

  // How many faces `object` (a patch: its control mesh) has once refined
  // `level` times: each valid triangle or quadrangle gives 4^level, other
  // and invalid faces none; the plain face count at level 0 or below.
  static std::int64_t EstimateLevel(const C3DBaseObject* object, int level);

  // A new polygonal object holding a copy of the control mesh.
  std::unique_ptr<C3DObject> GetSourceObject() const;
  // The control mesh (the object's own lists below level 1).
  C3DFaceList* GetSourceFaceList() const;
  C3DPointList* GetSourcePointList() const;
  CDependentChannels* GetSourceChannels() const;

  // The schemes, `level` passes over any object.
  static void Subdivide3(C3DBaseObject& object, int level);
  static void Subdivide4(C3DBaseObject& object, int level);

  std::unique_ptr<C3DBaseObject> Copy(int mode, C3DObjectCreator* creator) const {
    return C3DBaseObject::Copy(mode, creator);
  }

  // The base object's form with the control mesh as its geometry; a loaded
  // patch is not set up.
  void Serialize(CArchive& ar) override;

 protected:
  // The base copy, then for a patch target the level and the control mesh.
  int Copy(std::unique_ptr<C3DBaseObject>& target, int mode,
           C3DObjectCreator* creator) const override;
  // Rebuilds the object's lists from the control mesh at `level`.
  void Subdivide(int level);
  // The object's lists become the control mesh.
  void InitPatch();
  // Drops the control mesh (above level 0) and forgets the level.
  void ReleasePatch();

 private:
  // Exchanges the object's lists with the source slots.
  void swapWithSource();

  int m_level = kNotSetUp;
  std::unique_ptr<C3DFaceList> m_sourceFaces;
  std::unique_ptr<C3DPointList> m_sourcePoints;
  std::unique_ptr<CDependentChannels> m_sourceChannels;
};
