#pragma once
// The concrete face lists, created by class name when an archive is read.
// Stored form (schema 1 for all): the face count (archive count encoding),
// each face's flags (u32) and, for C3DFaceList, its material id (u32); then
// the compacted index store: record count (u32) and, when not 0, used bytes
// (u32), buffer bytes (u32), the buffer, the offsets as a counted u32 array.
#include "mesh/model/face_list.h"

class VEX3D_EXPORT C3DFaceList : public vex3d::FaceListOf<C3DFace> {
  DECLARE_SERIAL(C3DFaceList)

 public:
  using FaceListOf::operator=;
  C3DFaceList& operator=(const C3DFaceList& other) {
    CFaceList::operator=(other);
    return *this;
  }
  std::size_t MinSerializedElementSize() const override { return 8; }

  // Triangulation (mesh/algorithms): this list's faces of more than 3
  // corners whose all-bits test of `flag` equals `onFlagged` are cut into
  // triangles in the geometry's destination lists, the others copied. The
  // destination lists get FACELIST_CHANGED. Returns the destination count.
  int Triangulate(CGeomInfo* geom, _FACE_PROPERTIES flag, int onFlagged);
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
