#include "mesh/model/dependent_channels.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"
#include "math/matrix4x4.h"
#include "mesh/model/texture_channels.h"

namespace {

// A channel kind that is rebuilt rather than stored, as normal channels are.
class RecomputedChannel : public CChannel {
 public:
  RecomputedChannel() : CChannel(CHANNEL_FACE_NORMAL) {}
  int CanBeRecomputed() const override { return 1; }
  int MatrixTransform(const C4x4Matrix&) override {
    ++transforms;
    return 4;
  }
  int transforms = 0;
};

std::vector<std::uint8_t> storeSet(CDependentChannels& set) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  set.Serialize(ar);
  return bytes;
}

void loadSet(CDependentChannels& set, const std::vector<std::uint8_t>& bytes) {
  CArchive ar(bytes, CArchive::load);
  set.Serialize(ar);
}

// uvw, uvw, vc: absolute indices 0, 1, 2.
struct ThreeChannels {
  CDependentChannels set;
  CUVWChannel* uvw0 = new CUVWChannel;
  CUVWChannel* uvw1 = new CUVWChannel;
  CVCChannel* vc = new CVCChannel;
  ThreeChannels() {
    set.AddChannel(uvw0);
    set.AddChannel(uvw1);
    set.AddChannel(vc);
  }
};

TEST(DependentChannelsTest, PerTypeIndicesCountOnlyTheirType) {
  ThreeChannels t;
  EXPECT_EQ(t.set.GetChannelIndex(t.uvw1->GetChannelID(), 0), 1u);
  EXPECT_EQ(t.set.GetChannelIndex(t.vc->GetChannelID(), 0), 0u);
  EXPECT_EQ(t.set.GetChannelByIndex(1, CHANNEL_UVW, 0), t.uvw1);
  EXPECT_EQ(t.set.GetChannelByIndex(2, CHANNEL_UVW, 0), nullptr);
  EXPECT_EQ(t.set.GetChannelByIndex(2, vex3d::kAllChannelTypes, 0), t.vc);

  t.uvw0->SetFlag(CHANNEL_INVALID, 1);
  EXPECT_EQ(t.set.GetChannelIndex(t.uvw1->GetChannelID(), 1), 0u);
  EXPECT_EQ(t.set.GetChannelIndex(t.uvw0->GetChannelID(), 1), 0xFFFFFFFFu);
  EXPECT_EQ(t.set.GetUVWChannelByIndex(0, 1), t.uvw1);
  EXPECT_EQ(t.set.GetChannelsNumber(CHANNEL_UVW, 1), 1);
  CIntArrayID found;
  EXPECT_EQ(t.set.GetChannels(CHANNEL_UVW | CHANNEL_VC, found, 1), 2);
  EXPECT_EQ(found[0], 1);
  EXPECT_EQ(found[1], 2);
}

TEST(DependentChannelsTest, LookupsByIdAndTypedAccess) {
  ThreeChannels t;
  EXPECT_EQ(t.set.GetChannelByID(t.vc->GetChannelID()), t.vc);
  EXPECT_EQ(t.set.GetChannelByID(t.vc->GetChannelID(), CHANNEL_UVW), nullptr);
  EXPECT_EQ(t.set.GetUVWChannelByID(t.vc->GetChannelID()), nullptr);
  CVCFaceList* faces = nullptr;
  CVCPointList* points = nullptr;
  EXPECT_EQ(t.set.GetVCChannelByID(t.vc->GetChannelID(), &faces, &points), t.vc);
  EXPECT_EQ(faces, t.vc->GetFaceList());
  EXPECT_EQ(points, t.vc->GetPointList());
  EXPECT_EQ(t.set.GetChannelByID(0xFFFFFFF0u), nullptr);
  EXPECT_EQ(t.set.GetChannelType(2), CHANNEL_VC);
  EXPECT_EQ(t.set.GetChannelType(3), 0u);
  EXPECT_THROW(t.set.GetChannelByIndex(3), CInvalidArgException);
  EXPECT_THROW(t.set.RemoveChannelByIndex(-1), CInvalidArgException);
}

TEST(DependentChannelsTest, CopyChannelsModes) {
  CDependentChannels from;
  auto* texture = new CUVWChannel;
  auto* computed = new CUVWChannel;
  computed->SetFlag(CHANNEL_COMPUTED, 1);
  auto* invalid = new CVCChannel;
  invalid->SetFlag(CHANNEL_INVALID, 1);
  from.AddChannel(texture);
  from.AddChannel(computed);
  from.AddChannel(new RecomputedChannel);
  from.AddChannel(invalid);

  CDependentChannels to;
  to.AddChannel(new CVCChannel);
  // Objects copy their channels this way: no computed or normal channel.
  EXPECT_EQ(to.CopyChannels(from, vex3d::kAllChannelTypes, 17), 2);
  ASSERT_EQ(to.GetSize(), 2);
  EXPECT_EQ(to.GetChannelByIndex(0)->GetChannelID(), texture->GetChannelID());
  EXPECT_NE(to.GetChannelByIndex(0), texture);
  EXPECT_EQ(to.GetChannelByIndex(1)->GetChannelID(), invalid->GetChannelID());

  EXPECT_EQ(to.CopyChannels(from, CHANNEL_VC | CHANNEL_UVW,
                            CHANNEL_COPY_APPEND | CHANNEL_COPY_SKIP_INVALID),
            2);
  EXPECT_EQ(to.GetSize(), 4);
  EXPECT_NE(to.GetChannelByIndex(2)->GetChannelID(), texture->GetChannelID());

  CDependentChannels moved;
  EXPECT_EQ(moved.CopyChannels(from, vex3d::kAllChannelTypes, CHANNEL_COPY_MOVE), 4);
  EXPECT_EQ(moved.GetChannelByIndex(3), invalid);
  from.DetachAll();
}

