#include "mesh/model/base_object.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"
#include "hostlib/text/strings.h"
#include "mesh/algorithms/patch.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/face_lists.h"
#include "mesh/model/point_lists.h"
#include "mesh/model/texture_channels.h"
#include "scene/object_creator.h"
#include "scene/object_kinds.h"

namespace {

class ComputedNormals : public CChannel {
 public:
  ComputedNormals() : CChannel(CHANNEL_POINT_NORMAL) { SetFlag(CHANNEL_COMPUTED, 1); }
  int CanBeRecomputed() const override { return 1; }
};

// Two triangles on four points, with a texture channel.
void fillQuad(C3DObject& o) {
  o.Init(4, 2, 3, 1, 4);
  C3DPointList& p = *o.GetPointList();
  p[0].Init(0, 0, 0);
  p[1].Init(1, 0, 0);
  p[2].Init(1, 1, 0);
  p[3].Init(0, 1, 2);
  C3DFaceList& f = *o.GetFaceList();
  f[0]->SetTriangle(0, 1, 2);
  f[1]->SetTriangle(0, 2, 3);
  f[1]->SetMaterialID(4);
  CFaceList& t = *o.GetChannels()->GetChannelByIndex(0)->GetFaceList();
  t.ElementAt(0)->SetTriangle(0, 1, 2);
  t.ElementAt(1)->SetTriangle(0, 2, 3);
}

std::vector<std::uint8_t> store(C3DBaseObject& o) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  o.Serialize(ar);
  return bytes;
}

void load(C3DBaseObject& o, const std::vector<std::uint8_t>& bytes) {
  CArchive ar(bytes, CArchive::load);
  o.Serialize(ar);
}

TEST(BaseObjectTest, SmoothAngleLimitsAndNormalChannels) {
  C3DObject o;
  o.AddChannel(new ComputedNormals);
  EXPECT_FLOAT_EQ(o.GetSmoothAngle(), vex3d::globalSmoothAngle());
  o.SetSmoothAngle(3.2f);
  o.SetSmoothAngle(-0.1f);
  EXPECT_EQ(o.GetOwnSmoothAngle(), -1.0f);
  EXPECT_EQ(o.GetChannels()->GetSize(), 1);
  o.SetSmoothAngle(0.5f);
  EXPECT_EQ(o.GetChannels()->GetSize(), 0);
  o.AddChannel(new ComputedNormals);
  o.SetSmoothAngle(0.5f);
  EXPECT_EQ(o.GetChannels()->GetSize(), 1) << "the same angle keeps the normals";
}

TEST(BaseObjectTest, InvalidateMasks) {
  C3DObject a;
  a.Invalidate(0xFFFFFFFF, 0);
  a.Invalidate(0x06, 1);
  EXPECT_EQ(a.GetUpdateFlags(), 0x10070000u);
  C3DObject b;
  b.Invalidate(0xFFFFFFFF, 0);
  b.Invalidate(0x04, 1);
  EXPECT_EQ(b.GetUpdateFlags(), 0x10040000u);
  b.Invalidate(0x08, 1);
  EXPECT_EQ(b.GetUpdateFlags(), 0x10060000u);
  b.Invalidate(0x10000000, 0);
  EXPECT_EQ(b.GetUpdateFlags(), 0x00060000u);
}

TEST(BaseObjectTest, BoxesAndCentre) {
  C3DObject o;
  o.Init(3, 0, 3, 0, 0);
  (*o.GetPointList())[1].Init(1, 0, 0);
  (*o.GetPointList())[2].Init(1, 0, 0);
  C3DPoint c;
  ASSERT_EQ(o.GetCG(c), 1);
  EXPECT_FLOAT_EQ(c[0], 0.5f);
  EXPECT_FLOAT_EQ(c[1], 0.0f);

  C3DObject q;
  fillQuad(q);
  C3DPoint min;
  C3DPoint max;
  EXPECT_EQ(q.GetBoundingBox(min, max, 1), 1);
  EXPECT_FLOAT_EQ(max[2], 2.0f);
  // The cache answers until the faces are said to have changed.
  q.GetFaceList()->ElementAt(1)->SetFlags(FACE_INVALID, 1);
  q.GetBoundingBox(min, max, 1);
  EXPECT_FLOAT_EQ(max[2], 2.0f);
  q.Invalidate(0x06, 1);
  q.GetBoundingBox(min, max, 1);
  EXPECT_FLOAT_EQ(max[2], 0.0f);
  EXPECT_EQ(q.GetBoundingBox(min, max, 0), 1);
  EXPECT_FLOAT_EQ(max[2], 2.0f);
}

