#pragma once
// The concrete face lists, created by class name when an archive is read.
// Stored form (schema 1 for all): the face count (archive count encoding),
// each face's flags (u32) and, for C3DFaceList, its material id (u32); then
// the compacted index store: record count (u32) and, when not 0, used bytes
// (u32), buffer bytes (u32), the buffer, the offsets as a counted u32 array.
#include <memory>

#include "hostlib/containers/array_id.h"
#include "hostlib/containers/hash_table.h"
#include "mesh/model/face_list.h"

class C3DPoint;

class VEX3D_EXPORT C3DFaceList : public vex3d::FaceListOf<C3DFace> {
  DECLARE_SERIAL(C3DFaceList)

 public:
  // --- Materials and orientation (mesh/algorithms/face_materials.cpp).
  // The material ids the faces use (invalid faces included), rebuilt when
  // not current after bringing the list up to date.
  const CHashTable<unsigned int>& GetMaterialsHash(CGeomInfo* geom);
  void CreateMaterialsHash();
  void DeleteMaterialsHash();
  bool IsMaterialsHashCurrent() const { return m_materialsHashCurrent; }
  // Also rebuilds a current materials hash when the list changed.
  int UpdateList(CGeomInfo* geom) override;
  void RemoveAll() override;
  // 1 when some face had `oldId` (all now have `newId`), else 0.
  int ReplaceMaterial(unsigned int oldId, unsigned int newId);
  // Every face index by ascending material id; null for an empty list.
  std::unique_ptr<int[]> SortByMaterial() const;
  // Reverses a valid face and the same face of every source channel whose
  // face is valid.
  void Flip(CGeomInfo* geom, int faceIndex);
  // Writes the indices into the face from `start` on, as far as the face
  // has room; returns `count` (0 for a missing face).
  int CopyIndexes(CGeomInfo* geom, int faceIndex, int start, const int* indices, int count);
  // Box of the source points used by faces with none of flags 1, 2, 4; 0
  // when there is no such face.
  int GetBoundingBox(CGeomInfo* geom, C3DPoint& min, C3DPoint& max) const;

  // Consistent winding over every connected piece, each piece then facing
  // outwards (mesh/algorithms/unify_normals.cpp). `flipped` gets the faces
  // whose winding changed, each once; 1 when there is any.
  int UnifyNormals(CGeomInfo* geom, CIntArrayID& flipped);

  // Each group of faces joined by edges of exactly two faces, with one
  // material, normals within `angle` (radians) and no seam in the
  // destination channels becomes one polygon when its border is one simple
  // loop (mesh/algorithms/coplanar_merge.cpp). Writes the geometry's
  // destination face list and channels; when a face was merged or dropped,
  // the points no face uses any more then go from the source point list.
  // Returns the faces written, or -1 when the user cancelled.
  int MergeCoplanarFaces(CGeomInfo* geom, float angle);

  // The faces change wholesale: the materials hash is no longer current.
  C3DFaceList& operator=(const CFaceList& other) override {
    DeleteMaterialsHash();
    CFaceList::operator=(other);
    return *this;
  }
  C3DFaceList& operator=(const C3DFaceList& other) {
    return operator=(static_cast<const CFaceList&>(other));
  }
  std::size_t MinSerializedElementSize() const override { return 8; }

  // Triangulation (mesh/algorithms): this list's faces of more than 3
  // corners whose all-bits test of `flag` equals `onFlagged` are cut into
  // triangles in the geometry's destination lists, the others copied. The
  // destination lists get FACELIST_CHANGED. Returns the destination count.
  int Triangulate(CGeomInfo* geom, _FACE_PROPERTIES flag, int onFlagged);

  // Welding (mesh/model/object_weld.cpp): each listed point that is neither
  // invalid nor on a seam becomes invalid and `kept` takes its place in the
  // faces around it; the corner and face channels of the geometry's source
  // set follow when a corner goes or a face collapses. Returns how many
  // points were replaced.
  int ReplaceIndex(CGeomInfo* geom, int kept, const int* points, int count);

 private:
  CHashTable<unsigned int> m_materialsHash;
  bool m_materialsHashCurrent = false;
};

class VEX3D_EXPORT CUVWFaceList : public vex3d::FaceListOf<CUVWFace> {
  DECLARE_SERIAL(CUVWFaceList)

 public:
  using FaceListOf::operator=;
  CUVWFaceList& operator=(const CUVWFaceList& other) {
    CFaceList::operator=(other);
    return *this;
  }
  std::size_t MinSerializedElementSize() const override { return 4; }
};

class VEX3D_EXPORT CVCFaceList : public vex3d::FaceListOf<CVCFace> {
  DECLARE_SERIAL(CVCFaceList)

 public:
  using FaceListOf::operator=;
  CVCFaceList& operator=(const CVCFaceList& other) {
    CFaceList::operator=(other);
    return *this;
  }
  std::size_t MinSerializedElementSize() const override { return 4; }
};

class VEX3D_EXPORT CNormalFaceList : public vex3d::FaceListOf<CNormalFace> {
  DECLARE_SERIAL(CNormalFaceList)

 public:
  using FaceListOf::operator=;
  CNormalFaceList& operator=(const CNormalFaceList& other) {
    CFaceList::operator=(other);
    return *this;
  }
  std::size_t MinSerializedElementSize() const override { return 4; }
};
