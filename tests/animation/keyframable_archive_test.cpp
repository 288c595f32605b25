// Stored form of a key container: a signed 64-bit record count, then per
// record the time, the key class and the key's own data.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "animation/keyframable.h"
#include "animation/matrix_key.h"
#include "animation/vector_key.h"
#include "hostlib/core/archive.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using vex3d::kFindExact;
using vex3d::kKeyRotation;
using vex3d::kKeyScale;
using vex3d::kKeyTranslation;

Bytes store(C3DKeyframable& k) {
  Bytes b;
  CArchive ar(b, CArchive::store);
  k.Serialize(ar);
  return b;
}

void load(C3DKeyframable& k, const Bytes& b) {
  CArchive ar(b, CArchive::load);
  k.Serialize(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Bytes kCountOne = {0x01, 0, 0, 0, 0, 0, 0, 0};
const Bytes kPosi = {0x49, 0x53, 0x4F, 0x50};
// A translation key (1, 2, 3) without parameters or curve.
const Bytes kTranslationKey = cat({kPosi,
                                   {0x00, 0x00},
                                   {0, 0, 0, 0},
                                   {0, 0, 0, 0},
                                   {0x00, 0x00, 0x80, 0x3F},
                                   {0x00, 0x00, 0x00, 0x40},
                                   {0x00, 0x00, 0x40, 0x40}});

C3DKeyframable holdingAKey() {
  C3DKeyframable k;
  k.AddKey(3, std::make_unique<C3DScaleKey>(C3DVector(2, 2, 2)));
  return k;
}

TEST(KeyframableArchive, CountsOfZeroAndBelowHoldNoRecords) {
  C3DKeyframable k;
  EXPECT_EQ(store(k), Bytes(8, 0));
  for (const Bytes& count : {Bytes(8, 0), Bytes(8, 0xFF)}) {
    C3DKeyframable loaded = holdingAKey();
    load(loaded, count);
    EXPECT_EQ(loaded.GetKeyNbr(), 0);
  }
}

TEST(KeyframableArchive, GoldenBytesOfOneRecord) {
  C3DKeyframable k;
  k.AddKey(-2, std::make_unique<C3DTranslateKey>(C3DVector(1, 2, 3)));
  const Bytes expected = cat({kCountOne, {0xFE, 0xFF, 0xFF, 0xFF}, kPosi, kTranslationKey});
  EXPECT_EQ(store(k), expected);

  C3DKeyframable loaded;
  load(loaded, expected);
  ASSERT_EQ(loaded.GetKeyNbr(), 1);
  int t = 0;
  const auto* key = dynamic_cast<const C3DTranslateKey*>(loaded.GetKeyByIndex(0, &t));
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(t, -2);
  EXPECT_EQ(key->GetVector().z, 3.0f);
  C4x4Matrix m;
  m.InitTranslation(1, 2, 3);
  EXPECT_EQ(key->ToMatrix(), m);
}

TEST(KeyframableArchive, RoundTripKeepsOrderTimesClassesValuesAndCurves) {
  C3DKeyframable k;
  k.AddKey(10, std::make_unique<C3DTranslateKey>(C3DVector(10, 0, 0)));
  k.AddKey(0, std::make_unique<C3DRotateKey>(0.5f, C3DVector(0, 1, 0)));
  auto scale = C3DKeyframe::CreateKey(kKeyScale, vex3d::kCurveTCB);
  dynamic_cast<C3DTCBCurve&>(*scale->GetKeyCurve()).SetParameter(2, 0.75f);
  dynamic_cast<C3DScaleKey&>(*scale).SetVector(C3DVector(1, 2, 3));
  k.AddKey(10, std::move(scale));
  C4x4Matrix m;
  m.InitScale(C3DVector(4, 5, 6));
  k.AddKey(-7, std::make_unique<C3DMatrixKey>(m));
  k.AddKey(0, std::make_unique<C3DPivotKey>(C3DVector(0, 0, 9)));

  const Bytes bytes = store(k);
  C3DKeyframable loaded = holdingAKey();
  load(loaded, bytes);
  ASSERT_EQ(loaded.GetKeyNbr(), k.GetKeyNbr());
  for (int i = 0; i < k.GetKeyNbr(); ++i) {
    int t0 = 0;
    int t1 = 1;
    const C3DKeyframe* a = k.GetKeyByIndex(i, &t0);
    const C3DKeyframe* b = loaded.GetKeyByIndex(i, &t1);
    EXPECT_EQ(t0, t1) << i;
    EXPECT_EQ(a->GetClassID(), b->GetClassID()) << i;
    EXPECT_TRUE(*a == *b) << i;
  }
  float angle = 0.0f;
  dynamic_cast<const C3DRotateKey&>(*loaded.GetConstKey(0, kFindExact, kKeyRotation))
      .GetRotation(angle);
  EXPECT_EQ(angle, 0.5f);
  const auto* curve = dynamic_cast<const C3DTCBCurve*>(
      loaded.GetConstKey(10, kFindExact, kKeyScale)->GetKeyCurve());
  ASSERT_NE(curve, nullptr);
  EXPECT_EQ(curve->GetParameter(2), 0.75f);
  EXPECT_EQ(store(loaded), bytes);
}

TEST(KeyframableArchive, LoadingOrdersRecordsAndReplacesRepeats) {
  const Bytes later = cat({{9, 0, 0, 0}, kPosi, kTranslationKey});
  const Bytes earlier = cat({{1, 0, 0, 0}, kPosi, kTranslationKey});
  C3DKeyframable k;
  load(k, cat({{3, 0, 0, 0, 0, 0, 0, 0}, later, earlier, later}));
  ASSERT_EQ(k.GetKeyNbr(), 2);
  EXPECT_EQ(k.GetTimeRange(0), CTimeRange(1, 9));
}

void expectRefused(const Bytes& bytes, CArchiveException::Cause cause) {
  C3DKeyframable k = holdingAKey();
  CArchive ar(bytes, CArchive::load);
  try {
    k.Serialize(ar);
    ADD_FAILURE() << "loaded";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, cause);
  }
  // Loading starts by deleting the keys; nothing read before the error stays.
  EXPECT_EQ(k.GetKeyNbr(), 0);
}

TEST(KeyframableArchive, UnknownOrMismatchedKeyClassesAreRefused) {
  const Bytes good = cat({{1, 0, 0, 0}, kPosi, kTranslationKey});
  const Bytes unknown = cat({{2, 0, 0, 0}, {'X', 'X', 'X', 'X'}, kTranslationKey});
  expectRefused(cat({{2, 0, 0, 0, 0, 0, 0, 0}, good, unknown}), CArchiveException::badIndex);
  const Bytes zero = cat({{2, 0, 0, 0}, {0, 0, 0, 0}, kTranslationKey});
  expectRefused(cat({kCountOne, zero}), CArchiveException::badIndex);
  // A scale record holding a translation key.
  const Bytes mismatch = cat({{2, 0, 0, 0}, {0x4C, 0x41, 0x43, 0x53}, kTranslationKey});
  expectRefused(cat({kCountOne, mismatch}), CArchiveException::badClass);
}

TEST(KeyframableArchive, TruncatedOrOvercountedInputIsRefused) {
  const Bytes good = cat({{1, 0, 0, 0}, kPosi, kTranslationKey});
  Bytes truncated = cat({kCountOne, good});
  truncated.pop_back();
  expectRefused(truncated, CArchiveException::endOfFile);
  expectRefused(cat({{2, 0, 0, 0, 0, 0, 0, 0}, good}), CArchiveException::endOfFile);
  expectRefused(cat({{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, good}),
                CArchiveException::endOfFile);
  expectRefused(Bytes{1, 0, 0}, CArchiveException::endOfFile);
}

}  // namespace
