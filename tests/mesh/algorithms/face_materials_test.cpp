#include <gtest/gtest.h>

#include <vector>

#include "math/point3d.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/geom_info.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"

namespace {

std::vector<int> indicesOf(const CFace* f) {
  return std::vector<int>(f->GetIndices(), f->GetIndices() + f->GetSize());
}

// Four triangles of materials 2, 0, 2, 1.
void fill(C3DFaceList& faces) {
  faces.SetSize(4, 3);
  const unsigned int materials[] = {2, 0, 2, 1};
  for (int i = 0; i < 4; ++i) {
    faces[i]->SetTriangle(i, i + 1, i + 2);
    faces[i]->SetMaterialID(materials[i]);
  }
}

TEST(FaceMaterialsTest, HashFollowsReplacement) {
  C3DFaceList faces;
  fill(faces);
  faces[3]->SetFlags(FACE_INVALID, 1);
  const CHashTable<unsigned int>& hash = faces.GetMaterialsHash(nullptr);
  EXPECT_EQ(hash.GetCount(), 3);
  EXPECT_TRUE(hash.Contains(1u)) << "invalid faces count too";
  EXPECT_FALSE(faces.IsFlagSet(FACELIST_CHANGED));

  EXPECT_EQ(faces.ReplaceMaterial(7, 9), 0);
  EXPECT_TRUE(faces.IsMaterialsHashCurrent());
  EXPECT_FALSE(faces.IsFlagSet(FACELIST_CHANGED));

  EXPECT_EQ(faces.ReplaceMaterial(3, 3), 0);
  faces[0]->SetMaterialID(3);
  faces.CreateMaterialsHash();
  EXPECT_EQ(faces.ReplaceMaterial(3, 3), 1);
  EXPECT_TRUE(faces.IsFlagSet(FACELIST_CHANGED));
  EXPECT_FALSE(faces.IsMaterialsHashCurrent());
  EXPECT_EQ(faces[0]->GetMaterialID(), 3u);

  EXPECT_EQ(faces.ReplaceMaterial(2, 5), 1);
  const CHashTable<unsigned int>& rebuilt = faces.GetMaterialsHash(nullptr);
  EXPECT_TRUE(rebuilt.Contains(5u));
  EXPECT_FALSE(rebuilt.Contains(2u));
}

// A long list is walked in parts: a material used by one face anywhere,
// or by a run across the middle, is in use.
TEST(FaceMaterialsTest, ALongListFindsEveryMaterialItUses) {
  constexpr int kFaces = 1200000;
  C3DFaceList faces;
  faces.SetSize(kFaces, 3);
  for (int i = 0; i < kFaces; ++i) faces[i]->SetMaterialID(i < kFaces / 3 ? 1u : 2u);
  for (int i = kFaces / 2 - 100; i < kFaces / 2 + 100; ++i) faces[i]->SetMaterialID(3u);
  faces[kFaces / 4]->SetMaterialID(4u);
  faces[kFaces / 4 * 3]->SetMaterialID(5u);
  faces[kFaces - 1]->SetMaterialID(6u);
  const CHashTable<unsigned int>& hash = faces.GetMaterialsHash(nullptr);
  EXPECT_EQ(hash.GetCount(), 6);
  for (unsigned int id = 1; id <= 6; ++id) EXPECT_TRUE(hash.Contains(id)) << id;
}

TEST(FaceMaterialsTest, SortByMaterial) {
  C3DFaceList faces;
  EXPECT_EQ(faces.SortByMaterial(), nullptr);
  fill(faces);
  const std::unique_ptr<int[]> order = faces.SortByMaterial();
  EXPECT_EQ(order[0], 1);
  EXPECT_EQ(order[1], 3);
  EXPECT_TRUE((order[2] == 0 && order[3] == 2) || (order[2] == 2 && order[3] == 0));
}

TEST(FaceMaterialsTest, FlipTakesValidChannelFacesAlong) {
  C3DFaceList faces;
  faces.SetSize(1, 3);
  faces[0]->SetTriangle(0, 1, 2);
  CDependentChannels channels;
  auto* uvw = new CUVWChannel;
  uvw->GetFaceList()->SetSize(1, 3);
  uvw->GetFaceList()->ElementAt(0)->SetTriangle(5, 6, 7);
  auto* vc = new CVCChannel;
  vc->GetFaceList()->SetSize(1, 3);
  vc->GetFaceList()->ElementAt(0)->SetTriangle(1, 2, 3);
  vc->GetFaceList()->ElementAt(0)->SetFlags(FACE_CHANNEL_INVALID, 1);
  channels.AddChannel(uvw);
  channels.AddChannel(vc);
  CGeomInfo geom(&faces, nullptr);
  geom.SetChannels(&channels, nullptr);

  faces.Flip(&geom, 0);
  EXPECT_EQ(indicesOf(faces[0]), (std::vector<int>{2, 1, 0}));
  EXPECT_EQ(indicesOf(uvw->GetFaceList()->ElementAt(0)), (std::vector<int>{7, 6, 5}));
  EXPECT_EQ(indicesOf(vc->GetFaceList()->ElementAt(0)), (std::vector<int>{1, 2, 3}));
  faces.Flip(&geom, 1);  // out of range: nothing
  faces[0]->SetFlags(FACE_INVALID, 1);
  faces.Flip(&geom, 0);
  EXPECT_EQ(indicesOf(faces[0]), (std::vector<int>{2, 1, 0}));
}

TEST(FaceMaterialsTest, CopyIndexesStopsAtTheFaceSize) {
  C3DFaceList faces;
  faces.SetSize(1, 4);
  faces[0]->SetQuadrangle(0, 1, 2, 3);
  const int values[] = {7, 8, 9};
  EXPECT_EQ(faces.CopyIndexes(nullptr, 0, 2, values, 3), 3);
  EXPECT_EQ(indicesOf(faces[0]), (std::vector<int>{0, 1, 7, 8}));
  EXPECT_EQ(faces.CopyIndexes(nullptr, 4, 0, values, 3), 0);
}

TEST(FaceMaterialsTest, BoundingBoxOfUsedPoints) {
  C3DPointList points;
  points.Add(C3DPoint(-1, 0, 0));
  points.Add(C3DPoint(2, 3, 0));
  points.Add(C3DPoint(0, -4, 5));
  points.Add(C3DPoint(100, 100, 100));  // used by an invalid face only
  C3DFaceList faces;
  faces.SetSize(2, 3);
  faces[0]->SetTriangle(0, 1, 2);
  faces[1]->SetTriangle(1, 2, 3);
  faces[1]->SetFlags(0x04, 1);
  CGeomInfo geom(&faces, &points);
  C3DPoint min;
  C3DPoint max;
  ASSERT_EQ(faces.GetBoundingBox(&geom, min, max), 1);
  EXPECT_EQ(min[0], -1.0f);
  EXPECT_EQ(min[1], -4.0f);
  EXPECT_EQ(max[1], 3.0f);
  EXPECT_EQ(max[2], 5.0f);
  faces[0]->SetFlags(FACE_INVALID, 1);
  EXPECT_EQ(faces.GetBoundingBox(&geom, min, max), 0);
}

}  // namespace
