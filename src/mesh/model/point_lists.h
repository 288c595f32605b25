#pragma once
// The concrete point lists, created by class name when an archive is read.
// Stored form (schema 1 for all): the element array's count, then each
// point's own archive form (flags, then its coordinates); list flags and
// parameter records are not stored.
#include <memory>

#include "hostlib/containers/simple_collection.h"
#include "math/point2d.h"
#include "math/point3d.h"
#include "math/uvw_point.h"
#include "math/vc_point.h"
#include "mesh/model/int_coord_map.h"
#include "mesh/model/point_list.h"

class C3DPointSymetryMap;
class C4x4Matrix;

// The axis a symmetry is taken along: 0 x, 1 y, 2 z.
enum _AXIS_INFO : int { AXIS_X = 0, AXIS_Y = 1, AXIS_Z = 2 };

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
  C3DPointList();
  ~C3DPointList() override;
  C3DPointList(const C3DPointList&) = delete;
  // Both drop the material graph (a request for it stays).
  C3DPointList& operator=(const CPointList& other) override;
  C3DPointList& operator=(const C3DPointList& other) {
    return operator=(static_cast<const CPointList&>(other));
  }
  void RemoveAll() override;
  // Also rebuilds a requested material graph when the list changed.
  int UpdateList(CGeomInfo* geom) override;
  std::size_t MinSerializedElementSize() const override { return 16; }

  // Point-to-material graph: for each point, the distinct material ids of
  // the valid faces of the geometry's source C3DFaceList that use it, in
  // the order the faces first reach them.
  void InitPointMaterialGraph(CGeomInfo* geom);
  void CreatePointMaterialGraph(CGeomInfo* geom);
  void DeletePointMaterialGraph();
  int GetNumberOfMaterialsConnectedToPoint(int i) const;
  // The ids (n of them) or null with n = 0; valid until the graph changes.
  const unsigned int* GetMaterialsConnectedToPoint(int i, int& n) const;

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

  // Every point goes through the matrix (rows 0 to 2, no division by w),
  // unless the matrix is the identity within 0.005 (IsIdentity), in which
  // case nothing at all changes. 1 when points moved (the list is then
  // marked changed), else 0.
  int MatrixTransform(const C4x4Matrix& m);

  // Proximity map for welding (see CIntCoordMap): cells of diagonal x t /
  // 100 where t is the tolerance, 0.001 for a tolerance of 0, and the
  // diagonal is that of the box of the points with finite coordinates.
  // Null for an empty list. The map describes the list as it is now.
  std::unique_ptr<CIntCoordMap> InitIntCoordMap(float tolerance) const;
  // Mirror partners across the mid-plane of the points' box along `axis`
  // (mesh/algorithms/point_symmetry.cpp): `tolerance` is a fraction of a
  // twentieth of the box's extent along the axis. Null for an empty list.
  std::unique_ptr<C3DPointSymetryMap> InitSymetryMap(_AXIS_INFO axis, float tolerance) const;
  // The points of the 27 cells around point i's cell (point i included),
  // cell by cell, n of them; null with n = 0 when fewer than two are found,
  // without a map or for an i outside the map.
  std::unique_ptr<int[]> Get3DProximityPoints(int i, const CIntCoordMap* map, int& n) const;
  // How many points have at least one other point in their 27 cells: 0
  // means a weld with this map has nothing to merge. 0 without a map.
  int Get3DProximityPoints(const CIntCoordMap* map) const;

 private:
  std::unique_ptr<CSimpleCollection<unsigned int, unsigned short>> m_materialGraph;
  bool m_materialGraphRequested = false;
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

  // As for points: the translation applies to vectors too. Normals that must
  // not move are transformed by their owner with a matrix without one.
  int MatrixTransform(const C4x4Matrix& m);
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
