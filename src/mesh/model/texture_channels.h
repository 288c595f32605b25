#pragma once
// The two stored per-corner channels: texture coordinates and vertex
// colours. Seam marking tells the mesh where an attribute breaks, so that
// welding and smoothing keep those edges.
#include "mesh/model/channel.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

class C3DEdge;

class VEX3D_EXPORT CUVWChannel : public CChannel {
  DECLARE_SERIAL(CUVWChannel)

 public:
  explicit CUVWChannel(std::uint32_t id = vex3d::kNoChannelId);

  // Null when the list was replaced by one of another kind (or removed).
  CUVWPointList* GetUVWPointList() const;
  CUVWFaceList* GetUVWFaceList() const;

  // Sets POINT_UV_FRONTIER on the channel points (and with `alsoMesh` on
  // the mesh points) where a mesh point carries different coordinates in
  // different faces: farther apart than `tolerance`, or with tolerance 0
  // any difference of u, v or w.
  void InitShareUVFlag(CGeomInfo* geom, float tolerance, int alsoMesh);
  // Whether the edge shared by faces f1 and f2 is a seam of this channel.
  int IsUVFrontier(CGeomInfo* geom, float tolerance, const C3DEdge& edge, int f1, int f2) const;
};

class VEX3D_EXPORT CVCChannel : public CChannel {
  DECLARE_SERIAL(CVCChannel)

 public:
  explicit CVCChannel(std::uint32_t id = vex3d::kNoChannelId);

  CVCPointList* GetVCPointList() const;
  CVCFaceList* GetVCFaceList() const;

  // POINT_VC_FRONTIER where a mesh point carries colours that differ by
  // more than `tolerance` in byte 0, 1 or 2 (byte 3 is not compared).
  void InitVCFrontierFlag(CGeomInfo* geom, int tolerance, int alsoMesh);
  int IsVCFrontier(CGeomInfo* geom, int tolerance, const C3DEdge& edge, int f1, int f2) const;
};
