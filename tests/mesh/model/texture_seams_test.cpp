#include <gtest/gtest.h>

#include <vector>

#include "mesh/model/channel_test_mesh.h"
#include "mesh/model/edge.h"

using vex3d::test::Mesh;

namespace {

// Two triangles over the edge (1, 2), each face with its own channel
// points: mesh point 1 is channel point 1 in face 0 and 4 in face 1, mesh
// point 2 is channel point 2 and 3.
struct TwoFaces : Mesh {
  TwoFaces() : Mesh(4, {{0, 1, 2}, {2, 1, 3}}) {}

  CUVWChannel* uvw(std::initializer_list<CUVWPoint> values) {
    CUVWChannel* channel = addUVW(0, {{0, 1, 2}, {3, 4, 5}});
    for (const CUVWPoint& p : values) channel->GetUVWPointList()->Add(p);
    return channel;
  }
};

const C3DEdge kShared(2, 1);

std::vector<int> flagged(const CPointList& points, std::uint32_t flag) {
  std::vector<int> out;
  for (int i = 0; i < points.GetSize(); ++i) {
    if (points.GetPt(i)->IsFlagSet(flag)) out.push_back(i);
  }
  return out;
}

using Ids = std::vector<int>;

}  // namespace

TEST(UVSeams, WithoutToleranceEqualCoordinatesAreNoSeam) {
  TwoFaces mesh;
  CUVWChannel* uvw =
      mesh.uvw({{0, 0, 0}, {0.5f, 0, 0}, {0.5f, 1, 0}, {0.5f, 1, 0}, {0.5f, 0, 0}, {1, 1, 0}});
  uvw->GetPointList()->GetPt(0)->SetFlag(POINT_UV_FRONTIER, 1);
  mesh.points.GetPt(3)->SetFlag(POINT_UV_FRONTIER, 1);

  uvw->InitShareUVFlag(&mesh.geom, 0.0f, 1);
  EXPECT_EQ(flagged(*uvw->GetPointList(), POINT_UV_FRONTIER), Ids{}) << "old marks are cleared";
  EXPECT_EQ(flagged(mesh.points, POINT_UV_FRONTIER), Ids{});
  EXPECT_FALSE(uvw->IsGraphBuilt());
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, kShared, 0, 1), 0);

  // Any difference counts, however small.
  uvw->GetUVWPointList()->ElementAt(4).w = 1e-6f;
  uvw->InitShareUVFlag(&mesh.geom, 0.0f, 1);
  EXPECT_EQ(flagged(*uvw->GetPointList(), POINT_UV_FRONTIER), (Ids{1, 4}));
  EXPECT_EQ(flagged(mesh.points, POINT_UV_FRONTIER), (Ids{1}));
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, kShared, 0, 1), 1);
}

TEST(UVSeams, DistanceAtTheToleranceIsASeam) {
  TwoFaces mesh;
  CUVWChannel* uvw =
      mesh.uvw({{5, 5, 0}, {0, 0, 0}, {1, 0, 0}, {1.005f, 0, 0}, {0.01f, 0, 0}, {1, 1, 0}});
  mesh.points.GetPt(3)->SetFlag(POINT_UV_FRONTIER, 1);

  uvw->InitShareUVFlag(&mesh.geom, 0.01f, 0);
  EXPECT_EQ(flagged(*uvw->GetPointList(), POINT_UV_FRONTIER), (Ids{1, 4}));
  EXPECT_EQ(flagged(mesh.points, POINT_UV_FRONTIER), (Ids{3})) << "mesh points left alone";

  uvw->InitShareUVFlag(&mesh.geom, 0.02f, 1);
  EXPECT_EQ(flagged(*uvw->GetPointList(), POINT_UV_FRONTIER), Ids{});
  EXPECT_EQ(flagged(mesh.points, POINT_UV_FRONTIER), Ids{});

  // The edge query wants the points farther apart than the tolerance.
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.01f, kShared, 0, 1), 0);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.006f, kShared, 0, 1), 1);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.006f, kShared, 1, 0), 1);
}

TEST(UVSeams, FrontierValidityRules) {
  TwoFaces mesh;
  CUVWChannel* uvw = mesh.uvw({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 0, 0}, {1, 1, 0}});
  CFaceList& faces = *uvw->GetFaceList();
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, kShared, 0, 1), 0);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, C3DEdge(0, 1), 0, 1), 1) << "end 0 not in face 1";

  faces[1]->SetFlags(FACE_CHANNEL_INVALID, 1);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, kShared, 0, 1), 1);
  faces[0]->SetFlags(FACE_INVALID, 1);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, kShared, 0, 1), 0);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, C3DEdge(0, 1), 0, 1), 0) << "validity first";
  faces[0]->SetFlags(vex3d::kFaceSkipMask, 0);
  faces[1]->SetFlags(vex3d::kFaceSkipMask, 0);

  // A channel face that does not exist counts as invalid; a mesh face that
  // does not exist cannot hold the edge.
  faces.SetSize(1);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, kShared, 0, 1), 1);
  faces.SetSize(2);
  faces[1]->SetTriangle(3, 4, 5);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, kShared, 0, 1), 0);
  mesh.faces.SetSize(1);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, kShared, 0, 1), 1);
}

