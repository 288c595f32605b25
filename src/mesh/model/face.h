#pragma once
// CFace: a face of a face list. The first fields are a view on the face's
// record in the list's shared index store; the view is refreshed whenever the
// list hands the face out, because growing any record may move the buffer.
// Faces sit by value in their list's element array, so they stay small: no
// index storage of their own, a parameter record pointer that is almost
// always null, and a flag word.
#include <cstdint>
#include <memory>

#include "hostlib/containers/simple_collection.h"
#include "hostlib/core/custom_data.h"
#include "hostlib/core/flag_word.h"
#include "vex3d_export.h"

class CArchive;
class CGeomInfo;
class C3DPoint;
class C3DVector;
class C4DPoint;
class C4DVector;

enum _FACE_PROPERTIES : std::uint32_t {
  FACE_INVALID = 0x01,          // mesh face marked for removal by cleaning
  FACE_CHANNEL_INVALID = 0x02,  // channel face without a valid corner set
  FACE_BORDER = 0x10,           // owns an edge used by no other face
};

namespace vex3d {
// Faces with either bit are skipped by every face-visiting operation.
constexpr std::uint32_t kFaceSkipMask = FACE_INVALID | FACE_CHANNEL_INVALID;
constexpr std::uint32_t kFaceIndexKey = 0x46414F49;  // 'FAOI'
using IndexStore = CSimpleCollection<int, unsigned short>;
}  // namespace vex3d

class VEX3D_EXPORT CFace : public CCollectionElement<int, unsigned short> {
 public:
  CFace() = default;
  // The view, the flags and a copy of the parameter record.
  CFace(const CFace& other);
  // Flags and parameter record only (InheritFlags): the view stays on this
  // face's own record.
  virtual CFace& operator=(const CFace& other);
  virtual ~CFace();
  // Flags (u32).
  virtual void Serialize(CArchive& ar);
  // Sets (on non-zero) or clears this kind's invalid mark.
  virtual void SetInvalidFlag(int on);
  virtual void GetCenter(const CGeomInfo& geom, C4DPoint& center) const = 0;
  // Copies flags and parameter record.
  virtual void InheritFlags(const CFace& other);

  // Point index k of the face (0 <= k < GetSize()).
  int& operator[](std::uint32_t k) { return m_values[k]; }
  int operator[](std::uint32_t k) const { return m_values[k]; }
  int GetPointIndex(std::uint32_t k) const { return m_values[k]; }
  int* GetIndices() const { return m_values; }

  // Resizes the record (new slots 0); fewer than 3 indices make the face
  // invalid, 3 or more valid.
  void SetSize(std::uint32_t n);
  void SetTriangle(int a, int b, int c);
  void SetQuadrangle(int a, int b, int c, int d);
  // Size 0, invalid.
  void RemoveAll();
  // Appends an index; returns the new size. Validity follows the new size
  // as with SetSize.
  std::uint32_t AddIndex(int p);

  bool IsTriangular() const { return m_size == 3; }
  // Position of p in the face, or -1.
  int IsFacePoint(int p) const;
  // Position i where (index i, index i+1 mod size) is (a, b), or also (b, a)
  // when `oriented` is 0; -1 if none.
  int IsFaceEdge(int a, int b, int oriented) const;
  void Flip();
  // Removes the last occurrence of p; 0 when p is absent, else 1. A face
  // that had fewer than 4 indices becomes invalid.
  int RemoveIndex(int p);
  // Removes corner k (as RemoveIndex does for a value); 0 when k is past
  // the end, else 1.
  int RemoveCorner(std::uint32_t k);
  // 0: nothing done (old == new, or old absent: position -1). 1: replaced at
  // `position`. When new is already in the face old is removed instead: 5
  // when 3 or more indices stay, else 2 and the face is invalid.
  int ReplaceIndex(int oldIndex, int newIndex, int& position);
  // With indices: the record takes the other face's size and indices; then
  // flags and parameter record.
  void Copy(const CFace& other, int withIndices);

  std::uint32_t GetFlags() const { return m_flags; }
  std::uint32_t GetFlags(std::uint32_t mask) const { return m_flags & mask; }
  void SetFlag(_FACE_PROPERTIES flag, int on) { SetFlags(flag, on); }
  void SetFlags(std::uint32_t mask, int on) { vex3d::setFlagBits(m_flags, mask, on); }
  bool IsFlagSet(std::uint32_t mask) const { return vex3d::allFlagBitsSet(m_flags, mask); }
  bool IsOneFlagSet(std::uint32_t mask) const { return vex3d::anyFlagBitSet(m_flags, mask); }
  CCustomData* GetCustomData(int create) {
    if (!m_customData && create) m_customData = std::make_unique<CCustomData>();
    return m_customData.get();
  }
  const CCustomData* GetCustomData() const { return m_customData.get(); }

