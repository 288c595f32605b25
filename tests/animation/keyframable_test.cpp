#include "animation/keyframable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <numbers>

#include "animation/animatable.h"
#include "animation/matrix_key.h"
#include "animation/time_range.h"
#include "animation/vector_key.h"
#include "hostlib/core/exceptions.h"
#include "math/quaternion.h"

namespace {

using vex3d::kFindAtOrBefore;
using vex3d::kFindExact;
using vex3d::kFindNext;
using vex3d::kFindPrevious;
using vex3d::kKeyMatrix;
using vex3d::kKeyRotation;
using vex3d::kKeyScale;
using vex3d::kKeyTranslation;

std::unique_ptr<C3DKeyframe> translation(float x) {
  return std::make_unique<C3DTranslateKey>(C3DVector(x, 0, 0));
}

float xOf(const C3DKeyframe* key) { return dynamic_cast<const C3DVectorKey&>(*key).GetVector().x; }

// Translations at 0 (x 0), 5 (x 5) and 10 (x 10), with a scale key at 5 that
// comes before the translation there.
C3DKeyframable sample() {
  C3DKeyframable k;
  k.AddKey(10, translation(10));
  k.AddKey(0, translation(0));
  k.AddKey(5, std::make_unique<C3DScaleKey>(C3DVector(2, 2, 2)));
  k.AddKey(5, translation(5));
  return k;
}

TEST(Animatable, KeyTimeComesFromTheOverriddenLookup) {
  struct OneKey : C3DAnimatable {
    C3DTranslateKey key;
    const C3DKeyframe* GetConstKey(int, unsigned flags, std::uint32_t,
                                   int* keyTime) const override {
      if (!(flags & kFindNext)) return C3DAnimatable::GetConstKey(0, 0, 0, keyTime);
      if (keyTime) *keyTime = 7;
      return &key;
    }
  } animatable;
  EXPECT_EQ(animatable.GetKeyTime(2, kFindNext, 0), 7);
  EXPECT_EQ(animatable.GetKeyTime(2, kFindPrevious, 0), 2);
}

TEST(Keyframable, EmptyContainer) {
  const C3DKeyframable k;
  EXPECT_EQ(k.GetTimeRange(0), CTimeRange(0, 0));
  EXPECT_EQ(k.GetTimeRange(), CTimeRange(0, 0));
  int keyTime = 0;
  EXPECT_EQ(k.GetConstKey(3, kFindAtOrBefore, 0, &keyTime), nullptr);
  EXPECT_EQ(keyTime, -1);
  C3DTranslateKey key(C3DVector(1, 2, 3));
  EXPECT_EQ(k.Evaluate(3, key), 0);
  EXPECT_EQ(key.GetVector().x, 1.0f);
  EXPECT_EQ(k.GetKeyNbr(), 0);
  EXPECT_THROW(k.GetKeyByIndex(0), CInvalidArgException);
  EXPECT_EQ(k.GetKeyByIndex(0, nullptr, kKeyScale), nullptr);
}

TEST(KeyframableLookup, SingleFlags) {
  const C3DKeyframable k = sample();
  int t = 0;
  EXPECT_EQ(xOf(k.GetConstKey(5, kFindPrevious, kKeyTranslation, &t)), 0.0f);
  EXPECT_EQ(t, 0);
  EXPECT_EQ(xOf(k.GetConstKey(5, kFindNext, kKeyTranslation, &t)), 10.0f);
  EXPECT_EQ(t, 10);
  EXPECT_EQ(xOf(k.GetConstKey(5, kFindExact, kKeyTranslation, &t)), 5.0f);
  EXPECT_EQ(t, 5);
  // Strictly before and strictly after: nothing beyond the ends.
  EXPECT_EQ(k.GetConstKey(0, kFindPrevious, kKeyTranslation, &t), nullptr);
  EXPECT_EQ(t, -1);
  EXPECT_EQ(k.GetConstKey(10, kFindNext, kKeyTranslation, &t), nullptr);
  EXPECT_EQ(k.GetConstKey(4, kFindExact, kKeyTranslation), nullptr);
  EXPECT_EQ(k.GetConstKey(5, 0, 0, &t), nullptr);
  EXPECT_EQ(t, -1);
}

TEST(KeyframableLookup, CombinedFlags) {
  const C3DKeyframable k = sample();
  int t = 0;
  // At or before: the exact key wins over earlier ones.
  EXPECT_EQ(xOf(k.GetConstKey(5, kFindAtOrBefore, kKeyTranslation, &t)), 5.0f);
  EXPECT_EQ(t, 5);
  EXPECT_EQ(xOf(k.GetConstKey(9, kFindAtOrBefore, kKeyTranslation, &t)), 5.0f);
  EXPECT_EQ(xOf(k.GetConstKey(-1, kFindExact | kFindNext, kKeyTranslation)), 0.0f);
  // A later key found with the next flag replaces an exact one.
  EXPECT_EQ(xOf(k.GetConstKey(5, kFindExact | kFindNext, kKeyTranslation, &t)), 10.0f);
  EXPECT_EQ(xOf(k.GetConstKey(10, kFindExact | kFindNext, kKeyTranslation, &t)), 10.0f);
  // Next takes precedence over previous.
  EXPECT_EQ(xOf(k.GetConstKey(5, kFindPrevious | kFindNext, kKeyTranslation)), 10.0f);
}

TEST(KeyframableLookup, ClassesFilterAndZeroMatchesAll) {
  const C3DKeyframable k = sample();
  int t = 0;
  EXPECT_EQ(k.GetConstKey(5, kFindExact, kKeyScale, &t)->GetClassID(), kKeyScale);
  EXPECT_EQ(k.GetConstKey(5, kFindPrevious, kKeyScale, &t), nullptr);
  EXPECT_EQ(k.GetConstKey(0, kFindNext, kKeyScale, &t)->GetClassID(), kKeyScale);
  EXPECT_EQ(t, 5);
  // Any class: the last record at the time, and the nearest record after.
  EXPECT_EQ(k.GetConstKey(5, kFindExact, 0)->GetClassID(), kKeyTranslation);
  EXPECT_EQ(k.GetConstKey(0, kFindNext, 0)->GetClassID(), kKeyScale);
  EXPECT_EQ(k.GetConstKey(5, kFindExact, kKeyRotation), nullptr);
}

TEST(KeyframableLookup, KeyTimeFallsBackToTheAskedTime) {
  const C3DKeyframable k = sample();
  EXPECT_EQ(k.GetKeyTime(10, kFindNext, kKeyTranslation), 10);
  EXPECT_EQ(k.GetKeyTime(12, kFindNext, kKeyScale), 12);
  EXPECT_EQ(k.GetKeyTime(7, kFindNext, kKeyTranslation), 10);
  EXPECT_EQ(k.GetKeyTime(7, kFindPrevious, kKeyScale), 5);
}

TEST(KeyframableLookup, GetKeyAssignsTheFoundKey) {
  C3DKeyframable k = sample();
  C3DTranslateKey key;
  int t = 0;
  EXPECT_EQ(k.GetKey(7, kFindAtOrBefore, key, &t), 1);
  EXPECT_EQ(key.GetVector().x, 5.0f);
  EXPECT_EQ(t, 5);
  C3DScaleKey scale(C3DVector(3, 3, 3));
  EXPECT_EQ(k.GetKey(12, kFindNext, scale, &t), 0);
  EXPECT_EQ(scale.GetVector().x, 3.0f);
  EXPECT_EQ(t, -1);
  // The non-const lookup hands out the stored key itself.
  dynamic_cast<C3DVectorKey*>(k.GetKey(10, kFindExact, kKeyTranslation))
      ->SetVector(C3DVector(11, 0, 0));
  EXPECT_EQ(xOf(k.GetConstKey(10, kFindExact, kKeyTranslation)), 11.0f);
}

TEST(KeyframableInsertion, KeepsTimeOrderAndAnswersTheIndex) {
  C3DKeyframable k;
  EXPECT_EQ(k.AddKey(10, translation(10)), 0u);
  EXPECT_EQ(k.AddKey(0, translation(0)), 0u);
  EXPECT_EQ(k.AddKey(5, translation(5)), 1u);
  // Another class at an occupied time goes after the records there.
  EXPECT_EQ(k.AddKey(5, std::make_unique<C3DScaleKey>()), 2u);
  EXPECT_EQ(k.AddKey(-4, std::make_unique<C3DScaleKey>()), 0u);
  const int expected[] = {-4, 0, 5, 5, 10};
  ASSERT_EQ(k.GetKeyNbr(), 5);
  for (int i = 0; i < 5; ++i) {
    int t = 99;
    ASSERT_NE(k.GetKeyByIndex(i, &t), nullptr);
    EXPECT_EQ(t, expected[i]) << i;
  }
  EXPECT_EQ(k.GetKeyByIndex(3)->GetClassID(), kKeyScale);
}

TEST(KeyframableInsertion, SameTimeAndClassReplaces) {
  C3DKeyframable k = sample();
  // The old key is deleted: ASan reports it otherwise.
  EXPECT_EQ(k.AddKey(5, translation(50)), 2u);
  EXPECT_EQ(k.GetKeyNbr(), 4);
  EXPECT_EQ(k.GetKeyNbr(kKeyTranslation), 3);
  EXPECT_EQ(xOf(k.GetConstKey(5, kFindExact, kKeyTranslation)), 50.0f);
  EXPECT_EQ(k.GetConstKey(5, kFindExact, kKeyScale)->GetClassID(), kKeyScale);
  EXPECT_EQ(k.AddKey(5, std::make_unique<C3DScaleKey>()), 1u);
  EXPECT_EQ(k.GetKeyNbr(), 4);
}

TEST(KeyframableInsertion, NullAndCopies) {
  C3DKeyframable k = sample();
  EXPECT_EQ(k.AddKey(3, static_cast<C3DKeyframe*>(nullptr)), vex3d::kNoKeyIndex);
  EXPECT_EQ(k.AddKey(3, std::unique_ptr<C3DKeyframe>()), vex3d::kNoKeyIndex);
  EXPECT_EQ(k.GetKeyNbr(), 4);

  const C3DTranslateKey source(C3DVector(3, 0, 0));
  EXPECT_EQ(k.AddKey(3, source), 1u);
  const C3DKeyframe* stored = k.GetConstKey(3, kFindExact, kKeyTranslation);
  EXPECT_NE(stored, &source);
  EXPECT_TRUE(*stored == source);

  EXPECT_EQ(k.AddKey(4, new C3DRotateKey(1.0f, C3DVector(0, 0, 1))), 2u);
}

TEST(KeyframableInsertion, CreateKeyReusesOrMakes) {
  C3DKeyframable k = sample();
  C3DKeyframe* existing = k.GetKey(5, kFindExact, kKeyTranslation);
  EXPECT_EQ(k.CreateKey(5, kKeyTranslation), existing);
  EXPECT_EQ(k.CreateKey(5, 0), existing);  // any class: the last at the time
  EXPECT_EQ(k.GetKeyNbr(), 4);

  C3DKeyframe* fresh = k.CreateKey(5, kKeyTranslation, vex3d::kCreateNewKey);
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(fresh, existing);
  EXPECT_EQ(xOf(fresh), 0.0f);
  EXPECT_EQ(k.GetKeyNbr(), 4);

  C3DKeyframe* scale = k.CreateKey(7, kKeyScale);
  ASSERT_NE(scale, nullptr);
  EXPECT_EQ(xOf(scale), 1.0f);
  EXPECT_EQ(k.GetKeyNbr(), 5);

  EXPECT_EQ(k.CreateKey(7, vex3d::fourcc("XXXX")), nullptr);
  EXPECT_EQ(k.CreateKey(8, 0), nullptr);
  EXPECT_EQ(k.GetKeyNbr(), 5);
}

TEST(KeyframableRemoval, DeleteKeyKeepsEverythingRemoveKeyRemoves) {
  C3DKeyframable k = sample();
  EXPECT_EQ(k.DeleteKey(5), 0);
  EXPECT_EQ(k.GetKeyNbr(), 4);
  EXPECT_EQ(k.RemoveKey(5, kKeyScale), 1);
  EXPECT_EQ(k.GetKeyNbr(), 3);
  EXPECT_EQ(k.RemoveKey(5, kKeyScale), 0);
  k.AddKey(5, std::make_unique<C3DScaleKey>());
  EXPECT_EQ(k.RemoveKey(5, 0), 2);
  EXPECT_EQ(k.GetTimeRange(0), CTimeRange(0, 10));
  k.DeleteAllKeys();
  EXPECT_EQ(k.GetKeyNbr(), 0);
}

TEST(KeyframableIndex, ByClassAndRange) {
  const C3DKeyframable k = sample();
  EXPECT_EQ(k.GetKeyNbr(kKeyTranslation), 3);
  EXPECT_EQ(k.GetKeyNbr(kKeyScale), 1);
  EXPECT_EQ(k.GetKeyNbr(kKeyRotation), 0);
  int t = 0;
  EXPECT_EQ(xOf(k.GetKeyByIndex(2, &t, kKeyTranslation)), 10.0f);
  EXPECT_EQ(t, 10);
  EXPECT_EQ(k.GetKeyByIndex(3, nullptr, kKeyTranslation), nullptr);
  EXPECT_EQ(k.GetKeyByIndex(-1, nullptr, kKeyTranslation), nullptr);
  EXPECT_THROW(k.GetKeyByIndex(4), CInvalidArgException);
  EXPECT_THROW(k.GetKeyByIndex(-1), CInvalidArgException);

  EXPECT_EQ(k.GetTimeRange(0), CTimeRange(0, 10));
  EXPECT_EQ(k.GetTimeRange(kKeyScale), CTimeRange(5, 5));
  EXPECT_EQ(k.GetTimeRange(kKeyRotation), CTimeRange(0, 0));
  // The unparameterised range is the animatable's, not the keys'.
  EXPECT_EQ(k.GetTimeRange(), CTimeRange(0, 0));
}

TEST(KeyframableEvaluate, InterpolatesAndHoldsTheEnds) {
  C3DKeyframable k;
  k.AddKey(0, translation(0));
  k.AddKey(10, translation(10));
  // Keys of another class in between must not take part.
  k.AddKey(3, std::make_unique<C3DScaleKey>(C3DVector(4, 4, 4)));
  C3DTranslateKey key(C3DVector(-1, -1, -1));
  EXPECT_EQ(k.Evaluate(5, key), 1);
  EXPECT_FLOAT_EQ(key.GetVector().x, 5.0f);
  C4x4Matrix five;
  five.InitTranslation(5, 0, 0);
  EXPECT_EQ(key.ToMatrix(), five);
  EXPECT_EQ(k.Evaluate(-3, key), 1);
  EXPECT_EQ(key.GetVector().x, 0.0f);
  EXPECT_EQ(k.Evaluate(12, key), 1);
  EXPECT_EQ(key.GetVector().x, 10.0f);
  EXPECT_EQ(k.Evaluate(10, key), 1);
  EXPECT_EQ(key.GetVector().x, 10.0f);
  EXPECT_EQ(k.Evaluate(0, key), 1);
  EXPECT_EQ(key.GetVector().x, 0.0f);

  C3DScaleKey scale;
  EXPECT_EQ(k.Evaluate(100, scale), 1);
  EXPECT_EQ(scale.GetVector().x, 4.0f);
  C3DPivotKey pivot(C3DVector(1, 1, 1));
  EXPECT_EQ(k.Evaluate(5, pivot), 0);
  EXPECT_EQ(pivot.GetVector().x, 1.0f);
}

TEST(KeyframableEvaluate, RotationsAreSlerpedAndMatricesHeld) {
  constexpr float kHalfPi = std::numbers::pi_v<float> / 2.0f;
  C3DKeyframable k;
  k.AddKey(0, std::make_unique<C3DRotateKey>(0.0f, C3DVector(0, 0, 1)));
  k.AddKey(4, std::make_unique<C3DRotateKey>(kHalfPi, C3DVector(0, 0, 1)));
  C3DRotateKey rotation;
  EXPECT_EQ(k.Evaluate(2, rotation), 1);
  C4x4Matrix quarter;
  quarter.InitRotation(kHalfPi / 2.0f, C3DVector(0, 0, 1));
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(rotation.ToMatrix()(r, c), quarter(r, c), 1e-5f);

  C4x4Matrix a;
  a.InitTranslation(1, 0, 0);
  C4x4Matrix b;
  b.InitTranslation(2, 0, 0);
  k.AddKey(0, std::make_unique<C3DMatrixKey>(a));
  k.AddKey(4, std::make_unique<C3DMatrixKey>(b));
  // Matrix keys do not interpolate: the receiving key keeps its matrix, and
  // the time still counts as evaluated.
  C3DMatrixKey matrix;
  EXPECT_EQ(k.Evaluate(2, matrix), 1);
  EXPECT_EQ(matrix.ToMatrix(), C4x4Matrix(1));
  EXPECT_EQ(k.Evaluate(4, matrix), 1);
  EXPECT_EQ(matrix.ToMatrix(), b);
}

TEST(KeyframableCopy, DeepCopiesAndReplacesOwnKeys) {
  const C3DKeyframable source = sample();
  C3DKeyframable target;
  target.AddKey(99, translation(99));
  EXPECT_EQ(target = source, 1);
  ASSERT_EQ(target.GetKeyNbr(), 4);
  for (int i = 0; i < 4; ++i) {
    int ts = 0;
    int tt = 0;
    const C3DKeyframe* s = source.GetKeyByIndex(i, &ts);
    const C3DKeyframe* t = target.GetKeyByIndex(i, &tt);
    EXPECT_NE(s, t);
    EXPECT_EQ(ts, tt);
    EXPECT_TRUE(*s == *t);
  }
  const C3DKeyframable& self = target;
  EXPECT_EQ(target = self, 1);
  EXPECT_EQ(target.GetKeyNbr(), 4);

  const C3DKeyframable copy(target);
  EXPECT_EQ(copy.GetKeyNbr(), 4);
  EXPECT_NE(copy.GetKeyByIndex(0), target.GetKeyByIndex(0));
  EXPECT_EQ(xOf(copy.GetConstKey(10, kFindExact, kKeyTranslation)), 10.0f);
}

TEST(KeyframableCopy, KeepsTheCurves) {
  C3DKeyframable source;
  auto key = C3DKeyframe::CreateKey(kKeyScale, vex3d::kCurveTCB);
  const C3DKeyCurve* curve = key->GetKeyCurve();
  source.AddKey(1, std::move(key));
  C3DKeyframable target;
  target = source;
  const C3DKeyCurve* copied = target.GetKeyByIndex(0)->GetKeyCurve();
  ASSERT_NE(copied, nullptr);
  EXPECT_NE(copied, curve);
  EXPECT_EQ(copied->GetClassID(), vex3d::kCurveTCB);
}

}  // namespace
