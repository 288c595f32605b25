// Seams of texture coordinates and vertex colours: welding and smoothing
// must keep the faces of a seam point apart.
#include <cstdlib>

#include "math/point3d.h"
#include "mesh/model/internal/seam_walk.h"
#include "mesh/model/texture_channels.h"

namespace {

using vex3d::seams::isFrontier;
using vex3d::seams::markSeams;

// Without a tolerance any difference of u, v or w counts: a distance test
// against 0 would either make every pair of distinct points a seam (not
// below 0) or miss differences too small to survive squaring (above 0).
// Seam marking keeps a pair exactly at the tolerance apart; the edge query
// lets it through.
bool uvwDiffer(const CUVWPoint& a, const CUVWPoint& b, float tolerance, bool atToleranceDiffers) {
  if (tolerance == 0.0f) return !(a == b);
  const float distance = C3DVector(b.u - a.u, b.v - a.v, b.w - a.w).Length();
  return atToleranceDiffers ? !(distance < tolerance) : distance > tolerance;
}

bool colorsDiffer(const CVCPoint& a, const CVCPoint& b, int tolerance) {
  for (int c = 0; c < 3; ++c) {
    if (std::abs(static_cast<int>(a[c]) - static_cast<int>(b[c])) > tolerance) return true;
  }
  return false;
}

}  // namespace

void CUVWChannel::InitShareUVFlag(CGeomInfo* geom, float tolerance, int alsoMesh) {
  markSeams(*this, GetUVWPointList(), geom, POINT_UV_FRONTIER, alsoMesh,
            [tolerance](const CUVWPoint& a, const CUVWPoint& b) {
              return uvwDiffer(a, b, tolerance, true);
            });
}

int CUVWChannel::IsUVFrontier(CGeomInfo* geom, float tolerance, const C3DEdge& edge, int f1,
                              int f2) const {
  return isFrontier(*this, GetUVWPointList(), geom, edge, f1, f2,
                    [tolerance](const CUVWPoint& a, const CUVWPoint& b) {
                      return uvwDiffer(a, b, tolerance, false);
                    });
}

void CVCChannel::InitVCFrontierFlag(CGeomInfo* geom, int tolerance, int alsoMesh) {
  markSeams(
      *this, GetVCPointList(), geom, POINT_VC_FRONTIER, alsoMesh,
      [tolerance](const CVCPoint& a, const CVCPoint& b) { return colorsDiffer(a, b, tolerance); });
}

int CVCChannel::IsVCFrontier(CGeomInfo* geom, int tolerance, const C3DEdge& edge, int f1,
                             int f2) const {
  return isFrontier(
      *this, GetVCPointList(), geom, edge, f1, f2,
      [tolerance](const CVCPoint& a, const CVCPoint& b) { return colorsDiffer(a, b, tolerance); });
}
