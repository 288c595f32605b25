#include <gtest/gtest.h>

#include "hostlib/containers/int_map.h"
#include "hostlib/core/exceptions.h"
#include "mesh/model/channel_test_mesh.h"

using vex3d::test::allIndices;
using vex3d::test::allU;
using vex3d::test::Mesh;
using Faces = std::vector<std::vector<int>>;

TEST(ChannelClean, MeshFaceRemovalRemovesTheSameFaceFromEveryChannel) {
  Mesh mesh(5, {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}});
  // One value per corner, and one sharing values like the mesh shares points.
  CUVWChannel* split = mesh.addUVW(9, {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}});
  CUVWChannel* shared = mesh.addUVW(5, {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}});
  mesh.faces[1]->SetFlags(FACE_INVALID, 1);

  EXPECT_EQ(mesh.faces.Clean(&mesh.geom), 0) << "no mesh point went";
  EXPECT_EQ(allIndices(mesh.faces), (Faces{{0, 1, 2}, {2, 3, 4}}));
  // The values of the removed face go and the rest move down.
  EXPECT_EQ(allIndices(*split->GetFaceList()), (Faces{{0, 1, 2}, {3, 4, 5}}));
  EXPECT_EQ(allU(*split->GetUVWPointList()), (std::vector<float>{0, 1, 2, 6, 7, 8}));
  EXPECT_EQ(allIndices(*shared->GetFaceList()), (Faces{{0, 1, 2}, {2, 3, 4}}));
  EXPECT_EQ(shared->GetUVWPointList()->GetSize(), 5);
  EXPECT_FALSE(split->IsFlagSet(CHANNEL_INVALID));
  EXPECT_FALSE(shared->IsFlagSet(CHANNEL_INVALID));
}

TEST(ChannelClean, ChannelThatWasAlreadyOutOfStepIsMarkedInvalid) {
  Mesh mesh(5, {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}});
  CUVWChannel* behind = mesh.addUVW(6, {{0, 1, 2}, {3, 4, 5}});
  CUVWChannel* inStep = mesh.addUVW(5, {{0, 1, 2}, {1, 3, 2}, {2, 3, 4}});
  mesh.faces[1]->SetFlags(FACE_INVALID, 1);

  mesh.faces.Clean(&mesh.geom);
  EXPECT_TRUE(behind->IsFlagSet(CHANNEL_INVALID));
  EXPECT_FALSE(inStep->IsFlagSet(CHANNEL_INVALID));
  EXPECT_EQ(behind->GetFaceList()->GetSize(), 1) << "face 1 went all the same";
  EXPECT_EQ(mesh.channels.GetSize(), 2) << "an invalid channel stays in the set";

  // Called alone, the mismatch is the answer.
  CIntMap keepAll;
  for (int i = 0; i < 2; ++i) keepAll.Insert(i, i);
  EXPECT_EQ(behind->Clean(&mesh.geom, &keepAll, nullptr), 0);
  EXPECT_EQ(inStep->Clean(&mesh.geom, &keepAll, nullptr), 1);
  EXPECT_EQ(mesh.channels.CleanChannels(&mesh.geom, &keepAll, nullptr), 1);
}

TEST(ChannelClean, DegenerateTriangleGoesWithItsChannelFaces) {
  Mesh mesh(10, {{0, 1, 2}, {4, 4, 9}, {1, 2, 3}});
  CUVWChannel* uvw = mesh.addUVW(9, {{0, 1, 2}, {3, 4, 5}, {6, 7, 8}});
  CVCChannel* vc =
      mesh.addVC({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}}, {{0, 1, 2}, {1, 3, 2}, {1, 2, 3}});

  EXPECT_EQ(mesh.faces.Clean(&mesh.geom), 1) << "faces and points went";
  EXPECT_EQ(allIndices(mesh.faces), (Faces{{0, 1, 2}, {1, 2, 3}}));
  EXPECT_EQ(mesh.points.GetSize(), 4);
  EXPECT_EQ(allIndices(*uvw->GetFaceList()), (Faces{{0, 1, 2}, {3, 4, 5}}));
  EXPECT_EQ(allU(*uvw->GetUVWPointList()), (std::vector<float>{0, 1, 2, 6, 7, 8}));
  EXPECT_EQ(allIndices(*vc->GetFaceList()), (Faces{{0, 1, 2}, {1, 2, 3}}));
  EXPECT_EQ(vc->GetVCPointList()->GetSize(), 4);
  EXPECT_FALSE(uvw->IsFlagSet(CHANNEL_INVALID));
  EXPECT_FALSE(vc->IsFlagSet(CHANNEL_INVALID));
}

TEST(ChannelClean, FaceCleanMarksTheChannelFacesOfItsOwnMeshOnly) {
  Mesh mesh(10, {{0, 1, 2}, {4, 4, 9}});
  CUVWChannel* uvw = mesh.addUVW(6, {{0, 1, 2}, {3, 4, 5}});
  CIntMap remap;
  EXPECT_EQ(mesh.faces.Clean(&mesh.geom, 1, &remap), 1);
  EXPECT_TRUE(uvw->GetFaceList()->ElementAt(1)->IsFlagSet(FACE_INVALID));
  EXPECT_FALSE(uvw->GetFaceList()->ElementAt(0)->IsFlagSet(FACE_INVALID));
  EXPECT_EQ(uvw->GetFaceList()->GetSize(), 2) << "the channel is cleaned by its own Clean";

  // A list cleaned under a handle of another mesh leaves that mesh's channels
  // alone.
  Mesh other(10, {{0, 1, 2}, {4, 4, 9}});
  CUVWChannel* otherUvw = other.addUVW(6, {{0, 1, 2}, {3, 4, 5}});
  C3DFaceList loose;
  vex3d::test::addFaces(loose, {{3, 3, 5}, {0, 1, 2}});
  EXPECT_EQ(loose.Clean(&other.geom, 1, nullptr), 1);
  EXPECT_EQ(otherUvw->GetFaceList()->GetNumberOfFaces(FACE_INVALID, 1), 0);
}

