#pragma once
// Normals in three channel kinds. Face and point normals are derived from
// the geometry on demand and never stored; specified normals come from a
// file (or are generated) and travel with the object. The renderer and the
// exporters ask for one normal per face corner: specified where given,
// otherwise smoothed across faces within the smoothing angle.
#include <vector>

#include "math/point3d.h"
#include "mesh/model/channel.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"

class C3DEdge;

enum _FACE_NORMAL_PROPERTIES : std::uint32_t {
  FACE_NOT_SMOOTH = 0x20,  // beyond the smoothing angle of a neighbour at some point
};

// What a per-corner normal query answered from.
enum _SmoothNormalSource : int {
  NORMAL_FROM_SPEC = 2,
  NORMAL_FROM_SPEC_BY_INDEX = 4,
  NORMAL_FROM_SPEC_COMPUTED = 5,
  NORMAL_FROM_SMOOTHING = 9,
};

// Mode bits of CSpecNormalChannel::GenerateNormals.
enum _GenerateNormalsMode : unsigned int {
  NORMALS_FILL_FACES = 0x01,
  NORMALS_FILL_CORNERS = 0x02,
};

// Shared by the three kinds: the vector list and the rotation-only
// transform.
class VEX3D_EXPORT CNormalChannel : public CChannel {
  DECLARE_DYNAMIC(CNormalChannel)

 public:
  C3DVectorList* GetNormalVectorList() const;

 protected:
  CNormalChannel(_Channel3DType type, std::uint32_t id);
  // Rotates the vectors by `m` with its scale and translation taken out;
  // vectors are not renormalised. `exactScale` divides the scale out even
  // when it is within 1e-6 of 1.
  int transformVectors(const C4x4Matrix& m, bool exactScale);
};

class VEX3D_EXPORT CFaceNormalChannel : public CNormalChannel {
  DECLARE_SERIAL(CFaceNormalChannel)

 public:
  explicit CFaceNormalChannel(std::uint32_t id = vex3d::kNoChannelId);
  // One normal per mesh face, when invalid or stale.
  void InitNormals(CGeomInfo* geom);
  int MatrixTransform(const C4x4Matrix& m) override;
  int Clean(CGeomInfo* geom, CIntMap* faceRemap, CIntMap* pointRemap) override;
  int CanBeRecomputed() const override { return 1; }
};

class CSpecNormalChannel;
class CPointNormalChannel;

// The state of one pass of per-corner smoothing queries, held by whoever
// runs the pass, so that views on several threads may smooth one mesh at
// once.
struct _SmoothingPass {
  C3DFaceList* meshFaces = nullptr;
  const C3DVectorList* faceNormals = nullptr;
  CSpecNormalChannel* specified = nullptr;
  float cosine = 1.0f;
  C3DVector* out = nullptr;
  // Lists looked up once per pass rather than at every corner.
  const CPointNormalChannel* owner = nullptr;
  const C3DVectorList* pointNormals = nullptr;
  const CNormalFaceList* specifiedFaces = nullptr;
  const C3DVectorList* specifiedVectors = nullptr;
};

class VEX3D_EXPORT CPointNormalChannel : public CNormalChannel {
  DECLARE_SERIAL(CPointNormalChannel)

 public:
  explicit CPointNormalChannel(std::uint32_t id = vex3d::kNoChannelId);
  // One normal per mesh point, when invalid or stale: the first face's
  // normal plus those of the faces around the point within `angle` of it.
  void InitNormals(CGeomInfo* geom, float angle);
  int MatrixTransform(const C4x4Matrix& m) override;
  int Clean(CGeomInfo* geom, CIntMap* faceRemap, CIntMap* pointRemap) override;
  int CanBeRecomputed() const override { return 1; }

  // Sets up one pass of per-corner queries writing `out` (computing the
  // point-to-face graph and the specified normals when they are not).
  _SmoothingPass BeginSmoothing(CGeomInfo* geom, CSpecNormalChannel* specified,
                                CFaceNormalChannel* faces, C3DVector* out, float angle) const;
  int GetSmoothNormalByCorner(const _SmoothingPass& pass, int face, int corner) const;
  int GetSmoothNormalByIndex(const _SmoothingPass& pass, int face, int point) const;
  int ComputeSmoothNormalByIndex(const _SmoothingPass& pass, int face, int point) const;

  // The same with the channel's own pass.
  void PrepareSmoothing(CGeomInfo* geom, CSpecNormalChannel* specified, CFaceNormalChannel* faces,
                        C3DVector* out, float angle) {
    m_pass = BeginSmoothing(geom, specified, faces, out, angle);
  }
  int GetSmoothNormalByCorner(int face, int corner) const {
    return GetSmoothNormalByCorner(m_pass, face, corner);
  }
  int GetSmoothNormalByIndex(int face, int point) const {
    return GetSmoothNormalByIndex(m_pass, face, point);
  }
  int ComputeSmoothNormalByIndex(int face, int point) const {
    return ComputeSmoothNormalByIndex(m_pass, face, point);
  }

 private:
  _SmoothingPass m_pass;
};

class VEX3D_EXPORT CSpecNormalChannel : public CNormalChannel {
  DECLARE_SERIAL(CSpecNormalChannel)

 public:
  explicit CSpecNormalChannel(std::uint32_t id = vex3d::kNoChannelId);
  CNormalFaceList* GetNormalFaceList() const;

  // Vectors flagged 0x20 become the mean direction of the faces using them.
  void ComputeNormals(CGeomInfo* geom);
  // Zero vectors become unspecified, the others unit length; faces left
  // with no specified corner are emptied. 0 when no face stays valid.
  int Normalize();
  // Fills faces without normals (NORMALS_FILL_FACES) and unspecified
  // corners (NORMALS_FILL_CORNERS) by smoothing within `angle`.
  void GenerateNormals(CGeomInfo* geom, unsigned int mode, float angle);
  // POINT_NORMAL_BREAK on the vectors (and with `alsoMesh` the mesh points)
  // where the normal breaks.
  void InitNormalBreakFlag(CGeomInfo* geom, float angle, int alsoMesh);
  int IsNormalFrontier(CGeomInfo* geom, float cosine, const C3DEdge& edge, int f1, int f2) const;
  int MatrixTransform(const C4x4Matrix& m) override;
};