TEST(BaseObjectTest, CleaningEverythingAwayLeavesAnEmptyObject) {
  C3DObject o;
  fillQuad(o);
  o.GetFaceList()->SetFacesFlags(FACE_INVALID, 1);
  EXPECT_NE(o.Clean(), 0);
  EXPECT_TRUE(o.IsFlagSet(OBJECT_EMPTY));
  C3DPoint min;
  C3DPoint max;
  EXPECT_EQ(o.GetBoundingBox(min, max, 0), 0);
  EXPECT_EQ(o.GetChannels()->GetChannelByIndex(0)->GetFaceList()->GetSize(), 0);
  EXPECT_EQ(o.FlipNormals(), 0);
}

TEST(BaseObjectTest, FlipAndReplaceMaterial) {
  C3DObject o;
  fillQuad(o);
  auto* broken = new CVCChannel;
  broken->SetFlag(CHANNEL_INVALID, 1);
  broken->GetFaceList()->SetSize(1, 3);
  broken->GetFaceList()->ElementAt(0)->SetTriangle(0, 1, 2);
  o.AddChannel(broken);
  o.AddChannel(new ComputedNormals);
  ASSERT_EQ(o.FlipNormals(), 1);
  EXPECT_EQ((*o.GetFaceList()->ElementAt(0))[0], 2);
  EXPECT_EQ((*o.GetChannels()->GetChannelByIndex(0)->GetFaceList()->ElementAt(0))[0], 2);
  EXPECT_EQ((*broken->GetFaceList()->ElementAt(0))[0], 0);
  EXPECT_EQ(o.GetChannels()->GetSize(), 2) << "computed channels go";

  EXPECT_EQ(o.ReplaceMaterial(4, 4), 0);
  EXPECT_EQ(o.ReplaceMaterial(9, 5), 0);
  EXPECT_EQ(o.ReplaceMaterial(4, 5), 1);
  EXPECT_TRUE(o.GetMaterialsHash()->Contains(5u));
}

TEST(BaseObjectTest, CopyFollowsKindsAndKeepsChannelIds) {
  C3DObject o;
  fillQuad(o);
  o.AddChannel(new ComputedNormals);
  o.GetCustomData().SetUInt(1, 2);
  o.SetSmoothAngle(0.25f);

  std::unique_ptr<C3DBaseObject> copy = o.Copy(0x10, nullptr);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetKindOf(), OBJECT_POLYGONAL);
  EXPECT_NE(copy->GetFaceList(), o.GetFaceList());
  EXPECT_EQ(copy->GetFaceNbr(), 2);
  EXPECT_EQ(copy->GetPointNbr(), 4);
  ASSERT_EQ(copy->GetChannels()->GetSize(), 1);
  EXPECT_EQ(copy->GetChannels()->GetChannelByIndex(0)->GetChannelID(),
            o.GetChannels()->GetChannelByIndex(0)->GetChannelID());
  EXPECT_EQ(copy->GetOwnSmoothAngle(), 0.25f);
  EXPECT_EQ(copy->GetCustomData().GetUInt(1), 2u);
  EXPECT_TRUE(copy->IsInvalidate(UPDATE_UVW));
  const std::vector<std::uint8_t>* source = copy->GetCustomData().GetBinary(0x52464F42);
  ASSERT_NE(source, nullptr);
  ASSERT_EQ(source->size(), 8u);
  std::uint64_t address = 0;
  std::memcpy(&address, source->data(), 8);
  EXPECT_EQ(address, reinterpret_cast<std::uint64_t>(&o));

  C3DMeshObjectCreator meshes;
  C3DCurve curve;
  curve.SetPointList(new C3DPointList);
  EXPECT_EQ(curve.Copy(0, &meshes), nullptr);
  C3DPatch patch;
  patch.SetPointList(new C3DPointList);
  patch.SetFaceList(new C3DFaceList);
  std::unique_ptr<C3DBaseObject> flat = patch.Copy(0, &meshes);
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(flat->GetKindOf(), OBJECT_POLYGONAL);
  curve.SetMaterialID(6);
  std::unique_ptr<C3DBaseObject> curveCopy = curve.Copy(0, nullptr);
  ASSERT_NE(curveCopy, nullptr);
  EXPECT_EQ(static_cast<C3DCurve*>(*curveCopy)->GetMaterialID(), 6u);
  EXPECT_EQ(curveCopy->GetFaceList(), nullptr);
}

