#pragma once
// C3DBaseObject: the geometry a scene node carries. It owns a point list, a
// face list and the channels laid over them, caches its boxes, and keeps
// flags saying what must be recomputed. Every geometry change goes through
// the object so that the caches and the computed channels stay in step.
#include <cstdint>
#include <memory>
#include <string>

#include "hostlib/containers/hash_table.h"
#include "hostlib/core/custom_data.h"
#include "hostlib/core/flag_word.h"
#include "hostlib/core/object.h"
#include "math/point3d.h"
#include "mesh/model/channel.h"
#include "mesh/model/face.h"
#include "vex3d_export.h"

class C3DCurve;
class C3DFaceList;
class C3DGroup;
class C3DObject;
class C3DObjectCreator;
class C3DPatch;
class C3DPointList;
class C3DScene;
class CDependentChannels;
class CFaceNormalChannel;
class CPointNormalChannel;

enum _OBJECT_KINDOF : std::uint32_t {
  OBJECT_POLYGONAL = 1,
  OBJECT_CURVE = 2,
  OBJECT_PATCH = 4,
  OBJECT_GROUP = 8,
};

enum _OBJECT_PROPERTIES : std::uint32_t {
  OBJECT_EMPTY = 0x10,  // left without points and faces
};

enum _OBJECT_UPDATE_PROPERTIES : std::uint32_t {
  UPDATE_FACE_BOX = 0x00010000,
  UPDATE_POINT_BOX = 0x00020000,
  UPDATE_UVW = 0x00040000,
  UPDATE_MODIFIED = 0x10000000,
};

// What Invalidate is told changed.
enum _OBJECT_CHANGES : unsigned int {
  OBJECT_CHANGED_OTHER = 0x01,
  OBJECT_CHANGED_POINTS = 0x02,
  OBJECT_CHANGED_FACES = 0x04,
  OBJECT_CHANGED_BOX = 0x08,
  OBJECT_CHANGED_CHANNELS = 0x10,
};

enum _faceModeEnum : std::uint32_t {};

// Which faces SubObject extracts.
enum _SUBOBJECT_MODE : int {
  SUBOBJECT_EXACT_SIZE = 1,  // faces with exactly `size` corners
  SUBOBJECT_LARGER = 3,      // faces with more than `size` corners
};

class CMaterialMap;
struct CMapChannelID;

class VEX3D_EXPORT C3DBaseObject : public CObject {
  DECLARE_DYNAMIC(C3DBaseObject)

 public:
  C3DBaseObject();
  // Takes both lists over.
  C3DBaseObject(C3DPointList* points, C3DFaceList* faces);
  ~C3DBaseObject() override;
  C3DBaseObject(const C3DBaseObject&) = delete;
  C3DBaseObject& operator=(const C3DBaseObject&) = delete;

  _OBJECT_KINDOF GetKindOf() const { return m_kind; }
  operator C3DObject*();
  operator C3DCurve*();
  operator C3DPatch*();
  operator C3DGroup*();
  // Display name of the kind; empty for an unknown kind.
  std::string GetTypeString() const;

  C3DFaceList* GetFaceList() const { return m_faces.get(); }
  C3DPointList* GetPointList() const { return m_points.get(); }
  int GetFaceNbr() const;
  int GetPointNbr() const;
  CDependentChannels* GetChannels() const { return m_channels.get(); }
  CChannel* GetChannelByID(std::uint32_t id, _Channel3DType type) const;
  CCustomData& GetCustomData() { return m_customData; }
  const CCustomData& GetCustomData() const { return m_customData; }

  void SetFlag(_OBJECT_PROPERTIES flag, int on) { vex3d::setFlagBits(m_flags, flag, on); }
  bool IsFlagSet(std::uint32_t mask) const { return vex3d::allFlagBitsSet(m_flags, mask); }
  std::uint32_t GetFlags() const { return m_flags; }
  // All the bits are set.
  bool IsInvalidate(std::uint32_t mask) const { return vex3d::allFlagBitsSet(m_update, mask); }
  std::uint32_t GetUpdateFlags() const { return m_update; }