  // 0 for a face with either skip bit; else 2 when every point has the flag
  // (also for a face without index), 1 when some do, 0 when none.
  int IsPointFlagSet(const CGeomInfo& geom, std::uint32_t flag) const;
  void SetPointFlag(const CGeomInfo& geom, std::uint32_t flag, int on) const;

  // The list binds its faces to its store; a face outside any list has none.
  void Bind(vex3d::IndexStore* store, std::uint32_t index) { Attach(store, index); }

 protected:
  // Mean of the To4DPoint values of the source point list's points.
  void meanOfPoints(const CGeomInfo& geom, C4DPoint& center) const;

 private:
  void removeAt(std::uint32_t k);

  std::unique_ptr<CCustomData> m_customData;
  std::uint32_t m_flags = 0;
};

class VEX3D_EXPORT C3DFace : public CFace {
 public:
  C3DFace() = default;
  C3DFace(const C3DFace&) = default;
  // Also the material id when the other face is a C3DFace.
  C3DFace& operator=(const CFace& other) override;
  C3DFace& operator=(const C3DFace& other) { return operator=(static_cast<const CFace&>(other)); }
  // Flags, then the material id (u32).
  void Serialize(CArchive& ar) override;
  void GetCenter(const CGeomInfo& geom, C4DPoint& center) const override;
  // Sum of the face's points divided by its size.
  void GetCenter(const CGeomInfo& geom, C3DPoint& center) const;
  int IsPlane() const { return 1; }
  // Plane through the first three points.
  void GetPlane(const CGeomInfo& geom, C4DVector& plane) const;

  void SetMaterialID(std::uint32_t id) { m_materialId = id; }
  std::uint32_t GetMaterialID() const { return m_materialId; }

  // Triangulation and geometric predicates (mesh/algorithms).
  // Newell's normal over all corners, normalised unless its length is 0.
  // Unchanged below 3 corners; (0, 0, 0) when a corner names a missing point.
  void GetNormal(const CGeomInfo& geom, C3DVector& normal) const;
  void GetNormal(const CGeomInfo* geom, C3DVector& normal) const {
    if (geom != nullptr) GetNormal(*geom, normal);
  }
  // Ear clipping into the geometry's destination lists from slot
  // `destinationIndex` (-1: the destination lists are resized to this face's
  // triangles alone), the channel faces at `faceIndex` following corner by
  // corner. A corner naming a missing point makes the polygon degenerate.
  // Returns the number of triangles written.
  int Triangulate(const CGeomInfo& geom, int faceIndex, int destinationIndex) const;
  int Triangulate(const CGeomInfo* geom, int faceIndex, int destinationIndex) const {
    return geom != nullptr ? Triangulate(*geom, faceIndex, destinationIndex) : 0;
  }
  // 0 when a corner turns the other way than the first one; collinear
  // corners do not count. A face naming a missing point is not convex.
  int IsConvex(const CGeomInfo* geom) const;
  // 1 for an equilateral first triangle, 0 for a flat one.
  float GetCompacityFactor(const CGeomInfo* geom) const;

 private:
  std::uint32_t m_materialId = 0;
};

// Channel faces: their invalid mark is FACE_CHANNEL_INVALID.
class VEX3D_EXPORT CChannelFace : public CFace {
 public:
  using CFace::operator=;
  void SetInvalidFlag(int on) override;
  void GetCenter(const CGeomInfo& geom, C4DPoint& center) const override;
};

class VEX3D_EXPORT CUVWFace : public CChannelFace {
 public:
  using CChannelFace::operator=;
};
class VEX3D_EXPORT CVCFace : public CChannelFace {
 public:
  using CChannelFace::operator=;
};
class VEX3D_EXPORT CNormalFace : public CChannelFace {
 public:
  using CChannelFace::operator=;
};

// A face built outside any list, with a one-record store of its own
// (capacity 4, no index); a list's Add copies it in.
class VEX3D_EXPORT C3DSingleFace : public C3DFace {
 public:
  C3DSingleFace();
  C3DSingleFace(const C3DSingleFace& other);
  using C3DFace::operator=;
  C3DSingleFace& operator=(const C3DSingleFace& other) {
    Copy(other, 1);
    SetMaterialID(other.GetMaterialID());
    return *this;
  }
  ~C3DSingleFace() override;

 private:
  std::unique_ptr<vex3d::IndexStore> m_ownStore;
};