TEST(BaseObjectTest, ArchiveRoundTrip) {
  C3DObject o;
  fillQuad(o);
  o.SetFaceMode(3);
  o.SetGlobalVCChannel(7, 0.5f);
  o.AddChannel(new ComputedNormals);
  const std::vector<std::uint8_t> bytes = store(o);
  C3DObject loaded;
  load(loaded, bytes);
  EXPECT_EQ(loaded.GetFaceNbr(), 2);
  EXPECT_EQ(loaded.GetPointNbr(), 4);
  EXPECT_EQ(loaded.GetFaceMode(), 3u);
  float value = 0;
  EXPECT_EQ(loaded.GetGlobalVCChannel(value), 7u);
  EXPECT_EQ(value, 0.5f);
  EXPECT_EQ(loaded.GetChannels()->GetSize(), 1);
  EXPECT_TRUE(loaded.IsInvalidate(0x10070000));
  EXPECT_EQ(store(loaded), bytes);
}

TEST(BaseObjectTest, LoadingWithoutFaceListKeepsTheCurrentOne) {
  C3DObject stored;
  stored.SetPointList(new C3DPointList);
  stored.GetPointList()->SetSize(5);
  C3DObject target;
  fillQuad(target);
  C3DFaceList* faces = target.GetFaceList();
  load(target, store(stored));
  EXPECT_EQ(target.GetFaceList(), faces);
  EXPECT_EQ(target.GetPointNbr(), 5);
  // The texture channel was replaced by the stored (empty) set.
  EXPECT_EQ(target.GetChannels()->GetSize(), 0);
}

TEST(BaseObjectTest, BrokenFilesAreRefusedOrMended) {
  C3DObject o;
  fillQuad(o);
  o.GetFaceList()->ElementAt(1)->SetTriangle(0, 2, 4);  // point 4 is missing
  C3DObject mended;
  load(mended, store(o));
  ASSERT_EQ(mended.GetFaceNbr(), 2);
  EXPECT_EQ(mended.GetFaceList()->ElementAt(1)->GetSize(), 0u);
  EXPECT_TRUE(mended.GetFaceList()->ElementAt(1)->IsFlagSet(FACE_INVALID));
  EXPECT_EQ(mended.GetFaceList()->ElementAt(0)->GetSize(), 3u);

  o.GetFaceList()->ElementAt(1)->SetTriangle(0, 2, 3);
  const std::vector<std::uint8_t> good = store(o);
  C3DObject target;
  fillQuad(target);
  std::vector<std::uint8_t> truncated(good.begin(), good.end() - 3);
  EXPECT_THROW(load(target, truncated), CArchiveException);
  EXPECT_EQ(target.GetFaceNbr(), 2) << "what the user had stays";
  EXPECT_EQ((*target.GetFaceList()->ElementAt(1))[2], 3);
  for (std::size_t cut = 0; cut < good.size(); cut += 7) {
    C3DObject partial;
    const std::vector<std::uint8_t> part(good.begin(), good.begin() + static_cast<long>(cut));
    EXPECT_THROW(load(partial, part), CArchiveException) << cut;
  }
}

TEST(BaseObjectTest, ChannelOutOfStepLoadsInvalid) {
  C3DObject o;
  fillQuad(o);
  o.GetChannels()->GetChannelByIndex(0)->GetFaceList()->SetSize(1, 3);
  C3DObject loaded;
  load(loaded, store(o));
  EXPECT_TRUE(loaded.GetChannels()->GetChannelByIndex(0)->IsFlagSet(CHANNEL_INVALID));
}

}  // namespace
