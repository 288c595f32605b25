// Stored form of keys: class id, parameter record, curve class id, the
// curve's own data, then the value; little-endian throughout.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "animation/key_curve.h"
#include "animation/keyframe.h"
#include "animation/matrix_key.h"
#include "animation/vector_key.h"
#include "hostlib/core/archive.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes store(const C3DKeyframe& key) {
  Bytes b;
  CArchive ar(b, CArchive::store);
  const_cast<C3DKeyframe&>(key).Serialize(ar);
  return b;
}

std::unique_ptr<C3DKeyframe> load(const Bytes& b, std::uint32_t classID) {
  auto key = C3DKeyframe::CreateKey(classID, 0);
  CArchive ar(b, CArchive::load);
  key->Serialize(ar);
  EXPECT_EQ(ar.Remaining(), 0u);
  return key;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

const Bytes kNoRecord = {0x00, 0x00};
const Bytes kNoCurve = {0x00, 0x00, 0x00, 0x00};
const Bytes kNoFlags = {0x00, 0x00, 0x00, 0x00};
const Bytes kOne = {0x00, 0x00, 0x80, 0x3F};
const Bytes kTwo = {0x00, 0x00, 0x00, 0x40};
const Bytes kThree = {0x00, 0x00, 0x40, 0x40};
const Bytes kZero = {0x00, 0x00, 0x00, 0x00};
const Bytes kHalf = {0x00, 0x00, 0x00, 0x3F};
const Bytes kTwentyFive = {0x00, 0x00, 0xC8, 0x41};

TEST(KeyArchive, TranslationKeyWithoutCurve) {
  const C3DTranslateKey key(C3DVector(1, 2, 3));
  const Bytes expected =
      cat({{0x49, 0x53, 0x4F, 0x50}, kNoRecord, kNoCurve, kNoFlags, kOne, kTwo, kThree});
  EXPECT_EQ(store(key), expected);
}

TEST(KeyArchive, ScaleKeyWithTCBCurve) {
  auto key = C3DKeyframe::CreateKey(vex3d::kKeyScale, vex3d::kCurveTCB);
  dynamic_cast<C3DTCBCurve*>(key->GetKeyCurve())->SetParameter(1, 0.5f);
  const Bytes expected = cat({{0x4C, 0x41, 0x43, 0x53},
                              kNoRecord,
                              {0x20, 0x42, 0x43, 0x54},
                              kZero,
                              kHalf,
                              kZero,
                              kTwentyFive,
                              kTwentyFive,
                              kNoFlags,
                              kOne,
                              kOne,
                              kOne});
  EXPECT_EQ(store(*key), expected);
}

TEST(KeyArchive, RotationKeyStoresAngleAndAxisNotItsMatrix) {
  C3DRotateKey key(0.5f, C3DVector(0, 0, 2));
  const Bytes expected =
      cat({{0x41, 0x54, 0x4F, 0x52}, kNoRecord, kNoCurve, kHalf, kNoFlags, kZero, kZero, kTwo});
  EXPECT_EQ(store(key), expected);
}

TEST(KeyArchive, MatrixKeyStoresSixteenFloatsRowByRow) {
  C4x4Matrix m;
  m.InitTranslation(2, 0, 0);
  const Bytes b = store(C3DMatrixKey(m));
  ASSERT_EQ(b.size(), 4u + 2u + 4u + 64u);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 4), (Bytes{0x52, 0x54, 0x41, 0x4D}));
  // m00 = 1 first, m03 = 2 fourth.
  EXPECT_EQ(Bytes(b.begin() + 10, b.begin() + 14), kOne);
  EXPECT_EQ(Bytes(b.begin() + 22, b.begin() + 26), kTwo);
}