  void SetFaceMode(std::uint32_t mode);
  std::uint32_t GetFaceMode() const { return m_faceMode; }
  void SetGlobalUVWChannel(std::uint32_t id);
  std::uint32_t GetGlobalUVWChannel() const { return m_globalUVW; }
  void SetGlobalVCChannel(std::uint32_t id, float value);
  std::uint32_t GetGlobalVCChannel(float& value) const {
    value = m_globalVCValue;
    return m_globalVC;
  }
  // Takes the set over; the previous set is deleted.
  void SetChannels(CDependentChannels* channels);

  // Radians; ignored outside [0, 180] degrees. A new angle drops the
  // computed normal channels.
  void SetSmoothAngle(float angle);
  // The object's angle, or the global default while it is -1.
  float GetSmoothAngle() const;
  float GetOwnSmoothAngle() const { return m_smoothAngle; }

  // Take the list over (the previous one is NOT deleted: the caller may
  // still hold it); the list is marked changed and derived data dropped.
  virtual void SetFaceList(C3DFaceList* faces);
  virtual void SetPointList(C3DPointList* points);
  // Takes the channel over; returns its index in the set.
  int AddChannel(CChannel* channel);

  // `what` is a combination of _OBJECT_CHANGES, plus update bits passed as
  // they are; the resulting update bits are set (on) or cleared.
  void Invalidate(unsigned int what, int on);
  // Drops the channels marked CHANNEL_COMPUTED.
  void RemoveComputedChannels();

  // Through the faces (only points used by valid faces) or over all points;
  // both cached. 0 for an empty object or when there is nothing to measure.
  int GetBoundingBox(C3DPoint& min, C3DPoint& max, int throughFaces);
  // Centre of the box of all points; 0 without points.
  int GetCG(C3DPoint& center);
  virtual const CHashTable<unsigned int>* GetMaterialsHash();
  // The normal channels brought up to date (created when absent); null for
  // curves and groups.
  CPointNormalChannel* GetPointNormalChannel();
  CFaceNormalChannel* GetFaceNormalChannel();

  virtual int Clean();
  int FlipNormals();
  int ReplaceMaterial(unsigned int oldId, unsigned int newId);
  // Merges coplanar neighbours into polygons (mesh/model/object_editing.cpp).
  // Only channels of `channelTypes` survive a merge; 1 when the face count
  // changed, 0 otherwise or when cancelled (nothing changes then).
  int MergeCoplanarFaces(float angle, unsigned int channelTypes);
  // The faces whose all-bits test of `flag` equals `value` become triangles,
  // channels following; 1 when the face count changed. Polygonal objects
  // and patches only.
  int Triangulate(_FACE_PROPERTIES flag, int value);
  // Consistent outward winding; the valid stored channels' faces follow. 1
  // when faces were flipped.
  int UnifyNormals();
  // Drops null and invalid channels, those whose type is in `typeMask`
  // (invert 0) or outside it (invert non-zero), those whose faces no longer
  // match the mesh or carry no data, and those without a point list.
  void CleanChannels(unsigned int typeMask, int invert);

  // Merges points closer than `tolerance` (0: a thousandth of the box
  // diagonal over 100), never across a seam of the channels whose type bits
  // are in `channelTypes`. 1 when run to the end, 0 without points or when
  // cancelled (nothing changes then).
  int Weld3DPoints(float tolerance, int& removedPoints, int& removedFaces,
                   unsigned int channelTypes);
  // Splits points on the seams of the stored channels so that faces sharing
  // a point agree on its channel values; 1 when points were split.
  int DisconnectBorderFaces();
  // Appends `other`'s points, faces and channels (after emptying this one
  // with `clearFirst`). 1 on success or when curves and meshes meet.
  int Concatenate(C3DBaseObject* other, int clearFirst);
  // What concatenating this polygonal object into a new empty one gives,
  // without copying: its lists and stored channels move to the new object
  // and this one is left empty. Null for any other kind or without lists.
  std::unique_ptr<C3DObject> TakeMesh();
  // A new free-standing object with the selected faces, their points and
  // their texture and colour channels; null when nothing is selected.
  std::unique_ptr<C3DObject> SubObject(int size, _SUBOBJECT_MODE mode) const;
  // Computed texture coordinates for every material whose diffuse map is
  // projected; `keep` makes them stored ones. 1 when one was kept.
  int GenerateUVW(C3DScene* scene, int keep);
  // Merges the per-material texture channels into the object's global one.
  int GlobalizeChannels(C3DScene* scene, int removeSources);
  // Brings the object up to date before it is shown: while UPDATE_UVW is
  // set, the coordinates of the maps of `scene`'s materials that are
  // projected are made again and the bit is cleared; without a scene the
  // bit stays. `what` is the set of update bits the caller asks for (the
  // renderer passes them all); texture coordinates are the only ones made
  // here, boxes and normals being rebuilt on first use.
  void Update(C3DScene* scene, unsigned int what);