TEST(ChannelClean, RepeatedCornerIsDroppedFromTheChannelFacesToo) {
  Mesh mesh(5, {{1, 2, 2, 3, 4}, {0, 1, 4}});
  CUVWChannel* uvw = mesh.addUVW(8, {{0, 1, 2, 3, 4}, {5, 6, 7}});
  mesh.faces.Clean(&mesh.geom);
  EXPECT_EQ(allIndices(mesh.faces), (Faces{{1, 2, 3, 4}, {0, 1, 4}}));
  // Corner 1 went from the mesh face, so channel point 1 went with it.
  EXPECT_EQ(allIndices(*uvw->GetFaceList()), (Faces{{0, 1, 2, 3}, {4, 5, 6}}));
  EXPECT_EQ(allU(*uvw->GetUVWPointList()), (std::vector<float>{0, 2, 3, 4, 5, 6, 7}));
  EXPECT_FALSE(uvw->IsFlagSet(CHANNEL_INVALID));
}

TEST(ChannelClean, ChannelFaceWithoutTheRepeatedCornerIsLeftAsItIs) {
  Mesh mesh(5, {{1, 2, 3, 4, 4}});
  CUVWChannel* full = mesh.addUVW(5, {{0, 1, 2, 3, 4}});
  CUVWChannel* shorter = mesh.addUVW(3, {{0, 1, 2}});
  mesh.faces.Clean(&mesh.geom, 1, nullptr);
  EXPECT_EQ(allIndices(mesh.faces), (Faces{{1, 2, 3, 4}}));
  EXPECT_EQ(allIndices(*full->GetFaceList()), (Faces{{0, 1, 2, 4}}));
  EXPECT_EQ(allIndices(*shorter->GetFaceList()), (Faces{{0, 1, 2}}));
}

TEST(ChannelClean, PerPointChannelFollowsMeshPointRemoval) {
  Mesh mesh(5, {{0, 1, 2}, {2, 3, 4}});
  CUVWChannel* perPoint = mesh.addUVW(5, {});
  perPoint->SetFaceList(CHANNEL_UVW, nullptr, 1);
  mesh.faces[0]->SetFlags(FACE_INVALID, 1);

  EXPECT_EQ(mesh.faces.Clean(&mesh.geom), 1);
  EXPECT_EQ(allIndices(mesh.faces), (Faces{{0, 1, 2}}));
  EXPECT_EQ(allU(*perPoint->GetUVWPointList()), (std::vector<float>{2, 3, 4}));
  EXPECT_FALSE(perPoint->IsFlagSet(CHANNEL_INVALID));

  // Without a point remap the mesh points stayed, and so do the channel's.
  perPoint->GetPointList()->GetPt(0)->SetFlag(POINT_INVALID, 1);
  EXPECT_EQ(perPoint->Clean(&mesh.geom, nullptr, nullptr), 1);
  EXPECT_EQ(perPoint->GetPointList()->GetSize(), 3);
}

TEST(ChannelClean, ChannelsAreCleanedWhenOnlyPointsWent) {
  Mesh mesh(6, {{0, 1, 2}, {2, 3, 4}});
  CUVWChannel* uvw = mesh.addUVW(6, {{0, 1, 2}, {3, 4, 5}});
  CUVWChannel* perPoint = mesh.addUVW(6, {});
  perPoint->SetFaceList(CHANNEL_UVW, nullptr, 1);
  // Point 5 is used by no face.
  EXPECT_EQ(mesh.faces.Clean(&mesh.geom), 0) << "points alone went";
  EXPECT_EQ(mesh.points.GetSize(), 5);
  EXPECT_EQ(allU(*perPoint->GetUVWPointList()), (std::vector<float>{0, 1, 2, 3, 4}));
  EXPECT_EQ(uvw->GetUVWPointList()->GetSize(), 6) << "the channel's own faces use all six";
}

TEST(ChannelClean, EveryFaceRemovedEmptiesTheChannels) {
  Mesh mesh(3, {{0, 1, 2}});
  CUVWChannel* uvw = mesh.addUVW(3, {{0, 1, 2}});
  mesh.faces[0]->SetFlags(FACE_INVALID, 1);
  EXPECT_EQ(mesh.faces.Clean(&mesh.geom), 1);
  EXPECT_EQ(mesh.faces.GetSize(), 0);
  EXPECT_EQ(uvw->GetFaceList()->GetSize(), 0);
  EXPECT_EQ(uvw->GetPointList()->GetSize(), 0);
  EXPECT_FALSE(uvw->IsFlagSet(CHANNEL_INVALID));
}

TEST(ChannelClean, GeomInfoChannelIndicesAreChecked) {
  Mesh mesh(3, {{0, 1, 2}});
  mesh.addUVW(3, {{0, 1, 2}});
  CDependentChannels destination;
  destination.AddChannel(new CUVWChannel);
  mesh.geom.SetChannels(&mesh.channels, &destination);
  mesh.channels.AddChannel(new CUVWChannel);
  CFaceList* srcFaces = nullptr;
  CFaceList* dstFaces = nullptr;
  CPointList* srcPoints = nullptr;
  CPointList* dstPoints = nullptr;
  EXPECT_THROW(mesh.geom.GetChannelFaceList(1, srcFaces, dstFaces), CInvalidArgException)
      << "beyond the destination set";
  EXPECT_THROW(mesh.geom.GetChannelPointList(-1, srcPoints, dstPoints), CInvalidArgException);
}
