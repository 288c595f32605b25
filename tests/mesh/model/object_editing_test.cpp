#include <gtest/gtest.h>

#include <vector>

#include "mesh/mesh_builders.h"
#include "mesh/model/base_object.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/texture_channels.h"
#include "scene/object_kinds.h"

namespace {

std::vector<int> corners(const CFace* f) {
  return std::vector<int>(f->GetIndices(), f->GetIndices() + f->GetSize());
}

class ComputedNormals : public CChannel {
 public:
  ComputedNormals() : CChannel(CHANNEL_FACE_NORMAL) { SetFlag(CHANNEL_COMPUTED, 1); }
};

// A cube whose texture channel repeats the mesh indices shifted by 100, so
// that a channel corner shows which mesh corner it follows.
struct TexturedCube {
  C3DObject cube;
  CUVWChannel* uvw = new CUVWChannel;
  explicit TexturedCube(bool inward = false) {
    cube.Init(0, 0, 4, 0, 0);
    vex3d::test::addCube(*cube.GetPointList(), *cube.GetFaceList(), 0.0f, inward);
    uvw->GetPointList()->SetSize(108);
    CFaceList& t = *uvw->GetFaceList();
    t.SetSize(*cube.GetFaceList());
    for (int f = 0; f < 6; ++f) {
      const CFace* m = cube.GetFaceList()->ElementAt(f);
      for (std::uint32_t k = 0; k < 4; ++k) (*t.ElementAt(f))[k] = (*m)[k] + 100;
    }
    cube.AddChannel(uvw);
  }
  CFaceList& Texture() { return *cube.GetChannels()->GetChannelByIndex(0)->GetFaceList(); }
};

TEST(ObjectEditingTest, TriangulateCarriesChannelCorners) {
  TexturedCube t;
  t.cube.AddChannel(new ComputedNormals);
  t.cube.Invalidate(0xFFFFFFFF, 0);
  ASSERT_EQ(t.cube.Triangulate(static_cast<_FACE_PROPERTIES>(0), 1), 1);
  EXPECT_EQ(t.cube.GetFaceNbr(), 12);
  ASSERT_EQ(t.cube.GetChannels()->GetSize(), 1) << "computed channels go";
  CFaceList& texture = t.Texture();
  ASSERT_EQ(texture.GetSize(), 12);
  for (int f = 0; f < 12; ++f) {
    const std::vector<int> mesh = corners(t.cube.GetFaceList()->ElementAt(f));
    const std::vector<int> channel = corners(texture.ElementAt(f));
    ASSERT_EQ(mesh.size(), 3u);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(channel[k], mesh[k] + 100);
  }
  EXPECT_TRUE(t.cube.IsInvalidate(0x10040000));
  EXPECT_EQ(t.cube.Triangulate(static_cast<_FACE_PROPERTIES>(0), 1), 0) << "nothing left to cut";
}

TEST(ObjectEditingTest, TriangulateOnlySelectedFaces) {
  TexturedCube t;
  t.cube.GetFaceList()->ElementAt(1)->SetFlags(0x100, 1);
  t.cube.GetFaceList()->ElementAt(4)->SetFlags(0x100, 1);
  ASSERT_EQ(t.cube.Triangulate(static_cast<_FACE_PROPERTIES>(0x100), 1), 1);
  EXPECT_EQ(t.cube.GetFaceNbr(), 8);
  EXPECT_EQ(t.Texture().GetSize(), 8);

  C3DCurve curve;
  EXPECT_EQ(curve.Triangulate(static_cast<_FACE_PROPERTIES>(0), 1), 0);
}

TEST(ObjectEditingTest, UnifyNormalsFlipsTheValidChannelFacesToo) {
  TexturedCube t(true);
  auto* stale = new CVCChannel;
  stale->GetFaceList()->SetSize(*t.cube.GetFaceList());
  stale->GetFaceList()->ElementAt(0)->SetQuadrangle(0, 1, 2, 3);
  stale->SetFlag(CHANNEL_INVALID, 1);
  t.cube.AddChannel(stale);
  ASSERT_EQ(t.cube.UnifyNormals(), 1);
  for (int f = 0; f < 6; ++f) {
    const std::vector<int> mesh = corners(t.cube.GetFaceList()->ElementAt(f));
    const std::vector<int> channel = corners(t.Texture().ElementAt(f));
    for (int k = 0; k < 4; ++k) EXPECT_EQ(channel[k], mesh[k] + 100);
  }
  EXPECT_EQ(corners(stale->GetFaceList()->ElementAt(0)), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(t.cube.UnifyNormals(), 0);
}

}  // namespace