TEST(KeyArchive, EveryKindRoundTripsByteExact) {
  C4x4Matrix m;
  m.InitRotation(0.3f, 1, 2, 3);
  m.InitTranslation(4, 5, 6);
  std::vector<std::unique_ptr<C3DKeyframe>> keys;
  keys.push_back(std::make_unique<C3DMatrixKey>(m));
  keys.push_back(std::make_unique<C3DRotateKey>(1.25f, C3DVector(0.6f, 0, 0.8f)));
  keys.push_back(std::make_unique<C3DScaleKey>(C3DVector(2, 3, 4)));
  keys.push_back(std::make_unique<C3DTranslateKey>(C3DVector(-1, 0.5f, 7)));
  keys.push_back(std::make_unique<C3DPivotKey>(C3DVector(8, -9, 10)));
  for (auto& key : keys) {
    key->GetCustomData().SetString(vex3d::fourcc("NAME"), "left arm");
    key->CreateCurve(vex3d::kCurveTCB);
    dynamic_cast<C3DTCBCurve*>(key->GetKeyCurve())->SetParameter(4, -1.5f);
    const Bytes first = store(*key);
    auto loaded = load(first, key->GetClassID());
    EXPECT_TRUE(*loaded == *key) << vex3d::fourccToString(key->GetClassID());
    EXPECT_EQ(loaded->GetCustomData().GetString(vex3d::fourcc("NAME")), "left arm");
    ASSERT_NE(loaded->GetKeyCurve(), nullptr);
    EXPECT_EQ(dynamic_cast<C3DTCBCurve*>(loaded->GetKeyCurve())->GetParameter(4), -1.5f);
    EXPECT_EQ(store(*loaded), first);
  }
}

TEST(KeyArchive, LoadingWithoutCurveDropsTheOldOne) {
  const Bytes b = store(C3DTranslateKey(C3DVector(1, 2, 3)));
  C3DTranslateKey key;
  key.CreateCurve(vex3d::kCurveTCB);
  CArchive ar(b, CArchive::load);
  key.Serialize(ar);
  EXPECT_EQ(key.GetKeyCurve(), nullptr);
}

TEST(KeyArchive, UnknownCurveClassIsSkippedAsNoCurve) {
  Bytes b = store(C3DTranslateKey(C3DVector(1, 2, 3)));
  b[6] = 0x58;  // curve class id 0x00000058, which makes no curve
  auto loaded = load(b, vex3d::kKeyTranslation);
  EXPECT_EQ(loaded->GetKeyCurve(), nullptr);
  EXPECT_EQ(dynamic_cast<C3DTranslateKey&>(*loaded).GetVector(), C3DVector(1, 2, 3));
}

TEST(KeyArchive, AnotherKeyClassIsRefused) {
  const Bytes b = store(C3DTranslateKey(C3DVector(1, 2, 3)));
  C3DPivotKey pivot(C3DVector(4, 4, 4));
  CArchive ar(b, CArchive::load);
  try {
    pivot.Serialize(ar);
    FAIL() << "loaded a translation into a pivot key";
  } catch (const CArchiveException& e) {
    EXPECT_EQ(e.m_cause, CArchiveException::badClass);
  }
  EXPECT_EQ(pivot.GetVector(), C3DVector(4, 4, 4));
}

TEST(KeyArchive, TruncatedArchivesThrowAndChangeNothing) {
  std::vector<std::unique_ptr<C3DKeyframe>> keys;
  keys.push_back(std::make_unique<C3DMatrixKey>());
  keys.push_back(std::make_unique<C3DRotateKey>(1.0f, C3DVector(1, 0, 0)));
  keys.push_back(std::make_unique<C3DScaleKey>(C3DVector(2, 2, 2)));
  for (auto& source : keys) {
    source->GetCustomData().SetUInt(vex3d::fourcc("MARK"), 3);
    source->CreateCurve(vex3d::kCurveTCB);
    const Bytes full = store(*source);
    for (std::size_t n = 0; n < full.size(); ++n) {
      const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
      auto key = C3DKeyframe::CreateKey(source->GetClassID(), 0);
      const Bytes before = store(*key);
      CArchive ar(cut, CArchive::load);
      EXPECT_THROW(key->Serialize(ar), CArchiveException) << "at " << n;
      EXPECT_EQ(store(*key), before) << "at " << n;
    }
  }
}

}  // namespace
