#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "mesh/model/channel_test_mesh.h"

using vex3d::test::Mesh;
using Entries = std::vector<std::pair<int, int>>;

namespace {

Entries entriesOf(const CChannel& channel, int meshPoint, int& corners) {
  int n = 0;
  const _ChannelConnectionInfo* e = channel.GetChannelPointsConnectedToPoint(meshPoint, n, corners);
  Entries out;
  for (int i = 0; i < n; ++i) out.emplace_back(e[i].point, e[i].face);
  return out;
}

}  // namespace

TEST(ChannelGraph, EntriesFollowFaceOrderAndHeadersCountValidCorners) {
  Mesh mesh(5, {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}});
  CUVWChannel* uvw = mesh.addUVW(9, {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}});
  mesh.faces[2]->SetFlags(FACE_INVALID, 1);
  uvw->CreateGraph(&mesh.geom);
  ASSERT_TRUE(uvw->IsGraphBuilt());

  int corners = 0;
  EXPECT_EQ(entriesOf(*uvw, 0, corners), (Entries{{0, 0}, {3, 1}}));
  EXPECT_EQ(corners, 2) << "the invalid mesh face does not count";
  EXPECT_EQ(entriesOf(*uvw, 2, corners), (Entries{{2, 0}, {4, 1}}));
  EXPECT_EQ(entriesOf(*uvw, 4, corners), Entries{}) << "used by the invalid face only";
  EXPECT_EQ(corners, 0);
  EXPECT_EQ(entriesOf(*uvw, 5, corners), Entries{}) << "beyond the mesh";
  EXPECT_EQ(entriesOf(*uvw, -1, corners), Entries{});

  uvw->DeleteGraph();
  EXPECT_FALSE(uvw->IsGraphBuilt());
  EXPECT_EQ(entriesOf(*uvw, 0, corners), Entries{});
}

TEST(ChannelGraph, InvalidChannelFacesAreSkippedButCounted) {
  Mesh mesh(4, {{0, 1, 2}, {0, 2, 3}});
  CUVWChannel* uvw = mesh.addUVW(6, {{0, 1, 2}, {3, 4, 5}});
  uvw->GetFaceList()->ElementAt(0)->SetFlags(FACE_CHANNEL_INVALID, 1);
  uvw->InitGraph(&mesh.geom);

  int corners = 0;
  EXPECT_EQ(entriesOf(*uvw, 0, corners), (Entries{{3, 1}}));
  EXPECT_EQ(corners, 2);
  EXPECT_EQ(entriesOf(*uvw, 1, corners), Entries{});
}

TEST(ChannelGraph, MaskedPointsLeaveTheirCornersOut) {
  Mesh mesh(4, {{0, 1, 2}, {0, 2, 3}});
  CUVWChannel* uvw = mesh.addUVW(6, {{0, 1, 2}, {3, 4, 5}});
  uvw->GetPointList()->GetPt(3)->SetFlag(POINT_UNSPECIFIED, 1);

  int corners = 0;
  uvw->CreateGraph(&mesh.geom);
  EXPECT_EQ(entriesOf(*uvw, 0, corners), (Entries{{0, 0}, {3, 1}})) << "not masked yet";

  uvw->SetFlag(CHANNEL_MASKED_POINTS, 1);
  uvw->CreateGraph(&mesh.geom);
  EXPECT_EQ(entriesOf(*uvw, 0, corners), (Entries{{0, 0}}));
  EXPECT_EQ(corners, 2) << "the header still counts the masked corner";
}
