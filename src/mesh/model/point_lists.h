#pragma once
// The concrete point lists, created by class name when an archive is read.
// Stored form (schema 1 for all): the element array's count, then each
// point's own archive form (flags, then its coordinates); list flags and
// parameter records are not stored.
#include "math/point2d.h"
#include "math/point3d.h"
#include "math/uvw_point.h"
#include "math/vc_point.h"
#include "mesh/model/point_list.h"

class VEX3D_EXPORT C2DPointList : public vex3d::PointListOf<C2DPoint> {
  DECLARE_SERIAL(C2DPointList)

 public:
  using PointListOf::operator=;
  C2DPointList& operator=(const C2DPointList& other) {
    CPointList::operator=(other);
    return *this;
  }
  std::size_t MinSerializedElementSize() const override { return 12; }
};

class VEX3D_EXPORT C3DPointList : public vex3d::PointListOf<C3DPoint> {
  DECLARE_SERIAL(C3DPointList)

 public:
  using PointListOf::operator=;
  C3DPointList& operator=(const C3DPointList& other) {
    CPointList::operator=(other);
    return *this;
  }
  std::size_t MinSerializedElementSize() const override { return 16; }

  // Box of the points whose all-bits test of `flag` equals `value` (flag 0
  // with value 1: every point). Returns how many points it holds; with none,
  // min and max are (0, 0, 0).
  int GetBoundingBox(C3DPoint& min, C3DPoint& max, _POINT_PROPERTIES flag, int value) const;
  int GetBoundingBox(C3DPoint& min, C3DPoint& max) const {
    return GetBoundingBox(min, max, static_cast<_POINT_PROPERTIES>(0), 1);
  }
  // (min + max) / 2 over every point; (0, 0, 0) for an empty list.
  C3DPoint GetCenterOfBoudingBox() const;
  // The point wave on the points whose all-bits test of `flag` equals `value`.
  void NoisyWaveFunc(const C3DPoint& origin, const C3DVector& period, float amplitude,
                     float frequency, float phase, _POINT_PROPERTIES flag, int value);
  // Every point that no face without FACE_INVALID uses gets POINT_INVALID.
  void SetInvalidPoints(const CFaceList& faces);
};

class VEX3D_EXPORT C3DVectorList : public vex3d::PointListOf<C3DVector> {
  DECLARE_SERIAL(C3DVectorList)

 public:
  using PointListOf::operator=;
  C3DVectorList& operator=(const C3DVectorList& other) {
    CPointList::operator=(other);
    return *this;
  }
  std::size_t MinSerializedElementSize() const override { return 16; }
};

class VEX3D_EXPORT CUVWPointList : public vex3d::PointListOf<CUVWPoint> {
  DECLARE_SERIAL(CUVWPointList)

 public:
  using PointListOf::operator=;
  CUVWPointList& operator=(const CUVWPointList& other) {
    CPointList::operator=(other);
    return *this;
  }
  std::size_t MinSerializedElementSize() const override { return 16; }
};

class VEX3D_EXPORT CVCPointList : public vex3d::PointListOf<CVCPoint> {
  DECLARE_SERIAL(CVCPointList)

 public:
  using PointListOf::operator=;
  CVCPointList& operator=(const CVCPointList& other) {
    CPointList::operator=(other);
    return *this;
  }
  std::size_t MinSerializedElementSize() const override { return 8; }
};