TEST(DependentChannelsTest, RemovingByTypeAndFlag) {
  ThreeChannels t;
  t.uvw1->SetFlag(CHANNEL_COMPUTED, 1);
  EXPECT_EQ(t.set.RemoveChannels(vex3d::kAllChannelTypes, CHANNEL_COMPUTED, 1), 1);
  EXPECT_EQ(t.set.GetSize(), 2);
  EXPECT_EQ(t.set.GetChannelByIndex(1), t.vc);
  EXPECT_EQ(t.set.RemoveChannels(CHANNEL_VC, 0, 0), 1);
  EXPECT_EQ(t.set.RemoveChannelByID(t.uvw0->GetChannelID()), 1);
  EXPECT_EQ(t.set.GetSize(), 0);
}

TEST(DependentChannelsTest, TransformSkipsNearIdentityAndInvalidateMarks) {
  CDependentChannels set;
  auto* normals = new RecomputedChannel;
  set.AddChannel(normals);
  set.AddChannel(new CUVWChannel);
  C4x4Matrix nearIdentity(1);
  nearIdentity.Translate(0.001f, 0.0f, 0.0f);
  EXPECT_EQ(set.MatrixTransform(nearIdentity, vex3d::kAllChannelTypes), 0);
  EXPECT_EQ(normals->transforms, 0);
  C4x4Matrix move(1);
  move.Translate(1.0f, 0.0f, 0.0f);
  EXPECT_EQ(set.MatrixTransform(move, CHANNEL_UVW), 0);
  EXPECT_EQ(set.MatrixTransform(move, vex3d::kAllChannelTypes), 4);
  EXPECT_EQ(normals->transforms, 1);

  set.Invalidate(CHANNEL_UVW);
  EXPECT_TRUE(set.GetChannelByIndex(1)->IsFlagSet(CHANNEL_INVALID));
  EXPECT_FALSE(normals->IsFlagSet(CHANNEL_INVALID));
}

TEST(DependentChannelsTest, AssignmentCopiesKeepingIds) {
  ThreeChannels t;
  CDependentChannels copy;
  copy.AddChannel(new CVCChannel);
  copy = t.set;
  ASSERT_EQ(copy.GetSize(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(copy.GetChannelByIndex(i), t.set.GetChannelByIndex(i));
    EXPECT_EQ(copy.GetChannelByIndex(i)->GetChannelID(),
              t.set.GetChannelByIndex(i)->GetChannelID());
  }
}

TEST(DependentChannelsTest, RecomputedChannelsAreNotStored) {
  CDependentChannels set;
  auto* texture = new CUVWChannel;
  texture->GetPointList()->SetSize(2);
  set.AddChannel(texture);
  set.AddChannel(new RecomputedChannel);
  const std::vector<std::uint8_t> bytes = storeSet(set);
  EXPECT_EQ(bytes[0], 1);  // count

  CDependentChannels loaded;
  loaded.AddChannel(new CVCChannel);
  loadSet(loaded, bytes);
  ASSERT_EQ(loaded.GetSize(), 1);
  EXPECT_EQ(loaded.GetChannelByIndex(0)->GetChannelID(), texture->GetChannelID());
  EXPECT_EQ(loaded.GetChannelByIndex(0)->GetPointList()->GetSize(), 2);
  EXPECT_EQ(storeSet(loaded), bytes);
}

TEST(DependentChannelsTest, BrokenSetLoadsEmpty) {
  ThreeChannels t;
  const std::vector<std::uint8_t> bytes = storeSet(t.set);
  for (std::size_t cut = 1; cut < bytes.size(); cut += 5) {
    CDependentChannels loaded;
    loaded.AddChannel(new CVCChannel);
    const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    EXPECT_THROW(loadSet(loaded, part), CArchiveException) << cut;
    EXPECT_EQ(loaded.GetSize(), 0);
  }
  // A class record naming something that is no channel.
  std::vector<std::uint8_t> notAChannel = {1, 0, 0xFF, 0xFF, 1, 0, 11, 0};
  for (char ch : std::string("C3DFaceList")) notAChannel.push_back(static_cast<std::uint8_t>(ch));
  CDependentChannels loaded;
  EXPECT_THROW(loadSet(loaded, notAChannel), CArchiveException);
  // A null class reference where a channel should be.
  std::vector<std::uint8_t> nullClass(30, 0);
  nullClass[0] = 1;
  EXPECT_THROW(loadSet(loaded, nullClass), CArchiveException);
}

}  // namespace
