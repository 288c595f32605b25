// Copies, assignment and comparison of keys, within a kind and across kinds.
#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

#include "animation/key_curve.h"
#include "animation/keyframe.h"
#include "animation/matrix_key.h"
#include "animation/time_range.h"
#include "animation/vector_key.h"

namespace {

// A sliced copy would keep the class id of a kind whose value it lacks.
static_assert(!std::is_constructible_v<C3DKeyframe, const C3DTranslateKey&>);
static_assert(!std::is_constructible_v<C3DKeyframe, const C3DMatrixKey&>);
static_assert(!std::is_constructible_v<C3DMatrixKey, const C3DRotateKey&>);
static_assert(!std::is_constructible_v<C3DMatrixKey, const C3DScaleKey&>);
static_assert(std::is_copy_constructible_v<C3DMatrixKey>);
static_assert(std::is_copy_constructible_v<C3DRotateKey>);
static_assert(std::is_copy_constructible_v<C3DPivotKey>);

float firstParameter(const C3DKeyframe& key) {
  return dynamic_cast<const C3DTCBCurve&>(*key.GetKeyCurve()).GetParameter(0);
}

TEST(KeyCopy, CopyConstructionOwnsItsOwnCurveAndRecord) {
  C3DTranslateKey key(C3DVector(1, 2, 3));
  key.GetCustomData().SetUInt(1, 5);
  key.CreateCurve(vex3d::kCurveTCB);
  C3DTranslateKey copy(key);
  EXPECT_EQ(copy.GetVector(), C3DVector(1, 2, 3));
  EXPECT_EQ(copy.ToMatrix(), key.ToMatrix());
  EXPECT_EQ(copy.GetCustomData().GetUInt(1), 5u);
  ASSERT_NE(copy.GetKeyCurve(), nullptr);
  EXPECT_NE(copy.GetKeyCurve(), key.GetKeyCurve());
  dynamic_cast<C3DTCBCurve*>(key.GetKeyCurve())->SetParameter(0, 9.0f);
  EXPECT_EQ(firstParameter(copy), 0.0f);
}

TEST(KeyCopy, CopyTakesClassValueAndCurveButNotTheRecord) {
  C3DRotateKey key(0.4f, C3DVector(0, 1, 0));
  key.GetCustomData().SetUInt(1, 5);
  key.CreateCurve(vex3d::kCurveTCB);
  dynamic_cast<C3DTCBCurve*>(key.GetKeyCurve())->SetParameter(0, 2.0f);
  auto copy = key.Copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetClassID(), vex3d::kKeyRotation);
  EXPECT_TRUE(*copy == key);
  EXPECT_TRUE(copy->GetCustomData().IsEmpty());
  EXPECT_EQ(firstParameter(*copy), 2.0f);
  float angle = 0.0f;
  EXPECT_EQ(dynamic_cast<C3DRotateKey&>(*copy).GetRotation(angle), C3DVector(0, 1, 0));
  EXPECT_EQ(angle, 0.4f);
  EXPECT_EQ(C3DKeyframe().Copy(), nullptr);
}

TEST(KeyAssign, SameClassCopiesValueAndCurveKeepsRecord) {
  C3DScaleKey source(C3DVector(2, 3, 4));
  source.CreateCurve(vex3d::kCurveTCB);
  source.GetCustomData().SetUInt(1, 1);
  C3DScaleKey target;
  target.GetCustomData().SetUInt(2, 2);
  EXPECT_EQ(target = source, 1);
  EXPECT_EQ(target.GetVector(), C3DVector(2, 3, 4));
  EXPECT_EQ(target.ToMatrix(), source.ToMatrix());
  ASSERT_NE(target.GetKeyCurve(), nullptr);
  EXPECT_FALSE(target.GetCustomData().HasKey(1));
  EXPECT_EQ(target.GetCustomData().GetUInt(2), 2u);
  // A source without a curve takes the target's away.
  EXPECT_EQ(target = C3DScaleKey(C3DVector(5, 5, 5)), 1);
  EXPECT_EQ(target.GetKeyCurve(), nullptr);
}