TEST(UVSeams, CornersOutsideThePointListAreSkipped) {
  TwoFaces mesh;
  CUVWChannel* uvw = mesh.uvw({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 0, 0}, {1, 1, 0}});
  CFace* second = uvw->GetFaceList()->ElementAt(1);
  (*second)[0] = -5;
  (*second)[1] = 99;
  uvw->InitShareUVFlag(&mesh.geom, 0.01f, 1);
  EXPECT_EQ(flagged(*uvw->GetPointList(), POINT_UV_FRONTIER), Ids{});
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.01f, kShared, 0, 1), 0);

  // A face shorter than its mesh face leaves its missing corners out too.
  uvw->GetFaceList()->ElementAt(1)->SetSize(1);
  uvw->GetFaceList()->ElementAt(1)->SetFlags(vex3d::kFaceSkipMask, 0);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.01f, kShared, 0, 1), 0);
  uvw->InitShareUVFlag(&mesh.geom, 0.01f, 1);
  EXPECT_EQ(flagged(mesh.points, POINT_UV_FRONTIER), (Ids{1})) << "a corner short of its value";
}

TEST(UVSeams, MaskedCornerMakesASeam) {
  TwoFaces mesh;
  CUVWChannel* uvw = mesh.uvw({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 0, 0}, {1, 1, 0}});
  uvw->GetPointList()->GetPt(4)->SetFlag(POINT_UNSPECIFIED, 1);
  uvw->InitShareUVFlag(&mesh.geom, 0.0f, 1);
  EXPECT_EQ(flagged(mesh.points, POINT_UV_FRONTIER), Ids{}) << "masking is off";

  uvw->SetFlag(CHANNEL_MASKED_POINTS, 1);
  uvw->InitShareUVFlag(&mesh.geom, 0.0f, 1);
  EXPECT_EQ(flagged(mesh.points, POINT_UV_FRONTIER), (Ids{1}));
  EXPECT_EQ(flagged(*uvw->GetPointList(), POINT_UV_FRONTIER), (Ids{1}));
}

TEST(UVSeams, PerPointChannelHasNoSeam) {
  TwoFaces mesh;
  CUVWChannel* uvw = mesh.uvw({{0, 0, 0}, {0, 0, 0}, {1, 0, 0}, {1, 0, 0}});
  uvw->SetFaceList(CHANNEL_UVW, nullptr, 1);
  uvw->InitShareUVFlag(&mesh.geom, 0.0f, 1);
  EXPECT_EQ(flagged(mesh.points, POINT_UV_FRONTIER), Ids{});
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, kShared, 0, 1), 0);
  EXPECT_EQ(uvw->IsUVFrontier(&mesh.geom, 0.0f, C3DEdge(0, 1), 0, 1), 1);
}

TEST(VCSeams, ColoursDifferBeyondTheToleranceInTheFirstThreeBytes) {
  TwoFaces mesh;
  CVCChannel* vc = mesh.addVC({{0, 0, 0, 0},
                               {10, 20, 30, 0},
                               {7, 7, 7, 0},
                               {7, 7, 7, 200},
                               {12, 20, 30, 255},
                               {1, 1, 1, 0}},
                              {{0, 1, 2}, {3, 4, 5}});
  vc->InitVCFrontierFlag(&mesh.geom, 2, 1);
  EXPECT_EQ(flagged(*vc->GetPointList(), POINT_VC_FRONTIER), Ids{}) << "alpha never counts";
  EXPECT_EQ(vc->IsVCFrontier(&mesh.geom, 2, kShared, 0, 1), 0);

  vc->InitVCFrontierFlag(&mesh.geom, 1, 1);
  EXPECT_EQ(flagged(*vc->GetPointList(), POINT_VC_FRONTIER), (Ids{1, 4}));
  EXPECT_EQ(flagged(mesh.points, POINT_VC_FRONTIER), (Ids{1}));
  EXPECT_EQ(flagged(mesh.points, POINT_UV_FRONTIER), Ids{});
  EXPECT_EQ(vc->IsVCFrontier(&mesh.geom, 1, kShared, 0, 1), 1);

  // The same validity rules as texture coordinates.
  vc->GetFaceList()->ElementAt(0)->SetFlags(FACE_CHANNEL_INVALID, 1);
  EXPECT_EQ(vc->IsVCFrontier(&mesh.geom, 200, kShared, 0, 1), 1);
  vc->GetFaceList()->ElementAt(1)->SetFlags(FACE_CHANNEL_INVALID, 1);
  EXPECT_EQ(vc->IsVCFrontier(&mesh.geom, 0, kShared, 0, 1), 0);
}
