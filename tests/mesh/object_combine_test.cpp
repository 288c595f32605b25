#include <gtest/gtest.h>

#include <vector>

#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/normal_channels.h"
#include "mesh/model/texture_channels.h"
#include "scene/object_kinds.h"

namespace {

using vex3d::test::addFaces;

std::vector<int> corners(const CFace* f) {
  return std::vector<int>(f->GetIndices(), f->GetIndices() + f->GetSize());
}

constexpr std::uint32_t kNoData = 0x03;

void addPoints(C3DBaseObject& object, int n, float offset = 0.0f) {
  for (int i = 0; i < n; ++i) {
    object.GetPointList()->Add(C3DPoint(offset + static_cast<float>(i), 0.0f, 0.0f));
  }
}

// Texture channel whose point i holds (base + i, 0, 0), faces given.
CUVWChannel* addTexture(C3DBaseObject& object, int points, float base,
                        std::initializer_list<std::vector<int>> faces) {
  auto* uvw = new CUVWChannel;
  for (int i = 0; i < points; ++i) {
    uvw->GetUVWPointList()->Add(CUVWPoint(base + static_cast<float>(i), 0.0f, 0.0f));
  }
  CUVWFaceList& list = *uvw->GetUVWFaceList();
  int i = 0;
  list.SetSize(static_cast<int>(faces.size()), 4);
  for (const std::vector<int>& c : faces) {
    CFace* f = list.ElementAt(i++);
    f->SetSize(static_cast<std::uint32_t>(c.size()));
    for (std::uint32_t k = 0; k < c.size(); ++k) (*f)[k] = c[k];
  }
  object.AddChannel(uvw);
  return uvw;
}

// One triangle (3 points) receiving one quadrangle (4 points).
struct TriangleAndQuad {
  C3DObject triangle;
  C3DObject quad;
  TriangleAndQuad() {
    triangle.Init(0, 0, 4, 0, 0);
    addPoints(triangle, 3);
    addFaces(*triangle.GetFaceList(), {{0, 1, 2}});
    quad.Init(0, 0, 4, 0, 0);
    addPoints(quad, 4, 10.0f);
    addFaces(*quad.GetFaceList(), {{0, 1, 2, 3}});
  }
};

TEST(ObjectCombineTest, ConcatenateShiftsFacesAndKeepsFaceAndPointAttributes) {
  TriangleAndQuad m;
  m.quad.GetFaceList()->ElementAt(0)->SetMaterialID(7);
  m.quad.GetFaceList()->ElementAt(0)->SetFlags(0x100, 1);
  m.quad.GetPointList()->ElementAt(2).SetFlags(0x200, 1);
  m.quad.GetPointList()->ElementAt(2).GetCustomData(1)->SetUInt(0x4B455931, 5);
  m.triangle.Invalidate(0xFFFFFFFF, 0);

  ASSERT_EQ(m.triangle.Concatenate(&m.quad, 0), 1);
  ASSERT_EQ(m.triangle.GetPointNbr(), 7);
  ASSERT_EQ(m.triangle.GetFaceNbr(), 2);
  EXPECT_EQ(corners(m.triangle.GetFaceList()->ElementAt(0)), (std::vector<int>{0, 1, 2}));
  const C3DFace* added = m.triangle.GetFaceList()->ElementAt(1);
  EXPECT_EQ(corners(added), (std::vector<int>{3, 4, 5, 6}));
  EXPECT_EQ(added->GetMaterialID(), 7u);
  EXPECT_TRUE(added->IsFlagSet(0x100));
  const C3DPoint& moved = m.triangle.GetPointList()->ElementAt(5);
  EXPECT_FLOAT_EQ(moved.x, 12.0f);
  EXPECT_TRUE(moved.IsFlagSet(0x200));
  ASSERT_NE(moved.GetCustomData(), nullptr);
  EXPECT_TRUE(m.triangle.IsInvalidate(0x10070000));
  EXPECT_EQ(m.quad.GetPointNbr(), 4) << "the other object is left alone";
}

TEST(ObjectCombineTest, ConcatenateAddsATextureChannelWithoutDataForOwnFaces) {
  TriangleAndQuad m;
  CUVWChannel* source = addTexture(m.quad, 4, 100.0f, {{3, 2, 1, 0}});
  ASSERT_EQ(m.triangle.Concatenate(&m.quad, 0), 1);

  ASSERT_EQ(m.triangle.GetChannels()->GetSize(), 1);
  CChannel* texture = m.triangle.GetChannels()->GetChannelByIndex(0);
  EXPECT_EQ(texture->GetType(), CHANNEL_UVW);
  EXPECT_EQ(texture->GetChannelID(), source->GetChannelID()) << "a free id is kept";
  CFaceList& faces = *texture->GetFaceList();
  ASSERT_EQ(faces.GetSize(), 2);
  EXPECT_TRUE(faces.ElementAt(0)->IsFlagSet(kNoData));
  EXPECT_FALSE(faces.ElementAt(1)->IsOneFlagSet(kNoData));
  EXPECT_EQ(corners(faces.ElementAt(1)), (std::vector<int>{3, 2, 1, 0}));
  ASSERT_EQ(texture->GetPointList()->GetSize(), 4);
  EXPECT_FLOAT_EQ(static_cast<CUVWChannel*>(texture)->GetUVWPointList()->ElementAt(3).u, 103.0f);
}

TEST(ObjectCombineTest, ConcatenateMatchesChannelsByTypeRankAndDropsUnstoredOnes) {
  TriangleAndQuad m;
  auto* stale = new CVCChannel;
  stale->SetFlag(CHANNEL_INVALID, 1);
  m.triangle.AddChannel(stale);
  addTexture(m.triangle, 3, 0.0f, {{0, 1, 2}});
  auto* receiverSecond = addTexture(m.triangle, 1, 50.0f, {{0, 0, 0}});
  const std::uint32_t secondId = receiverSecond->GetChannelID();
  addTexture(m.quad, 4, 100.0f, {{0, 1, 2, 3}});
  addTexture(m.quad, 2, 200.0f, {{1, 0, 1, 0}});
  auto* computed = new CFaceNormalChannel;
  computed->SetFlag(CHANNEL_COMPUTED, 1);
  m.quad.AddChannel(computed);

  ASSERT_EQ(m.triangle.Concatenate(&m.quad, 0), 1);
  CDependentChannels& set = *m.triangle.GetChannels();
  ASSERT_EQ(set.GetSize(), 2) << "the invalid channel went, the computed one was not taken";
  CChannel* first = set.GetChannelByIndex(0);
  ASSERT_EQ(first->GetPointList()->GetSize(), 7);
  EXPECT_EQ(corners(first->GetFaceList()->ElementAt(1)), (std::vector<int>{3, 4, 5, 6}));
  CChannel* second = set.GetChannelByIndex(1);
  EXPECT_EQ(second->GetChannelID(), secondId);
  ASSERT_EQ(second->GetPointList()->GetSize(), 3);
  EXPECT_EQ(corners(second->GetFaceList()->ElementAt(1)), (std::vector<int>{2, 1, 2, 1}));
}

TEST(ObjectCombineTest, ConcatenatePerPointColoursStayPerPoint) {
  TriangleAndQuad m;
  auto* colours = new CVCChannel;
  colours->SetFaceList(CHANNEL_VC, nullptr, 1);
  colours->GetVCPointList()->SetSize(4);
  (*colours->GetVCPointList())[0][0] = 40;
  m.quad.AddChannel(colours);
  ASSERT_EQ(m.triangle.Concatenate(&m.quad, 0), 1);
  ASSERT_EQ(m.triangle.GetChannels()->GetSize(), 1);
  auto* carried = static_cast<CVCChannel*>(m.triangle.GetChannels()->GetChannelByIndex(0));
  EXPECT_EQ(carried->GetFaceList(), nullptr);
  ASSERT_EQ(carried->GetPointList()->GetSize(), 7) << "one value per mesh point";
  EXPECT_EQ((*carried->GetVCPointList())[3][0], 40) << "the quad's first point";
}

TEST(ObjectCombineTest, ConcatenateWithClearFirstGivesTheOtherObject) {
  TriangleAndQuad m;
  addTexture(m.triangle, 3, 0.0f, {{0, 1, 2}});
  addTexture(m.quad, 4, 100.0f, {{0, 1, 2, 3}});
  ASSERT_EQ(m.triangle.Concatenate(&m.quad, 1), 1);
  EXPECT_EQ(m.triangle.GetPointNbr(), 4);
  ASSERT_EQ(m.triangle.GetFaceNbr(), 1);
  EXPECT_EQ(corners(m.triangle.GetFaceList()->ElementAt(0)), (std::vector<int>{0, 1, 2, 3}));
  ASSERT_EQ(m.triangle.GetChannels()->GetSize(), 1);
  EXPECT_EQ(m.triangle.GetChannels()->GetChannelByIndex(0)->GetPointList()->GetSize(), 4);
}

TEST(ObjectCombineTest, ConcatenateRefusals) {
  TriangleAndQuad m;
  EXPECT_EQ(m.triangle.Concatenate(nullptr, 0), 0);
  C3DObject empty;
  empty.Init(0, 0, 4, 0, 0);
  EXPECT_EQ(m.triangle.Concatenate(&empty, 0), 0) << "no points";
  m.quad.SetFlag(OBJECT_EMPTY, 1);
  EXPECT_EQ(m.triangle.Concatenate(&m.quad, 0), 0);
  EXPECT_EQ(m.triangle.GetPointNbr(), 3);

  C3DCurve curve;
  curve.SetPointList(new C3DPointList);
  curve.GetPointList()->Add(C3DPoint(1, 2, 3));
  EXPECT_EQ(m.triangle.Concatenate(&curve, 0), 1) << "curves and meshes do not mix";
  EXPECT_EQ(m.triangle.GetPointNbr(), 3);
  EXPECT_EQ(m.triangle.GetFaceNbr(), 1);

  ASSERT_EQ(m.triangle.Concatenate(&m.triangle, 0), 1) << "with itself: a copy is appended";
  EXPECT_EQ(m.triangle.GetPointNbr(), 6);
  EXPECT_EQ(corners(m.triangle.GetFaceList()->ElementAt(1)), (std::vector<int>{3, 4, 5}));
}

// Triangles and quadrangles sharing points, with a texture channel whose
// corners name channel points 10 + mesh index, and per-point colours.
struct MixedMesh {
  C3DObject object;
  std::uint32_t textureId = 0;
  MixedMesh() {
    object.Init(0, 0, 4, 0, 0);
    addPoints(object, 8);
    addFaces(*object.GetFaceList(), {{0, 1, 2}, {2, 1, 3, 4}, {4, 5, 6}, {6, 7, 0, 2}});
    object.GetFaceList()->ElementAt(2)->SetMaterialID(3);
    textureId = addTexture(object, 18, 0.0f,
                           {{10, 11, 12}, {12, 11, 13, 14}, {14, 15, 16}, {16, 17, 10, 12}})
                    ->GetChannelID();
    auto* colours = new CVCChannel;
    colours->SetFaceList(CHANNEL_VC, nullptr, 1);
    colours->GetVCPointList()->SetSize(8);
    for (int i = 0; i < 8; ++i) (*colours->GetVCPointList())[i][0] = static_cast<std::uint8_t>(i);
    object.AddChannel(colours);
    object.AddChannel(new CSpecNormalChannel);
  }
};

TEST(ObjectCombineTest, SubObjectOfTrianglesRenumbersInOrderOfFirstUse) {
  MixedMesh m;
  std::unique_ptr<C3DObject> sub = m.object.SubObject(3, SUBOBJECT_EXACT_SIZE);
  ASSERT_NE(sub, nullptr);
  ASSERT_EQ(sub->GetFaceNbr(), 2);
  EXPECT_EQ(corners(sub->GetFaceList()->ElementAt(0)), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(corners(sub->GetFaceList()->ElementAt(1)), (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(sub->GetFaceList()->ElementAt(1)->GetMaterialID(), 3u);
  ASSERT_EQ(sub->GetPointNbr(), 6);
  const float expectedX[] = {0, 1, 2, 4, 5, 6};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(sub->GetPointList()->ElementAt(i).x, expectedX[i]);

  CDependentChannels& channels = *sub->GetChannels();
  ASSERT_EQ(channels.GetSize(), 2) << "texture and colours, not normals";
  CChannel* texture = channels.GetChannelByID(m.textureId, CHANNEL_UVW);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(corners(texture->GetFaceList()->ElementAt(1)), (std::vector<int>{3, 4, 5}));
  ASSERT_EQ(texture->GetPointList()->GetSize(), 6);
  EXPECT_FLOAT_EQ(static_cast<CUVWChannel*>(texture)->GetUVWPointList()->ElementAt(3).u, 14.0f);
  auto* colours = static_cast<CVCChannel*>(channels.GetChannelByIndex(1));
  EXPECT_EQ(colours->GetFaceList(), nullptr);
  ASSERT_EQ(colours->GetPointList()->GetSize(), 6);
  EXPECT_EQ((*colours->GetVCPointList())[5][0], 6) << "colour of mesh point 6";
  EXPECT_EQ(m.object.GetFaceNbr(), 4) << "the source is left alone";
}

TEST(ObjectCombineTest, SubObjectModes) {
  MixedMesh m;
  std::unique_ptr<C3DObject> quads = m.object.SubObject(3, SUBOBJECT_LARGER);
  ASSERT_NE(quads, nullptr);
  ASSERT_EQ(quads->GetFaceNbr(), 2);
  EXPECT_EQ(corners(quads->GetFaceList()->ElementAt(0)), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(corners(quads->GetFaceList()->ElementAt(1)), (std::vector<int>{4, 5, 6, 0}));
  EXPECT_EQ(quads->GetPointNbr(), 7);
  EXPECT_EQ(quads->GetKindOf(), OBJECT_POLYGONAL);

  EXPECT_EQ(m.object.SubObject(3, static_cast<_SUBOBJECT_MODE>(2)), nullptr);
  EXPECT_EQ(m.object.SubObject(5, SUBOBJECT_EXACT_SIZE), nullptr) << "nothing selected";
  m.object.GetFaceList()->ElementAt(0)->SetFlag(FACE_INVALID, 1);
  std::unique_ptr<C3DObject> one = m.object.SubObject(3, SUBOBJECT_EXACT_SIZE);
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->GetFaceNbr(), 1) << "faces marked for removal are not extracted";
  C3DObject bare;
  EXPECT_EQ(bare.SubObject(3, SUBOBJECT_EXACT_SIZE), nullptr);
}

TEST(ObjectCombineTest, SubObjectGivesNoDataChannelFacesForBadCorners) {
  MixedMesh m;
  CFaceList& texture = *m.object.GetChannels()->GetChannelByIndex(0)->GetFaceList();
  texture.ElementAt(0)->SetFlags(kNoData, 1);
  (*texture.ElementAt(2))[1] = 999;
  std::unique_ptr<C3DObject> sub = m.object.SubObject(3, SUBOBJECT_EXACT_SIZE);
  ASSERT_NE(sub, nullptr);
  CChannel* carried = sub->GetChannels()->GetChannelByID(m.textureId, CHANNEL_UVW);
  ASSERT_NE(carried, nullptr);
  EXPECT_TRUE(carried->GetFaceList()->ElementAt(0)->IsFlagSet(kNoData));
  EXPECT_TRUE(carried->GetFaceList()->ElementAt(1)->IsFlagSet(kNoData));
  EXPECT_EQ(carried->GetPointList()->GetSize(), 0);
}

}  // namespace