  // A new object of the same class (through `creator`, or the default one)
  // holding copies of the lists, channels and attributes; null when the
  // creator refuses or the kinds do not agree.
  std::unique_ptr<C3DBaseObject> Copy(int mode, C3DObjectCreator* creator) const;

  // Attributes only: flags, update flags, boxes, smoothing angle, face
  // mode, global channels, custom data.
  void InheritFlags(const C3DBaseObject& other);

  void Serialize(CArchive& ar) override;

 protected:
  explicit C3DBaseObject(_OBJECT_KINDOF kind);
  // Copies into `target` (created through the creator when null).
  virtual int Copy(std::unique_ptr<C3DBaseObject>& target, int mode,
                   C3DObjectCreator* creator) const;
  // The id of the channel holding `map`'s projected coordinates (made when
  // absent), 0 when the map has no projection or the kind takes none.
  std::uint32_t CreateUVWChannel(CMaterialMap* map);
  // One channel of `type` merging the recorded (material, channel) pairs
  // per face; null when nothing was recorded.
  CChannel* MakeGlobalChannel(CHashTable<CMapChannelID>*& pairs, _Channel3DType type);
  // Swap the geometry lists (patches keep their control mesh aside).
  std::unique_ptr<C3DFaceList> ReleaseFaceList();
  std::unique_ptr<C3DPointList> ReleasePointList();
  std::unique_ptr<CDependentChannels> ReleaseChannels();

 private:
  void computePointBox();

  _OBJECT_KINDOF m_kind;
  std::uint32_t m_flags = 0;
  std::uint32_t m_update = UPDATE_FACE_BOX | UPDATE_POINT_BOX;
  CCustomData m_customData;
  C3DPoint m_pointBoxMin;
  C3DPoint m_pointBoxMax;
  C3DPoint m_faceBoxMin;
  C3DPoint m_faceBoxMax;
  int m_faceBoxValid = 0;
  float m_smoothAngle = -1.0f;
  std::uint32_t m_faceMode = 0;
  std::unique_ptr<C3DFaceList> m_faces;
  std::unique_ptr<C3DPointList> m_points;
  std::unique_ptr<CDependentChannels> m_channels;
  std::uint32_t m_globalUVW = vex3d::kNoChannelId;
  std::uint32_t m_globalVC = vex3d::kNoChannelId;
  float m_globalVCValue = 1.0f;
};

// The polygonal kind.
class VEX3D_EXPORT C3DObject : public C3DBaseObject {
  DECLARE_SERIAL(C3DObject)

 public:
  C3DObject();
  C3DObject(C3DPointList* points, C3DFaceList* faces);
  // `faces` faces with empty records of `capacity`, `points` points at the
  // origin, and with a texture channel of `texturePoints` points shaped
  // like the faces when both `withTexture` and `texturePoints` are set.
  int Init(int points, int faces, int capacity, int withTexture, int texturePoints);
};

namespace vex3d {
// The smoothing angle (radians) of objects that have none of their own.
VEX3D_EXPORT float globalSmoothAngle();
VEX3D_EXPORT void setGlobalSmoothAngle(float radians);
}  // namespace vex3d
