#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "hostlib/core/archive.h"
#include "hostlib/core/exceptions.h"
#include "hostlib/text/strings.h"
#include "mesh/model/dependent_channels.h"
#include "mesh/model/texture_channels.h"

namespace {

std::vector<std::uint8_t> storeChannel(CChannel& c) {
  std::vector<std::uint8_t> bytes;
  CArchive ar(bytes, CArchive::store);
  c.Serialize(ar);
  return bytes;
}

void loadChannel(CChannel& c, const std::vector<std::uint8_t>& bytes) {
  CArchive ar(bytes, CArchive::load);
  c.Serialize(ar);
}

// Two triangles sharing an edge, with a texture seam: the mesh edge (1, 2)
// carries coordinate points 1, 2 in face 0 and 3, 4 in face 1.
std::unique_ptr<CUVWChannel> seamedTexture() {
  auto c = std::make_unique<CUVWChannel>();
  CUVWPointList& points = *c->GetUVWPointList();
  for (int i = 0; i < 6; ++i) points.Add(CUVWPoint(0.1f * static_cast<float>(i), 0.5f, 0.0f));
  CUVWFaceList& faces = *c->GetUVWFaceList();
  faces.SetSize(2, 3);
  faces[0]->SetTriangle(0, 1, 2);
  faces[1]->SetTriangle(4, 3, 5);
  return c;
}

TEST(ChannelTest, IdsAreUniqueAndLoadingRaisesTheCounter) {
  CUVWChannel a;
  CVCChannel b;
  EXPECT_NE(a.GetChannelID(), b.GetChannelID());
  EXPECT_EQ(CUVWChannel(77).GetChannelID(), 77u);

  const std::uint32_t far = CChannel::CreateID() + 1000;
  CUVWChannel stored(far);
  const std::vector<std::uint8_t> bytes = storeChannel(stored);
  CUVWChannel loaded;
  loadChannel(loaded, bytes);
  EXPECT_EQ(loaded.GetChannelID(), far);
  EXPECT_GT(CChannel::CreateID(), far);
}

TEST(ChannelTest, CreateMakesOnlyTheStoredKinds) {
  EXPECT_EQ(CChannel::Create(CHANNEL_UVW)->GetType(), CHANNEL_UVW);
  EXPECT_EQ(CChannel::Create(CHANNEL_VC)->GetType(), CHANNEL_VC);
  EXPECT_EQ(CChannel::Create(static_cast<_Channel3DType>(3)), nullptr);
  EXPECT_EQ(CChannel::GetTypeString(CHANNEL_VC), LoadStringW(9260));
  EXPECT_EQ(CChannel::GetTypeString(static_cast<_Channel3DType>(6)), "");
}

TEST(ChannelTest, CopyKeepsTheIdOnlyWhenAsked) {
  auto c = seamedTexture();
  c->SetFlag(CHANNEL_COMPUTED, 1);
  c->GetCustomData().SetUInt(1, 5);

  std::unique_ptr<CChannel> same = c->Copy(CHANNEL_COPY_KEEP_ID);
  ASSERT_NE(dynamic_cast<CUVWChannel*>(same.get()), nullptr);
  EXPECT_EQ(same->GetChannelID(), c->GetChannelID());
  EXPECT_TRUE(same->IsFlagSet(CHANNEL_COMPUTED));
  ASSERT_EQ(same->GetFaceList()->GetSize(), 2);
  EXPECT_EQ((*same->GetFaceList()->ElementAt(1))[0], 4);
  EXPECT_EQ(same->GetPointList()->GetSize(), 6);
  EXPECT_EQ(same->GetCustomData().GetUInt(1), 5u);

  std::unique_ptr<CChannel> fresh = c->Copy(0);
  EXPECT_NE(fresh->GetChannelID(), c->GetChannelID());

  std::unique_ptr<CChannel> shell = c->Copy(CHANNEL_COPY_NO_LISTS);
  EXPECT_EQ(shell->GetFaceList()->GetSize(), 0);
  EXPECT_EQ(c->InitFrom(0)->GetPointList()->GetSize(), 0);
}

TEST(ChannelTest, ArchiveRoundTripIsByteExact) {
  auto c = seamedTexture();
  c->SetFlag(CHANNEL_MASKED_POINTS, 1);
  const std::vector<std::uint8_t> first = storeChannel(*c);
  // type, flags, id, then the face list mark.
  ASSERT_GE(first.size(), 16u);
  EXPECT_EQ(first[0], 1);
  EXPECT_EQ(first[4], 0x10);
  EXPECT_EQ(first[12], 1);

  CUVWChannel loaded;
  loadChannel(loaded, first);
  EXPECT_EQ(loaded.GetChannelID(), c->GetChannelID());
  EXPECT_EQ(storeChannel(loaded), first);
}

TEST(ChannelTest, PerPointChannelStoresNoFaceList) {
  CVCChannel c;
  c.SetFaceList(CHANNEL_VC, nullptr, 1);
  c.GetPointList()->SetSize(3);
  const std::vector<std::uint8_t> bytes = storeChannel(c);
  CVCChannel loaded;
  loadChannel(loaded, bytes);
  EXPECT_EQ(loaded.GetFaceList(), nullptr);
  EXPECT_EQ(loaded.GetPointList()->GetSize(), 3);
}

TEST(ChannelTest, DerivedFlagLoadsStale) {
  auto c = seamedTexture();
  c->SetFlag(CHANNEL_DERIVED, 1);
  CUVWChannel loaded;
  loadChannel(loaded, storeChannel(*c));
  EXPECT_TRUE(loaded.IsFlagSet(CHANNEL_DERIVED | CHANNEL_STALE));
}

TEST(ChannelTest, HostileBytesAreRefused) {
  auto c = seamedTexture();
  std::vector<std::uint8_t> bytes = storeChannel(*c);

  std::vector<std::uint8_t> wrongType = bytes;
  wrongType[0] = 2;
  CUVWChannel a;
  EXPECT_THROW(loadChannel(a, wrongType), CArchiveException);

  std::vector<std::uint8_t> badMark = bytes;
  badMark[12] = 7;
  CUVWChannel b;
  EXPECT_THROW(loadChannel(b, badMark), CArchiveException);

  // A corner pointing past the channel's points empties its face.
  c->GetUVWFaceList()->ElementAt(0)->SetTriangle(0, 1, 6);
  CUVWChannel d;
  loadChannel(d, storeChannel(*c));
  EXPECT_EQ(d.GetFaceList()->ElementAt(0)->GetSize(), 0u);
  EXPECT_TRUE(d.GetFaceList()->ElementAt(0)->IsFlagSet(FACE_CHANNEL_INVALID));
  EXPECT_EQ(d.GetFaceList()->ElementAt(1)->GetSize(), 3u);

  for (std::size_t cut = 0; cut < bytes.size(); cut += 3) {
    CUVWChannel e;
    const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + static_cast<long>(cut));
    EXPECT_THROW(loadChannel(e, part), CArchiveException) << cut;
  }
}

}  // namespace