TEST(KeyAssign, SelfAssignmentKeepsEverything) {
  C3DPivotKey key(C3DVector(1, 1, 1));
  key.CreateCurve(vex3d::kCurveTCB);
  C3DKeyframe& same = key;
  EXPECT_EQ(key = same, 1);
  EXPECT_NE(key.GetKeyCurve(), nullptr);
  EXPECT_EQ(key.GetVector(), C3DVector(1, 1, 1));
}

TEST(KeyAssign, RotationKeepsAnInterpolatedMatrix) {
  const C3DVector z(0, 0, 1);
  C3DRotateKey source;
  ASSERT_EQ(source.Evaluate(C3DRotateKey(0.0f, z), C3DRotateKey(1.0f, z), 1, CTimeRange(0, 2)), 1);
  C3DRotateKey target(2.0f, C3DVector(1, 0, 0));
  EXPECT_EQ(target = source, 1);
  EXPECT_EQ(target.ToMatrix(), source.ToMatrix());
  float angle = 1.0f;
  EXPECT_EQ(target.GetRotation(angle), C3DVector(0, 0, 0));
  EXPECT_EQ(angle, 0.0f);
}

TEST(KeyAssign, AnotherClassAnswersZeroAndChangesNothing) {
  C3DTranslateKey target(C3DVector(1, 2, 3));
  target.CreateCurve(vex3d::kCurveTCB);
  C3DKeyCurve* curve = target.GetKeyCurve();
  const C3DPivotKey pivot(C3DVector(7, 7, 7));
  const C3DScaleKey scale(C3DVector(7, 7, 7));
  const C3DMatrixKey matrix;
  const C3DRotateKey rotation;
  const C3DKeyframe base;
  for (const C3DKeyframe* source :
       {static_cast<const C3DKeyframe*>(&pivot), static_cast<const C3DKeyframe*>(&scale),
        static_cast<const C3DKeyframe*>(&matrix), static_cast<const C3DKeyframe*>(&rotation),
        &base}) {
    EXPECT_EQ(target = *source, 0);
    EXPECT_EQ(target.GetVector(), C3DVector(1, 2, 3));
    EXPECT_EQ(target.GetKeyCurve(), curve);
  }
  C3DMatrixKey matrixTarget;
  EXPECT_EQ(matrixTarget = static_cast<const C3DKeyframe&>(rotation), 0);
  C3DKeyframe baseTarget;
  EXPECT_EQ(baseTarget = static_cast<const C3DKeyframe&>(pivot), 0);
  EXPECT_EQ(baseTarget = C3DKeyframe(), 1);
}

TEST(KeyCompare, ClassAndMatrixDecide) {
  const C3DTranslateKey a(C3DVector(1, 2, 3));
  C3DTranslateKey b(C3DVector(1, 2, 3));
  b.CreateCurve(vex3d::kCurveTCB);
  b.GetCustomData().SetUInt(1, 1);
  // Curves and parameter records do not take part.
  EXPECT_TRUE(a == b);
  EXPECT_FALSE(a == C3DTranslateKey(C3DVector(1, 2, 4)));
  // Same matrix, other class.
  EXPECT_FALSE(a == C3DPivotKey(C3DVector(1, 2, 3)));
  EXPECT_FALSE(a == C3DMatrixKey(a.ToMatrix()));
  EXPECT_TRUE(C3DMatrixKey(a.ToMatrix()) == C3DMatrixKey(a.ToMatrix()));
  // Rotations compare by matrix: the same turn from another axis length.
  EXPECT_TRUE(C3DRotateKey(0.5f, C3DVector(0, 0, 1)) == C3DRotateKey(0.5f, C3DVector(0, 0, 3)));
  // The base compares class ids only.
  EXPECT_TRUE(C3DKeyframe() == C3DKeyframe());
  EXPECT_FALSE(C3DKeyframe() == a);
  EXPECT_FALSE(a == C3DKeyframe());
}

}  // namespace
